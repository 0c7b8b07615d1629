// Running the child: its ends, honest results, the watchdog and what it inherits. Stop signals
// and the output file are proven end to end with the real encoder.
// The child here is a small script that behaves as ffmpeg can misbehave.
#include "encoder/FfmpegRun.h"
#include "common/TestSupport.h"
#include "encoder/OutputFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

class EncoderChild : public ::testing::Test
{
protected:
    RunResult Run(const QString &body, int watchdogSeconds = 60, const QStringList &args = {},
                  int inheritedFd = -1)
    {
        const QString path = m_dir.filePath(QStringLiteral("fake-ffmpeg"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("#!/bin/sh\n" + body.toUtf8() + '\n');
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        RunSettings s {path, args, inheritedFd, 2, watchdogSeconds};
        m_status.clear();
        return RunFfmpeg(s, [this](const QByteArray &l) { m_status << QString::fromLatin1(l); });
    }

    QTemporaryDir m_dir;
    QStringList m_status;
};

TEST_F(EncoderChild, EndsAreToldApart)
{
    const RunResult done = Run(
        QStringLiteral("printf 'frame=10\\nout_time_us=400000\\nprogress=continue\\n'\n"
                       "sleep 0.2; printf 'frame=50\\nout_time_us=2000000\\nprogress=end\\n'"));
    EXPECT_EQ(done.end, RunResult::End::Exited);
    EXPECT_EQ(done.exitCode, 0);
    EXPECT_EQ(done.frames, 50);
    ASSERT_GE(m_status.size(), 3); // one at least every 50 ms while it runs
    EXPECT_TRUE(m_status.last().startsWith(QLatin1String("Pos:   2.0s     50f (100%)")));
    for (const QString &line : m_status)
        EXPECT_TRUE(line.startsWith(QLatin1String("Pos:")) && line.endsWith(u'\r'));

    const struct
    {
        const char *body;
        RunResult::End end;
        int code; // exit code, or the signal of a crash
    } cases[] = {
        {"echo 'Conversion failed!' >&2; exit 3", RunResult::End::Exited, 3},
        {"kill -SEGV $$", RunResult::End::Crashed, SIGSEGV},
        {"exec /nonexistent/program", RunResult::End::Exited, 127},
    };
    for (const auto &c : cases) {
        const RunResult r = Run(QString::fromLatin1(c.body));
        EXPECT_EQ(r.end, c.end) << c.body;
        EXPECT_EQ(c.end == RunResult::End::Crashed ? r.signal : r.exitCode, c.code) << c.body;
    }
    const RunResult chatty = Run(QStringLiteral("for i in $(seq 12); do echo line$i >&2; done"));
    EXPECT_EQ(chatty.lastLines.size(), 10);
    EXPECT_EQ(chatty.lastLines.last(), QStringLiteral("line12"));
}

TEST_F(EncoderChild, WatchdogEndsAChildThatNeitherSpeaksNorMoves)
{
    const struct
    {
        const char *body;
        RunResult::End end;
    } cases[] = {
        {"exec sleep 30", RunResult::End::Watchdog},
        // reports every 50 ms, always at the same place: stuck
        {"while :; do printf 'frame=5\\nout_time_us=200000\\nprogress=continue\\n'; sleep 0.05; "
         "done",
         RunResult::End::Watchdog},
        // slow but moving, for longer than the watchdog's second
        {"for i in $(seq 7); do printf \"frame=$i\\nprogress=continue\\n\"; sleep 0.3; done",
         RunResult::End::Exited},
        {"for i in $(seq 7); do echo working >&2; sleep 0.3; done", RunResult::End::Exited},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Run(QString::fromLatin1(c.body), 1).end, c.end) << c.body;
}

TEST_F(EncoderChild, ChildHoldsNoDescriptorOfOursButTheOutput)
{
    // A descriptor the encoder's caller leaked (its pipe, say) must not live on in ffmpeg.
    const int devNull = ::open("/dev/null", O_RDONLY);
    const int leaked = ::dup2(devNull, 37);
    ::close(devNull);
    OutputFile out;
    QString error;
    ASSERT_TRUE(out.Open(m_dir.filePath(QStringLiteral("o.avi")), &error));
    const RunResult r = Run(QStringLiteral("test -e /proc/$$/fd/37 && exit 9; printf x > \"$1\""),
                            60, {out.Target()}, out.InheritedDescriptor());
    ::close(leaked);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(out.Size(), 1);
}

} // namespace
