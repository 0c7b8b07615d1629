// Running the child: its ends, honest results, the watchdog and what it inherits. The child
// here is a small script that behaves as ffmpeg can misbehave.
#include "encoder/run/FfmpegRun.h"
#include "common/TestSupport.h"
#include "encoder/run/OutputFile.h"

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
    RunResult Run(const char *body, int watchdogSeconds = 60, const QStringList &args = {},
                  int inheritedFd = -1)
    {
        const QString path = m_dir.filePath(QStringLiteral("fake-ffmpeg"));
        qvj::test::WriteFile(path, QByteArray("#!/bin/sh\n") + body + '\n');
        QFile::setPermissions(
            path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        m_status.clear();
        return RunFfmpeg({path, args, inheritedFd, 2, watchdogSeconds},
                         [this](const QByteArray &l) { m_status << QString::fromLatin1(l); });
    }

    QTemporaryDir m_dir;
    QStringList m_status;
};

TEST_F(EncoderChild, EndsAreToldApart)
{
    const RunResult done
        = Run("printf 'frame=10\\nout_time_us=400000\\nprogress=continue\\n'\n"
              "sleep 0.2; printf 'frame=50\\nout_time_us=2000000\\nprogress=end\\n'");
    EXPECT_EQ(done.end, RunResult::End::Exited);
    EXPECT_EQ(done.exitCode, 0);
    EXPECT_EQ(done.frames, 50);
    ASSERT_GE(m_status.size(), 3); // one at least every 50 ms while it runs
    EXPECT_TRUE(m_status.last().startsWith(QLatin1String("Pos:   2.0s     50f (100%)")));

    const struct
    {
        const char *body;
        RunResult::End end;
        int code; // exit code, or the signal of a crash; -1: not looked at
        int watchdog = 60;
    } cases[] = {
        // clang-format off
        {"echo 'Conversion failed!' >&2; exit 3", RunResult::End::Exited, 3},
        {"kill -SEGV $$", RunResult::End::Crashed, SIGSEGV},
        {"exec /nonexistent/program", RunResult::End::Exited, 127},
        // the watchdog ends a child that neither speaks nor moves, however often it reports
        {"exec sleep 30", RunResult::End::Watchdog, -1, 1},
        {"while :; do printf 'frame=5\\nout_time_us=200000\\nprogress=continue\\n'; sleep 0.05; done", RunResult::End::Watchdog, -1, 1},
        // slow but moving or speaking, for longer than the watchdog's second
        {"for i in $(seq 7); do printf \"frame=$i\\nprogress=continue\\n\"; sleep 0.3; done", RunResult::End::Exited, 0, 1},
        {"for i in $(seq 7); do echo working >&2; sleep 0.3; done", RunResult::End::Exited, 0, 1},
        // clang-format on
    };
    for (const auto &c : cases) {
        const RunResult r = Run(c.body, c.watchdog);
        EXPECT_EQ(r.end, c.end) << c.body;
        if (c.code >= 0) {
            EXPECT_EQ(c.end == RunResult::End::Crashed ? r.signal : r.exitCode, c.code) << c.body;
        }
    }
    const RunResult chatty = Run("for i in $(seq 12); do echo line$i >&2; done");
    EXPECT_EQ(chatty.lastLines.size(), 10);
    EXPECT_EQ(chatty.lastLines.last(), QStringLiteral("line12"));
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
    const RunResult r = Run("test -e /proc/$$/fd/37 && exit 9; printf x > \"$1\"", 60,
                            {out.Target()}, out.InheritedDescriptor());
    ::close(leaked);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(out.Size(), 1);
}

} // namespace
