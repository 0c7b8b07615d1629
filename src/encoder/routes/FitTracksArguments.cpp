#include "encoder/routes/FitTracksArguments.h"

#include "encoder/plan/FilterGraph.h"
#include "encoder/plan/TrackMaps.h"

#include <QHash>

#include <algorithm>

namespace {

using Kind = IdentifiedTrack::Kind;

// The file's tracks of a kind, in order; of sound, those besides the one the picture is
// joined with.
std::vector<IdentifiedTrack> Further(const std::vector<IdentifiedTrack> &tracks, Kind kind,
                                     int mainSound)
{
    std::vector<IdentifiedTrack> some;
    std::copy_if(tracks.begin(), tracks.end(), std::back_inserter(some),
                 [&](const IdentifiedTrack &t) { return t.kind == kind && t.stream != mainSound; });
    return some;
}

// The chain of one further sound track, made as the sound is (in step with the picture, as
// long as it), at the track's own rate and layout.
QString SoundTrackChain(const FitSettings &fit, const FitTrack &track, const QString &muxer,
                        InputMedia media, const IdentifiedTrack *own)
{
    FitSettings kind = fit;
    kind.audioCodec = track.codec;
    kind.sampleRate = track.sampleRate;
    kind.channels = track.channels;
    media.hasAudio = own != nullptr;
    media.audioStream = own ? own->stream : -1;
    const OutputPlan plan = FitPlan(kind, muxer, media);
    return BuildInputChains(plan, media, 0).audio;
}

// Adds the place-th sound track of the output, made from the file's own track (or silence).
void AddSoundTrack(FitTracksArguments &a, const FitSettings &fit, const FitTrack &t,
                   const QString &muxer, const InputMedia &media, const IdentifiedTrack *own,
                   int place)
{
    static const QHash<QString, QString> encoders {
        {QStringLiteral("aac"), QStringLiteral("aac")},
        {QStringLiteral("ac3"), QStringLiteral("ac3")},
        {QStringLiteral("mp3"), QStringLiteral("libmp3lame")},
        {QStringLiteral("opus"), QStringLiteral("libopus")}};
    const QString label = QStringLiteral("[t%1]").arg(place);
    a.graph += QLatin1Char(';') + SoundTrackChain(fit, t, muxer, media, own) + label;
    a.maps << QStringLiteral("-map") << label;
    // After the sound's own settings, which name every sound track: the last one named wins.
    const QString selector = QStringLiteral(":a:%1").arg(place);
    const QString layout = t.channelLayout.isEmpty() ? ChannelLayout(t.channels) : t.channelLayout;
    a.options << QStringLiteral("-c") + selector << encoders.value(t.codec)
              << QStringLiteral("-b") + selector
              << QString::number(std::min(96000 * t.channels, 640000))
              << QStringLiteral("-ar") + selector << QString::number(t.sampleRate)
              << QStringLiteral("-channel_layout") + selector << layout;
    if (own)
        a.options << TrackOptions(*own, muxer, place);
    else
        a.options << QStringLiteral("-disposition") + selector << QStringLiteral("0");
}

// Adds the place-th subtitle track of the output: the file's own one, or one without a cue.
void AddSubtitleTrack(FitTracksArguments &a, const QString &muxer, const IdentifiedTrack *own,
                      int place)
{
    const QString selector = QStringLiteral(":s:%1").arg(place);
    if (own && !SubtitleCodecFor(own->codec, muxer).isEmpty()) {
        a.maps << QStringLiteral("-map") << QStringLiteral("0:%1").arg(own->stream);
        a.options << TrackOptions(*own, muxer, place);
    } else {
        // An empty SRT list.
        if (a.inputs.isEmpty())
            a.inputs << QStringLiteral("-f") << QStringLiteral("srt") << QStringLiteral("-i")
                     << QStringLiteral("/dev/null");
        a.maps << QStringLiteral("-map") << QStringLiteral("1:0");
        a.options << QStringLiteral("-disposition") + selector << QStringLiteral("0");
    }
    a.options << QStringLiteral("-c") + selector
              << (muxer == u"matroska" ? QStringLiteral("srt") : QStringLiteral("mov_text"));
}

} // namespace

FitTracksArguments FitTracks(const FitSettings &fit, const QString &muxer, const InputMedia &media,
                             const std::vector<IdentifiedTrack> &inputTracks)
{
    const auto sounds = Further(inputTracks, Kind::Sound, media.hasAudio ? media.audioStream : -1);
    const auto subtitles = Further(inputTracks, Kind::Subtitle, -1);
    FitTracksArguments a;
    int soundPlace = fit.audioCodec.isEmpty() ? 0 : 1, subtitlePlace = 0;
    size_t nextSound = 0, nextSubtitle = 0;
    for (const FitTrack &t : fit.tracks) {
        if (t.sound) {
            const IdentifiedTrack *own = nextSound < sounds.size() ? &sounds[nextSound++] : nullptr;
            AddSoundTrack(a, fit, t, muxer, media, own, soundPlace++);
        } else {
            const IdentifiedTrack *own
                = nextSubtitle < subtitles.size() ? &subtitles[nextSubtitle++] : nullptr;
            AddSubtitleTrack(a, muxer, own, subtitlePlace++);
        }
    }
    return a;
}
