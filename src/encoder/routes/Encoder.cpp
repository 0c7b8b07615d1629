#include "encoder/routes/Encoder.h"
#include "encoder/input/InputRules.h"
#include "platform/RawNames.h"

#include "encoder/input/ProbeQueue.h"
#include "encoder/plan/EncoderOptions.h"
#include "encoder/plan/FfmpegArguments.h"
#include "encoder/plan/FfmpegPlan.h"
#include "encoder/plan/InputCut.h"
#include "encoder/routes/ChapterFile.h"
#include "encoder/routes/EncoderRoutes.h"
#include "encoder/routes/KeptRecording.h"
#include "encoder/routes/PipedJoin.h"
#include "encoder/run/ConsoleOut.h"
#include "encoder/run/FfmpegRun.h"
#include "encoder/run/OutputFile.h"
#include "encoder/run/RunEnd.h"

namespace {

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

    QString missing;
    const QString ffmpeg = ToolPath(environment.ffmpeg, QStringLiteral("ffmpeg"), &missing);
    const QString ffprobe = ToolPath(environment.ffprobe, QStringLiteral("ffprobe"), &missing);
    if (ffmpeg.isEmpty() || ffprobe.isEmpty())
        return Fail(missing);

    std::vector<InputMedia> inputs;
    ProbeQueue probes(ffprobe, options.inputs);
    for (const QString &path : options.inputs) {
        if (!IsReadableFile(path))
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

    ConsoleSay(
        QStringLiteral("Encoder: %1 input file(s) -> %2").arg(inputs.size()).arg(options.output));
    for (size_t i = 0; i < inputs.size(); ++i)
        ConsoleSay(QStringLiteral("Input %1: %2 (%3)")
                       .arg(i + 1)
                       .arg(inputs[i].path, Describe(inputs[i])));
    ConsoleSay(QStringLiteral("Output: %1, %2 %3x%4 %5 fps, %6 %7 Hz %8 ch, %9 s")
                   .arg(plan->muxer, plan->videoCodec)
                   .arg(plan->width)
                   .arg(plan->height)
                   .arg(plan->fps.Value(), 0, 'f', 3)
                   .arg(plan->audioCodec)
                   .arg(plan->sampleRate)
                   .arg(plan->channels)
                   .arg(plan->totalSeconds, 0, 'f', 2));
    for (const QString &note : plan->notes)
        ConsoleSay(QStringLiteral("Note: ") + note);

    RunSettings settings;
    settings.program = ffmpeg;
    settings.inheritedFd = output.InheritedDescriptor();
    settings.totalSeconds = plan->totalSeconds;
    settings.watchdogSeconds = environment.watchdogSeconds;
    settings.chapterMetadata = chapters.Path();
    if (chapters.Descriptor() >= 0)
        settings.keptFds.push_back(chapters.Descriptor());
    // A join of more inputs than one feed opens goes through feeds, so that its cost does not
    // grow with the number of inputs; a smaller one is one ffmpeg run.
    const bool fed = inputs.size() > kInputsPerFeed;
    settings.outputOptions = KeepRecording(options, plan->muxer, &output);
    if (!fed)
        settings.arguments = WithChapters(
            WithOutputOptions(BuildFfmpegArguments(options, *plan, inputs, output.Target()),
                              settings.outputOptions),
            chapters.Path());
    const RunResult run = fed
        ? RunPipedJoin(settings, options, *plan, inputs, output.Target(), ConsoleWrite)
        : RunFfmpeg(settings, ConsoleWrite);
    ConsoleWrite("\n");

    return FinishRun(run, output, settings, options.output, QStringLiteral("written"));
}
