#include "pipeline/EncoderRun.h"

#include "pipeline/CommandLine.h"

#include <csignal>
#include <sys/prctl.h>
#include <sys/types.h>
#include <unistd.h>

EncoderRun::EncoderRun(QObject *parent)
    : QObject(parent)
{
}

EncoderRun::~EncoderRun()
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
        Terminate();
        m_process->waitForFinished(5000);
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
    // The encoder and whatever it starts form a process group of their own: Terminate ends
    // them all, and a Ctrl-C at a terminal reaches only this program, which then stops the job.
    // Should this program be killed outright, the encoder is ended with it.
    process->setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
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
    if (pid > 0)
        ::kill(-static_cast<pid_t>(pid), SIGKILL);
    m_process->kill();
}

void EncoderRun::WaitForEnd(int msecs)
{
    if (m_process && m_process->state() != QProcess::NotRunning)
        m_process->waitForFinished(msecs);
}
