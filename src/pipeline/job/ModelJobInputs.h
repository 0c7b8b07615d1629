#pragma once
// The job's inputs bound to the program's live models: the task list, the preferences and
// the current output settings. The output box's text is asked for through a function, since
// the window (or the command line) holds it.

#include "pipeline/job/JobInputs.h"

#include <functional>

class JoinJob;
class PreferencesModel;
class ProfileSettings;
class TaskListModel;

class ModelJobInputs : public JobInputs
{
public:
    ModelJobInputs(const TaskListModel &tasks, const PreferencesModel &preferences,
                   const ProfileSettings &settings, std::function<QString()> outputFile);

    int RowCount() const override;
    ltvItemData ReadRow(int index) const override;
    QString TempDir() const override;
    QString OutputFile() const override;
    QString OutputExtension() const override;
    bool Rename() const override;
    bool TurnOff() const override;
    bool Exit() const override;
    bool OpenDir() const override;
    QString VideoSizeValue(const QString &profilePath) const override;
    QString EncoderOptions(const QString &profilePath) const override;
    bool StreamCopy() const override;
    bool Chapters() const override;
    bool KeepConverted() const override;
    qint64 KeptLimitBytes() const override;
    bool LowPriority() const override;
    bool KeepDates() const override;
    LoudnessMeter *LoudnessToEven() const override;
    double Crossfade() const override;

private:
    const TaskListModel &m_tasks;
    const PreferencesModel &m_preferences;
    const ProfileSettings &m_settings;
    std::function<QString()> m_outputFile;
};

// Writes every row status the job reports into the Status column of the task list.
void ConnectRowStatus(JoinJob &job, TaskListModel &tasks);
