#pragma once
// The further tracks of a file converted to fit (FitSettings::tracks): each of the kind's sound
// tracks made from the file's own one in that place, or silence of the file's length where it
// has none; each subtitle track copied or converted to the container's kind, or an empty one
// where it has none. The file's own tracks keep their language, title and default flag.

#include "encoder/input/Identify.h"
#include "encoder/input/InputProbe.h"
#include "encoder/plan/FitSettings.h"

#include <QString>
#include <QStringList>

#include <vector>

struct FitTracksArguments
{
    QString graph; // chains to append to the filter graph, each from ';', ending in [tN]
    QStringList inputs; // a further input (an empty subtitle) to follow the file's
    QStringList maps; // after the picture's and the sound's
    QStringList options; // each track's codec, rate, layout and tags, for the output
};

// inputTracks are the file's own tracks besides its picture (ReadMediaFacts).
FitTracksArguments FitTracks(const FitSettings &fit, const QString &muxer, const InputMedia &media,
                             const std::vector<IdentifiedTrack> &inputTracks);
