// The program's encoder: MEncoder's command line, the work done by ffmpeg.
#include "encoder/Encoder.h"
#include "encoder/FfmpegRun.h"

#include <QCoreApplication>
#include <QFile>

int main(int argc, char *argv[])
{
    InstallStopSignals();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QFile::decodeName(argv[i]);
    QCoreApplication app(argc, argv);
    return RunEncoder(args);
}
