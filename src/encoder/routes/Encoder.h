#pragma once
// The whole encoder run: command line in, the named file and status lines out.

#include <QString>
#include <QStringList>

#include <cstdio>

// Exit codes: success, a run that failed, a command line that cannot work.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadCommandLine = 2;

struct EncoderEnvironment
{
    QString ffmpeg; // full paths; empty ones are looked up on PATH
    QString ffprobe;
    int watchdogSeconds = 60;
};

// Runs the encoder on args (without the program name); status lines go to standard output,
// errors to standard error. Returns the exit code (128 + the signal number when stopped).
int RunEncoder(const QStringList &args, const EncoderEnvironment &environment = {});
