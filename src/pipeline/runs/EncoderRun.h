#pragma once
// One run of the external encoder: started with a command line text (split by the Windows
// rules), its standard output and standard error merged, read chunk by chunk as the output
// arrives, until the process has ended and its output is drained. Nothing here waits or
// spins the event loop: the run reports through signals.

#include "pipeline/runs/OutputTail.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>

class EncoderRun : public QObject
{
    Q_OBJECT

public:
    // The most bytes one read takes; each read is one chunk.
    static constexpr qint64 ChunkSize = 4095;

    explicit EncoderRun(QObject *parent = nullptr);
    // Ends a process that is still alive (and waits for it), so that no encoder outlives us.
    ~EncoderRun() override;

    // Starts program with the arguments of commandLine. Exactly one of ended() and
    // failedToStart() follows, never from within this call. Standard input reads nothing.
    void Start(const QString &program, const QString &commandLine);

    // Runs started from now on get a lower scheduling priority (nice 10) and the lowest I/O
    // priority of the normal class, so that the desktop stays responsive while they work.
    void SetLowPriority(bool on) { m_lowPriority = on; }
    // The folder the encoder keeps its own temporary files in (TMPDIR); empty: the system's.
    void SetTemporaryFolder(const QString &folder) { m_temporaryFolder = folder; }

    // The time the encoder is given to end its own work after Terminate.
    static constexpr int TerminateGraceMs = 2000;

    // Ends the process of the latest run: asks it to stop (SIGTERM), so that it can remove the
    // file it was writing, and kills it with whatever it started itself once TerminateGraceMs
    // have passed. A process that has already ended is not touched.
    void Terminate();

    // Blocks until the process of the latest run has ended, at most msecs, killing it when
    // it has not ended within the grace time. Only for a program that is closing: everything
    // else waits for ended().
    void WaitForEnd(int msecs);

    // True from Start until ended() or failedToStart().
    bool IsRunning() const { return m_running; }

    // The outcome of the latest run, once it has ended: whether it crashed or was killed, and
    // its exit code otherwise.
    bool Crashed() const { return m_crashed; }
    int ExitCode() const { return m_exitCode; }
    // The last lines of the latest run's output (status lines left out).
    QStringList LastLines() const { return m_tail.Lines(); }
    // Why the latest start failed.
    const QString &StartError() const { return m_startError; }

Q_SIGNALS:
    // One read of at most ChunkSize bytes of the merged output.
    void chunkRead(const QByteArray &chunk);
    // The process has ended and all of its output was read.
    void ended();
    // The program could not be started.
    void failedToStart();

private:
    // Kills the process group of the run at pid at once.
    static void KillGroup(qint64 pid);
    void Drain();
    void OnFinished(int exitCode, QProcess::ExitStatus status);
    void OnError(QProcess::ProcessError error);
    void ReleaseProcess();

    QPointer<QProcess> m_process;
    OutputTail m_tail;
    quint64 m_generation = 0;
    bool m_running = false;
    QString m_temporaryFolder;
    bool m_lowPriority = false;
    qint64 m_stoppedPid = 0; // the run asked to stop, whose group goes when it ends
    bool m_crashed = false;
    int m_exitCode = 0;
    QString m_startError;
};
