#include "pipeline/EncoderRun.h"
#include "FakeEncoder.h"
#include "common/TestSupport.h"

#include <QThread>

#include <gtest/gtest.h>

namespace {

using qvj::test::FakeProgramDirectory;

// Runs the encoder to its end and gives the chunks it read.
QByteArrayList RunToEnd(EncoderRun &run, const QString &program)
{
    QByteArrayList chunks;
    QObject::connect(&run, &EncoderRun::chunkRead, [&](const QByteArray &c) { chunks << c; });
    run.Start(program, QStringLiteral(" "));
    EXPECT_TRUE(qvj::test::WaitForSignal(&run, &EncoderRun::ended));
    EXPECT_FALSE(run.IsRunning());
    return chunks;
}

TEST(EncoderRun, ReadsAtMostOneChunkSizeAtATimeFromBothChannels)
{
    FakeProgramDirectory program;
    program.SetEncoder(
        QStringLiteral("echo err >&2; head -c 100000 /dev/zero | tr '\\0' p; exit 3"));
    EncoderRun run;
    const QByteArrayList chunks = RunToEnd(run, program.Encoder());
    for (const QByteArray &c : chunks)
        EXPECT_LE(c.size(), EncoderRun::ChunkSize);
    EXPECT_EQ(chunks.join(), "err\n" + QByteArray(100000, 'p'));
    EXPECT_FALSE(run.Crashed());
    EXPECT_EQ(run.ExitCode(), 3);
}

// Gone, or a zombie that nobody has reaped yet.
bool ProcessGone(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

TEST(EncoderRun, TerminateEndsAHangingEncoderAndWhatItStarted)
{
    FakeProgramDirectory program;
    program.SetEncoder(QStringLiteral("sleep 1000 & echo $!; wait"));
    EncoderRun run;
    QObject::connect(&run, &EncoderRun::chunkRead, &run, &EncoderRun::Terminate);
    const qint64 child = RunToEnd(run, program.Encoder()).join().trimmed().toLongLong();
    EXPECT_TRUE(run.Crashed());
    ASSERT_GT(child, 0);
    for (int i = 0; i < 500 && !ProcessGone(child); ++i)
        QThread::msleep(10);
    EXPECT_TRUE(ProcessGone(child)) << "the encoder's child outlived it";
    run.Terminate(); // an ended run is left alone
}

} // namespace
