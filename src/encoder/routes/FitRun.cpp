// "-fit": one input converted into a file of the stated kind, to be joined by a copy with
// files of that kind. The picture is placed as an encoding run places it (upright, its shape
// kept with black bars, on the kind's clock, the sound in step), then stored turned back by
// the kind's turn, which its mark undoes on showing.
#include "encoder/input/InputRules.h"
#include "encoder/input/MediaReader.h"
#include "encoder/plan/FfmpegArguments.h"
#include "encoder/plan/FilterGraph.h"
#include "encoder/plan/FitSettings.h"
#include "encoder/plan/FormatRules.h"
#include "encoder/routes/EncoderRoutes.h"
#include "encoder/routes/FitTracksArguments.h"
#include "encoder/routes/KeptRecording.h"
#include "encoder/run/ConsoleOut.h"
#include "encoder/run/FfmpegRun.h"
#include "encoder/run/OutputFile.h"
#include "encoder/run/RunEnd.h"
#include "platform/Mp4Boxes.h"
#include "platform/RawNames.h"

#include <QFile>
#include <QtEndian>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Writes the turn into the first track's header of an MP4 or MOV file (the picture's track,
// as the fit writes it): this ffmpeg writes no turn it is given for an encoded picture.
bool MarkTurn(const QByteArray &path, int rotation)
{
    // Opened by its bytes: the hidden file's name need not be UTF-8.
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    const auto moov = FindMp4Box(file, 0, file.size(), "moov");
    const auto trak = moov ? FindMp4Box(file, moov->at + 8, moov->End(), "trak") : std::nullopt;
    const auto tkhd = trak ? FindMp4Box(file, trak->at + 8, trak->End(), "tkhd") : std::nullopt;
    if (!tkhd || !file.seek(tkhd->at + 8))
        return false;
    const QByteArray version = file.read(1);
    // After version and flags: times, track, duration (longer in version 1), then layer,
    // group, volume and a reserved field.
    const qint64 matrix = tkhd->at + 8 + 4 + (version == QByteArray(1, '\1') ? 32 : 20) + 16;
    if (matrix + 36 > tkhd->End())
        return false;
    const qint32 one = 0x10000;
    qint32 m[9] = {one, 0, 0, 0, one, 0, 0, 0, 0x40000000};
    if (rotation == 90)
        m[0] = 0, m[1] = one, m[3] = -one, m[4] = 0;
    else if (rotation == 180)
        m[0] = -one, m[4] = -one;
    else if (rotation == 270)
        m[0] = 0, m[1] = -one, m[3] = one, m[4] = 0;
    QByteArray bytes(36, '\0');
    for (int i = 0; i < 9; ++i)
        qToBigEndian<qint32>(m[i], bytes.data() + 4 * i);
    return file.seek(matrix) && file.write(bytes) == bytes.size() && file.flush();
}

} // namespace

int RunFit(const EncoderOptions &options, const EncoderEnvironment &environment)
{
    QString error;
    const auto fit = ParseFitSettings(options.fit, &error);
    if (!fit)
        return Fail(error, kExitBadCommandLine);
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

    OutputFile output;
    if (!output.OpenBeside(options.output, options.inputs, &error))
        return Fail(error);

    const QString muxer = MuxerFor(options);
    const OutputPlan plan = FitPlan(*fit, muxer, *media);
    const InputChains chains = BuildInputChains(plan, *media, 0);
    const bool sound = !fit->audioCodec.isEmpty();
    // The kind's further tracks are made from the file's own, read here only when there are
    // any.
    std::vector<IdentifiedTrack> ownTracks;
    if (!fit->tracks.empty()) {
        const auto facts = ReadMediaFacts(path, &error);
        if (!facts)
            return Fail(error);
        ownTracks = facts->tracks;
    }
    const FitTracksArguments tracks = FitTracks(*fit, muxer, *media, ownTracks);
    QString graph = chains.video + FitPictureTail(*fit) + QStringLiteral("[vout]");
    if (sound)
        graph += QLatin1Char(';') + chains.audio + QStringLiteral("[aout]");
    graph += tracks.graph;
    QStringList args = ProgressRunArguments();
    args << QStringLiteral("-i") << QStringLiteral("file:") + OpenablePath(path) << tracks.inputs
         << QStringLiteral("-filter_complex") << graph << QStringLiteral("-map")
         << QStringLiteral("[vout]");
    if (sound)
        args << QStringLiteral("-map") << QStringLiteral("[aout]");
    args = WithOutputOptions(args + tracks.maps + FitEncodeArguments(*fit, muxer, output.Target()),
                             tracks.options + KeepRecording(options, muxer, &output));

    ConsoleSay(QStringLiteral("Encoder: %1 converted to %2 %3x%4 -> %5")
                   .arg(path, fit->videoCodec)
                   .arg(fit->width)
                   .arg(fit->height)
                   .arg(options.output));
    RunSettings settings;
    settings.program = ffmpeg;
    settings.arguments = args;
    settings.inheritedFd = output.InheritedDescriptor();
    settings.totalSeconds = plan.totalSeconds;
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
