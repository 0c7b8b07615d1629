// The program's encoder: MEncoder's command line, the work done by ffmpeg.
#include "encoder/routes/Encoder.h"
#include "platform/RawNames.h"
#include "encoder/run/FfmpegRun.h"

#include <QCoreApplication>
#include <QFile>

int main(int argc, char *argv[])
{
    InstallStopSignals();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << NameFromBytes(QByteArray(argv[i]));
    QCoreApplication app(argc, argv);
    EncoderEnvironment environment;
    // Tests shorten the silence after which ffmpeg is ended, so that a hang ends quickly.
    bool ok = false;
    const int watchdog = qEnvironmentVariableIntValue("QVJ_ENCODER_WATCHDOG_SECONDS", &ok);
    if (ok && watchdog > 0)
        environment.watchdogSeconds = watchdog;
    return RunEncoder(args, environment);
}
