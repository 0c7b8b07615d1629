#pragma once
// One loudness for all the clips of a join: the level they are brought to and the gain each
// clip's sound gets for it. A pure function of the clips' measured loudness and lengths; the
// re-encoding route applies the gains in its conversions, and a route that converts only the
// sound can take the same gains.

#include "tasks/Loudness.h"

#include <optional>
#include <vector>

// One clip as the decision sees it: how long it runs in the join, and its measure (none when
// it was not measured).
struct ClipLoudness
{
    double seconds = 0;
    std::optional<LoudnessFacts> facts;
};

struct LoudnessDecision
{
    // The level the clips are brought to, in LUFS; none when no clip was measured.
    std::optional<double> target;
    // Each clip's gain in dB, in the clips' order; 0 for a clip left as it is.
    std::vector<double> gains;
};

// The most a clip's true peak may reach after its gain, in dBTP.
constexpr double kLoudnessPeakCeiling = -1.0;
// How far a clip may be from the target and still be left as it is, in LU.
constexpr double kLoudnessTolerance = 1.0;

// The target is the median of the measured clips' loudness weighted by their lengths (clips of
// unknown length weigh as much as the shortest known one), lowered as far as needed for no
// clip's true peak to pass the ceiling after its gain. A clip within the tolerance of the
// target whose true peak is at or below the ceiling is left alone; clips without sound, not
// measured or not measurable are left alone. Gains are rounded down to a hundredth of a dB
// (so the ceiling holds) and kept within the encoder's -200..60 dB.
LoudnessDecision DecideLoudness(const std::vector<ClipLoudness> &clips);
