#pragma once
// The tracks a file converted to fit carries besides its picture and its sound: the kind's
// further sound tracks (each of its own codec, rate and layout) and its subtitle tracks, stated
// in "-fit" as tracks=a/aac/48000/2/stereo_s (one item for each, "_" between them).

#include <QString>

#include <optional>
#include <vector>

struct FitTrack
{
    bool sound = true; // else a subtitle track, of the container's own kind
    QString codec; // sound: "aac", "ac3", "mp3", "opus"
    int sampleRate = 0;
    int channels = 0;
    QString channelLayout;

    friend bool operator==(const FitTrack &, const FitTrack &) = default;
};

// The tracks of a tracks= value; nothing for an item that is not one.
std::optional<std::vector<FitTrack>> ParseFitTracks(const QString &text);
