// One loudness for all clips, end to end: clips made at about -30, -23 and -12 LUFS are joined
// by quintor-join --even-loudness with a re-encoding profile and with a copying one, and each
// clip's stretch of the joined file is measured with ffmpeg's ebur128 filter; the copy keeps
// every picture bit for bit.
#include "EncoderTestSupport.h"

#include "tasks/Loudness.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

namespace {

using namespace qvj::test;

// The loudness of a stretch of a file, measured as the program measures a whole file.
LoudnessFacts Measure(const QString &path, double from = 0, double to = 0)
{
    QStringList args = LoudnessArguments(path);
    if (to > from) {
        const qsizetype filter = args.indexOf(S("-af")) + 1;
        args[filter] = S("atrim=start=%1:end=%2,").arg(from).arg(to) + args[filter];
    }
    QString output;
    EXPECT_EQ(RunProgram(S("ffmpeg"), args, &output), 0) << output.toStdString();
    return ParseLoudnessOutput(output);
}

double Spread(const std::vector<double> &levels)
{
    const auto [low, high] = std::minmax_element(levels.begin(), levels.end());
    return *high - *low;
}

TEST(Loudness, JoinBringsQuietAndLoudClipsToOneLevelUnderThePeakCeiling)
{
    QTemporaryDir work;
    const QString root = work.path() + S("/");
    // The clip maker's 440 Hz tone, spread over two channels, is about -21.8 LUFS.
    const std::vector<std::pair<double, const char *>> made {
        {-30, "volume=-8.2dB"}, {-23, "volume=-1.2dB"}, {-12, "volume=9.8dB"}};
    QStringList inputs;
    std::vector<double> before;
    for (const auto &[lufs, volume] : made) {
        const QString clip = root + S("clip%1.mp4").arg(inputs.size());
        ASSERT_TRUE(MakeClip(
            clip, {.seconds = 4, .width = 160, .height = 120, .extra = {S("-af"), S(volume)}}));
        const LoudnessFacts facts = Measure(clip);
        ASSERT_TRUE(facts.IsMeasured());
        EXPECT_NEAR(facts.integrated, lufs, 1.0) << clip.toStdString();
        before.push_back(facts.integrated);
        inputs << clip;
    }
    QStringList sourceFrames;
    for (const QString &clip : inputs)
        sourceFrames << FrameSums(clip);

    // The re-encoding route converts every clip with its gain; the copy route converts the
    // sound of the clips that need a gain and copies every picture as it is.
    const struct
    {
        const char *profile, *output;
        bool picturesCopied;
    } routes[] = {
        {"AVI - MPEG-4 Video", "even.avi", false},
        {"MP4 - Same as Source (No Re-encoding)", "even.mp4", true},
    };
    for (const auto &route : routes) {
        SCOPED_TRACE(route.profile);
        const QString output = root + S(route.output);
        const JoinRun run
            = RunQuintorJoin(QStringList {S("--even-loudness"), S("--profile"), S(route.profile),
                                          S("--temp"), root + S("temp"), S("-o"), output}
                             + inputs);
        ASSERT_EQ(run.code, 0) << run.err.toStdString();

        // Each clip's stretch, a quarter of a second in from its ends.
        std::vector<double> after;
        for (int i = 0; i < 3; ++i) {
            const LoudnessFacts facts = Measure(output, i * 4 + 0.25, i * 4 + 3.75);
            ASSERT_TRUE(facts.IsMeasured()) << i;
            after.push_back(facts.integrated);
        }
        EXPECT_LE(Spread(after), 1.0);
        const LoudnessFacts whole = Measure(output);
        ASSERT_TRUE(whole.IsMeasured());
        EXPECT_LE(whole.truePeak, -1.0);
        if (route.picturesCopied)
            EXPECT_EQ(FrameSums(output), sourceFrames);
        std::cout << route.profile << ": loudness spread before " << Spread(before) << " LU, after "
                  << Spread(after) << " LU (" << after[0] << ", " << after[1] << ", " << after[2]
                  << " LUFS); true peak " << whole.truePeak << " dBTP\n";
    }
}

} // namespace
