#include "encoder/ConsoleOut.h"
#include "encoder/EncoderRoutes.h"
#include "encoder/FormatRules.h"
#include "encoder/FfmpegRun.h"
#include "encoder/Identify.h"
#include "encoder/OutputFile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>
#include <csignal>
#include <memory>
#include <optional>
#include <vector>

#include <sys/prctl.h>

namespace {

QString FindTool(const QString &given, const QString &name)
{
    return given.isEmpty() ? QStandardPaths::findExecutable(name) : given;
}

int Fail(const QString &message, int code = kExitFailed)
{
    ConsoleError(message);
    return code;
}

// Asks ffprobe about every file at once (a few at a time), since each answer mostly waits
// for the program to start; the answers come in the order of paths. With packets, the frame
// times are read too (for -identify; the copy only needs the streams).
std::vector<std::optional<IdentifiedFile>>
IdentifyFiles(const QString &ffprobe, const QStringList &paths, bool packets, QStringList *errors)
{
    constexpr qsizetype kAtOnce = 8;
    std::vector<std::optional<IdentifiedFile>> files(size_t(paths.size()));
    *errors = QStringList(paths.size(), QString());
    for (qsizetype from = 0; from < paths.size(); from += kAtOnce) {
        std::vector<std::unique_ptr<QProcess>> probes;
        for (qsizetype i = from; i < std::min(paths.size(), from + kAtOnce); ++i) {
            auto &probe = probes.emplace_back(std::make_unique<QProcess>());
            const QString &path = paths.at(i);
            if (!QFileInfo(path).isFile() || !QFileInfo(path).isReadable()) {
                (*errors)[i] = QStringLiteral("Cannot read the input file: %1").arg(path);
                continue;
            }
            probe->setProcessChannelMode(QProcess::SeparateChannels);
            probe->setStandardInputFile(QProcess::nullDevice());
            // The probe dies with the encoder: a caller's kill stops everything.
            probe->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
            probe->start(ffprobe, IdentifyProbeArguments(path, packets));
        }
        for (qsizetype i = from; i < std::min(paths.size(), from + kAtOnce); ++i) {
            QProcess &probe = *probes.at(size_t(i - from));
            QString &error = (*errors)[i];
            if (!error.isEmpty())
                continue;
            if (!probe.waitForStarted()) {
                error = QStringLiteral("Cannot start %1").arg(ffprobe);
            } else if (!probe.waitForFinished(60000)) {
                probe.kill();
                probe.waitForFinished();
                error = QStringLiteral("Reading %1 took too long").arg(paths.at(i));
            } else if (probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
                error = QStringLiteral("Cannot read the media file: %1").arg(paths.at(i));
            } else {
                files[size_t(i)]
                    = ParseIdentifyProbe(paths.at(i), probe.readAllStandardOutput(), &error);
            }
        }
    }
    return files;
}

// The concat list in a temporary file that lives as long as this object.
struct ListFile
{
    QTemporaryFile file {QDir::tempPath() + QStringLiteral("/qvj-copy-XXXXXX.txt")};
    bool Write(const QString &text)
    {
        return file.open() && file.write(text.toUtf8()) >= 0 && file.flush();
    }
};

} // namespace

