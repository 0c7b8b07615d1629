#include "PipelineE2ESupport.h"

#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <csignal>

namespace qvj::test {

ClipSpec TinyClip(int width, int height, const char *fps, bool audio, int sampleRate, int channels)
{
    ClipSpec spec;
    spec.seconds = 1.0;
    spec.width = width;
    spec.height = height;
    spec.fps = QString::fromLatin1(fps);
    spec.audio = audio;
    spec.sampleRate = sampleRate;
    spec.channels = channels;
    return spec;
}

QStringList FolderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                  | QDir::System);
}

CliResult RunQuintorJoin(const QStringList &arguments, const QString &interruptWhen)
{
    QProcess p;
    CliResult r;
    QEventLoop loop;
    QObject::connect(&p, &QProcess::readyReadStandardError, [&] {
        r.err += QString::fromUtf8(p.readAllStandardError());
        if (!interruptWhen.isEmpty() && !r.interrupted && r.err.contains(interruptWhen)) {
            r.interrupted = true;
            ::kill(pid_t(p.processId()), SIGINT);
        }
    });
    QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
    p.start(BuildProgramDirectory() + QStringLiteral("quintor-join"), arguments);
    if (!p.waitForStarted())
        return r;
    p.closeWriteChannel();
    QTimer::singleShot(300000, &loop, &QEventLoop::quit);
    loop.exec();
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.err += QString::fromUtf8(p.readAllStandardError());
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    if (p.exitStatus() == QProcess::NormalExit)
        r.exitCode = p.exitCode();
    return r;
}

} // namespace qvj::test
