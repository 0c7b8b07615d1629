#include "encoder/Identify.h"
#include "encoder/InputProbe.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace {

QString Text(const QJsonObject &o, const char *key)
{
    const QString t = o.value(QLatin1String(key)).toString();
    return t == u"unknown" ? QString() : t;
}

bool IsPicture(const QJsonObject &stream)
{
    return stream.value(QLatin1String("disposition"))
               .toObject()
               .value(QLatin1String("attached_pic"))
               .toInt()
        != 0;
}

// Decimals as MEncoder prints them: fixed places, "." whatever the locale.
QString Fixed(double value, int places)
{
    return QString::number(value, 'f', places);
}

} // namespace

QStringList IdentifyProbeArguments(const QString &path, bool packets)
{
    QString entries = QStringLiteral(
        "stream=index,codec_type,codec_name,profile,width,height,pix_fmt,sample_aspect_ratio,"
        "avg_frame_rate,r_frame_rate,sample_rate,channels,channel_layout:"
        "stream_disposition=attached_pic:format=format_name,duration");
    QStringList args {QStringLiteral("-v"), QStringLiteral("error"),
                      QStringLiteral("-print_format"), QStringLiteral("json")};
    if (packets) {
        entries += QStringLiteral(":packet=stream_index,pts_time");
        args << QStringLiteral("-read_intervals") << QStringLiteral("%+#240");
    }
    return args << QStringLiteral("-show_entries") << entries << QStringLiteral("file:") + path;
}

bool IsVariableRate(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    std::vector<double> steps;
    for (size_t i = 1; i < times.size(); ++i)
        steps.push_back(times[i] - times[i - 1]);
    if (steps.size() < 3)
        return false;
    std::vector<double> sorted = steps;
    std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
    const double typical = sorted[sorted.size() / 2];
    if (typical <= 0)
        return true;
    return std::any_of(steps.begin(), steps.end(),
                       [typical](double s) { return std::abs(s - typical) > typical / 10; });
}

namespace {

void TakeVideo(const QJsonObject &s, IdentifiedFile &f)
{
    f.hasVideo = true;
    f.videoCodec = Text(s, "codec_name");
    f.videoProfile = Text(s, "profile");
    f.width = Whole(s.value(QLatin1String("width")));
    f.height = Whole(s.value(QLatin1String("height")));
    f.pixelFormat = Text(s, "pix_fmt");
    const Fraction sar = ParseFraction(Text(s, "sample_aspect_ratio"), u':');
    if (sar.IsValid())
        f.pixelAspect = sar;
    f.frameRate = ParseFraction(Text(s, "avg_frame_rate"), u'/');
    if (!f.frameRate.IsValid() || f.frameRate.Value() > 1000)
        f.frameRate = ParseFraction(Text(s, "r_frame_rate"), u'/');
}

void TakeAudio(const QJsonObject &s, IdentifiedFile &f)
{
    f.hasAudio = true;
    f.audioCodec = Text(s, "codec_name");
    f.audioProfile = Text(s, "profile");
    f.sampleRate = Whole(s.value(QLatin1String("sample_rate")));
    f.channels = Whole(s.value(QLatin1String("channels")));
    f.channelLayout = Text(s, "channel_layout");
}

// The frame times of the video stream's first packets tell a variable rate, and frames kept
// without a time.
void TakeFrameTimes(const QJsonArray &packets, int videoIndex, IdentifiedFile &f)
{
    std::vector<double> times;
    for (const QJsonValue &pv : packets) {
        const QJsonObject p = pv.toObject();
        if (Whole(p.value(QLatin1String("stream_index"))) != videoIndex)
            continue;
        bool ok = false;
        const double t = p.value(QLatin1String("pts_time")).toString().toDouble(&ok);
        if (ok)
            times.push_back(t);
        else
            f.untimedFrames = true;
    }
    // Without every frame's time the spacing tells nothing.
    f.variableRate = !f.untimedFrames && IsVariableRate(std::move(times));
}

} // namespace