int RunIdentify(const EncoderOptions &options, const EncoderEnvironment &environment)
{
    const QString ffprobe = FindTool(environment.ffprobe, QStringLiteral("ffprobe"));
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

QString ConcatList(const QStringList &paths, QString *error)
{
    QString list = QStringLiteral("ffconcat version 1.0\n");
    for (const QString &path : paths) {
        if (path.contains(u'\n') || path.contains(u'\r')) {
            *error = QStringLiteral("A file name with a line break cannot be copied: %1").arg(path);
            return QString();
        }
        // "file:" keeps a name with a colon from being taken for a protocol; a quote inside
        // single quotes is written '\''.
        QString quoted = QStringLiteral("file:") + QFileInfo(path).absoluteFilePath();
        quoted.replace(QStringLiteral("'"), QStringLiteral("'\\''"));
        list += QStringLiteral("file '") + quoted + QStringLiteral("'\n");
    }
    return list;
}

QStringList StreamCopyArguments(const QString &listPath, const QString &muxer, bool withAudio,
                                const QString &target)
{
    QStringList args {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"),
                      QStringLiteral("-loglevel"),    QStringLiteral("error"),
                      QStringLiteral("-y"),           QStringLiteral("-progress"),
                      QStringLiteral("pipe:1"),       QStringLiteral("-stats_period"),
                      QStringLiteral("0.05"),         QStringLiteral("-nostats"),
                      QStringLiteral("-f"),           QStringLiteral("concat"),
                      QStringLiteral("-safe"),        QStringLiteral("0"),
                      QStringLiteral("-i"),           QStringLiteral("file:") + listPath,
                      QStringLiteral("-map"),         QStringLiteral("0:v:0")};
    if (withAudio)
        args << QStringLiteral("-map") << QStringLiteral("0:a:0");
    args << QStringLiteral("-c") << QStringLiteral("copy") << QStringLiteral("-f") << muxer
         << target;
    return args;
}

namespace {

// What differs between two inputs so that their streams cannot follow one another, or empty.
QString CopyMismatch(const IdentifiedFile &first, const IdentifiedFile &other)
{
    if (other.videoCodec != first.videoCodec || other.width != first.width
        || other.height != first.height || other.pixelFormat != first.pixelFormat)
        return QStringLiteral(
                   "its picture (%1 %2x%3 %4) differs from the first file's (%5 %6x%7 %8)")
            .arg(other.videoCodec)
            .arg(other.width)
            .arg(other.height)
            .arg(other.pixelFormat, first.videoCodec)
            .arg(first.width)
            .arg(first.height)
            .arg(first.pixelFormat);
    if (other.hasAudio != first.hasAudio || other.audioCodec != first.audioCodec
        || other.sampleRate != first.sampleRate || other.channels != first.channels)
        return QStringLiteral("its sound differs from the first file's");
    return QString();
}

int FinishCopyRun(const RunResult &run, OutputFile &output, const RunSettings &settings,
                  const QString &outputPath)
{
    auto failRun = [&](const QString &message) {
        output.Discard();
        for (const QString &line : run.lastLines)
            ConsoleError(line);
        return Fail(message,
                    run.end == RunResult::End::Interrupted ? 128 + run.signal : kExitFailed);
    };
    switch (run.end) {
    case RunResult::End::NotStarted:
        return failRun(QStringLiteral("Cannot start %1").arg(settings.program));
    case RunResult::End::Interrupted:
        return failRun(QStringLiteral("Stopped by signal %1; nothing was written").arg(run.signal));
    case RunResult::End::Watchdog:
        return failRun(
            QStringLiteral("ffmpeg made no progress for %1 s and was ended; nothing was written")
                .arg(settings.watchdogSeconds));
    case RunResult::End::Crashed:
        return failRun(
            QStringLiteral("ffmpeg died of signal %1; nothing was written").arg(run.signal));
    case RunResult::End::Exited:
        if (run.exitCode != 0)
            return failRun(QStringLiteral("ffmpeg failed with exit code %1; nothing was written")
                               .arg(run.exitCode));
        break;
    }
    if (run.frames <= 0 || output.Size() <= 0)
        return failRun(QStringLiteral("No video was written; nothing was kept"));
    QString error;
    if (!output.Commit(&error))
        return Fail(error);
    ConsoleSay(QStringLiteral("Done: %1 frames, %2 s, %3 bytes copied to %4")
                   .arg(run.frames)
                   .arg(run.seconds, 0, 'f', 2)
                   .arg(QFileInfo(outputPath).size())
                   .arg(outputPath));
    return kExitDone;
}

bool SameFile(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    return fa.exists() && fb.exists() && fa.canonicalFilePath() == fb.canonicalFilePath();
}

} // namespace

int RunStreamCopy(const EncoderOptions &options, const EncoderEnvironment &environment)
{
    const QString ffmpeg = FindTool(environment.ffmpeg, QStringLiteral("ffmpeg"));
    const QString ffprobe = FindTool(environment.ffprobe, QStringLiteral("ffprobe"));
    if (ffmpeg.isEmpty() || ffprobe.isEmpty())
        return Fail(
            QStringLiteral("ffmpeg and ffprobe are needed; please install the ffmpeg package"));

    QStringList errors;
    const auto probed = IdentifyFiles(ffprobe, options.inputs, false, &errors);
    if (const int signo = TakeStopSignal())
        return Fail(QStringLiteral("Stopped by signal %1; nothing was written").arg(signo),
                    128 + signo);
    std::vector<IdentifiedFile> inputs;
    double totalSeconds = 0;
    for (qsizetype i = 0; i < options.inputs.size(); ++i) {
        if (!probed[size_t(i)])
            return Fail(errors.at(i));
        const IdentifiedFile &file = *probed[size_t(i)];
        // Streams that do not match would give a file that does not play: refuse it here too,
        // whoever called.
        if (!inputs.empty())
            if (const QString why = CopyMismatch(inputs.front(), file); !why.isEmpty())
                return Fail(QStringLiteral("Cannot join %1 without re-encoding: %2")
                                .arg(options.inputs.at(i), why),
                            kExitBadCommandLine);
        totalSeconds += file.length;
        inputs.push_back(file);
    }

    QString error;
    const QString list = ConcatList(options.inputs, &error);
    if (list.isEmpty())
        return Fail(error, kExitBadCommandLine);
    ListFile listFile;
    if (!listFile.Write(list))
        return Fail(QStringLiteral("Cannot write the list of inputs in %1").arg(QDir::tempPath()));

    OutputFile output;
    if (!output.Open(options.output, &error))
        return Fail(error);
    for (const QString &input : options.inputs)
        if (SameFile(input, options.output))
            return Fail(QStringLiteral("The output file is also an input: %1").arg(input));

    const QString muxer = MuxerFor(options);
    ConsoleSay(QStringLiteral("Encoder: %1 input file(s) copied -> %2")
                   .arg(inputs.size())
                   .arg(options.output));
    ConsoleSay(
        QStringLiteral("Output: %1, %2 %3x%4, %5, %6 s")
            .arg(muxer, inputs.front().videoCodec)
            .arg(inputs.front().width)
            .arg(inputs.front().height)
            .arg(inputs.front().hasAudio ? inputs.front().audioCodec : QStringLiteral("no sound"))
            .arg(totalSeconds, 0, 'f', 2));

    RunSettings settings;
    settings.program = ffmpeg;
    settings.arguments = StreamCopyArguments(listFile.file.fileName(), muxer,
                                             inputs.front().hasAudio, output.Target());
    settings.inheritedFd = output.InheritedDescriptor();
    settings.totalSeconds = totalSeconds;
    settings.watchdogSeconds = environment.watchdogSeconds;
    const RunResult run = RunFfmpeg(settings, ConsoleWrite);
    ConsoleWrite("\n");
    return FinishCopyRun(run, output, settings, options.output);
}
