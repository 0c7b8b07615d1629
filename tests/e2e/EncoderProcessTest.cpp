// The real encoder as a process: honest exit codes, no file left by a failure or a stop, no
// ffmpeg left behind by a killed encoder, status lines the program can read.
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

// The pids of a process's children, from /proc.
QList<qint64> ChildrenOf(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    QList<qint64> pids;
    if (f.open(QIODevice::ReadOnly))
        for (const QByteArray &p : f.readAll().split(' '))
            if (!p.trimmed().isEmpty())
                pids << p.trimmed().toLongLong();
    return pids;
}

// Gone, or a zombie waiting for a parent that does not reap.
bool IsDead(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return true;
    const QByteArray stat = f.readAll();
    const qsizetype close = stat.lastIndexOf(')');
    return close < 0 || stat.mid(close + 2, 1) == "Z";
}

bool WaitUntilDead(qint64 pid)
{
    QDeadlineTimer deadline(10000);
    while (!IsDead(pid) && !deadline.hasExpired())
        QThread::msleep(20);
    return IsDead(pid);
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class EncoderProcess : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        ClipSpec longClip;
        longClip.seconds = 20;
        longClip.width = 64;
        longClip.height = 48;
        ClipSpec shortClip;
        shortClip.width = 96;
        shortClip.height = 64;
        s_ready = MakeClip(s_dir->filePath(QStringLiteral("long.avi")), longClip)
            && MakeClip(s_dir->filePath(QStringLiteral("short.mp4")), shortClip);
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(s_ready); }

    // Starts a slow conversion of the long clip into output; returns once it reports progress.
    void StartSlowRun(QProcess &encoder, const QString &output)
    {
        const QString line = ConversionCommandLine(s_dir->filePath(QStringLiteral("long.avi")),
                                                   output, QStringLiteral("1920:1080"));
        encoder.start(EncoderProgram(), SplitCommandLine(line));
        ASSERT_TRUE(encoder.waitForStarted());
        QByteArray seen;
        QDeadlineTimer deadline(60000);
        while (!seen.contains("Pos:") && !deadline.hasExpired()
               && encoder.state() == QProcess::Running) {
            encoder.waitForReadyRead(100);
            seen += encoder.readAllStandardOutput();
        }
        ASSERT_TRUE(seen.contains("Pos:"));
    }

    static inline QTemporaryDir *s_dir = nullptr;
    static inline bool s_ready = false;
    QTemporaryDir m_dir;
};

