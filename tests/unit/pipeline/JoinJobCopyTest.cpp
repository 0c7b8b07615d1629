// The job of a profile that copies the streams, against a fake encoder: the check of the
// inputs, the refusal that names what differs, the one stage, and Stop.
#include "common/TestSupport.h"
#include "pipeline/JoinJob.h"

#include <QDir>
#include <QEventLoop>
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

struct CopyInputs : JobInputs
{
    std::vector<ltvItemData> rows;
    QString outputFile;

    int RowCount() const override { return int(rows.size()); }
    ltvItemData ReadRow(int index) const override { return rows.at(size_t(index)); }
    QString TempDir() const override { return S("/nonexistent/never/made"); }
    QString OutputFile() const override { return outputFile; }
    QString OutputExtension() const override { return S(".mp4"); }
    bool Rename() const override { return false; }
    bool TurnOff() const override { return false; }
    bool Exit() const override { return false; }
    bool OpenDir() const override { return false; }
    QString VideoSizeValue(const QString &) const override { return S("320:240"); }
    QString EncoderOptions(const QString &) const override { return S(" -ovc copy -oac copy"); }
    bool StreamCopy() const override { return true; }
};

class JoinJobCopyTest : public testing::Test
{
protected:
    void SetUp() override
    {
        inputs.outputFile = root + S("movie.mp4");
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
        QFile f(programDir + S("asapi.dll"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray("#!/bin/sh\nprintf '%s|' \"$@\" >> \"$0.log\"; echo >> \"$0.log\"\n"
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
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QStringList Log() const
    {
        return QString::fromUtf8(ReadFile(programDir + S("asapi.dll.log")))
            .split(u'\n', Qt::SkipEmptyParts);
    }

    bool WaitForFinished()
    {
        QEventLoop loop;
        QObject::connect(&job, &JoinJob::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        return !job.IsActive();
    }

    QTemporaryDir work, program;
    QString root = work.path() + QLatin1Char('/'), programDir = program.path() + QLatin1Char('/');
    CopyInputs inputs;
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

TEST_F(JoinJobCopyTest, AnEarlyCheckOfTheSameFilesIsNotAskedAgain)
{
    // c.mp4 does not fit: the job must end on the answer about its own rows, whenever the early
    // check ended and whichever files it was about.
    const struct
    {
        int earlyFiles; // the first rows' files asked about early; 0: no early check
        bool answeredBeforeStart;
        int identifyRuns;
    } cases[] = {{3, false, 1}, {3, true, 1}, {2, true, 2}, {0, false, 1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.earlyFiles << ' ' << c.answeredBeforeStart);
        Encoder("1280x720");
        WriteFile(programDir + S("asapi.dll.log"), "");
        desktop.calls.clear();
        QStringList files;
        for (int i = 0; i < c.earlyFiles; ++i)
            files << inputs.rows.at(size_t(i)).InputFile;
        if (c.earlyFiles)
            job.CheckEarly(files);
        for (int i = 0; c.answeredBeforeStart && i < 500 && Log().size() < 1; ++i) {
            QEventLoop loop;
            QTimer::singleShot(10, &loop, &QEventLoop::quit);
            loop.exec();
        }
        ASSERT_TRUE(job.Start(S("p")));
        ASSERT_TRUE(WaitForFinished());
        EXPECT_EQ(outcome, JobOutcome::Failed);
        EXPECT_EQ(Log().size(), c.identifyRuns);
        const auto messages = desktop.Of(S("message"));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].title, S("Cannot Join Without Re-encoding"));
    }
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
    QFile::remove(programDir + S("asapi.dll"));
    WriteFile(programDir + S("asapi.dll"), "#!/bin/sh\necho 'no such codec'\nexit 1\n");
    QFile(programDir + S("asapi.dll")).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
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
            WriteFile(programDir + S("asapi.dll"),
                      "#!/bin/sh\necho \"$*\" >> \"$0.log\"\nsleep 1000\n");
        else
            Encoder("1920x1080", "sleep 1000");
        QFile(programDir + S("asapi.dll"))
            .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        statuses.clear();
        desktop.calls.clear();
        ASSERT_TRUE(job.Start(S("p")));
        const int runs = QByteArray(where) == "identify" ? 1 : 2;
        for (int i = 0; i < 500 && Log().size() < runs; ++i) {
            QEventLoop loop;
            QTimer::singleShot(10, &loop, &QEventLoop::quit);
            loop.exec();
        }
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
