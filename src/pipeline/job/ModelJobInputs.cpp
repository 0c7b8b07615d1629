#include "pipeline/job/ModelJobInputs.h"

#include "pipeline/job/JoinJob.h"
#include "profiles/OptionBuilder.h"
#include "profiles/ProfileSettings.h"
#include "settings/Preferences.h"
#include "tasks/TaskList.h"

ModelJobInputs::ModelJobInputs(const TaskListModel &tasks, const PreferencesModel &preferences,
                               const ProfileSettings &settings, std::function<QString()> outputFile)
    : m_tasks(tasks)
    , m_preferences(preferences)
    , m_settings(settings)
    , m_outputFile(std::move(outputFile))
{
}

int ModelJobInputs::RowCount() const
{
    return m_tasks.Count();
}

ltvItemData ModelJobInputs::ReadRow(int index) const
{
    ltvItemData row;
    m_tasks.ReadTaskRow(index, AllColumns, row);
    return row;
}

QString ModelJobInputs::TempDir() const
{
    return m_preferences.TempDir();
}

QString ModelJobInputs::OutputFile() const
{
    return m_outputFile();
}

QString ModelJobInputs::OutputExtension() const
{
    return m_settings.OutputExtension();
}

bool ModelJobInputs::Rename() const
{
    return m_preferences.Rename();
}

bool ModelJobInputs::TurnOff() const
{
    return m_preferences.TurnOff();
}

bool ModelJobInputs::Exit() const
{
    return m_preferences.Exit();
}

bool ModelJobInputs::OpenDir() const
{
    return m_preferences.OpenDir();
}

QString ModelJobInputs::VideoSizeValue(const QString &profilePath) const
{
    return GetVideoSizeValue(m_settings, profilePath);
}

bool ModelJobInputs::StreamCopy() const
{
    return m_settings.StreamCopy();
}

bool ModelJobInputs::Chapters() const
{
    return m_preferences.Chapters();
}

bool ModelJobInputs::KeepConverted() const
{
    return m_preferences.KeepConverted();
}

qint64 ModelJobInputs::KeptLimitBytes() const
{
    return m_preferences.KeptLimitBytes();
}

bool ModelJobInputs::LowPriority() const
{
    return m_preferences.LowPriority();
}

bool ModelJobInputs::KeepDates() const
{
    return m_preferences.KeepDates();
}

double ModelJobInputs::Crossfade() const
{
    return m_preferences.Crossfade();
}

QString ModelJobInputs::EncoderOptions(const QString &profilePath) const
{
    return BuildEncoderOptions(m_settings, profilePath);
}

void ConnectRowStatus(JoinJob &job, TaskListModel &tasks)
{
    QObject::connect(&job, &JoinJob::rowStatusChanged, &tasks,
                     [&tasks](int row, const QString &status) {
                         ltvItemData rec;
                         rec.StatusText = status;
                         // The column selector counts sub-texts: 2 is "Status".
                         tasks.WriteTaskRow(row, 2, rec);
                     });
}

LoudnessMeter *ModelJobInputs::LoudnessToEven() const
{
    return m_preferences.EvenLoudness() ? &m_tasks.Loudness() : nullptr;
}
