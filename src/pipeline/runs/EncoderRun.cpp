#include "pipeline/runs/EncoderRun.h"

#include "pipeline/runs/CommandLine.h"

#include <QTimer>

#include <algorithm>
#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int kLowNice = 10;
constexpr int kIoprioWhoProcess = 1;
// The normal ("best effort") class, 2, at its lowest level, 7.
constexpr int kLowIoPriority = (2 << 13) | 7;

} // namespace

EncoderRun::EncoderRun(QObject *parent)
    : QObject(parent)
{
}

EncoderRun::~EncoderRun()
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
        Terminate();
        WaitForEnd(5000);
    }
}

void EncoderRun::ReleaseProcess()
{
    if (!m_process)
        return;
    m_process->disconnect(this);
    m_process->deleteLater();
    m_process = nullptr;
}

void EncoderRun::Start(const QString &program, const QString &commandLine)
{
    ReleaseProcess();
    ++m_generation;
    m_stoppedPid = 0; // an earlier run's group is left to its grace timer
    m_tail.Clear();
    m_running = true;
    m_crashed = false;
    m_exitCode = 0;
    m_startError.clear();

    auto *process = new QProcess(this);
    m_process = process;
    process->setProgram(program);
    process->setArguments(SplitCommandLine(commandLine));
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    if (!m_temporaryFolder.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), m_temporaryFolder);
        process->setProcessEnvironment(environment);
    }
    // The encoder and whatever it starts form a process group of their own: Terminate ends
    // them all, and a Ctrl-C at a terminal reaches only this program, which then stops the job.
    // Should this program die outright, the encoder is asked to stop as by Terminate, so that
    // it still ends what it started and removes the file it was writing (a hidden file where
    // the file system has no nameless ones).
    process->setChildProcessModifier([low = m_lowPriority] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (low) {
            // Inherited by whatever the encoder starts; a refusal leaves the normal priority.
            ::setpriority(PRIO_PROCESS, 0, kLowNice);
            ::syscall(SYS_ioprio_set, kIoprioWhoProcess, 0, kLowIoPriority);
        }
    });
    connect(process, &QProcess::readyRead, this, &EncoderRun::Drain);
    connect(process, &QProcess::finished, this, &EncoderRun::OnFinished);
    connect(process, &QProcess::errorOccurred, this, &EncoderRun::OnError);
    process->start(QIODevice::ReadOnly);
}

void EncoderRun::Drain()
{
    // A slot of chunkRead may end the run; the loop stops with it.
    const quint64 generation = m_generation;
    while (m_process && generation == m_generation) {
        const QByteArray chunk = m_process->read(ChunkSize);
        if (chunk.isEmpty())
            break;
        m_tail.Add(chunk);
        Q_EMIT chunkRead(chunk);
    }
}

void EncoderRun::OnFinished(int exitCode, QProcess::ExitStatus status)
{
    Drain();
    // A stopped run's group goes with it: nothing it started may outlive it.
    if (m_stoppedPid > 0)
        KillGroup(std::exchange(m_stoppedPid, 0));
    if (!m_running)
        return;
    m_running = false;
    m_crashed = status == QProcess::CrashExit;
    m_exitCode = exitCode;
    Q_EMIT ended();
}

void EncoderRun::OnError(QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart || !m_running)
        return;
    m_startError = m_process ? m_process->errorString() : QString();
    // Reported from the event loop, so that Start never calls back into its caller.
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation != m_generation || !m_running)
                return;
            m_running = false;
            Q_EMIT failedToStart();
        },
        Qt::QueuedConnection);
}

void EncoderRun::Terminate()
{
    if (!m_process || m_process->state() == QProcess::NotRunning)
        return;
    const qint64 pid = m_process->processId();
    if (pid <= 0) {
        m_process->kill();
        return;
    }
    // On a file system without nameless files the encoder writes under a hidden name that only
    // it can remove; a kill would leave that file behind. Whatever still runs after the grace
    // time (the encoder, a hung child) goes with its whole group.
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    m_stoppedPid = pid;
    QTimer::singleShot(TerminateGraceMs, this, [pid] { KillGroup(pid); });
}

void EncoderRun::KillGroup(qint64 pid)
{
    ::kill(-static_cast<pid_t>(pid), SIGKILL);
}

void EncoderRun::WaitForEnd(int msecs)
{
    if (!m_process || m_process->state() == QProcess::NotRunning)
        return;
    const qint64 pid = m_process->processId();
    const bool ended = m_process->waitForFinished(std::min(msecs, TerminateGraceMs));
    if (pid <= 0)
        return;
    // Nothing of the run may outlive it: neither the encoder nor what it left running.
    KillGroup(pid);
    if (!ended) {
        m_process->kill();
        m_process->waitForFinished(msecs);
    }
}
