// The join job with the real encoder, the real probe and the real profiles, as the window
// drives it (stops in both stages are proved through the window and through quintor-join).
#include "EncoderTestSupport.h"
#include "pipeline/JoinJob.h"
#include "pipeline/ModelJobInputs.h"
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

TEST(PipelineJob, JoinsUnlikeClipsOnOddPathsAndAFailureNamesTheInput)
{
    QTemporaryDir work;
    const QString root = work.path() + S("/"), temp = root + S("temp \"q\" ß");
    const QString output = root + S("out \"x\" é/joined \\ ü.avi");
    QDir().mkdir(QFileInfo(output).path());
    RecordingDesktop desktop;
    PreferencesModel preferences;
    preferences.SetTempDir(temp);
    preferences.SetOpenDir(false);
    const QString profile = BuildProgramDirectory() + S("Profiles/AVI - MPEG-4 Video.bpf");
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(profile));
    TaskListModel tasks {desktop};
    ModelJobInputs inputs {tasks, preferences, settings, [&] { return output; }};
    JoinJob job {inputs, desktop, BuildProgramDirectory()};
    ConnectRowStatus(job, tasks);
    std::optional<JobOutcome> outcome;
    QObject::connect(&job, &JoinJob::finished, [&](JobOutcome o) { outcome = o; });

    const auto addClip = [&](const QString &name, const ClipSpec &clip) {
        QDir().mkpath(QFileInfo(root + name).path());
        EXPECT_TRUE(MakeClip(root + name, clip));
        tasks.AddTaskFile(root + name);
    };
    // Runs the job to its end; gives the rows' statuses and the one message shown.
    const auto run = [&]() -> QString {
        desktop.calls.clear();
        outcome.reset();
        QEventLoop loop;
        QObject::connect(&job, &JoinJob::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        if (job.Start(profile) && job.IsActive())
            loop.exec();
        QStringList statuses;
        for (int i = 0; i < tasks.Count(); ++i) {
            ltvItemData row;
            tasks.ReadTaskRow(i, AllColumns, row);
            statuses << row.StatusText;
        }
        const auto messages = desktop.Of(S("message"));
        EXPECT_EQ(messages.size(), 1u);
        EXPECT_EQ(QDir(temp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        return statuses.join(QLatin1Char('|')) + S(" / ")
            + (messages.empty() ? QString() : messages.back().text);
    };

    addClip(S("dir with blanks/clip \"one\" ü.mp4"), {.seconds = 1, .extra = {}});
    addClip(
        S("Ünï 日本/it's a \\back\\ slash.avi"),
        {.seconds = 1, .width = 176, .height = 144, .fps = S("30"), .audio = false, .extra = {}});
    const ClipSpec mono {
        .seconds = 1, .fps = S("15"), .sampleRate = 22050, .channels = 1, .extra = {}};
    addClip(S("c.mov"), mono);
    ASSERT_EQ(tasks.Count(), 3);
    EXPECT_EQ(run(), S("Complete|Complete|Complete / The joining is completed successfully."));
    EXPECT_EQ(outcome, JobOutcome::Completed);
    const ProbedFile joined = ProbeFile(output);
    EXPECT_NEAR(joined.seconds, 3.0, 1.0);
    EXPECT_FALSE(joined.videoCodec.isEmpty());
    EXPECT_FALSE(joined.audioCodec.isEmpty());

    // An input gone after it was listed: the failure names it.
    addClip(S("gone.mp4"), mono);
    ASSERT_TRUE(QFile::remove(root + S("gone.mp4")));
    const QString failed = run();
    EXPECT_EQ(outcome, JobOutcome::Failed);
    EXPECT_TRUE(failed.startsWith(S("Waiting for joining|Waiting for joining|Waiting for joining|"
                                    "Failed / The encoder could not convert gone.mp4:\n")))
        << failed.toStdString();
}

} // namespace
