#include "encoder/run/RunEnd.h"

#include "encoder/routes/Encoder.h"
#include "encoder/run/ConsoleOut.h"

#include <QStandardPaths>

int Fail(const QString &message, int code)
{
    ConsoleError(message);
    return code;
}

QString ToolPath(const QString &given, const QString &name, QString *error)
{
    const QString path = given.isEmpty() ? QStandardPaths::findExecutable(name) : given;
    if (path.isEmpty() && error && error->isEmpty())
        *error = QStringLiteral("%1 is missing: it is not on PATH. The Debian package \"ffmpeg\" "
                                "installs it.")
                     .arg(name);
    return path;
}

int FinishRun(const RunResult &run, OutputFile &output, const RunSettings &settings,
              const QString &outputPath, const QString &verb,
              const std::function<bool(QString *)> &finish)
{
    auto failRun = [&](const QString &message) {
        output.Discard();
        for (const QString &line : run.lastLines)
            ConsoleError(line);
        ConsoleError(message);
        return run.end == RunResult::End::Interrupted ? 128 + run.signal : kExitFailed;
    };
    switch (run.end) {
    case RunResult::End::NotStarted:
        return failRun(QStringLiteral("Cannot start ffmpeg (%1)").arg(settings.program));
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
    // ffmpeg ends with 0 after a failed write; the file it leaves is cut short.
    if (run.writeFailed)
        return failRun(QStringLiteral("Cannot write %1; nothing was kept").arg(outputPath));
    if (run.frames <= 0 || output.Size() <= 0)
        return failRun(QStringLiteral("No video was written; nothing was kept"));
    if (QString why; finish && !finish(&why))
        return failRun(why + QStringLiteral("; nothing was kept"));
    // The size of what was written, read before the file has its name: no name is opened.
    const int64_t size = output.Size();
    QString error;
    if (!output.Commit(&error)) {
        ConsoleError(error);
        return kExitFailed;
    }
    ConsoleSay(QStringLiteral("Done: %1 frames, %2 s, %3 bytes %4 to %5")
                   .arg(run.frames)
                   .arg(run.seconds, 0, 'f', 2)
                   .arg(size)
                   .arg(verb, outputPath));
    return kExitDone;
}
