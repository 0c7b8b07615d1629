#pragma once
// The ffmpeg filter graph that brings every input to the output's timeline and shape and
// joins them.

#include "encoder/FfmpegPlan.h"

#include <QString>

#include <cstddef>
#include <vector>

// One input's chains, without output labels: its picture at the output's rate, size and
// aspect, and its sound on the picture's clock in the output's rate and layout, both cut or
// padded to the picture's length. They read "[index:v:0]" and "[index:a:0]".
struct InputChains
{
    QString video;
    QString audio;
};
InputChains BuildInputChains(const OutputPlan &plan, const InputMedia &input, size_t index);

// ffmpeg's name of the usual layout of that many channels.
QString ChannelLayout(int channels);

// Every input's chains, then all concatenated in order into "[vout]" and "[aout]".
QString BuildFilterGraph(const OutputPlan &plan, const std::vector<InputMedia> &inputs);
