#include "pipeline/checks/LoudnessDecision.h"

#include <algorithm>
#include <cmath>

namespace {

struct Weighted
{
    double loudness = 0;
    double weight = 0;
};

// The weighted median; when the halves meet exactly between two values, their mean.
double WeightedMedian(std::vector<Weighted> values)
{
    std::sort(values.begin(), values.end(),
              [](const Weighted &a, const Weighted &b) { return a.loudness < b.loudness; });
    double total = 0;
    for (const Weighted &v : values)
        total += v.weight;
    double below = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        below += values[i].weight;
        if (std::abs(below - total / 2) <= total * 1e-9 && i + 1 < values.size())
            return (values[i].loudness + values[i + 1].loudness) / 2;
        if (below > total / 2)
            return values[i].loudness;
    }
    return values.back().loudness;
}

// The weight of each measured clip: its length, or for an unknown length the shortest known
// one (1 when none is known).
std::vector<Weighted> Weigh(const std::vector<ClipLoudness> &clips)
{
    double shortest = 0;
    for (const ClipLoudness &clip : clips)
        if (clip.facts && clip.facts->IsMeasured() && clip.seconds > 0)
            shortest = shortest > 0 ? std::min(shortest, clip.seconds) : clip.seconds;
    std::vector<Weighted> values;
    for (const ClipLoudness &clip : clips)
        if (clip.facts && clip.facts->IsMeasured())
            values.push_back({clip.facts->integrated,
                              clip.seconds > 0 ? clip.seconds : (shortest > 0 ? shortest : 1)});
    return values;
}

} // namespace

LoudnessDecision DecideLoudness(const std::vector<ClipLoudness> &clips)
{
    LoudnessDecision decision;
    decision.gains.assign(clips.size(), 0.0);
    const std::vector<Weighted> values = Weigh(clips);
    if (values.empty())
        return decision;
    double target = WeightedMedian(values);
    // Every clip may be brought to the target, so the target is no higher than what each
    // clip's peak allows.
    for (const ClipLoudness &clip : clips)
        if (clip.facts && clip.facts->IsMeasured())
            target = std::min(target,
                              clip.facts->integrated + kLoudnessPeakCeiling - clip.facts->truePeak);
    decision.target = target;
    for (size_t i = 0; i < clips.size(); ++i) {
        const std::optional<LoudnessFacts> &facts = clips[i].facts;
        if (!facts || !facts->IsMeasured())
            continue;
        const double gain = target - facts->integrated;
        if (std::abs(gain) <= kLoudnessTolerance && facts->truePeak <= kLoudnessPeakCeiling)
            continue;
        decision.gains[i] = std::clamp(std::floor(gain * 100) / 100, -200.0, 60.0);
    }
    return decision;
}
