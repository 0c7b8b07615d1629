#include "encoder/input/InputProbe.h"
#include "encoder/input/InputRules.h"
#include "platform/RawNames.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cmath>
#include <csignal>

#include <sys/prctl.h>

namespace {

// ffprobe writes numbers as text ("0.040000", "30000/1001", "N/A").
std::optional<double> Seconds(const QJsonValue &v)
{
    bool ok = false;
    const double d = v.toString().toDouble(&ok);
    return ok ? std::optional<double>(d) : std::nullopt;
}

// Header numbers are whatever the file says. Beyond these bounds they are not believed: a
// length is then unknown (the file is read to its real end), a start is taken as zero, an
// odd pixel shape as square; a picture larger than any codec makes is refused.
constexpr int kMostPixelsASide = 16384;
constexpr double kLongestSeconds = 1e7;

std::optional<double> Plausible(std::optional<double> seconds)
{
    if (seconds && std::isfinite(*seconds) && std::abs(*seconds) <= kLongestSeconds)
        return seconds;
    return std::nullopt;
}

bool Flag(const QJsonObject &stream, const char *disposition)
{
    return stream.value(QLatin1String("disposition"))
               .toObject()
               .value(QLatin1String(disposition))
               .toInt()
        != 0;
}

// Quarter turns clockwise from the display matrix (ffprobe's angle runs the other way) or
// the older "rotate" tag; other angles are not turned.
int Rotation(const QJsonObject &stream)
{
    std::optional<double> angle;
    for (const QJsonValue &v : stream.value(QLatin1String("side_data_list")).toArray())
        if (const QJsonValue r = v.toObject().value(QLatin1String("rotation")); !r.isUndefined())
            angle = -(r.isDouble() ? r.toDouble() : r.toString().toDouble());
    const QJsonValue tag
        = stream.value(QLatin1String("tags")).toObject().value(QLatin1String("rotate"));
    if (!angle && tag.isString())
        angle = tag.toString().toDouble();
    if (!angle || !std::isfinite(*angle))
        return 0;
    const double turned = std::fmod(std::fmod(*angle, 360.0) + 360.0, 360.0);
    for (int quarter : {90, 180, 270})
        if (std::abs(turned - quarter) < 1.0)
            return quarter;
    return 0;
}

Fraction PixelAspect(const QJsonObject &video)
{
    Fraction sar
        = ParseFraction(video.value(QLatin1String("sample_aspect_ratio")).toString(), u':');
    if (!sar.IsValid() || sar.Value() < 0.01 || sar.Value() > 100)
        return {1, 1};
    if (sar.num > 65535 || sar.den > 65535)
        sar = Reduced(std::llround(sar.Value() * 10000), 10000);
    return sar;
}

// The picture's stream (not cover art) and the sound's: the default track, else the first.
void PickStreams(const QJsonArray &streams, InputMedia &m, QJsonObject *video)
{
    SoundChoice sound;
    for (int i = 0; i < streams.size(); ++i) {
        const QJsonObject s = streams.at(i).toObject();
        const QString type = s.value(QLatin1String("codec_type")).toString();
        const int index
            = s.contains(QLatin1String("index")) ? Whole(s.value(QLatin1String("index"))) : i;
        if (type == u"video" && !m.hasVideo && !Flag(s, "attached_pic")
            && Whole(s.value(QLatin1String("width"))) > 0) {
            m.hasVideo = true;
            m.videoStream = index;
            *video = s;
            continue;
        }
        const int rate = Whole(s.value(QLatin1String("sample_rate")));
        const int channels = Whole(s.value(QLatin1String("channels")));
        if (type != u"audio" || rate <= 0 || rate > 768000 || channels <= 0 || channels > 64)
            continue;
        if (!sound.Takes(Flag(s, "default")))
            continue;
        m.hasAudio = true;
        m.audioStream = index;
        m.sampleRate = rate;
        m.channels = channels;
    }
}

// The picture's start and length; MPEG program and transport streams and raw streams carry
// no length, so theirs are only guesses.
void ReadTimes(const QJsonObject &format, const QJsonObject &video, InputMedia &m)
{
    const auto formatStart = Plausible(Seconds(format.value(QLatin1String("start_time"))));
    m.formatStart = formatStart.value_or(0);
    m.videoStart
        = Plausible(Seconds(video.value(QLatin1String("start_time")))).value_or(m.formatStart);
    const auto streamSeconds = Plausible(Seconds(video.value(QLatin1String("duration"))));
    const auto formatSeconds = Plausible(Seconds(format.value(QLatin1String("duration"))));
    std::optional<double> fromFormat;
    m.formatSeconds = formatSeconds.value_or(0);
    if (formatSeconds && *formatSeconds > 0)
        fromFormat = *formatSeconds - (m.videoStart - m.formatStart);
    static const QStringList guessed {QStringLiteral("mpeg"),      QStringLiteral("mpegts"),
                                      QStringLiteral("mpegvideo"), QStringLiteral("h264"),
                                      QStringLiteral("hevc"),      QStringLiteral("m4v")};
    const bool exact = !guessed.contains(m.formatName.section(u',', 0, 0));
    if (streamSeconds && *streamSeconds > 0)
        m.estimatedSeconds = *streamSeconds;
    else if (fromFormat && *fromFormat > 0)
        m.estimatedSeconds = *fromFormat;
    if (exact && m.estimatedSeconds > 0)
        m.videoSeconds = m.estimatedSeconds;
}

} // namespace

