#include "PipelineE2ESupport.h"

#include "common/TestSupport.h"

#include <QDir>
#include <QProcess>

namespace qvj::test {

namespace {

QString FfprobeText(const QStringList &arguments)
{
    QString output;
    if (RunProgram(QStringLiteral("ffprobe"), arguments, &output) != 0)
        return QString();
    return output.trimmed();
}

} // namespace

ClipSpec TinyClip(int width, int height, const QString &fps, bool audio, int sampleRate,
                  int channels)
{
    ClipSpec spec;
    spec.seconds = 1.0;
    spec.width = width;
    spec.height = height;
    spec.fps = fps;
    spec.audio = audio;
    spec.sampleRate = sampleRate;
    spec.channels = channels;
    return spec;
}

double ProbeSeconds(const QString &path)
{
    const QString text
        = FfprobeText({QStringLiteral("-v"), QStringLiteral("error"),
                       QStringLiteral("-show_entries"), QStringLiteral("format=duration"),
                       QStringLiteral("-of"), QStringLiteral("csv=p=0"), path});
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    return ok ? seconds : -1;
}

QStringList ProbeStreamTypes(const QString &path)
{
    const QString text
        = FfprobeText({QStringLiteral("-v"), QStringLiteral("error"),
                       QStringLiteral("-show_entries"), QStringLiteral("stream=codec_type"),
                       QStringLiteral("-of"), QStringLiteral("default=nw=1:nk=1"), path});
    QStringList types;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString type = line.trimmed();
        if (!type.isEmpty() && !types.contains(type))
            types << type;
    }
    types.sort();
    return types;
}

QStringList FolderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                  | QDir::System);
}

CliResult RunQuintorJoin(const QStringList &arguments)
{
    QProcess p;
    p.start(BuildProgramDirectory() + QStringLiteral("quintor-join"), arguments);
    CliResult r;
    if (!p.waitForStarted())
        return r;
    p.closeWriteChannel();
    if (!p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished();
    }
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    if (p.exitStatus() == QProcess::NormalExit)
        r.exitCode = p.exitCode();
    return r;
}

} // namespace qvj::test
