#include "encoder/routes/Encoder.h"
#include "platform/RawNames.h"

#include "encoder/input/ProbeQueue.h"
#include "encoder/plan/EncoderOptions.h"
#include "encoder/plan/FfmpegArguments.h"
#include "encoder/plan/FfmpegPlan.h"
#include "encoder/plan/InputCut.h"
#include "encoder/routes/ChapterFile.h"
#include "encoder/routes/EncoderRoutes.h"
#include "encoder/routes/PipedJoin.h"
#include "encoder/run/FfmpegRun.h"
#include "encoder/run/OutputFile.h"

#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace {

void WriteOut(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(1, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            return; // nobody listens any more; the work goes on
        done += n;
    }
}

void SayOut(const QString &line)
{
    WriteOut(line.toUtf8() + '\n');
}

void SayError(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    [[maybe_unused]] const ssize_t n = ::write(2, bytes.constData(), size_t(bytes.size()));
}

QString Describe(const InputMedia &m)
{
    QString text = QStringLiteral("%1x%2 %3 fps")
                       .arg(m.width)
                       .arg(m.height)
                       .arg(m.frameRate.Value(), 0, 'f', 3);
    text += m.hasAudio ? QStringLiteral(", sound %1 Hz %2 ch").arg(m.sampleRate).arg(m.channels)
                       : QStringLiteral(", no sound");
    if (m.videoSeconds)
        text += QStringLiteral(", %1 s").arg(*m.videoSeconds, 0, 'f', 2);
    return text;
}

QString FindTool(const QString &given, const QString &name)
{
    return given.isEmpty() ? QStandardPaths::findExecutable(name) : given;
}

// The message on one line (a file name may hold a line break), then the exit code.
int Fail(QString message, int code = kExitFailed)
{
    message.replace(QLatin1Char('\n'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '));
    SayError(message);
    return code;
}

} // namespace

int RunEncoder(const QStringList &args, const EncoderEnvironment &environment)
{
    const ParsedCommandLine parsed = ParseEncoderCommandLine(args);
    if (!parsed.error.isEmpty())
        return Fail(parsed.error, kExitBadCommandLine);
    const EncoderOptions &options = parsed.options;
    if (options.identify)
        return RunIdentify(options, environment);
    if (!options.fit.isEmpty())
        return RunFit(options, environment);
    if (options.copyVideo)
        return RunStreamCopy(options, environment);
    if (const QString refusal = FormatRefusal(options); !refusal.isEmpty())
        return Fail(refusal, kExitBadCommandLine);

    const QString ffmpeg = FindTool(environment.ffmpeg, QStringLiteral("ffmpeg"));
    const QString ffprobe = FindTool(environment.ffprobe, QStringLiteral("ffprobe"));
    if (ffmpeg.isEmpty() || ffprobe.isEmpty())
        return Fail(
            QStringLiteral("ffmpeg and ffprobe are needed; please install the ffmpeg package"));

    std::vector<InputMedia> inputs;
    ProbeQueue probes(ffprobe, options.inputs);
    for (const QString &path : options.inputs) {
        if (!QFileInfo(OpenablePath(path)).isFile() || !QFileInfo(OpenablePath(path)).isReadable())
            return Fail(QStringLiteral("Cannot read the input file: %1").arg(path));
        QString error;
        const auto media = probes.Next(&error);
        if (!media)
            return Fail(error);
        inputs.push_back(*media);
        if (const QString refusal = ApplyInputCut(options, inputs.back()); !refusal.isEmpty())
            return Fail(refusal, kExitBadCommandLine);
        if (const int signo = TakeStopSignal())
            return Fail(QStringLiteral("Stopped by signal %1; nothing was written").arg(signo),
                        128 + signo);
    }

    QString error;
    const auto plan = PlanOutput(options, inputs, &error);
    if (!plan)
        return Fail(error);

    ChapterFile chapters;
    if (!chapters.PrepareFromPlan(options, *plan, &error))
        return Fail(error, kExitBadCommandLine);

    OutputFile output;
    if (!output.OpenBeside(options.output, options.inputs, &error))
        return Fail(error);

    SayOut(
        QStringLiteral("Encoder: %1 input file(s) -> %2").arg(inputs.size()).arg(options.output));
    for (size_t i = 0; i < inputs.size(); ++i)
        SayOut(QStringLiteral("Input %1: %2 (%3)")
                   .arg(i + 1)
                   .arg(inputs[i].path, Describe(inputs[i])));
    SayOut(QStringLiteral("Output: %1, %2 %3x%4 %5 fps, %6 %7 Hz %8 ch, %9 s")
               .arg(plan->muxer, plan->videoCodec)
               .arg(plan->width)
               .arg(plan->height)
               .arg(plan->fps.Value(), 0, 'f', 3)
               .arg(plan->audioCodec)
               .arg(plan->sampleRate)
               .arg(plan->channels)
               .arg(plan->totalSeconds, 0, 'f', 2));
    for (const QString &note : plan->notes)
        SayOut(QStringLiteral("Note: ") + note);

    RunSettings settings;
    settings.program = ffmpeg;
    settings.inheritedFd = output.InheritedDescriptor();
    settings.totalSeconds = plan->totalSeconds;
    settings.watchdogSeconds = environment.watchdogSeconds;
    settings.chapterMetadata = chapters.Path();
    // A join of more inputs than one feed opens goes through feeds, so that its cost does not
    // grow with the number of inputs; a smaller one is one ffmpeg run.
    const bool fed = inputs.size() > kInputsPerFeed;
    if (!fed)
        settings.arguments = WithChapters(
            BuildFfmpegArguments(options, *plan, inputs, output.Target()), chapters.Path());
    const RunResult run = fed
        ? RunPipedJoin(settings, options, *plan, inputs, output.Target(), WriteOut)
        : RunFfmpeg(settings, WriteOut);
    WriteOut("\n");

    auto failRun = [&](const QString &message, int code) {
        output.Discard();
        for (const QString &line : run.lastLines)
            SayError(line);
        return Fail(message, code);
    };
    switch (run.end) {
    case RunResult::End::NotStarted:
        return failRun(QStringLiteral("Cannot start %1").arg(ffmpeg), kExitFailed);
    case RunResult::End::Interrupted:
        return failRun(QStringLiteral("Stopped by signal %1; nothing was written").arg(run.signal),
                       128 + run.signal);
    case RunResult::End::Watchdog:
        return failRun(
            QStringLiteral("ffmpeg made no progress for %1 s and was ended; nothing was written")
                .arg(settings.watchdogSeconds),
            kExitFailed);
    case RunResult::End::Crashed:
        return failRun(
            QStringLiteral("ffmpeg died of signal %1; nothing was written").arg(run.signal),
            kExitFailed);
    case RunResult::End::Exited:
        if (run.exitCode != 0)
            return failRun(QStringLiteral("ffmpeg failed with exit code %1; nothing was written")
                               .arg(run.exitCode),
                           kExitFailed);
        break;
    }
    if (run.writeFailed)
        return failRun(QStringLiteral("Cannot write %1; nothing was kept").arg(options.output),
                       kExitFailed);
    if (run.frames <= 0 || output.Size() <= 0)
        return failRun(QStringLiteral("No video was written; nothing was kept"), kExitFailed);
    if (!output.Commit(&error))
        return Fail(error);
    SayOut(QStringLiteral("Done: %1 frames, %2 s, %3 bytes written to %4")
               .arg(run.frames)
               .arg(run.seconds, 0, 'f', 2)
               .arg(QFileInfo(OpenablePath(options.output)).size())
               .arg(options.output));
    return kExitDone;
}
