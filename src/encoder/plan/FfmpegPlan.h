#pragma once
// From the parsed command line and the inputs to the output's plan: size, rate, codecs and
// every input's share of the timeline.

#include "encoder/input/InputProbe.h"
#include "encoder/plan/EncoderOptions.h"
#include "encoder/plan/FormatRules.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// Everything about the output, resolved against the inputs and the codecs' limits.
struct OutputPlan
{
    QString muxer; // ffmpeg format name
    QString videoCodec; // ffmpeg encoder name
    int width = 0;
    int height = 0;
    Fraction fps;
    Fraction displayAspect;
    QString pixelFormat;
    QString audioCodec; // ffmpeg encoder name
    int sampleRate = 0;
    int channels = 0;
    int audioBitrateKbit = 0; // lavc codecs, and MP3 in average or constant mode
    double volumeDb = 0; // the gain of every input's sound (-af volume)
    int audioLeadSamples = 0; // cut from the sound's start for a codec delay the format cannot hold
    std::vector<int64_t> segmentFrames; // per input: frames it contributes, 0 when unknown
    double totalSeconds = 0; // exact, or estimated where a length is unknown
    bool lengthUnknown = false; // of the last input
    // Frames each join point's fade takes (0: hard cuts). In a feed of a longer join: its first
    // input is only the previous feed's last one, whose closing frames fade into the feed's
    // second; its last input's closing frames are left for the next feed to fade.
    int64_t crossfadeFrames = 0;
    bool fadeFromPrevious = false;
    bool fadeIntoNext = false;
    QStringList notes; // values changed to ones the codec or format accepts
};

// Resolves the plan; on failure (FormatRefusal's, or no inputs) gives nothing and sets *error.
std::optional<OutputPlan> PlanOutput(const EncoderOptions &options,
                                     const std::vector<InputMedia> &inputs, QString *error);
