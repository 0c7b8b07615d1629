// Running the child: its ends, honest results, the watchdog, stop signals and the output file.
// The child here is a small script that behaves as ffmpeg can misbehave.
#include "encoder/FfmpegRun.h"
#include "common/TestSupport.h"
#include "encoder/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <thread>
#include <unistd.h>

namespace {

class EncoderChild : public ::testing::Test
{
protected:
    QString Script(const QString &body)
    {
        const QString path = m_dir.path() + QStringLiteral("/fake-ffmpeg");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("#!/bin/sh\n" + body.toUtf8() + '\n');
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return path;
    }

    RunResult Run(const QString &body, int watchdogSeconds = 60, const QStringList &args = {})
    {
        RunSettings s;
        s.program = Script(body);
        s.arguments = args;
        s.totalSeconds = 2;
        s.watchdogSeconds = watchdogSeconds;
        return RunFfmpeg(s,
                         [this](const QByteArray &line) { m_status << QString::fromLatin1(line); });
    }

    QTemporaryDir m_dir;
    QStringList m_status;
};

const QString kTwoReports
    = QStringLiteral("printf 'frame=10\\nout_time_us=400000\\nprogress=continue\\n'\n"
                     "printf 'frame=50\\nout_time_us=2000000\\nprogress=end\\n'\n");

TEST_F(EncoderChild, FinishedRunGivesItsFramesAndStatusLines)
{
    const RunResult r = Run(kTwoReports + QStringLiteral("exit 0"));
    EXPECT_EQ(r.end, RunResult::End::Exited);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.frames, 50);
    EXPECT_DOUBLE_EQ(r.seconds, 2.0);
    ASSERT_FALSE(m_status.isEmpty());
    EXPECT_TRUE(m_status.last().startsWith(QLatin1String("Pos:   2.0s     50f (100%)")))
        << m_status.last().toStdString();
    for (const QString &line : m_status)
        EXPECT_TRUE(line.startsWith(QLatin1String("Pos:")) && line.endsWith(QLatin1Char('\r')));
}

TEST_F(EncoderChild, FailuresAreToldApart)
{
    const struct
    {
        QString body;
        RunResult::End end;
        int code;
    } cases[] = {
        {QStringLiteral("echo 'first' >&2; echo 'Conversion failed!' >&2; exit 3"),
         RunResult::End::Exited, 3},
        {QStringLiteral("kill -SEGV $$"), RunResult::End::Crashed, SIGSEGV},
        {QStringLiteral("exec /nonexistent/program"), RunResult::End::Exited, 127},
    };
    for (const auto &c : cases) {
        const RunResult r = Run(c.body);
        EXPECT_EQ(r.end, c.end) << c.body.toStdString();
        EXPECT_EQ(c.end == RunResult::End::Crashed ? r.signal : r.exitCode, c.code)
            << c.body.toStdString();
    }
    const RunResult r = Run(
        QStringLiteral("for i in 1 2 3 4 5 6 7 8 9 10 11 12; do echo line$i >&2; done; exit 1"));
    EXPECT_EQ(r.lastLines.size(), 10);
    EXPECT_EQ(r.lastLines.last(), QStringLiteral("line12"));
}

TEST_F(EncoderChild, WatchdogEndsASilentChildOnly)
{
    const RunResult hung = Run(QStringLiteral("exec sleep 30"), 1);
    EXPECT_EQ(hung.end, RunResult::End::Watchdog);

    // Slow but alive: it prints something every 0.3 s for longer than the watchdog's second.
    const RunResult slow = Run(
        QStringLiteral("for i in 1 2 3 4 5 6 7; do echo tick >&2; sleep 0.3; done; exit 0"), 1);
    EXPECT_EQ(slow.end, RunResult::End::Exited);
    EXPECT_EQ(slow.exitCode, 0);
}

TEST_F(EncoderChild, StopSignalEndsTheChildAndIsReported)
{
    InstallStopSignals();
    const QString pidFile = m_dir.path() + QStringLiteral("/child.pid");
    std::thread stopper([] {
        ::usleep(300000);
        ::kill(::getpid(), SIGTERM);
    });
    const RunResult r = Run(QStringLiteral("echo $$ > '%1'; exec sleep 30").arg(pidFile));
    stopper.join();
    EXPECT_EQ(r.end, RunResult::End::Interrupted);
    EXPECT_EQ(r.signal, SIGTERM);
    QFile f(pidFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const pid_t child = f.readAll().trimmed().toInt();
    EXPECT_NE(::kill(child, 0), 0); // gone, and reaped
}

TEST_F(EncoderChild, OutputGetsItsNameOnlyWhenCommitted)
{
    const QString path = m_dir.path() + QStringLiteral("/out file.avi");
    {
        OutputFile out;
        QString error;
        ASSERT_TRUE(out.Open(path, &error)) << error.toStdString();
        ASSERT_TRUE(out.IsNameless());
        RunSettings s;
        s.program = Script(QStringLiteral("printf 'movie' > \"$1\""));
        s.arguments = {out.Target()};
        s.inheritedFd = out.InheritedDescriptor();
        ASSERT_EQ(RunFfmpeg(s, [](const QByteArray &) {}).exitCode, 0);
        EXPECT_FALSE(QFile::exists(path));
        EXPECT_EQ(out.Size(), 5);
        ASSERT_TRUE(out.Commit(&error)) << error.toStdString();
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("movie"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList {QStringLiteral("fake-ffmpeg"), QStringLiteral("out file.avi")}));
}

TEST_F(EncoderChild, DiscardedOrAbandonedOutputLeavesTheOldFileWhole)
{
    const QString path = m_dir.path() + QStringLiteral("/old.avi");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("precious");
    old.close();
    for (bool explicitDiscard : {true, false}) {
        OutputFile out;
        QString error;
        ASSERT_TRUE(out.Open(path, &error));
        QFile target(out.Target());
        ASSERT_TRUE(target.open(QIODevice::WriteOnly));
        target.write("half");
        target.close();
        if (explicitDiscard)
            out.Discard();
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("precious"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList {QStringLiteral("old.avi")});
}

TEST_F(EncoderChild, OutputFolderMustExist)
{
    OutputFile out;
    QString error;
    EXPECT_FALSE(out.Open(m_dir.path() + QStringLiteral("/missing/x.avi"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("missing/x.avi")));
    EXPECT_FALSE(out.Open(m_dir.path(), &error));
}

} // namespace
