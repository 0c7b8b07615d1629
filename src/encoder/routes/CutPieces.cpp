#include "encoder/routes/CutCopy.h"

#include "platform/RawNames.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// How far from a cut its keyframes are looked for.
constexpr double kKeyWindowSeconds = 6;

QString Seconds(double s)
{
    return QString::number(s, 'f', 6);
}

} // namespace

std::vector<std::pair<double, double>> CutWindows(const InputMedia &media, double from,
                                                  std::optional<double> to)
{
    const double start = media.videoStart + from;
    if (!to)
        return {{start, start + kKeyWindowSeconds}};
    const double end = media.videoStart + *to;
    if (end - start <= 2 * kKeyWindowSeconds)
        return {{start, end + 1}};
    return {{start, start + kKeyWindowSeconds}, {end - kKeyWindowSeconds, end + 1}};
}

CutPieceFormat PieceFormat(const InputMedia &media, const QString &timescale, int delay)
{
    CutPieceFormat format;
    if (media.formatName.contains(QLatin1String("matroska")))
        format.muxer = QStringLiteral("matroska"), format.extension = QStringLiteral("mkv");
    else if (media.formatName.contains(QLatin1String("mpegts")))
        format.muxer = QStringLiteral("mpegts"), format.extension = QStringLiteral("ts");
    format.timescale = timescale;
    format.delay = delay;
    return format;
}

QStringList PieceArguments(const FitSettings &kind, const CutPieceFormat &format)
{
    // x264 delays a picture by as many frames as B-frames (two at most, with their pyramid);
    // x265 by two with any.
    QStringList args {QStringLiteral("-bf"), QString::number(std::clamp(format.delay, 0, 2)),
                      QStringLiteral("-threads"), QStringLiteral("1")};
    // A piece is a few frames held at the kind's bitrate under a ceiling of the quantizer: the
    // fastest preset keeps it far above 40 dB at a third of the fit's cost. Only for H.264, whose
    // copy carries every file's own parameter sets before its keyframes; an HEVC copy decodes
    // every file with the first one's, and x265's fastest preset sets them apart.
    if (kind.videoCodec == u"h264")
        args << QStringLiteral("-preset") << QStringLiteral("ultrafast");
    if (format.muxer == u"mp4" && !format.timescale.isEmpty())
        args << QStringLiteral("-video_track_timescale") << format.timescale;
    return args;
}

QStringList SoundPieceArguments(int index, std::optional<int> audioStream,
                                std::optional<double> start, double length, const QString &muxer,
                                const QString &target)
{
    QStringList args {QStringLiteral("-map"),
                      audioStream ? QStringLiteral("%1:%2").arg(index).arg(*audioStream)
                                  : QStringLiteral("%1:a:0").arg(index),
                      QStringLiteral("-c"), QStringLiteral("copy")};
    // After the input, so that the packets are taken from the first one at the start on.
    if (start)
        args << QStringLiteral("-ss") << Seconds(*start) << QStringLiteral("-t") << Seconds(length);
    args << QStringLiteral("-f") << muxer << QStringLiteral("file:") + OpenablePath(target);
    return args;
}
