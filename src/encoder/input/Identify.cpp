#include "encoder/input/Identify.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

// Decimals as MEncoder prints them: fixed places, "." whatever the locale.
QString Fixed(double value, int places)
{
    return QString::number(value, 'f', places);
}

// The lines of one track, keyed by its stream as MEncoder keys them: ID_AUDIO_ID=1 opens
// ID_AID_1_LANG= and the like.
void AddTrackLines(const IdentifiedTrack &t,
                   const std::function<void(const QString &, const QString &)> &add)
{
    static const char *const heads[][2] = {{"ID_AUDIO_ID", "ID_AID_"},
                                           {"ID_SUBTITLE_ID", "ID_SID_"},
                                           {"ID_DATA_ID", "ID_DID_"},
                                           {"ID_ATTACHMENT_ID", "ID_ATT_"}};
    const auto &[opening, prefix] = heads[int(t.kind)];
    const QString n = QString::number(t.stream);
    add(QLatin1String(opening), n);
    const auto fact = [&](const char *key, const QString &value) {
        add(QLatin1String(prefix) + n + QLatin1Char('_') + QLatin1String(key), value);
    };
    fact("FORMAT",
         t.kind == IdentifiedTrack::Kind::Data || t.kind == IdentifiedTrack::Kind::Attachment
             ? t.codec
             : t.codec.toUpper());
    fact("LANG", t.language);
    fact("NAME", t.name);
    if (t.kind == IdentifiedTrack::Kind::Sound) {
        fact("PROFILE", t.profile);
        fact("RATE", QString::number(t.sampleRate));
        fact("NCH", QString::number(t.channels));
        fact("LAYOUT", t.channelLayout);
    }
    if (t.kind == IdentifiedTrack::Kind::Sound || t.kind == IdentifiedTrack::Kind::Subtitle)
        fact("DEFAULT", QString::number(t.isDefault ? 1 : 0));
}

} // namespace

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

QStringList IdentifyLines(const IdentifiedFile &f)
{
    // One line each: a line break in a file's name (or in anything a damaged file reports)
    // would start a line of its own and be read as another fact.
    QStringList lines;
    const auto addLine = [&lines](const QString &key, const QString &value) {
        lines << key + QLatin1Char('=') + QString(value).replace(u'\n', u' ').replace(u'\r', u' ');
    };
    const auto add
        = [&addLine](const char *key, const QString &value) { addLine(QLatin1String(key), value); };
    const auto number = [](auto n) { return QString::number(n); };
    add("ID_FILENAME", f.path);
    add("ID_DEMUXER", f.demuxer);
    if (f.hasVideo) {
        add("ID_VIDEO_FORMAT", f.videoCodec.toUpper());
        add("ID_VIDEO_CODEC", QStringLiteral("ff") + f.videoCodec);
        add("ID_VIDEO_PROFILE", f.videoProfile);
        if (!f.videoSetup.isEmpty())
            add("ID_VIDEO_SETUP", f.videoSetup);
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
    if (f.hasVideo) {
        add("ID_VIDEO_STREAM", number(f.videoStream));
        add("ID_VIDEO_ROTATION", number(f.rotation));
        add("ID_VIDEO_FIELD_ORDER", f.fieldOrder);
        add("ID_VIDEO_COLOR_PRIMARIES", f.colorPrimaries);
        add("ID_VIDEO_COLOR_TRANSFER", f.colorTransfer);
        add("ID_VIDEO_COLOR_MATRIX", f.colorMatrix);
        add("ID_VIDEO_COLOR_RANGE", f.colorRange);
        add("ID_VIDEO_LEVEL", number(f.videoLevel));
        add("ID_VIDEO_BITRATE", number(f.videoBitrate));
        add("ID_VIDEO_TIMESCALE", number(f.videoTimescale));
    }
    if (f.hasAudio) {
        add("ID_AUDIO_STREAM", number(f.audioStream));
        add("ID_AUDIO_BITRATE", number(f.audioBitrate));
        add("ID_AUDIO_TIMESCALE", number(f.audioTimescale));
    }
    for (const IdentifiedTrack &track : f.tracks)
        AddTrackLines(track, addLine);
    add("ID_LENGTH", Fixed(f.length, 2));
    return lines;
}
