#include "pipeline/EncoderRun.h"
#include "FakeEncoder.h"
#include "common/TestSupport.h"

#include <QThread>

#include <gtest/gtest.h>

namespace {

using qvj::test::FakeProgramDirectory;

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

// Runs the encoder to its end and gives the chunks it read.
QByteArrayList RunToEnd(EncoderRun &run, const QString &program)
{
    QByteArrayList chunks;
    const auto c = QObject::connect(&run, &EncoderRun::chunkRead,
                                    [&](const QByteArray &chunk) { chunks << chunk; });
    run.Start(program, S(" "));
    EXPECT_TRUE(qvj::test::WaitForSignal(&run, &EncoderRun::ended));
    QObject::disconnect(c);
    EXPECT_FALSE(run.IsRunning());
    return chunks;
}

TEST(EncoderRun, ReadsAtMostOneChunkSizeAtATimeAndTellsHowTheProcessEnded)
{
    FakeProgramDirectory program;
    // Standard input reads nothing; both channels arrive merged, split into reads.
    program.SetEncoder(S("cat; echo err >&2; head -c 100000 /dev/zero | tr '\\0' 'p'; exit 3"));
    EncoderRun run;
    const auto chunks = RunToEnd(run, program.Encoder());
    for (const QByteArray &c : chunks)
        EXPECT_LE(c.size(), EncoderRun::ChunkSize);
    EXPECT_GE(chunks.size(), 25);
    EXPECT_EQ(chunks.join(), "err\n" + QByteArray(100000, 'p'));
    EXPECT_FALSE(run.Crashed());
    EXPECT_EQ(run.ExitCode(), 3);
    EXPECT_EQ(run.LastLines().front(), S("err"));

    // Every start is a new run.
    program.SetEncoder(S("echo going; kill -SEGV $$"));
    RunToEnd(run, program.Encoder());
    EXPECT_TRUE(run.Crashed());
    EXPECT_EQ(run.LastLines(), QStringList {S("going")});
}

// Gone, or a zombie that nobody has reaped yet.
bool ProcessGone(qint64 pid)
{
    QFile stat(S("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

TEST(EncoderRun, TerminateEndsAHangingEncoderAndWhatItStarted)
{
    FakeProgramDirectory program;
    program.SetEncoder(S("sleep 1000 & echo $!; wait"));
    EncoderRun run;
    QObject::connect(&run, &EncoderRun::chunkRead, &run, &EncoderRun::Terminate);
    const auto chunks = RunToEnd(run, program.Encoder());
    EXPECT_TRUE(run.Crashed());
    const qint64 child = chunks.join().trimmed().toLongLong();
    ASSERT_GT(child, 0);
    for (int i = 0; i < 500 && !ProcessGone(child); ++i)
        QThread::msleep(10);
    EXPECT_TRUE(ProcessGone(child)) << "the encoder's child outlived it";
    run.Terminate(); // an ended run is left alone
}

} // namespace
