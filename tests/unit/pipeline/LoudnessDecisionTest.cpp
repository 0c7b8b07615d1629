#include "pipeline/checks/LoudnessDecision.h"

#include <gtest/gtest.h>

namespace {

using Kind = LoudnessFacts::Kind;

ClipLoudness Clip(double seconds, double lufs, double peak)
{
    return {seconds, LoudnessFacts {Kind::Measured, lufs, peak}};
}

ClipLoudness Silent(double seconds, Kind kind)
{
    return {seconds, LoudnessFacts {kind, 0, 0}};
}

TEST(DecideLoudness, TargetGainsAndClipsLeftAlone)
{
    const struct
    {
        const char *what;
        std::vector<ClipLoudness> clips;
        std::optional<double> target;
        std::vector<double> gains;
    } cases[] = {
        {"three clips of one length: the middle one is the target and stays",
         {Clip(60, -30, -20), Clip(60, -23, -10), Clip(60, -12, -3)},
         -23,
         {7, 0, -11}},
        {"the median weighs the lengths: the long quiet clip sets the level",
         {Clip(600, -30, -20), Clip(60, -23, -10), Clip(60, -12, -3)},
         -30,
         {0, -7, -18}},
        {"two halves of equal weight meet between them",
         {Clip(30, -26, -20), Clip(30, -20, -12)},
         -23,
         {3, -3}},
        {"within 1 LU a clip is left alone",
         {Clip(60, -23, -10), Clip(60, -23.9, -10), Clip(60, -22.5, -10), Clip(60, -24.6, -10)},
         -23.45,
         {0, 0, 0, 1.15}},
        {"a quiet clip with a high peak lowers the target for all",
         {Clip(60, -30, -4), Clip(60, -20, -10), Clip(60, -18, -8)},
         -27,
         {3, -7, -9}},
        {"a clip at the target whose own peak passes the ceiling is brought under it",
         {Clip(60, -20, -0.5), Clip(60, -20, -6), Clip(60, -20.2, -6)},
         -20.5,
         {-0.5, 0, 0}},
        {"clips without sound, unmeasurable or not measured are left alone and weigh nothing",
         {Silent(600, Kind::NoSound), Clip(60, -30, -20), Silent(600, Kind::Unmeasurable),
          Clip(60, -14, -4), ClipLoudness {600, std::nullopt}, Clip(60, -20, -10)},
         -20,
         {0, 10, 0, -6, 0, 0}},
        {"unknown lengths weigh as the shortest known",
         {Clip(-1, -30, -20), Clip(10, -20, -10), Clip(-1, -12, -4), Clip(100, -12, -4)},
         -12,
         {18, 8, 0, 0}},
        {"nothing measured: no target, no gains",
         {Silent(60, Kind::NoSound), ClipLoudness {60, std::nullopt}},
         std::nullopt,
         {0, 0}},
        {"gains round down to a hundredth, within the encoder's range",
         {Clip(60, -95, -80), Clip(60, -23.004, -10), Clip(60, -23.004, -10)},
         -23.004,
         {60, 0, 0}},
    };
    for (const auto &c : cases) {
        const LoudnessDecision d = DecideLoudness(c.clips);
        ASSERT_EQ(d.target.has_value(), c.target.has_value()) << c.what;
        if (c.target) {
            EXPECT_NEAR(*d.target, *c.target, 1e-9) << c.what;
        }
        ASSERT_EQ(d.gains.size(), c.gains.size()) << c.what;
        for (size_t i = 0; i < c.gains.size(); ++i)
            EXPECT_NEAR(d.gains[i], c.gains[i], 0.011) << c.what << ", clip " << i;
        for (size_t i = 0; i < c.clips.size(); ++i)
            if (d.gains[i] != 0) {
                EXPECT_LE(c.clips[i].facts->truePeak + d.gains[i], kLoudnessPeakCeiling) << c.what;
            }
    }
}

} // namespace