Fraction ParseFraction(const QString &text, QChar separator)
{
    const QStringList parts = text.split(separator);
    if (parts.size() != 2)
        return {};
    bool okNum = false, okDen = false;
    const qint64 num = parts.at(0).toLongLong(&okNum);
    const qint64 den = parts.at(1).toLongLong(&okDen);
    if (!okNum || !okDen || num <= 0 || den <= 0)
        return {};
    return Reduced(num, den);
}

int Whole(const QJsonValue &v)
{
    return v.isDouble() ? v.toInt() : v.toString().toInt();
}

Fraction ShownFrame::DisplayAspect() const
{
    return Reduced(int64_t(width) * pixelAspect.num, int64_t(height) * pixelAspect.den);
}

QString SizeRefusal(const InputMedia &m)
{
    if (m.width > 0 && m.width <= kMostPixelsASide && m.height > 0 && m.height <= kMostPixelsASide)
        return {};
    return QStringLiteral("The picture size of %1 is out of range: %2x%3")
        .arg(m.path)
        .arg(m.width)
        .arg(m.height);
}

ShownFrame Shown(const InputMedia &m)
{
    if (m.rotation == 90 || m.rotation == 270)
        return {m.height, m.width, {m.pixelAspect.den, m.pixelAspect.num}};
    return {m.width, m.height, m.pixelAspect};
}

QStringList ProbeArguments(const QString &path)
{
    return {
        QStringLiteral("-v"),
        QStringLiteral("error"),
        QStringLiteral("-print_format"),
        QStringLiteral("json"),
        QStringLiteral("-show_entries"),
        QStringLiteral("stream=index,codec_type,width,height,sample_aspect_ratio,avg_frame_rate,"
                       "r_frame_rate,start_time,duration,sample_rate,channels:"
                       "stream_disposition=default,attached_pic:stream_side_data=rotation:"
                       "stream_tags=rotate:format=format_name,start_time,duration"),
        QStringLiteral("file:") + OpenablePath(path)};
}

std::optional<InputMedia> ParseProbeOutput(const QString &path, const QByteArray &json,
                                           QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (doc.isNull() || !doc.isObject()) {
        *error = QStringLiteral("Cannot read the media file: %1").arg(path);
        return std::nullopt;
    }
    const QJsonObject format = doc.object().value(QLatin1String("format")).toObject();
    InputMedia m;
    m.path = path;
    QJsonObject video;
    PickStreams(doc.object().value(QLatin1String("streams")).toArray(), m, &video);
    if (!m.hasVideo) {
        *error = QStringLiteral("No video in %1").arg(path);
        return std::nullopt;
    }
    m.width = Whole(video.value(QLatin1String("width")));
    m.height = Whole(video.value(QLatin1String("height")));
    if (*error = SizeRefusal(m); !error->isEmpty())
        return std::nullopt;
    m.pixelAspect = PixelAspect(video);
    m.rotation = Rotation(video);
    m.frameRate = NominalFrameRate(
        ParseFraction(video.value(QLatin1String("avg_frame_rate")).toString(), u'/'),
        ParseFraction(video.value(QLatin1String("r_frame_rate")).toString(), u'/'));
    m.formatName = format.value(QLatin1String("format_name")).toString();
    ReadTimes(format, video, m);
    return m;
}

std::optional<InputMedia> ProbeInput(const QString &ffprobePath, const QString &path,
                                     QString *error)
{
    QProcess probe;
    probe.setProcessChannelMode(QProcess::SeparateChannels);
    probe.setStandardInputFile(QProcess::nullDevice());
    // The probe dies with the encoder, like ffmpeg itself: a caller's kill stops everything.
    probe.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    probe.start(ffprobePath, ProbeArguments(path));
    if (!probe.waitForStarted()) {
        *error = QStringLiteral("Cannot start %1").arg(ffprobePath);
        return std::nullopt;
    }
    if (!probe.waitForFinished(60000)) {
        probe.kill();
        probe.waitForFinished();
        *error = QStringLiteral("Reading %1 took too long").arg(path);
        return std::nullopt;
    }
    if (probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
        const QString why = QString::fromUtf8(probe.readAllStandardError()).trimmed();
        *error = QStringLiteral("Cannot read the media file: %1").arg(path)
            + (why.isEmpty() ? QString() : QStringLiteral(" (") + why.section(u'\n', -1) + u')');
        return std::nullopt;
    }
    return ParseProbeOutput(path, probe.readAllStandardOutput(), error);
}
