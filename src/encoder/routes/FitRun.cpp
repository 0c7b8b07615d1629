// "-fit": one input converted into a file of the stated kind, to be joined by a copy with
// files of that kind. The picture is placed as an encoding run places it (upright, its shape
// kept with black bars, on the kind's clock, the sound in step), then stored turned back by
// the kind's turn, which its mark undoes on showing. A picture of the kind already is copied
// as it is, and only its sound is made (SpanEncode.h).
#include "encoder/input/InputRules.h"
#include "encoder/input/MediaReader.h"
#include "encoder/plan/FitSettings.h"
#include "encoder/plan/FormatRules.h"
#include "encoder/plan/InputCut.h"
#include "encoder/routes/EncoderRoutes.h"
#include "encoder/routes/FitTracksArguments.h"
#include "encoder/routes/KeptRecording.h"
#include "encoder/routes/SpanEncode.h"
#include "encoder/run/ConsoleOut.h"
#include "encoder/run/FfmpegRun.h"
#include "encoder/run/OutputFile.h"
#include "encoder/run/RunEnd.h"

int RunFit(const EncoderOptions &options, const EncoderEnvironment &environment)
{
    QString error;
    auto fit = ParseFitSettings(options.fit, &error);
    if (!fit)
        return Fail(error, kExitBadCommandLine);
    fit->gainDb = options.volumeDb;
    if (options.inputs.size() != 1)
        return Fail(QStringLiteral("-fit converts one input file"), kExitBadCommandLine);
    QString missing;
    const QString ffmpeg = ToolPath(environment.ffmpeg, QStringLiteral("ffmpeg"), &missing);
    const QString ffprobe = ToolPath(environment.ffprobe, QStringLiteral("ffprobe"), &missing);
    if (ffmpeg.isEmpty() || ffprobe.isEmpty())
        return Fail(missing);
    const QString path = options.inputs.front();
    if (!IsReadableFile(path))
        return Fail(QStringLiteral("Cannot read the input file: %1").arg(path));
    const auto media = ProbeInput(ffprobe, path, &error);
    if (!media)
        return Fail(error);
    if (const QString refusal = SizeRefusal(*media); !refusal.isEmpty())
        return Fail(refusal);

    // A trimmed file is converted from its first kept frame to its last.
    InputMedia cut = *media;
    if (const QString refusal = ApplyInputCut(options.cuts.front(), cut); !refusal.isEmpty())
        return Fail(refusal, kExitBadCommandLine);

    OutputFile output;
    if (!output.OpenBeside(options.output, options.inputs, &error))
        return Fail(error);
    const QString muxer = MuxerFor(options);
    // The kind's further tracks are made from the file's own, read here only when there are
    // any.
    std::vector<IdentifiedTrack> ownTracks;
    if (!fit->tracks.empty()) {
        const auto facts = ReadMediaFacts(path, &error);
        if (!facts)
            return Fail(error);
        ownTracks = facts->tracks;
    }
    // The whole file, or its kept part, its picture encoded unless it is of the kind already
    // (a picture is copied only whole: a cut goes between frames a copy cannot split).
    Span span;
    span.encodePicture = !fit->copyPicture || options.cuts.front().Any();
    span.encodeSound = true;
    const SpanEncode encoded
        = EncodeSpanArguments(span, *fit, muxer, span.encodePicture ? cut : *media, output.Target(),
                              KeepRecording(options, muxer, &output), ownTracks);

    if (!span.encodePicture)
        ConsoleSay(QStringLiteral("Encoder: %1 with its sound converted to %2 -> %3")
                       .arg(path,
                            fit->audioCodec.isEmpty() ? QStringLiteral("none") : fit->audioCodec,
                            options.output));
    else
        ConsoleSay(QStringLiteral("Encoder: %1 converted to %2 %3x%4 -> %5")
                       .arg(path, fit->videoCodec)
                       .arg(fit->width)
                       .arg(fit->height)
                       .arg(options.output));
    RunSettings settings;
    settings.program = ffmpeg;
    settings.arguments = encoded.arguments;
    settings.inheritedFd = output.InheritedDescriptor();
    settings.totalSeconds = encoded.totalSeconds;
    settings.watchdogSeconds = environment.watchdogSeconds;
    const RunResult run = RunFfmpeg(settings, ConsoleWrite);
    ConsoleWrite("\n");
    const bool written = run.end == RunResult::End::Exited && run.exitCode == 0 && !run.writeFailed;
    const bool marked = muxer == u"mp4" || muxer == u"mov";
    if (written && fit->rotation != 0
        && (!marked || !MarkTurn(output.LocalPath(), fit->rotation))) {
        output.Discard();
        return Fail(QStringLiteral("The turn of the picture cannot be marked in %1; nothing was "
                                   "written")
                        .arg(options.output));
    }
    return FinishRun(run, output, settings, options.output, QStringLiteral("converted"));
}
