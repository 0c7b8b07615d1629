#include "encoder/run/ConsoleOut.h"
#include "platform/RawNames.h"
#include "encoder/routes/EncoderRoutes.h"
#include "encoder/plan/FfmpegArguments.h"
#include "encoder/run/FfmpegRun.h"
#include "encoder/plan/FormatRules.h"
#include "encoder/run/OutputFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

int Fail(const QString &message, int code = kExitFailed)
{
    ConsoleError(message);
    return code;
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
        QString quoted = QStringLiteral("file:") + QFileInfo(OpenablePath(path)).absoluteFilePath();
        quoted.replace(QStringLiteral("'"), QStringLiteral("'\\''"));
        list += QStringLiteral("file '") + quoted + QStringLiteral("'\n");
    }
    return list;
}

QStringList StreamCopyArguments(const QString &listPath, const QString &muxer,
                                const QString &target)
{
    QStringList args = ProgressRunArguments();
    args << QStringLiteral("-f") << QStringLiteral("concat") << QStringLiteral("-safe")
         << QStringLiteral("0") << QStringLiteral("-i") << QStringLiteral("file:") + listPath
         << QStringLiteral("-map") << QStringLiteral("0:v:0") << QStringLiteral("-map")
         << QStringLiteral("0:a:0?") << QStringLiteral("-c") << QStringLiteral("copy")
         << QStringLiteral("-f") << muxer;
    return args + WriterArguments(target);
}

namespace {

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

} // namespace

int RunStreamCopy(const EncoderOptions &options, const EncoderEnvironment &environment)
{
    const QString ffmpeg = ToolPath(environment.ffmpeg, QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return Fail(QStringLiteral("ffmpeg is needed; please install the ffmpeg package"));
    for (const QString &path : options.inputs)
        if (!QFileInfo(OpenablePath(path)).isFile() || !QFileInfo(OpenablePath(path)).isReadable())
            return Fail(QStringLiteral("Cannot read the input file: %1").arg(path));

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
    if (const QString input = InputBeingReplaced(options.inputs, options.output); !input.isEmpty())
        return Fail(QStringLiteral("The output file is also an input: %1").arg(input));

    const QString muxer = MuxerFor(options);
    ConsoleSay(QStringLiteral("Encoder: %1 input file(s) copied -> %2 (%3)")
                   .arg(options.inputs.size())
                   .arg(options.output, muxer));

    RunSettings settings;
    settings.program = ffmpeg;
    settings.arguments = StreamCopyArguments(listFile.file.fileName(), muxer, output.Target());
    settings.inheritedFd = output.InheritedDescriptor();
    settings.watchdogSeconds = environment.watchdogSeconds;
    const RunResult run = RunFfmpeg(settings, ConsoleWrite);
    ConsoleWrite("\n");
    return FinishCopyRun(run, output, settings, options.output);
}
