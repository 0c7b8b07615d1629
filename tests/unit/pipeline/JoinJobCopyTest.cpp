// The job of a profile that copies the streams, against a fake encoder: the check of the
// inputs, the refusal that names what differs, the one stage, and Stop.
#include "common/TestSupport.h"
#include "pipeline/JoinJob.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace qvj::test;

class JoinJobCopyTest : public testing::Test
{
protected:
    void SetUp() override
    {
        inputs.tempDir = S("/nonexistent/never/made");
        inputs.outputFile = root + S("movie.mp4");
        inputs.extension = S(".mp4");
        inputs.options = S(" -ovc copy -oac copy");
        inputs.copy = true;
        for (const char *name : {"a.mp4", "b b.mp4", "c.mp4"}) {
            inputs.rows.emplace_back().InputFile = root + S(name);
            inputs.rows.back().LengthSeconds = 10;
        }
        QObject::connect(&job, &JoinJob::rowStatusChanged,
                         [this](int row, const QString &s) { statuses[row] << s; });
        QObject::connect(&job, &JoinJob::stageTitleChanged,
                         [this](const QString &t) { titles << t; });
        QObject::connect(&job, &JoinJob::totalProgressChanged, [this](int p) { total << p; });
        QObject::connect(&job, &JoinJob::finished,
                         [this](JobOutcome o, AfterJobAction) { outcome = o; });
    }

    // The encoder answers -identify with one block per file, c.mp4's of the given size, logs
    // every command line and copies by writing "x" after progress lines.
    void Encoder(const char *sizeOfC, const char *copyBody = "")
    {
        WriteScript(
            programDir + S("asapi.dll"),
            QByteArray("printf '%s|' \"$@\" >> \"$0.log\"; echo >> \"$0.log\"\n"
                       "if [ \"$1\" = -identify ]; then shift; for f; do\n"
                       " echo \"ID_FILENAME=$f\"; echo ID_VIDEO_FORMAT=H264\n"
                       " case \"$f\" in *c.mp4) s=")
                + sizeOfC
                + ";; *) s=1920x1080;; esac\n"
                  " echo ID_VIDEO_WIDTH=${s%x*}; echo ID_VIDEO_HEIGHT=${s#*x}\n"
                  " echo ID_VIDEO_FPS=25.000; echo ID_VIDEO_FRAME_RATE=25; done; exit 0; fi\n"
                + copyBody
                + "\nout=; while [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=\"$2\"; shift; done\n"
                  "yes 'Pos:  15.0s  1f ' | head -c 100000; printf x > \"$out\"\n");
    }

    QStringList Log() const
    {
        return QString::fromUtf8(ReadFile(programDir + S("asapi.dll.log")))
            .split(u'\n', Qt::SkipEmptyParts);
    }

    bool WaitForFinished()
    {
        return WaitFor([this] { return !job.IsActive(); }, 60000);
    }

    QTemporaryDir work, program;
    QString root = work.path() + QLatin1Char('/'), programDir = program.path() + QLatin1Char('/');
    FakeJobInputs inputs;
    RecordingDesktop desktop;
    JoinJob job {inputs, desktop, programDir};
    std::map<int, QStringList> statuses;
    QStringList titles;
    QList<int> total;
    std::optional<JobOutcome> outcome;
};

TEST_F(JoinJobCopyTest, FittingInputsAreCopiedInOneStage)
{
    Encoder("1920x1080");
    ASSERT_TRUE(job.Start(S("p")));
    ASSERT_TRUE(WaitForFinished());
    EXPECT_EQ(outcome, JobOutcome::Completed);
    // Each argument whole, a name with a blank included.
    const QString files = S("%1a.mp4|%1b b.mp4|%1c.mp4|").arg(root);
    EXPECT_EQ(Log(),
              (QStringList {S("-identify|") + files,
                            files + S("-o|%1movie.mp4|-ovc|copy|-oac|copy|").arg(root)}));
    EXPECT_EQ(ReadFile(inputs.outputFile), QByteArray("x"));
    // No conversion: every row goes from "Joining" to "Complete", under the join's title.
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(statuses[row], (QStringList {S("Joining"), S("Complete")}));
    titles.removeDuplicates();
    EXPECT_EQ(titles, QStringList {S("Final Step: Joining all files...")});
    // The total bar spans the whole range in this one stage: 15 of 30 s is half of it.
    EXPECT_EQ(total, (QList<int> {0, 50, 100}));
    EXPECT_EQ(desktop.Of(S("message")).at(0).title, S("Complete"));
    EXPECT_FALSE(QDir(S("/nonexistent")).exists());
}

TEST_F(JoinJobCopyTest, InputsThatDoNotFitAreRefusedBeforeAnythingIsWritten)
{
    Encoder("1280x720");
    ASSERT_TRUE(job.Start(S("p")));
    ASSERT_TRUE(WaitForFinished());
    EXPECT_EQ(outcome, JobOutcome::Failed);
    EXPECT_EQ(Log().size(), 1); // the check only
    EXPECT_FALSE(QFile::exists(inputs.outputFile));
    EXPECT_TRUE(statuses.empty()); // the rows keep what they showed
    const auto messages = desktop.Of(S("message"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, S("Cannot Join Without Re-encoding"));
    EXPECT_EQ(messages[0].text.split(u'\n').at(1),
              S("c.mp4: 1280x720 at 25 fps; the first file is 1920x1080 at 25 fps"));
    EXPECT_EQ(job.State(), JobState::Idle);

    // An encoder that cannot answer: its last words are shown.
    WriteScript(programDir + S("asapi.dll"), "echo 'no such codec'\nexit 1");
    desktop.calls.clear();
    ASSERT_TRUE(job.Start(S("p")));
    ASSERT_TRUE(WaitForFinished());
    EXPECT_EQ(outcome, JobOutcome::Failed);
    EXPECT_EQ(desktop.Of(S("message")).at(0).text,
              S("The encoder could not read the files:\nno such codec"));
}

TEST_F(JoinJobCopyTest, StopDuringTheCheckOrTheCopyCancelsTheJoin)
{
    for (const char *where : {"identify", "copy"}) {
        SCOPED_TRACE(where);
        WriteFile(programDir + S("asapi.dll.log"), "");
        if (QByteArray(where) == "identify")
            WriteScript(programDir + S("asapi.dll"), "echo \"$*\" >> \"$0.log\"\nsleep 1000");
        else
            Encoder("1920x1080", "sleep 1000");
        statuses.clear();
        desktop.calls.clear();
        ASSERT_TRUE(job.Start(S("p")));
        const int runs = QByteArray(where) == "identify" ? 1 : 2;
        WaitFor([&] { return Log().size() >= runs; }, 5000);
        EXPECT_TRUE(job.Stop());
        ASSERT_TRUE(WaitForFinished());
        EXPECT_EQ(outcome, JobOutcome::Stopped);
        EXPECT_EQ(statuses[2].back(), S("Stop"));
        EXPECT_EQ(desktop.Of(S("message")).at(0).text, S("The Joining is canceled."));
        EXPECT_EQ(job.State(), JobState::Idle);
        EXPECT_FALSE(QFile::exists(inputs.outputFile));
    }
}

} // namespace
