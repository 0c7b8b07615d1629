#include "encoder/InputProbe.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

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

} // namespace

QStringList ProbeArguments(const QString &path)
{
    return {
        QStringLiteral("-v"),
        QStringLiteral("error"),
        QStringLiteral("-print_format"),
        QStringLiteral("json"),
        QStringLiteral("-show_entries"),
        QStringLiteral("stream=codec_type,width,height,sample_aspect_ratio,avg_frame_rate,"
                       "r_frame_rate,start_time,duration,sample_rate,channels:"
                       "stream_disposition=attached_pic:format=format_name,start_time,duration"),
        QStringLiteral("file:") + path};
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
    for (const QJsonValue &sv : doc.object().value(QLatin1String("streams")).toArray()) {
        const QJsonObject s = sv.toObject();
        const QString type = s.value(QLatin1String("codec_type")).toString();
        const bool picture = s.value(QLatin1String("disposition"))
                                 .toObject()
                                 .value(QLatin1String("attached_pic"))
                                 .toInt()
            != 0;
        if (type == u"video" && !m.hasVideo && !picture
            && Whole(s.value(QLatin1String("width"))) > 0) {
            m.hasVideo = true;
            video = s;
        } else if (type == u"audio" && !m.hasAudio
                   && Whole(s.value(QLatin1String("sample_rate"))) > 0
                   && Whole(s.value(QLatin1String("channels"))) > 0) {
            m.hasAudio = true;
            m.sampleRate = Whole(s.value(QLatin1String("sample_rate")));
            m.channels = Whole(s.value(QLatin1String("channels")));
        }
    }
    if (!m.hasVideo) {
        *error = QStringLiteral("No video in %1").arg(path);
        return std::nullopt;
    }
    m.width = Whole(video.value(QLatin1String("width")));
    m.height = Whole(video.value(QLatin1String("height")));
    const Fraction sar
        = ParseFraction(video.value(QLatin1String("sample_aspect_ratio")).toString(), u':');
    if (sar.IsValid())
        m.pixelAspect = sar;
    m.frameRate = ParseFraction(video.value(QLatin1String("avg_frame_rate")).toString(), u'/');
    if (!m.frameRate.IsValid() || m.frameRate.Value() > 1000)
        m.frameRate = ParseFraction(video.value(QLatin1String("r_frame_rate")).toString(), u'/');
    const auto formatStart = Seconds(format.value(QLatin1String("start_time")));
    m.videoStart
        = Seconds(video.value(QLatin1String("start_time"))).value_or(formatStart.value_or(0));
    m.formatName = format.value(QLatin1String("format_name")).toString();
    const auto streamSeconds = Seconds(video.value(QLatin1String("duration")));
    const auto formatSeconds = Seconds(format.value(QLatin1String("duration")));
    std::optional<double> fromFormat;
    if (formatSeconds && *formatSeconds > 0)
        fromFormat = *formatSeconds - (m.videoStart - formatStart.value_or(m.videoStart));
    // MPEG program and transport streams and raw streams carry no length: theirs are guesses.
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