std::optional<IdentifiedFile> ParseIdentifyProbe(const QString &path, const QByteArray &json,
                                                 QString *error)
{
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    if (!doc.isObject()) {
        *error = QStringLiteral("Cannot read the media file: %1").arg(path);
        return std::nullopt;
    }
    const QJsonObject root = doc.object();
    const QJsonObject format = root.value(QLatin1String("format")).toObject();
    IdentifiedFile f;
    f.path = path;
    f.demuxer = format.value(QLatin1String("format_name")).toString().section(u',', 0, 0);
    f.length = format.value(QLatin1String("duration")).toString().toDouble();
    int videoIndex = -1;
    for (const QJsonValue &sv : root.value(QLatin1String("streams")).toArray()) {
        const QJsonObject s = sv.toObject();
        const QString type = s.value(QLatin1String("codec_type")).toString();
        if (type == u"video" && !f.hasVideo && !IsPicture(s)
            && Whole(s.value(QLatin1String("width"))) > 0) {
            videoIndex = Whole(s.value(QLatin1String("index")));
            TakeVideo(s, f);
        } else if (type == u"audio" && !f.hasAudio
                   && Whole(s.value(QLatin1String("sample_rate"))) > 0) {
            TakeAudio(s, f);
        }
    }
    if (!f.hasVideo) {
        *error = QStringLiteral("No video in %1").arg(path);
        return std::nullopt;
    }
    TakeFrameTimes(root.value(QLatin1String("packets")).toArray(), videoIndex, f);
    return f;
}

QStringList IdentifyLines(const IdentifiedFile &f)
{
    // One line each: a line break in a file's name (or in anything a damaged file reports)
    // would start a line of its own and be read as another fact.
    QStringList lines;
    const auto add = [&lines](const char *key, const QString &value) {
        lines << QLatin1String(key) + QLatin1Char('=')
                + QString(value).replace(u'\n', u' ').replace(u'\r', u' ');
    };
    const auto number = [](auto n) { return QString::number(n); };
    add("ID_FILENAME", f.path);
    add("ID_DEMUXER", f.demuxer);
    if (f.hasVideo) {
        add("ID_VIDEO_FORMAT", f.videoCodec.toUpper());
        add("ID_VIDEO_CODEC", QStringLiteral("ff") + f.videoCodec);
        add("ID_VIDEO_PROFILE", f.videoProfile);
        add("ID_VIDEO_WIDTH", number(f.width));
        add("ID_VIDEO_HEIGHT", number(f.height));
        add("ID_VIDEO_FPS", Fixed(f.frameRate.Value(), 3));
        add("ID_VIDEO_FRAME_RATE", f.frameRate.Text());
        add("ID_VIDEO_VARIABLE_FPS", number(f.variableRate ? 1 : 0));
        add("ID_VIDEO_UNTIMED_FRAMES", number(f.untimedFrames ? 1 : 0));
        add("ID_VIDEO_PIXEL_FORMAT", f.pixelFormat);
        add("ID_VIDEO_SAR", QStringLiteral("%1:%2").arg(f.pixelAspect.num).arg(f.pixelAspect.den));
        const double aspect = f.height > 0 ? f.width * f.pixelAspect.Value() / f.height : 0;
        add("ID_VIDEO_ASPECT", Fixed(aspect, 4));
    }
    if (f.hasAudio) {
        add("ID_AUDIO_FORMAT", f.audioCodec.toUpper());
        add("ID_AUDIO_CODEC", QStringLiteral("ff") + f.audioCodec);
        add("ID_AUDIO_PROFILE", f.audioProfile);
        add("ID_AUDIO_RATE", number(f.sampleRate));
        add("ID_AUDIO_NCH", number(f.channels));
        add("ID_AUDIO_LAYOUT", f.channelLayout);
    }
    add("ID_LENGTH", Fixed(f.length, 2));
    return lines;
}
