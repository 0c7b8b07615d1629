#pragma once
// The packets of an input around its cuts, read in this process with ffmpeg's libraries: one
// opening of the file instead of a probe of the packets and a trace of the keyframes' headers
// (each a program that takes a tenth of a second just to start).

#include "encoder/input/InputProbe.h"
#include "encoder/plan/Spans.h"

#include <QString>

#include <optional>
#include <utility>
#include <vector>

struct CutPackets
{
    std::vector<PacketTimes> packets; // of every stream, in the file's order
    QString timescale; // the picture's time base's denominator
};

// The packets of every stream of the input in the stretches [start, end) of its own clock (each
// read from the keyframe before its start, as a probe of intervals reads them), each key
// picture of H.264 or HEVC marked by whether it refreshes the decoder. Nothing, with *error,
// when the file cannot be read.
std::optional<CutPackets> ReadCutPackets(const InputMedia &media,
                                         const std::vector<std::pair<double, double>> &windows,
                                         QString *error);

// What the encoder knows of each input (ParseProbeOutput's reading of what ffprobe would say
// of it), read in this process, several files at once: a probe program for each would take a
// tenth of a second just to start. errors gets each unread file's reason.
std::vector<std::optional<InputMedia>> ReadInputs(const QStringList &paths, QStringList *errors);