TEST_F(EncoderProcess, KilledEncoderTakesFfmpegWithItAndLeavesNoFile)
{
    QProcess encoder;
    const QString output = m_dir.filePath(QStringLiteral("killed.avi"));
    StartSlowRun(encoder, output);
    const QList<qint64> children = ChildrenOf(encoder.processId());
    ASSERT_EQ(children.size(), 1);
    encoder.kill(); // what Stop does
    ASSERT_TRUE(encoder.waitForFinished(10000));
    EXPECT_TRUE(WaitUntilDead(children.front()));
    EXPECT_FALSE(QFile::exists(output));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

TEST_F(EncoderProcess, StopSignalsEndFfmpegAndExitNonZeroKeepingTheOldFile)
{
    for (int signo : {SIGTERM, SIGINT}) {
        QProcess encoder;
        const QString output = m_dir.filePath(QStringLiteral("stopped.avi"));
        WriteFile(output, "the user's older file");
        StartSlowRun(encoder, output);
        const QList<qint64> children = ChildrenOf(encoder.processId());
        ASSERT_EQ(children.size(), 1);
        ::kill(pid_t(encoder.processId()), signo);
        ASSERT_TRUE(encoder.waitForFinished(10000));
        EXPECT_EQ(encoder.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(encoder.exitCode(), 128 + signo);
        EXPECT_TRUE(WaitUntilDead(children.front()));
        EXPECT_EQ(ReadFile(output), QByteArray("the user's older file"));
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList {QStringLiteral("stopped.avi")});
    }
}

TEST_F(EncoderProcess, FailuresExitNonZeroAndWriteNothing)
{
    const QString notVideo = m_dir.filePath(QStringLiteral("not a video.avi"));
    WriteFile(notVideo, "plain text, not a film");
    const QString song = m_dir.filePath(QStringLiteral("song.mp3"));
    ClipSpec sound;
    sound.extra = QStringList {QStringLiteral("-vn")};
    ASSERT_TRUE(MakeClip(song, sound));
    const QString good = s_dir->filePath(QStringLiteral("short.mp4"));
    const QString existing = m_dir.filePath(QStringLiteral("existing.avi"));

    const struct
    {
        QString inputs;
        QString output;
        QString options;
        int code;
        QString message;
    } cases[] = {
        {QuotePath(notVideo), existing, QString(), 1, QStringLiteral("not a video.avi")},
        {QuotePath(good) + u' ' + QuotePath(m_dir.filePath(QStringLiteral("missing.avi"))),
         existing, QString(), 1, QStringLiteral("missing.avi")},
        {QuotePath(song), existing, QString(), 1, QStringLiteral("No video in")},
        {QuotePath(good), m_dir.filePath(QStringLiteral("no folder/out.avi")), QString(), 1,
         QStringLiteral("its folder does not exist")},
        {QuotePath(good), existing, QStringLiteral(" -lavcopts vcodec=theora"), 2,
         QStringLiteral("Unknown video codec: \"theora\"")},
        {QuotePath(good), m_dir.filePath(QStringLiteral("out.mp4")), QStringLiteral(" -oac pcm"), 2,
         QStringLiteral("The mp4 format cannot hold pcm_s16le sound")},
        {QuotePath(good), existing, QStringLiteral(" -srate fast"), 2,
         QStringLiteral("Bad value for -srate: \"fast\"")},
    };
    for (const auto &c : cases) {
        WriteFile(existing, "older");
        const QString line = u' ' + c.inputs + QStringLiteral(" -o ") + QuotePath(c.output)
            + QStringLiteral(" -oac mp3lame -ovc lavc -ofps 30 -vf scale=64:48") + c.options;
        QString out, err;
        EXPECT_EQ(RunEncoderLine(line, &out, &err), c.code) << line.toStdString();
        EXPECT_TRUE(err.contains(c.message)) << err.toStdString();
        EXPECT_FALSE(out.contains(QStringLiteral("Pos:")));
        EXPECT_EQ(ReadFile(existing), QByteArray("older"));
        EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("out.mp4"))));
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList {QStringLiteral("existing.avi"), QStringLiteral("not a video.avi"),
                            QStringLiteral("song.mp3")}));
}

TEST_F(EncoderProcess, StatusLinesCountUpAcrossAllInputs)
{
    const QString good = s_dir->filePath(QStringLiteral("short.mp4"));
    const QString output = m_dir.filePath(QStringLiteral("three.avi"));
    QString out;
    ASSERT_EQ(
        RunEncoderLine(JoinCommandLine(
                           u' ' + QuotePath(good) + u' ' + QuotePath(good) + u' ' + QuotePath(good),
                           output,
                           QStringLiteral(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=800"
                                          " -oac mp3lame -vf scale=96:64")),
                       &out),
        0);
    const qsizetype firstPos = out.indexOf(QLatin1String("Pos:"));
    ASSERT_GT(firstPos, 0);
    EXPECT_FALSE(out.left(firstPos).contains(u'\r')); // header lines first, then status
    double last = -1;
    int lines = 0;
    for (const QString &piece : out.mid(firstPos).split(u'\r', Qt::SkipEmptyParts)) {
        if (!piece.startsWith(QLatin1String("Pos:")))
            continue;
        ++lines;
        const double position = piece.mid(4, piece.indexOf(u's', 4) - 4).trimmed().toDouble();
        EXPECT_GE(position, last);
        last = position;
    }
    EXPECT_GE(lines, 3);
    EXPECT_NEAR(last, 6.0, 0.1); // three 2-s clips
    EXPECT_TRUE(out.contains(QStringLiteral("Done:")));
}

} // namespace
} // namespace qvj::test
