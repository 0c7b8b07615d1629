#pragma once
// One span of an input encoded in exactly the kind of the files of a join without
// re-encoding: a whole odd file converted to fit ("-fit"), or the frames around a copy's cut.

#include "encoder/input/Identify.h"
#include "encoder/input/InputProbe.h"
#include "encoder/plan/FitSettings.h"
#include "encoder/plan/Spans.h"

#include <QString>
#include <QStringList>

struct SpanEncode
{
    QStringList arguments; // ffmpeg's, with progress on standard output
    double totalSeconds = 0; // the length written
    qsizetype outputAt = 0; // where the output's arguments begin, after the inputs'
};

// The run that makes one span of the input in the kind: an encoded picture is placed as an
// encoding run places it (the input as probed and cut to the span, ApplyInputCut), on the
// kind's clock, turned back by the kind's turn; a copied picture (a whole input of the kind)
// keeps its stored frames, turn, colours and times, moved so that its first frame is at zero.
// The sound, where the span encodes it and the kind has one, is in step with the picture and
// exactly as long, silence where the input has none. outputOptions go before the target.
// No arguments for a span that copies its picture and cuts the input, or encodes nothing:
// those are the copy's, not a run of their own. Where the kind has further tracks, a span
// that makes the sound makes them too, from the input's own tracks (ownTracks). A picture's span
// that is one of several made by one run reads input inputIndex of that run and makes its
// picture alone (the run's inputs are arguments[..outputAt), its output the rest).
SpanEncode EncodeSpanArguments(const Span &span, const FitSettings &fit, const QString &muxer,
                               const InputMedia &media, const QString &target,
                               const QStringList &outputOptions = {},
                               const std::vector<IdentifiedTrack> &ownTracks = {},
                               size_t inputIndex = 0);

// Writes the turn into the first track's header of an MP4 or MOV file (the picture's track,
// as a span is written): this ffmpeg writes no turn it is given for an encoded picture.
bool MarkTurn(const QByteArray &path, int rotation);
