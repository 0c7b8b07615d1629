#pragma once
// Which of the inputs' tracks a copy keeps in the container it writes, and how: ffmpeg's maps,
// the subtitle kind the container needs, and each track's language, title and default flag.
// Tracks the container cannot carry are left out with a note that says so.

#include "encoder/input/Identify.h"

#include <QString>
#include <QStringList>

#include <vector>

struct TrackPlan
{
    // From "-map 0:v:0" on: every kept track's map, "-c copy", then each converted subtitle's
    // codec and each track's language, title and default flag.
    QStringList arguments;
    QStringList notes; // one line for each kind of track left out
};

// The plan for the tracks of the first input (every input holds the same, as the check before
// the copy found) in a file of the muxer ("mp4", "mov", "matroska", "avi"...).
TrackPlan PlanTracks(const std::vector<IdentifiedTrack> &tracks, const QString &muxer);

// The language, title and default flag of a sound or subtitle track as the output's place-th
// track of its kind.
QStringList TrackOptions(const IdentifiedTrack &t, const QString &muxer, int place);

// The subtitle codec the muxer stores a subtitle of that codec as: "copy" when it takes it as
// it is, "mov_text" or "srt" when it needs its own kind, empty when it holds none of that kind.
QString SubtitleCodecFor(const QString &codec, const QString &muxer);
