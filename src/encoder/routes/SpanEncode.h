#pragma once
// One span of an input encoded in exactly the kind of the files of a join without
// re-encoding: a whole odd file converted to fit ("-fit"), or the frames around a copy's cut.

#include "encoder/input/InputProbe.h"
#include "encoder/plan/FitSettings.h"

#include <QString>
#include <QStringList>

struct SpanEncode
{
    QStringList arguments; // ffmpeg's, with progress on standard output
    double totalSeconds = 0; // the length written
};

// Encodes the input as probed and cut to the span (ApplyInputCut) into target: the picture
// placed as an encoding run places it, on the kind's clock, turned back by the kind's turn,
// and the sound when the kind has one. outputOptions go before the target.
SpanEncode EncodeSpanArguments(const FitSettings &fit, const QString &muxer,
                               const InputMedia &media, const QString &target,
                               const QStringList &outputOptions = {});

// Writes the turn into the first track's header of an MP4 or MOV file (the picture's track,
// as a span is written): this ffmpeg writes no turn it is given for an encoded picture.
bool MarkTurn(const QByteArray &path, int rotation);
