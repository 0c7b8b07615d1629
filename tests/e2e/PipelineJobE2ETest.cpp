// The join job with the real encoder, the real probe and the real profiles, as the window
// drives it.
#include "EncoderTestSupport.h"
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

#include <tuple>

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
        profilePath = catalogue.PathOf(int(catalogue.Names().indexOf(S("AVI - MPEG-4 Video"))));
        ASSERT_TRUE(settings.LoadProfile(profilePath));
        preferences.SetTempDir(temp);
        preferences.SetOpenDir(false);
        ConnectRowStatus(job, tasks);
    }

    void AddClip(const QString &name, const ClipSpec &clip)
    {
        QDir().mkpath(QFileInfo(root + name).path());
        ASSERT_TRUE(MakeClip(root + name, clip));
        tasks.AddTaskFile(root + name);
    }

    std::optional<JobOutcome> RunJob()
    {
        desktop.calls.clear();
        std::optional<JobOutcome> outcome;
        QEventLoop loop;
        const auto c
            = QObject::connect(&job, &JoinJob::finished, &loop, [&](JobOutcome o, AfterJobAction) {
                  outcome = o;
                  loop.quit();
              });
        EXPECT_TRUE(job.Start(profilePath));
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        if (job.IsActive())
            loop.exec();
        QObject::disconnect(c);
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
    RecordingDesktop::Call Message() const
    {
        const auto messages = desktop.Of(S("message"));
        EXPECT_EQ(messages.size(), 1u);
        return messages.empty() ? RecordingDesktop::Call {} : messages.back();
    }

    QStringList TempEntries() const
    {
        return QDir(temp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QTemporaryDir work;
    QString root = work.path() + S("/");
    QString temp = root + S("temp \"q\" ß");
    QString profilePath;
    QString output = root + S("out \"x\" é/joined \\ ü.avi");
    RecordingDesktop desktop;
    PreferencesModel preferences;
    ProfileSettings settings;
    TaskListModel tasks {desktop};
    ModelJobInputs inputs {tasks, preferences, settings, [this] { return output; }};
    JoinJob job {inputs, desktop, BuildProgramDirectory()};
};

TEST_F(PipelineJob, JoinsUnlikeClipsOnOddPathsAndStopInEachStageLeavesNothing)
{
    AddClip(S("dir with blanks/clip \"one\" ü.mp4"), {.seconds = 1, .extra = {}});
    AddClip(
        S("Ünï 日本/it's a \\back\\ slash.avi"),
        {.seconds = 1, .width = 176, .height = 144, .fps = S("30"), .audio = false, .extra = {}});
    const ClipSpec mono {
        .seconds = 1, .fps = S("15"), .sampleRate = 22050, .channels = 1, .extra = {}};
    AddClip(S("c.mov"), mono);
    ASSERT_EQ(tasks.Count(), 3);
    QDir().mkdir(QFileInfo(output).path());
    const std::vector<std::tuple<const char *, const char *, const char *>> cases {
        // Stop once the second row shows this status; the rows then; the message
        {"Converting", "Waiting for joining|Stop|OK", "The Coversion is canceled."},
        {"Joining", "Stop|Stop|Stop", "The Joining is canceled."},
        {"", "Complete|Complete|Complete", "The joining is completed successfully."}};
    for (const auto &[stopAt, statuses, message] : cases) {
        const auto stop
            = QObject::connect(&job, &JoinJob::rowStatusChanged, [&](int r, const QString &s) {
                  if (r == 1 && s == S(stopAt))
                      QMetaObject::invokeMethod(
                          &job, [this] { job.Stop(); }, Qt::QueuedConnection);
              });
        EXPECT_EQ(RunJob(), *stopAt ? JobOutcome::Stopped : JobOutcome::Completed);
        QObject::disconnect(stop);
        EXPECT_EQ(Statuses(), S(statuses));
        EXPECT_EQ(Message().text, S(message));
        EXPECT_EQ(TempEntries(), QStringList());
    }
    const ProbedFile joined = ProbeFile(output);
    EXPECT_NEAR(joined.seconds, 3.0, 1.0);
    EXPECT_FALSE(joined.videoCodec.isEmpty());
    EXPECT_FALSE(joined.audioCodec.isEmpty());
}

TEST_F(PipelineJob, AFailureNamesTheInput)
{
    AddClip(S("a.mp4"), {.seconds = 1, .extra = {}});
    AddClip(S("gone.mp4"), {.seconds = 1, .extra = {}});
    ASSERT_TRUE(QFile::remove(root + S("gone.mp4"))); // gone after it was listed
    ASSERT_EQ(RunJob(), JobOutcome::Failed);
    EXPECT_EQ(Statuses(), S("Waiting for joining|Failed"));
    EXPECT_EQ(Message().title, S("Error"));
    EXPECT_TRUE(Message().text.startsWith(S("The encoder could not convert gone.mp4:\n")))
        << Message().text.toStdString();
    EXPECT_EQ(TempEntries(), QStringList());
    EXPECT_FALSE(QFileInfo::exists(output));
}

} // namespace
