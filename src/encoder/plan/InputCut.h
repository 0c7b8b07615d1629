#pragma once
// A cut of the input: "-ss" gives where the run starts in it, "-endpos" how much of it is
// encoded from there. Both fall on whole frames of the input's picture, and the sound is cut
// at the same moments.

#include "encoder/input/InputProbe.h"
#include "encoder/plan/EncoderOptions.h"

#include <QString>
#include <QStringList>

#include <optional>

// A time value: seconds ("12.5") or [[hh:]mm:]ss[.fraction]; nothing for any other text.
std::optional<double> ParseEncoderTime(const QString &text);

// Applies the options' cut to the probed input: its length becomes the kept part's, its
// picture's first kept frame is its start, and the ffmpeg options that read only that part
// are stored with it. Without a cut the input is left as it is. Gives why the cut is refused
// (it starts beyond the input's end), else an empty text.
QString ApplyInputCut(const EncoderOptions &options, InputMedia &media);
QString ApplyInputCut(const InputCutTimes &cut, InputMedia &media);

// The ffmpeg options that go before the input's "-i": none for an input read whole.
QStringList InputCutArguments(const InputMedia &media);
