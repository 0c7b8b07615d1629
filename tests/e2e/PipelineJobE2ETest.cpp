// The join job with the real encoder, the real probe and the real profiles, as the window
// drives it.
#include "PipelineE2ESupport.h"
#include "common/TestSupport.h"
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

#include <map>

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
        ASSERT_TRUE(work.isValid());
        root = work.path() + S("/");
        programDir = BuildProgramDirectory();
        ASSERT_TRUE(QFileInfo(programDir + S("asapi.dll")).isExecutable());
        const ProfileCatalogue catalogue = ProfileCatalogue::List(programDir);
        const qsizetype avi = catalogue.Names().indexOf(S("AVI - MPEG-4 Video"));
        ASSERT_GE(avi, 0) << "the AVI profile is shipped";
        profilePath = catalogue.PathOf(int(avi));
        ASSERT_TRUE(settings.LoadProfile(profilePath));
        preferences.SetTempDir(root + S("temp"));
        preferences.SetOpenDir(false);
        QDir().mkdir(root + S("out"));
        output = root + S("out/joined.avi");
        ConnectRowStatus(job, tasks);
        QObject::connect(&job, &JoinJob::rowStatusChanged,
                         [this](int row, const QString &s) { statuses[row] << s; });
    }

    // Makes a clip in the test's folder and adds it to the task list.
    void AddClip(const QString &name, const ClipSpec &spec = {})
    {
        const QString path = root + name;
        QDir().mkpath(QFileInfo(path).path());
        ASSERT_TRUE(MakeClip(path, spec));
        const int before = tasks.Count();
        tasks.AddTaskFile(path);
        ASSERT_EQ(tasks.Count(), before + 1) << "not listed: " << path.toStdString();
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
        if (job.IsActive()) {
            QTimer::singleShot(120000, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return outcome;
    }

    // Stops the job once row `row` shows `status`.
    void StopOn(int row, const QString &status)
    {
        QObject::connect(&job, &JoinJob::rowStatusChanged,
                         [this, row, status](int r, const QString &s) {
                             if (r == row && s == status)
                                 QMetaObject::invokeMethod(
                                     &job, [this] { job.Stop(); }, Qt::QueuedConnection);
                         });
    }

    double InputSeconds() const
    {
        double sum = 0;
        for (int i = 0; i < tasks.Count(); ++i) {
            ltvItemData row;
            tasks.ReadTaskRow(i, AllColumns, row);
            sum += row.LengthSeconds;
        }
        return sum;
    }

    QTemporaryDir work;
    QString root;
    QString programDir;
    QString profilePath;
    QString output;
    RecordingDesktop desktop;
    PreferencesModel preferences;
    ProfileSettings settings;
    TaskListModel tasks {desktop};
    ModelJobInputs inputs {tasks, preferences, settings, [this] { return output; }};
    JoinJob job {inputs, desktop, BuildProgramDirectory()};
    std::map<int, QStringList> statuses;
};

TEST_F(PipelineJob, JoinsClipsOfDifferentSizesRatesAndASilentOne)
{
    AddClip(S("a.mp4"), TinyClip(320, 240, S("25"), true, 44100, 2));
    AddClip(S("b.avi"), TinyClip(176, 144, S("30"), false));
    AddClip(S("c.mov"), TinyClip(240, 160, S("15"), true, 22050, 1));
    ASSERT_EQ(RunJob(), JobOutcome::Completed) << desktop.calls.size();
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(statuses[row].back(), S("Complete"));
    EXPECT_NEAR(ProbeSeconds(output), InputSeconds(), 1.0);
    EXPECT_EQ(ProbeStreamTypes(output), (QStringList {S("audio"), S("video")}));
    EXPECT_TRUE(FolderEntries(root + S("temp")).isEmpty());
    ASSERT_EQ(desktop.Of(S("message")).size(), 1u);
    EXPECT_EQ(desktop.Of(S("message")).front().text, S("The joining is completed successfully."));
}

TEST_F(PipelineJob, TakesAnyPathBackExactly)
{
    AddClip(S("dir with blanks/clip \"one\" ü.mp4"), TinyClip());
    AddClip(S("Ünï 日本/it's a \\back\\ slash.mp4"), TinyClip());
    preferences.SetTempDir(root + S("temp \"q\" ß"));
    QDir().mkdir(root + S("out \"x\" é"));
    output = root + S("out \"x\" é/joined \\ ü.avi");
    ASSERT_EQ(RunJob(), JobOutcome::Completed);
    EXPECT_NEAR(ProbeSeconds(output), InputSeconds(), 1.0);
    EXPECT_TRUE(FolderEntries(root + S("temp \"q\" ß")).isEmpty());
}

TEST_F(PipelineJob, StopDuringTheConversionLeavesNoIntermediateFile)
{
    AddClip(S("a.mp4"), TinyClip());
    AddClip(S("b.mp4"), TinyClip());
    AddClip(S("c.mp4"), TinyClip());
    StopOn(1, S("Converting"));
    ASSERT_EQ(RunJob(), JobOutcome::Stopped);
    EXPECT_EQ(statuses[0].back(), S("Waiting for joining"));
    EXPECT_EQ(statuses[1].back(), S("Stop"));
    EXPECT_EQ(statuses.count(2), 0u);
    EXPECT_TRUE(FolderEntries(root + S("temp")).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(output));
    ASSERT_EQ(desktop.Of(S("message")).size(), 1u);
    EXPECT_EQ(desktop.Of(S("message")).front().text, S("The Coversion is canceled."));
}

TEST_F(PipelineJob, StopDuringTheJoinLeavesNoIntermediateFile)
{
    AddClip(S("a.mp4"), TinyClip());
    AddClip(S("b.mp4"), TinyClip());
    StopOn(1, S("Joining"));
    ASSERT_EQ(RunJob(), JobOutcome::Stopped);
    EXPECT_EQ(statuses[0].back(), S("Stop"));
    EXPECT_EQ(statuses[1].back(), S("Stop"));
    EXPECT_TRUE(FolderEntries(root + S("temp")).isEmpty());
    ASSERT_EQ(desktop.Of(S("message")).size(), 1u);
    EXPECT_EQ(desktop.Of(S("message")).front().text, S("The Joining is canceled."));
}

TEST_F(PipelineJob, AFailureNamesTheInput)
{
    AddClip(S("a.mp4"), TinyClip());
    AddClip(S("gone.mp4"), TinyClip());
    // The file disappears after it was listed.
    ASSERT_TRUE(QFile::remove(root + S("gone.mp4")));
    ASSERT_EQ(RunJob(), JobOutcome::Failed);
    EXPECT_EQ(statuses[1].back(), S("Failed"));
    const auto messages = desktop.Of(S("message"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages.front().title, S("Error"));
    EXPECT_TRUE(messages.front().text.startsWith(S("The encoder could not convert gone.mp4:\n")))
        << messages.front().text.toStdString();
    EXPECT_TRUE(FolderEntries(root + S("temp")).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(output));
}

} // namespace
