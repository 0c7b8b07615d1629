#include "encoder/routes/SpanEncode.h"

#include "encoder/plan/FfmpegArguments.h"
#include "encoder/plan/FilterGraph.h"
#include "encoder/plan/InputCut.h"
#include "encoder/routes/FitTracksArguments.h"
#include "encoder/run/OutputFile.h"
#include "platform/Mp4Boxes.h"
#include "platform/RawNames.h"

#include <QFile>
#include <QtEndian>

namespace {

// A whole input whose picture is of the kind: the picture copied, the sound made or copied.
QStringList CopiedPictureArguments(const Span &span, const FitSettings &kind,
                                   const InputMedia &media, const QString &muxer,
                                   const std::vector<IdentifiedTrack> &ownTracks,
                                   QStringList *trackOptions)
{
    const OutputPlan plan = FitPlan(kind, muxer, media);
    QStringList args;
    InputMedia placed = media;
    // A copied picture cannot be moved by a filter: the whole input is moved so that the
    // picture's first frame is at zero, and the sound's chain needs no offset of its own.
    if (const double offset = PictureOffset(media); offset > 0)
        args << QStringLiteral("-itsoffset") << QString::number(-offset, 'f', 6);
    placed.videoStart = placed.formatStart;
    args << QStringLiteral("-i") << QStringLiteral("file:") + OpenablePath(media.path);
    const InputChains chains = BuildInputChains(plan, placed, 0);
    const FitTracksArguments tracks
        = kind.tracks.empty() ? FitTracksArguments {} : FitTracks(kind, muxer, placed, ownTracks);
    args << tracks.inputs;
    *trackOptions = tracks.options;
    const bool sound = !kind.audioCodec.isEmpty();
    QStringList graph, maps {QStringLiteral("-map"), QStringLiteral("0:%1").arg(media.videoStream)};
    QString soundChain = chains.audio;
    if (plan.lengthUnknown && sound && span.encodeSound) {
        // A copied picture whose length the file does not state: the sound runs on, padded
        // with silence, and ends with the picture. (An encoded picture never ends an endless
        // sound of the same graph; its sound stays as the filter graph makes it.)
        soundChain = media.hasAudio ? chains.audio + QStringLiteral(",apad")
                                    : QStringLiteral("anullsrc=r=%1:cl=%2")
                                          .arg(plan.sampleRate)
                                          .arg(ChannelLayout(plan.channels));
        maps << QStringLiteral("-shortest");
    }
    if (sound && span.encodeSound) {
        graph << soundChain + QStringLiteral("[aout]");
        maps << QStringLiteral("-map") << QStringLiteral("[aout]");
    } else if (sound && media.hasAudio) {
        maps << QStringLiteral("-map") << QStringLiteral("0:%1").arg(media.audioStream);
    }
    // The further tracks' chains each begin with ';'.
    const QString joined = graph.join(u';') + tracks.graph;
    if (!joined.isEmpty())
        args << QStringLiteral("-filter_complex")
             << (joined.startsWith(u';') ? joined.mid(1) : joined);
    args << maps << tracks.maps << QStringLiteral("-c:v") << QStringLiteral("copy")
         << FitClockArguments(kind, muxer);
    if (sound && !span.encodeSound)
        args << QStringLiteral("-c:a") << QStringLiteral("copy");
    else
        args << FitSoundArguments(kind);
    return args << QStringLiteral("-f") << muxer;
}

} // namespace

SpanEncode EncodeSpanArguments(const Span &span, const FitSettings &fit, const QString &muxer,
                               const InputMedia &media, const QString &target,
                               const QStringList &outputOptions,
                               const std::vector<IdentifiedTrack> &ownTracks, size_t inputIndex)
{
    if (!span.encodePicture) {
        if (span.from != 0 || span.to || !span.encodeSound)
            return {};
        QStringList trackOptions;
        const QStringList args = ProgressRunArguments()
            + CopiedPictureArguments(span, fit, media, muxer, ownTracks, &trackOptions)
            + WriterArguments(target);
        return {WithOutputOptions(args, trackOptions + outputOptions),
                FitPlan(fit, muxer, media).totalSeconds};
    }
    const OutputPlan plan = FitPlan(fit, muxer, media);
    InputChains chains = BuildInputChains(plan, media, 0);
    // In a run of several spans, the span's input and its output's label by its place.
    const QString out
        = inputIndex ? QStringLiteral("[v%1]").arg(inputIndex) : QStringLiteral("[vout]");
    if (inputIndex)
        chains.video.replace(QStringLiteral("[0:%1]").arg(media.videoStream),
                             QStringLiteral("[%1:%2]").arg(inputIndex).arg(media.videoStream));
    const bool sound = span.encodeSound && !fit.audioCodec.isEmpty() && !inputIndex;
    const FitTracksArguments tracks = sound && !fit.tracks.empty()
        ? FitTracks(fit, muxer, media, ownTracks)
        : FitTracksArguments {};
    QString graph = chains.video + FitPictureTail(fit) + out;
    if (sound)
        graph += QLatin1Char(';') + chains.audio + QStringLiteral("[aout]");
    graph += tracks.graph;
    QStringList args = ProgressRunArguments();
    args << InputCutArguments(media) << QStringLiteral("-i")
         << QStringLiteral("file:") + OpenablePath(media.path) << tracks.inputs
         << QStringLiteral("-filter_complex") << graph << QStringLiteral("-map") << out;
    const qsizetype outputAt = args.indexOf(QStringLiteral("-filter_complex"));
    if (sound)
        args << QStringLiteral("-map") << QStringLiteral("[aout]");
    FitSettings made = fit;
    if (!sound)
        made.audioCodec.clear();
    return {WithOutputOptions(args + tracks.maps + FitEncodeArguments(made, muxer, target),
                              tracks.options + outputOptions),
            plan.totalSeconds, outputAt};
}

// Writes the turn into the first track's header of an MP4 or MOV file (the picture's track,
// as the fit writes it): this ffmpeg writes no turn it is given for an encoded picture.
bool MarkTurn(const QByteArray &path, int rotation)
{
    QFile file;
    if (!OpenToUpdate(path, file))
        return false;
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
