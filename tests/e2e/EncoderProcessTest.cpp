// The real encoder as a process: honest exit codes, no file left by a failure or a stop, no
// ffmpeg left behind by a killed encoder.
#include "EncoderTestSupport.h"
#include "common/TestSupport.h"
#include "pipeline/CommandLine.h"

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
    QDeadlineTimer deadline(10000);
    for (;; QThread::msleep(20)) {
        QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!f.open(QIODevice::ReadOnly) || f.readAll().contains(") Z "))
            return true;
        if (deadline.hasExpired())
            return false;
    }
}

TEST(EncoderProcess, KilledOrStoppedEncoderTakesFfmpegWithItAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("long.avi"));
    ASSERT_TRUE(MakeClip(input, SizedClip(20, 64, 48)));
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
                  (QStringList {QStringLiteral("long.avi"), QStringLiteral("out.avi")}));
    }
}

TEST(EncoderProcess, FailuresExitNonZeroWithOneLineAndWriteNothing)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("short.mp4"));
    const QString notVideo = dir.filePath(QStringLiteral("not a video.avi"));
    const QString song = dir.filePath(QStringLiteral("song.mp3"));
    const QString existing = dir.filePath(QStringLiteral("existing.avi"));
    ASSERT_TRUE(MakeClip(good, SizedClip(1, 96, 64)));
    ClipSpec sound;
    sound.extra = QStringList {QStringLiteral("-vn")};
    ASSERT_TRUE(MakeClip(song, sound));
    WriteFile(notVideo, "plain text, not a film");

    const struct
    {
        QString inputs, output, options;
        int code;
        QString message;
    } cases[] = {
        {QuotePath(notVideo), existing, {}, 1, QStringLiteral("not a video.avi")},
        {QuotePath(good) + u' ' + QuotePath(dir.filePath(QStringLiteral("missing.avi"))),
         existing,
         {},
         1,
         QStringLiteral("missing.avi")},
        {QuotePath(song), existing, {}, 1, QStringLiteral("No video in")},
        {QuotePath(good),
         dir.filePath(QStringLiteral("no folder/out.avi")),
         {},
         1,
         QStringLiteral("its folder does not exist")},
        {QuotePath(good), existing, QStringLiteral(" -lavcopts vcodec=theora"), 2,
         QStringLiteral("Unknown video codec: \"theora\"")},
        // a bad option counts before an unreadable input
        {QuotePath(notVideo), dir.filePath(QStringLiteral("out.mp4")), QStringLiteral(" -oac pcm"),
         2, QStringLiteral("The mp4 format cannot hold pcm_s16le sound")},
        {QuotePath(good), existing, QStringLiteral(" -srate $AC44x"), 2,
         QStringLiteral("Bad value for -srate: \"$AC44x\"")},
    };
    for (const auto &c : cases) {
        WriteFile(existing, "older");
        const QString line = u' ' + c.inputs + QStringLiteral(" -o ") + QuotePath(c.output)
            + QStringLiteral(" -oac mp3lame -ovc lavc -ofps 30 -vf scale=64:48") + c.options;
        QString out, err;
        EXPECT_EQ(RunEncoderLine(line, &out, &err), c.code) << line.toStdString();
        EXPECT_TRUE(err.contains(c.message)) << err.toStdString();
        if (c.code == 2) {
            EXPECT_EQ(err.count(u'\n'), 1) << err.toStdString();
        }
        EXPECT_FALSE(out.contains(QStringLiteral("Pos:")));
        EXPECT_EQ(ReadFile(existing), QByteArray("older"));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList {QStringLiteral("existing.avi"), QStringLiteral("not a video.avi"),
                            QStringLiteral("short.mp4"), QStringLiteral("song.mp3")}));
}

} // namespace
} // namespace qvj::test
