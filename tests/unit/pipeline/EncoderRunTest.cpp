#include "pipeline/EncoderRun.h"
#include "FakeEncoder.h"
#include "common/TestSupport.h"
#include "pipeline/CommandLine.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

using qvj::test::FakeProgramDirectory;

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

// Runs the fake encoder to its end and keeps what the run reported.
struct Finished
{
    bool ended = false;
    bool failedToStart = false;
    QList<QByteArray> chunks;
    QByteArray Output() const
    {
        QByteArray all;
        for (const QByteArray &c : chunks)
            all += c;
        return all;
    }
};

Finished RunToEnd(EncoderRun &run, const QString &program, const QString &commandLine)
{
    Finished f;
    QObject::connect(&run, &EncoderRun::chunkRead, [&](const QByteArray &c) { f.chunks << c; });
    QObject::connect(&run, &EncoderRun::ended, [&] { f.ended = true; });
    QObject::connect(&run, &EncoderRun::failedToStart, [&] { f.failedToStart = true; });
    QEventLoop loop;
    QObject::connect(&run, &EncoderRun::ended, &loop, &QEventLoop::quit);
    QObject::connect(&run, &EncoderRun::failedToStart, &loop, &QEventLoop::quit);
    run.Start(program, commandLine);
    EXPECT_FALSE(f.ended || f.failedToStart) << "reported from within Start";
    if (run.IsRunning())
        loop.exec();
    run.disconnect();
    return f;
}

struct OutcomeCase
{
    const char *name;
    const char *script;
    bool crashed;
    int exitCode;
    QStringList lastLines;
};

class EncoderRunOutcome : public testing::TestWithParam<OutcomeCase>
{
};

TEST_P(EncoderRunOutcome, EndsAndTellsHowTheProcessEnded)
{
    FakeProgramDirectory program;
    program.SetEncoder(S(GetParam().script));
    EncoderRun run;
    const Finished f = RunToEnd(run, program.Encoder(), S(" a"));
    EXPECT_TRUE(f.ended);
    EXPECT_FALSE(f.failedToStart);
    EXPECT_FALSE(run.IsRunning());
    EXPECT_EQ(run.Crashed(), GetParam().crashed);
    if (!GetParam().crashed) {
        EXPECT_EQ(run.ExitCode(), GetParam().exitCode);
    }
    EXPECT_EQ(run.LastLines(), GetParam().lastLines);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, EncoderRunOutcome,
    testing::Values(
        OutcomeCase {"WritesNothing", "exit 0", false, 0, {}},
        OutcomeCase {
            "NonZeroExit", "echo 'cannot open a' >&2; exit 3", false, 3, {S("cannot open a")}},
        OutcomeCase {"Crash", "echo going; kill -SEGV $$", true, 0, {S("going")}},
        OutcomeCase {"FewChunks",
                     "for i in 1 2 3; do printf 'Pos: %s.0s\\r' $i; done; echo 'done'; exit 0",
                     false,
                     0,
                     {S("done")}},
        OutcomeCase {"ReadsEmptyInput", "cat; echo read-all", false, 0, {S("read-all")}},
        OutcomeCase {
            "BothChannelsMerged", "echo out; echo err >&2", false, 0, {S("out"), S("err")}}),
    [](const testing::TestParamInfo<OutcomeCase> &p) { return std::string(p.param.name); });

TEST(EncoderRun, ReadsAtMostOneChunkSizeAtATime)
{
    FakeProgramDirectory program;
    // 100000 bytes written at once: the reads split them.
    program.SetEncoder(S("head -c 100000 /dev/zero | tr '\\0' 'p'"));
    EncoderRun run;
    const Finished f = RunToEnd(run, program.Encoder(), S(" "));
    ASSERT_TRUE(f.ended);
    EXPECT_GE(f.chunks.size(), 25);
    for (const QByteArray &c : f.chunks) {
        EXPECT_LE(c.size(), EncoderRun::ChunkSize);
        EXPECT_GT(c.size(), 0);
    }
    EXPECT_EQ(f.Output(), QByteArray(100000, 'p'));
}

TEST(EncoderRun, PassesTheArgumentsOfTheCommandLine)
{
    FakeProgramDirectory program;
    program.SetEncoder(S("for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done"));
    const QString odd = S("/my videos/\"quoted\" back\\slash ü日本\\");
    EncoderRun run;
    const Finished f = RunToEnd(run, program.Encoder(),
                                S(" ") + QuotePath(odd) + S(" -o ") + QuotePath(S("/t/0.avi"))
                                    + S(" -vf scale=640:480"));
    ASSERT_TRUE(f.ended);
    EXPECT_EQ(QString::fromUtf8(f.Output()),
              S("[") + odd + S("]\n[-o]\n[/t/0.avi]\n[-vf]\n[scale=640:480]\n"));
}

TEST(EncoderRun, ReportsAProgramThatCannotStart)
{
    FakeProgramDirectory program;
    QFile notAProgram(program.Path() + S("data.bin"));
    ASSERT_TRUE(notAProgram.open(QIODevice::WriteOnly));
    notAProgram.write("\x7f garbage");
    notAProgram.close();
    for (const QString &path : {program.Encoder(), notAProgram.fileName()}) {
        EncoderRun run;
        const Finished f = RunToEnd(run, path, S(" a"));
        EXPECT_TRUE(f.failedToStart) << path.toStdString();
        EXPECT_FALSE(f.ended);
        EXPECT_FALSE(run.IsRunning());
        EXPECT_FALSE(run.StartError().isEmpty());
    }
}

bool ProcessGone(const std::string &pid)
{
    // Gone, or a zombie waiting for its parent.
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return true;
    const auto close = line.rfind(')');
    return close != std::string::npos && line.size() > close + 2 && line[close + 2] == 'Z';
}

TEST(EncoderRun, TerminateEndsAHangingEncoderAndWhatItStarted)
{
    FakeProgramDirectory program;
    const QString pidFile = program.Path() + S("child.pid");
    program.SetEncoder(S("sleep 1000 & echo $! > '") + pidFile + S("'; echo started; wait"));
    EncoderRun run;
    QObject::connect(&run, &EncoderRun::chunkRead, &run, &EncoderRun::Terminate);
    const Finished f = RunToEnd(run, program.Encoder(), S(" "));
    ASSERT_TRUE(f.ended);
    EXPECT_TRUE(run.Crashed());

    std::ifstream in(pidFile.toStdString());
    std::string pid;
    ASSERT_TRUE(std::getline(in, pid));
    // The kill is delivered at once; give the system a moment to carry it out.
    for (int i = 0; i < 500 && !ProcessGone(pid); ++i)
        QThread::msleep(10);
    EXPECT_TRUE(ProcessGone(pid)) << "the encoder's own child outlived it";

    // An ended run is left alone.
    run.Terminate();
    EXPECT_FALSE(run.IsRunning());
}

TEST(EncoderRun, EachStartIsANewRun)
{
    FakeProgramDirectory program;
    program.SetEncoder(S("echo \"$1\"; exit $2"));
    EncoderRun run;
    RunToEnd(run, program.Encoder(), S(" first 4"));
    EXPECT_EQ(run.ExitCode(), 4);
    const Finished second = RunToEnd(run, program.Encoder(), S(" second 0"));
    EXPECT_EQ(run.ExitCode(), 0);
    EXPECT_EQ(second.Output(), QByteArray("second\n"));
    EXPECT_EQ(run.LastLines(), QStringList {S("second")});
}

} // namespace
