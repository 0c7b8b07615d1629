#pragma once
// The ffmpeg arguments that make one span of an input in the joined file's kind: its picture
// and its sound each copied as they are or encoded in the kind (FitSettings).

#include "encoder/input/InputProbe.h"
#include "encoder/plan/FitSettings.h"
#include "encoder/plan/Spans.h"

#include <QString>
#include <QStringList>

// The arguments after the run's own (ProgressRunArguments) for a span of the whole input
// media: the input, the filter graph, what is mapped, the codecs, the format and the target.
// The picture's first frame comes out at zero, a copied one with its stored frames, turn,
// colours and times; the sound is in step with the picture and exactly as long, silence where
// the input has none. Empty for a span that cuts the input or is copied whole: those are not
// made by one run of their own.
QStringList SpanArguments(const Span &span, const FitSettings &kind, const InputMedia &media,
                          const QString &muxer, const QString &target);
