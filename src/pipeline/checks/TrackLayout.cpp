#include "pipeline/checks/TrackLayout.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>

namespace {

using Kind = SourceTrack::Kind;

int Count(const std::vector<SourceTrack> &tracks, Kind kind)
{
    return int(std::count_if(tracks.begin(), tracks.end(),
                             [kind](const SourceTrack &t) { return t.kind == kind; }));
}

std::vector<SourceTrack> OfKind(const std::vector<SourceTrack> &tracks, Kind kind)
{
    std::vector<SourceTrack> some;
    std::copy_if(tracks.begin(), tracks.end(), std::back_inserter(some),
                 [kind](const SourceTrack &t) { return t.kind == kind; });
    return some;
}

QString Tr(const char *text, int n = -1)
{
    return QCoreApplication::translate("SourceFit", text, nullptr, n);
}

// "1 sound track", "2 subtitle tracks", "no data track".
QString CountText(Kind kind, int n)
{
    switch (kind) {
    case Kind::Sound:
        return n == 0 ? Tr("no sound track")
            : n == 1  ? Tr("1 sound track")
                      : Tr("%n sound tracks", n);
    case Kind::Subtitle:
        return n == 0 ? Tr("no subtitle track")
            : n == 1  ? Tr("1 subtitle track")
                      : Tr("%n subtitle tracks", n);
    default:
        return n == 0 ? Tr("no data track") : n == 1 ? Tr("1 data track") : Tr("%n data tracks", n);
    }
}

QString SoundKindText(const SourceTrack &t)
{
    const QString codec
        = t.profile.isEmpty() ? t.format : QStringLiteral("%1 (%2)").arg(t.format, t.profile);
    const QString layout
        = t.channelLayout.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(t.channelLayout);
    return (t.channels == 1 ? Tr("%1 1 channel%2 at %3 Hz")
                            : Tr("%1 %n channels%2 at %3 Hz", t.channels))
        .arg(codec, layout)
        .arg(t.sampleRate);
}

bool SameSoundKind(const SourceTrack &a, const SourceTrack &b)
{
    return a.format == b.format && a.profile == b.profile && a.sampleRate == b.sampleRate
        && a.channels == b.channels && a.channelLayout == b.channelLayout;
}

QString TrackText(Kind kind, int place)
{
    switch (kind) {
    case Kind::Sound:
        return Tr("sound track %1").arg(place);
    case Kind::Subtitle:
        return Tr("subtitle track %1").arg(place);
    default:
        return Tr("data track %1").arg(place);
    }
}

// The tracks whose places must agree: the copy keeps no data track (an MP4 file's timecode
// comes again from the picture's), so data tracks after the last sound or subtitle track, and
// attachments (the first file's are kept), may differ.
std::vector<SourceTrack> Compared(std::vector<SourceTrack> tracks)
{
    const auto kept
        = [](const SourceTrack &t) { return t.kind == Kind::Sound || t.kind == Kind::Subtitle; };
    const auto last = std::find_if(tracks.rbegin(), tracks.rend(), kept);
    tracks.erase(last.base(), tracks.end());
    tracks.erase(std::remove_if(tracks.begin(), tracks.end(),
                                [](const SourceTrack &t) { return t.kind == Kind::Attachment; }),
                 tracks.end());
    return tracks;
}

} // namespace

bool ReadTrackLine(std::vector<SourceTrack> &tracks, const QString &key, const QString &value)
{
    static const std::pair<QLatin1String, Kind> openings[]
        = {{QLatin1String("ID_AUDIO_ID"), Kind::Sound},
           {QLatin1String("ID_SUBTITLE_ID"), Kind::Subtitle},
           {QLatin1String("ID_DATA_ID"), Kind::Data},
           {QLatin1String("ID_ATTACHMENT_ID"), Kind::Attachment}};
    for (const auto &[opening, kind] : openings)
        if (key == opening) {
            bool ok = false;
            const int stream = value.trimmed().toInt(&ok);
            if (ok && stream >= 0)
                tracks.emplace_back().kind = kind, tracks.back().stream = stream;
            return true;
        }
    static const QRegularExpression fact(
        QStringLiteral("^ID_(AID|SID|DID|ATT)_(\\d{1,9})_([A-Z]+)$"));
    const auto match = fact.match(key);
    if (!match.hasMatch())
        return false;
    static const QStringList prefixes {QStringLiteral("AID"), QStringLiteral("SID"),
                                       QStringLiteral("DID"), QStringLiteral("ATT")};
    const Kind kind = Kind(prefixes.indexOf(match.captured(1)));
    const int stream = match.captured(2).toInt();
    const auto track = std::find_if(tracks.rbegin(), tracks.rend(), [&](const SourceTrack &t) {
        return t.kind == kind && t.stream == stream;
    });
    if (track == tracks.rend())
        return true;
    const QString name = match.captured(3);
    const auto whole = [&value] { return value.trimmed().toInt(); };
    if (name == u"FORMAT")
        track->format = value;
    else if (name == u"PROFILE")
        track->profile = value;
    else if (name == u"LANG")
        track->language = value;
    else if (name == u"NAME")
        track->name = value;
    else if (name == u"DEFAULT")
        track->isDefault = whole() != 0;
    else if (name == u"RATE")
        track->sampleRate = whole();
    else if (name == u"NCH")
        track->channels = whole();
    else if (name == u"LAYOUT")
        track->channelLayout = value;
    return true;
}

QStringList TrackDifferences(const std::vector<SourceTrack> &allOfF,
                             const std::vector<SourceTrack> &allOfKind, int mainSound)
{
    const std::vector<SourceTrack> f = Compared(allOfF), kind = Compared(allOfKind);
    QStringList why;
    bool counted = true;
    for (const Kind k : {Kind::Sound, Kind::Subtitle, Kind::Data}) {
        const int mine = Count(f, k), theirs = Count(kind, k);
        if (mine == theirs)
            continue;
        counted = false;
        // A file without sound among files with one sound track is named by the sound alone.
        if (k == Kind::Sound && mine <= 1 && theirs <= 1)
            continue;
        why << Tr("%1; most of the video has %2")
                   .arg(CountText(k, mine), theirs == 0 ? Tr("none") : QString::number(theirs));
    }
    if (!counted)
        return why;
    const auto places = [](const std::vector<SourceTrack> &tracks) {
        std::vector<std::pair<int, Kind>> p;
        for (const SourceTrack &t : tracks)
            if (t.kind != Kind::Attachment)
                p.emplace_back(t.stream, t.kind);
        return p;
    };
    if (places(f) != places(kind))
        return {Tr("its tracks are stored in another order than most of the video's")};
    for (const Kind k : {Kind::Sound, Kind::Subtitle, Kind::Data}) {
        const auto mine = OfKind(f, k), theirs = OfKind(kind, k);
        for (size_t i = 0; i < mine.size(); ++i) {
            const SourceTrack &a = mine[i], &b = theirs[i];
            if (k == Kind::Sound && a.stream != mainSound && !SameSoundKind(a, b))
                why << Tr("%1: %2; most of the video has %3")
                           .arg(TrackText(k, int(i) + 1), SoundKindText(a), SoundKindText(b));
            else if (k != Kind::Sound && a.format != b.format)
                why << Tr("%1: %2; most of the video has %3")
                           .arg(TrackText(k, int(i) + 1), a.format, b.format);
        }
    }
    return why;
}

bool HasMoreTracks(const std::vector<SourceTrack> &tracks)
{
    return Count(tracks, Kind::Sound) > 1 || tracks.size() > size_t(Count(tracks, Kind::Sound));
}
