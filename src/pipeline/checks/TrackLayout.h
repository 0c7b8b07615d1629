#pragma once
// The tracks a file holds besides its picture, as the encoder's "-identify" states them
// (ID_AUDIO_ID=1, ID_AID_1_LANG=eng...), and what a copy needs alike of them: files put end
// to end must hold the same tracks in the same places, each sound track of one kind.

#include <QString>
#include <QStringList>

#include <vector>

struct SourceTrack
{
    enum class Kind { Sound, Subtitle, Data, Attachment };
    Kind kind = Kind::Sound;
    int stream = -1;
    QString format; // "AAC", "SUBRIP", "MOV_TEXT"; a data track's tag ("tmcd")
    QString profile;
    QString language;
    QString name;
    bool isDefault = false;
    int sampleRate = 0;
    int channels = 0;
    QString channelLayout;

    friend bool operator==(const SourceTrack &, const SourceTrack &) = default;
};

// Takes one ID_ line into the tracks when it states a track; false for any other line. A fact
// of a track not opened before (ID_AID_4_LANG without ID_AUDIO_ID=4) is passed over.
bool ReadTrackLine(std::vector<SourceTrack> &tracks, const QString &key, const QString &value);

// What makes f's tracks differ from the kind's for a copy, one part each in the manner of the
// other differences ("1 sound track; most of the video has 2"); the sound track the picture is
// joined with (mainSound, a stream index, -1 for none) is compared elsewhere. Attachments and
// data tracks after the last sound or subtitle track do not count: the copy keeps the first
// file's attachments and no data track.
QStringList TrackDifferences(const std::vector<SourceTrack> &f,
                             const std::vector<SourceTrack> &kind, int mainSound);

// Whether a file holds more than its picture and one sound track, which a copy keeps with
// a list of every track.
bool HasMoreTracks(const std::vector<SourceTrack> &tracks);
