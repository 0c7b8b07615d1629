#pragma once
// Runs ffmpeg as a child that dies with the encoder, turning its progress into status lines.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

struct RunSettings
{
    QString program; // full path of the executable
    QStringList arguments;
    int inheritedFd = -1; // a descriptor the child keeps (the nameless output), or -1
    double totalSeconds = 0; // length of the output, for the percent and estimates
    int watchdogSeconds = 60; // silence (no output, no movement) after which the child is ended
    int statusIntervalMs = 50;
    // Further descriptors it keeps: the pipes it reads its inputs from, the texts handed to it.
    std::vector<int> keptFds {};
    QString chapterMetadata {}; // the ffmetadata file of the output's chapters; empty: none
    // Options of the output placed before its target by routes that build the arguments late.
    QStringList outputOptions {};
};

struct RunResult
{
    enum class End { Exited, Crashed, Watchdog, Interrupted, NotStarted };
    End end = End::NotStarted;
    int exitCode = -1; // for Exited
    int signal = 0; // the child's fatal signal, or the one that interrupted us
    int64_t frames = 0; // frames written, from the last progress report
    double seconds = 0; // position reached
    QStringList lastLines; // the child's last lines of standard error
    // The child said it could not write its output (a full disk, a lost share). ffmpeg still
    // exits with 0 then, and the file it leaves is cut short.
    bool writeFailed = false;
};

// Whether a line of ffmpeg's standard error tells of a failed write of its output.
bool IsWriteErrorLine(const QByteArray &line);

// Makes SIGINT, SIGTERM and SIGHUP end the running child instead of the encoder, so that the
// encoder can clean up and exit non-zero; SIGPIPE is ignored. Call once before RunFfmpeg.
void InstallStopSignals();

// The stop signal that arrived since the last call (or RunFfmpeg's start), or 0.
int TakeStopSignal();
// Whether a stop signal has ever arrived; safe to ask from any thread.
bool StopRequested();

// Runs the child to its end. Every status line goes to writeStatus, at least every
// statusIntervalMs while the child runs.
RunResult RunFfmpeg(const RunSettings &settings,
                    const std::function<void(const QByteArray &)> &writeStatus);
