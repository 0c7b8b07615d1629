// The real encoder as a process: honest exit codes, no file left by a failure or a stop, no
// ffmpeg left behind by a killed encoder.
#include "EncoderTestSupport.h"
#include "pipeline/runs/CommandLine.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace qvj::test {
namespace {

// Gone, or a zombie waiting for a parent that does not reap, within ten seconds.
bool Dies(qint64 pid)
{
    for (QDeadlineTimer deadline(10000); !deadline.hasExpired(); QThread::msleep(20)) {
        QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!f.open(QIODevice::ReadOnly) || f.readAll().contains(") Z "))
            return true;
    }
    return false;
}

TEST(EncoderProcess, KilledOrStoppedEncoderTakesFfmpegWithItAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("long.avi"));
    ASSERT_TRUE(MakeClip(input, {.seconds = 20, .width = 64, .height = 48, .extra = {}}));
    const QString output = dir.filePath(QStringLiteral("out.avi"));
    for (int signo : {SIGKILL, SIGTERM, SIGINT}) { // SIGKILL is what Stop does
        WriteFile(output, "the user's older file");
        QProcess encoder;
        encoder.start(
            EncoderProgram(),
            SplitCommandLine(ConversionCommandLine(input, output, QStringLiteral("1920:1080"))));
        ASSERT_TRUE(encoder.waitForStarted());
        QByteArray seen;
        for (QDeadlineTimer t(60000);
             !seen.contains("Pos:") && !t.hasExpired() && encoder.state() == QProcess::Running;) {
            encoder.waitForReadyRead(100);
            seen += encoder.readAllStandardOutput();
        }
        ASSERT_TRUE(seen.contains("Pos:"));
        QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(encoder.processId()));
        ASSERT_TRUE(children.open(QIODevice::ReadOnly));
        const qint64 ffmpeg = children.readAll().trimmed().toLongLong();
        ASSERT_GT(ffmpeg, 0);

        ::kill(pid_t(encoder.processId()), signo);
        ASSERT_TRUE(encoder.waitForFinished(10000));
        if (signo != SIGKILL) {
            EXPECT_EQ(encoder.exitCode(), 128 + signo);
        }
        EXPECT_TRUE(Dies(ffmpeg)) << "signal " << signo;
        EXPECT_EQ(ReadFile(output), QByteArray("the user's older file"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList({QStringLiteral("long.avi"), QStringLiteral("out.avi")}));
    }
}

TEST(EncoderProcess, FailuresExitNonZeroAndWriteNothing)
{
    QTemporaryDir dir;
    auto in = [&](const char *name) { return dir.filePath(QString::fromUtf8(name)); };
    const QString good = QuotePath(in("short.mp4")), notVideo = QuotePath(in("not a video.avi"));
    const QString existing = in("existing.avi");
    ASSERT_TRUE(MakeClip(in("short.mp4"), {.seconds = 1, .width = 96, .height = 64, .extra = {}}));
    ASSERT_TRUE(MakeClip(in("song.mp3"), {.extra = {QStringLiteral("-vn")}}));
    WriteFile(in("not a video.avi"), "plain text, not a film");
    const struct
    {
        QString inputs, output, options;
        int code;
        const char *message;
    } cases[] = {
        // clang-format off
        {notVideo, existing, {}, 1, "not a video.avi"},
        {good + u' ' + QuotePath(in("missing.avi")), existing, {}, 1, "missing.avi"},
        {QuotePath(in("song.mp3")), existing, {}, 1, "No video in"},
        {good, in("no folder/out.avi"), {}, 1, "its folder does not exist"},
        // bad options: one line, and they count before an unreadable input
        {good, existing, QStringLiteral(" -lavcopts vcodec=theora"), 2, "Unknown video codec: \"theora\""},
        {notVideo, in("out.mp4"), QStringLiteral(" -oac pcm"), 2, "The mp4 format cannot hold pcm_s16le sound"},
        // clang-format on
    };
    for (const auto &c : cases) {
        WriteFile(existing, "older");
        const QString line = u' ' + c.inputs + QStringLiteral(" -o ") + QuotePath(c.output)
            + QStringLiteral(" -oac mp3lame -ovc lavc -ofps 30 -vf scale=64:48") + c.options;
        const ProgramRun r = RunEncoderLine(line);
        EXPECT_EQ(r.code, c.code) << line.toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        if (c.code == 2) {
            EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        }
        EXPECT_FALSE(r.out.contains("Pos:"));
        EXPECT_EQ(ReadFile(existing), QByteArray("older"));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({QStringLiteral("existing.avi"), QStringLiteral("not a video.avi"),
                           QStringLiteral("short.mp4"), QStringLiteral("song.mp3")}));
}

} // namespace
} // namespace qvj::test
