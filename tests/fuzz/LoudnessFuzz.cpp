// The measure's output as ffmpeg might write it, and the decision taken from such measures:
// each part of the input (split at zero bytes) is one file's output. A parsed measure holds
// finite figures above the silence floor; the decision gives one gain per clip, within the
// encoder's range, and no gain lifts a true peak past the ceiling.
#include "FuzzTarget.h"
#include "pipeline/checks/LoudnessDecision.h"
#include "tasks/Loudness.h"

#include <QString>

#include <algorithm>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<ClipLoudness> clips;
    double seconds = 1;
    for (const QByteArray &part : FuzzBytes(data, size).split('\0')) {
        const LoudnessFacts facts = ParseLoudnessOutput(QString::fromUtf8(part));
        if (facts.IsMeasured())
            FUZZ_CHECK(std::isfinite(facts.integrated) && std::isfinite(facts.truePeak)
                       && facts.integrated > -70);
        (void)LoudnessText(facts);
        // Lengths of every kind, unknown ones among them.
        seconds = part.size() % 3 == 0 ? -1 : seconds * 7 + double(part.size());
        clips.push_back({seconds, facts});
    }
    const LoudnessDecision decision = DecideLoudness(clips);
    FUZZ_CHECK(decision.gains.size() == clips.size());
    for (size_t i = 0; i < clips.size(); ++i) {
        const double gain = decision.gains[i];
        FUZZ_CHECK(std::isfinite(gain) && gain >= -200 && gain <= 60);
        if (gain != 0 && gain > -200 && gain < 60)
            FUZZ_CHECK(clips[i].facts->truePeak + gain <= kLoudnessPeakCeiling
                           + 1e-9
                               * std::max(1.0,
                                          std::fabs(clips[i].facts->truePeak)
                                              + std::fabs(clips[i].facts->integrated)));
    }
    return 0;
}
