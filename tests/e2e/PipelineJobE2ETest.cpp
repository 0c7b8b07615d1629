// The join job with the real encoder, the real probe and the real profiles, as the window
// drives it.
#include "EncoderTestSupport.h"
#include "PipelineE2ESupport.h"
#include "pipeline/JoinJob.h"
#include "pipeline/ModelJobInputs.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/ProfileSettings.h"
#include "settings/Preferences.h"
#include "tasks/TaskList.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using namespace qvj::test;

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

class PipelineJob : public testing::Test
{
protected:
    void SetUp() override
    {
        const ProfileCatalogue catalogue = ProfileCatalogue::List(BuildProgramDirectory());
        const qsizetype avi = catalogue.Names().indexOf(S("AVI - MPEG-4 Video"));
        ASSERT_GE(avi, 0) << "the AVI profile is shipped";
        profilePath = catalogue.PathOf(int(avi));
        ASSERT_TRUE(settings.LoadProfile(profilePath));
        preferences.SetTempDir(root + S("temp"));
        preferences.SetOpenDir(false);
        QDir().mkdir(root + S("out"));
        ConnectRowStatus(job, tasks);
    }

    void AddClip(const QString &name, const ClipSpec &spec = TinyClip())
    {
        const QString path = root + name;
        QDir().mkpath(QFileInfo(path).path());
        ASSERT_TRUE(MakeClip(path, spec));
        const int before = tasks.Count();
        tasks.AddTaskFile(path);
        ASSERT_EQ(tasks.Count(), before + 1) << "not listed: " << path.toStdString();
        ltvItemData row;
        tasks.ReadTaskRow(before, AllColumns, row);
        inputSeconds += row.LengthSeconds;
    }

    std::optional<JobOutcome> RunJob()
    {
        std::optional<JobOutcome> outcome;
        QEventLoop loop;
        QObject::connect(&job, &JoinJob::finished, &loop, [&](JobOutcome o, AfterJobAction) {
            outcome = o;
            loop.quit();
        });
        EXPECT_TRUE(job.Start(profilePath));
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        if (job.IsActive())
            loop.exec();
        return outcome;
    }

    // The Status column of the task list, "|" between rows.
    QString Statuses() const
    {
        QStringList statuses;
        for (int i = 0; i < tasks.Count(); ++i) {
            ltvItemData row;
            tasks.ReadTaskRow(i, AllColumns, row);
            statuses << row.StatusText;
        }
        return statuses.join(QLatin1Char('|'));
    }

    // The one message the job showed.
    QString Message() const
    {
        const auto messages = desktop.Of(S("message"));
        EXPECT_EQ(messages.size(), 1u);
        return messages.empty() ? QString() : messages.back().text;
    }

    QTemporaryDir work;
    QString root = work.path() + S("/");
    QString profilePath;
    QString output = root + S("out/joined.avi");
    double inputSeconds = 0;
    RecordingDesktop desktop;
    PreferencesModel preferences;
    ProfileSettings settings;
    TaskListModel tasks {desktop};
    ModelJobInputs inputs {tasks, preferences, settings, [this] { return output; }};
    JoinJob job {inputs, desktop, BuildProgramDirectory()};
};

TEST_F(PipelineJob, JoinsUnlikeClipsAndASilentOneOnOddPaths)
{
    AddClip(S("dir with blanks/clip \"one\" ü.mp4"), TinyClip(320, 240, "25", true, 44100, 2));
    AddClip(S("Ünï 日本/it's a \\back\\ slash.avi"), TinyClip(176, 144, "30", false));
    AddClip(S("c.mov"), TinyClip(240, 160, "15", true, 22050, 1));
    const QString temp = root + S("temp \"q\" ß");
    preferences.SetTempDir(temp);
    QDir().mkdir(root + S("out \"x\" é"));
    output = root + S("out \"x\" é/joined \\ ü.avi");
    ASSERT_EQ(RunJob(), JobOutcome::Completed) << Message().toStdString();
    EXPECT_EQ(Statuses(), S("Complete|Complete|Complete"));
    const ProbedFile joined = ProbeFile(output);
    EXPECT_NEAR(joined.seconds, inputSeconds, 1.0);
    EXPECT_FALSE(joined.videoCodec.isEmpty());
    EXPECT_FALSE(joined.audioCodec.isEmpty());
    EXPECT_EQ(FolderEntries(temp), QStringList());
    EXPECT_EQ(Message(), S("The joining is completed successfully."));
}

TEST_F(PipelineJob, StopInEachStageLeavesNoIntermediateFile)
{
    for (const char *name : {"a.mp4", "b.mp4", "c.mp4"})
        AddClip(S(name));
    struct Case
    {
        int row;
        const char *status; // Stop once this row shows it
        const char *statuses;
        const char *message;
        JobState state;
    };
    const std::vector<Case> cases {
        {1, "Converting", "Waiting for joining|Stop|OK", "The Coversion is canceled.",
         JobState::Cancelled},
        {2, "Joining", "Stop|Stop|Stop", "The Joining is canceled.", JobState::Idle},
    };
    for (const Case &c : cases) {
        desktop.calls.clear();
        const auto stop
            = QObject::connect(&job, &JoinJob::rowStatusChanged, [&](int r, const QString &s) {
                  if (r == c.row && s == S(c.status))
                      QMetaObject::invokeMethod(
                          &job, [this] { job.Stop(); }, Qt::QueuedConnection);
              });
        ASSERT_EQ(RunJob(), JobOutcome::Stopped);
        QObject::disconnect(stop);
        EXPECT_EQ(Statuses(), S(c.statuses));
        EXPECT_EQ(Message(), S(c.message));
        EXPECT_EQ(job.State(), c.state);
        EXPECT_EQ(FolderEntries(root + S("temp")), QStringList());
    }
}

TEST_F(PipelineJob, AFailureNamesTheInput)
{
    AddClip(S("a.mp4"));
    AddClip(S("gone.mp4"));
    ASSERT_TRUE(QFile::remove(root + S("gone.mp4"))); // gone after it was listed
    ASSERT_EQ(RunJob(), JobOutcome::Failed);
    EXPECT_EQ(Statuses(), S("Waiting for joining|Failed"));
    EXPECT_TRUE(Message().startsWith(S("The encoder could not convert gone.mp4:\n")))
        << Message().toStdString();
    EXPECT_EQ(desktop.Of(S("message")).front().title, S("Error"));
    EXPECT_EQ(FolderEntries(root + S("temp")), QStringList());
    EXPECT_FALSE(QFileInfo::exists(output));
}

} // namespace
