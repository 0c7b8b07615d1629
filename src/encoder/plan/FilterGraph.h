#pragma once
// The ffmpeg filter graph that brings every input to the output's timeline and shape and
// joins them.

#include "encoder/plan/FfmpegPlan.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <vector>

// Where a picture of the shown aspect lies in the output frame: the whole frame where the
// shapes agree within 1 %, else as large as fits, centred, leaving black bars.
struct Placement
{
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
};
Placement PlaceInFrame(const OutputPlan &plan, const Fraction &shownAspect);

// One input's chains, without output labels: its picture at the output's rate, size and
// aspect, and its sound on the picture's clock in the output's rate and layout, both cut or
// padded to the picture's length. They read the input's chosen streams, "[index:stream]", the
// sound from soundIndex when the file is opened a second time for it.
struct InputChains
{
    QString video;
    QString audio;
};
InputChains BuildInputChains(const OutputPlan &plan, const InputMedia &input, size_t index,
                             std::optional<size_t> soundIndex = std::nullopt);

// ffmpeg's name of the usual layout of that many channels.
QString ChannelLayout(int channels);

// Every input's chains, then all concatenated in order into "[vout]" and "[aout]". With
// soundFirst, the sound of input i is read from input soundFirst + i (every input opened a
// second time for its sound).
QString BuildFilterGraph(const OutputPlan &plan, const std::vector<InputMedia> &inputs,
                         std::optional<size_t> soundFirst = std::nullopt);
