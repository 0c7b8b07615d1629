// The cut of the one input: what -ss and -endpos make of it for ffmpeg and for the plan.
#include "encoder/plan/InputCut.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(InputCut, FallsOnWholeFramesWithTheSoundInStep)
{
    const struct
    {
        const char *options;
        Fraction fps;
        double videoStart; // the file starts at 0
        const char *ffmpeg; // options before -i
        double kept; // seconds the plan takes from the input
        const char *refusal;
    } cases[] = {
        // clang-format off
        {"", {25, 1}, 0, "", 10, ""},
        // a quarter frame early: frame 50 is the first whatever the rounding; a frame more read
        {"-ss 2.000 -endpos 7.480", {25, 1}, 0, "-ss 1.990000 -t 7.520000", 7.48, ""},
        // a time between frames goes to the nearest one; the picture's own start counts
        {"-ss 2.013", {25, 1}, 0.1, "-ss 2.090000 -t 8.040000", 8, ""},
        {"-ss 0:01.001", {30000, 1001}, 0, "-ss 0.992658 -t 9.042367", 9.0090, ""},
        {"-endpos 3", {25, 1}, 0, "-t 3.040000", 3, ""},
        {"-endpos 30", {25, 1}, 0, "-t 10.040000", 10, ""},
        {"-ss 10", {25, 1}, 0, "", 10, "beyond the end"},
        // clang-format on
    };
    for (const auto &c : cases) {
        QStringList args {QStringLiteral("a.mp4"), QStringLiteral("-o"),   QStringLiteral("o.avi"),
                          QStringLiteral("-ovc"),  QStringLiteral("lavc"), QStringLiteral("-oac"),
                          QStringLiteral("pcm")};
        args << QString::fromLatin1(c.options).split(u' ', Qt::SkipEmptyParts);
        const ParsedCommandLine parsed = ParseEncoderCommandLine(args);
        ASSERT_EQ(parsed.error, QString()) << c.options;
        InputMedia m;
        m.path = QStringLiteral("a.mp4");
        m.frameRate = c.fps;
        m.videoStart = c.videoStart;
        m.videoSeconds = 10;
        m.estimatedSeconds = 10;
        m.hasAudio = true;
        const QString refusal = ApplyInputCut(parsed.options, m);
        EXPECT_TRUE(refusal.contains(QLatin1String(c.refusal))) << c.options;
        if (!refusal.isEmpty())
            continue;
        EXPECT_EQ(InputCutArguments(m).join(u' '), QLatin1String(c.ffmpeg)) << c.options;
        EXPECT_NEAR(*m.videoSeconds, c.kept, 1e-4) << c.options;
        // The first kept frame comes a quarter frame after the seek point: it is the
        // picture's start, and the sound from that moment is put with it.
        if (m.cutSeek > 0) {
            EXPECT_NEAR(PictureOffset(m), 0.25 / c.fps.Value(), 1e-9) << c.options;
        }
    }
    EXPECT_EQ(ParseEncoderTime(QStringLiteral("1:02:03.5")), 3723.5);
    EXPECT_FALSE(ParseEncoderTime(QStringLiteral("1e3")));
}

} // namespace
