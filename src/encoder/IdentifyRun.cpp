#include "encoder/ConsoleOut.h"
#include "encoder/EncoderRoutes.h"
#include "encoder/FfmpegRun.h"
#include "encoder/Identify.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <csignal>
#include <memory>

#include <sys/prctl.h>

namespace {

int Fail(const QString &message, int code = kExitFailed)
{
    ConsoleError(message);
    return code;
}

// Starts ffprobe on one file; gives the reason when the file cannot even be read.
QString StartProbe(QProcess &probe, const QString &ffprobe, const QString &path, bool packets)
{
    if (!QFileInfo(path).isFile() || !QFileInfo(path).isReadable())
        return QStringLiteral("Cannot read the input file: %1").arg(path);
    probe.setProcessChannelMode(QProcess::SeparateChannels);
    probe.setStandardInputFile(QProcess::nullDevice());
    // The probe dies with the encoder: a caller's kill stops everything.
    probe.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    probe.start(ffprobe, IdentifyProbeArguments(path, packets));
    return QString();
}

// Waits for a started probe and reads its answer.
std::optional<IdentifiedFile> FinishProbe(QProcess &probe, const QString &ffprobe,
                                          const QString &path, QString *error)
{
    if (!probe.waitForStarted()) {
        *error = QStringLiteral("Cannot start %1").arg(ffprobe);
    } else if (!probe.waitForFinished(60000)) {
        probe.kill();
        probe.waitForFinished();
        *error = QStringLiteral("Reading %1 took too long").arg(path);
    } else if (probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
        *error = QStringLiteral("Cannot read the media file: %1").arg(path);
    } else {
        return ParseIdentifyProbe(path, probe.readAllStandardOutput(), error);
    }
    return std::nullopt;
}

} // namespace

QString ToolPath(const QString &given, const QString &name)
{
    return given.isEmpty() ? QStandardPaths::findExecutable(name) : given;
}

std::vector<std::optional<IdentifiedFile>>
IdentifyFiles(const QString &ffprobe, const QStringList &paths, bool packets, QStringList *errors)
{
    // Each answer mostly waits for ffprobe to start, so several run at once.
    constexpr qsizetype kAtOnce = 8;
    std::vector<std::optional<IdentifiedFile>> files(size_t(paths.size()));
    *errors = QStringList(paths.size(), QString());
    for (qsizetype from = 0; from < paths.size(); from += kAtOnce) {
        const qsizetype to = std::min(paths.size(), from + kAtOnce);
        std::vector<std::unique_ptr<QProcess>> probes;
        for (qsizetype i = from; i < to; ++i) {
            probes.push_back(std::make_unique<QProcess>());
            (*errors)[i] = StartProbe(*probes.back(), ffprobe, paths.at(i), packets);
        }
        for (qsizetype i = from; i < to; ++i)
            if (errors->at(i).isEmpty())
                files[size_t(i)]
                    = FinishProbe(*probes[size_t(i - from)], ffprobe, paths.at(i), &(*errors)[i]);
    }
    return files;
}

int RunIdentify(const EncoderOptions &options, const EncoderEnvironment &environment)
{
    const QString ffprobe = ToolPath(environment.ffprobe, QStringLiteral("ffprobe"));
    if (ffprobe.isEmpty())
        return Fail(QStringLiteral("ffprobe is needed; please install the ffmpeg package"));
    QStringList errors;
    const auto files = IdentifyFiles(ffprobe, options.inputs, true, &errors);
    if (const int signo = TakeStopSignal())
        return Fail(QStringLiteral("Stopped by signal %1").arg(signo), 128 + signo);
    int code = kExitDone;
    for (qsizetype i = 0; i < options.inputs.size(); ++i) {
        if (const auto &file = files[size_t(i)]) {
            for (const QString &line : IdentifyLines(*file))
                ConsoleSay(line);
            continue;
        }
        ConsoleSay(QStringLiteral("ID_FILENAME=") + options.inputs.at(i));
        ConsoleSay(QStringLiteral("ID_ERROR=") + QString(errors.at(i)).replace(u'\n', u' '));
        code = kExitFailed;
    }
    ConsoleSay(QStringLiteral("ID_EXIT=EOF"));
    return code;
}
