// The rules both readers of an input share: which rate a picture runs at, and which sound a
// run takes.
#include "encoder/input/InputRules.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(InputRules, ThePictureRunsAtItsRealRate)
{
    const struct
    {
        Fraction average, real, expected;
    } cases[] = {
        {{30000, 1001}, {30000, 1001}, {30000, 1001}},
        {{2997, 100}, {0, 1}, {30000, 1001}}, // near a common rate
        // Clips looped or joined by a copy: an average with large terms.
        {{752640, 25211}, {30, 1}, {30, 1}},
        {{16128000, 538831}, {30, 1}, {30, 1}},
        {{1120000, 44903}, {299, 12}, {25, 1}},
        {{25, 2}, {25, 2}, {25, 2}}, // a clock's rate, though not a common one
        {{1234567, 100000}, {90000, 1}, {6173, 500}}, // in thousandths, no real rate
        {{0, 1}, {24, 1}, {24, 1}},
        {{2000, 1}, {0, 1}, {0, 1}}, // beyond 1000: none
    };
    for (const auto &c : cases) {
        const Fraction rate = NominalFrameRate(c.average, c.real);
        EXPECT_EQ(rate.IsValid() ? rate.Text() : QString(),
                  c.expected.IsValid() ? c.expected.Text() : QString())
            << c.average.Text().toStdString() << ' ' << c.real.Text().toStdString();
    }
}

TEST(InputRules, TheSoundIsTheDefaultTrackElseTheFirst)
{
    const struct
    {
        std::vector<bool> defaults; // each sound stream's default mark, in order
        int taken;
    } cases[] = {{{false, false}, 0}, {{false, true, true}, 1}, {{true, true}, 0}, {{false}, 0}};
    for (const auto &c : cases) {
        SoundChoice choice;
        int taken = -1;
        for (size_t i = 0; i < c.defaults.size(); ++i)
            if (choice.Takes(c.defaults[i]))
                taken = int(i);
        EXPECT_EQ(taken, c.taken);
    }
}

} // namespace
