// "-fit": the kind's settings as the program writes them are read back whole, wrong ones are
// refused, and the picture is stored turned back by the kind's turn in the kind's shape.
#include "encoder/plan/FitSettings.h"
#include "common/TestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using qvj::test::S;

TEST(FitSettings, TheKindIsReadWholeAndMadeExactly)
{
    QString error;
    const auto fit = ParseFitSettings(
        S("vcodec=h264:vprofile=high:level=40:size=1920x1080:fps=30000/1001:pix=yuv420p:"
          "sar=1/1:rotate=90:prim=bt709:trc=bt709:matrix=bt709:range=tv:vbitrate=17000000:"
          "acodec=aac:srate=48000:channels=2:layout=stereo:abitrate=192000:"
          "tracks=a/ac3/44100/1/mono_s"),
        &error);
    ASSERT_TRUE(fit) << error.toStdString();
    EXPECT_EQ(fit->tracks,
              (std::vector<FitTrack> {{true, S("ac3"), 44100, 1, S("mono")}, {.sound = false}}));
    EXPECT_EQ(fit->width * 10000 + fit->height, 19201080);
    EXPECT_EQ(fit->fps, (Fraction {30000, 1001}));
    EXPECT_EQ(fit->rotation, 90);
    EXPECT_EQ(fit->level, 40);
    // Upright, the frame of a quarter-turned kind is as high as the stored one is wide.
    InputMedia input;
    input.videoSeconds = 2.0;
    const OutputPlan plan = FitPlan(*fit, S("mp4"), input);
    EXPECT_EQ(plan.width * 10000 + plan.height, 10801920);
    EXPECT_EQ(plan.segmentFrames, std::vector<int64_t> {60});
    EXPECT_EQ(FitPictureTail(*fit),
              S(",transpose=cclock,setsar=1/1,scale=out_color_matrix="
                "bt709:out_range=tv,format=yuv420p"));
    const QString args = FitEncodeArguments(*fit, S("mp4"), S("/o")).join(u' ');
    EXPECT_TRUE(args.startsWith(
        S("-c:v libx264 -preset veryfast -b:v 18700000 -qmax 23 "
          "-x264-params ratetol=0.1 -profile:v high -level:v 4.0 -color_primaries bt709")))
        << args.toStdString();
    EXPECT_TRUE(args.contains(S("-c:a aac -b:a 192000 -ar 48000 -channel_layout stereo -f mp4")));
    // Without the kind's bitrate: constant quality; HEVC takes its ceiling in its own words.
    FitSettings unknown = *fit;
    unknown.videoBitrate = 0;
    EXPECT_TRUE(FitEncodeArguments(unknown, S("mp4"), S("/o"))
                    .join(u' ')
                    .contains(S("-preset veryfast -crf 17 -profile:v high")));
    FitSettings hevc = *fit;
    hevc.videoCodec = S("hevc");
    hevc.videoProfile = S("main");
    EXPECT_TRUE(FitEncodeArguments(hevc, S("mp4"), S("/o"))
                    .join(u' ')
                    .contains(S("-b:v 18700000 -profile:v main -tag:v hvc1 -x265-params "
                                "log-level=error:qpmax=23:cutree=0")));

    const char *const wrong[] = {
        "vcodec=vp9:size=64x48:fps=25:pix=yuv420p", // no encoder for it here
        "vcodec=h264:size=65x48:fps=25:pix=yuv420p", // odd sides
        "vcodec=h264:size=64x48:fps=0:pix=yuv420p",
        "vcodec=h264:size=64x48:fps=25:pix=yuv420p:rotate=45",
        "vcodec=h264:size=64x48:fps=25:pix=yuv420p:prim=bt709 -y", // no blanks in names
        "vcodec=h264:size=64x48:fps=25:pix=yuv420p:acodec=aac", // sound without rate
        "vcodec=h264:size=64x48:fps=25:pix=yuv420p:colour=red",
        "size=64x48:fps=25:pix=yuv420p",
        "vcodec=hevc:vprofile=high:size=64x48:fps=25:pix=yuv420p", // libx265 has no "high"
        "vcodec=h264:vprofile=main10:size=64x48:fps=25:pix=yuv420p",
        "vcodec=h264:size=64x48:fps=25:pix=yuv420p:tracks=a/flac/48000/2", // no such encoder
        "vcodec=h264:size=64x48:fps=25:pix=yuv420p:tracks=s_a/aac/48000", // no channels
    };
    for (const char *text : wrong)
        EXPECT_FALSE(ParseFitSettings(S(text), &error)) << text;
}

// Each codec's settings as the program writes them for a kind, through the real encoder: every
// argument is one it takes. A rate with large terms (a looped clip's average) is taken as the
// common rate it lies near.
TEST(FitSettings, TheRealEncoderTakesEachCodecsArguments)
{
    QTemporaryDir dir;
    const char *const kinds[] = {
        "vcodec=h264:vprofile=high:level=31:size=64x48:fps=30000/1001:pix=yuv420p:sar=1/1:"
        "rotate=90:prim=bt709:trc=bt709:matrix=bt709:range=tv:vbitrate=400000:acodec=aac:"
        "srate=48000:channels=2:layout=stereo:abitrate=128000",
        "vcodec=hevc:vprofile=main:level=93:size=64x48:fps=16128000/538831:pix=yuv420p:"
        "sar=1/1:matrix=bt709:range=tv:vbitrate=300000:acodec=aac:srate=44100:channels=1",
    };
    for (const char *text : kinds) {
        QString error;
        const auto fit = ParseFitSettings(S(text), &error);
        ASSERT_TRUE(fit) << text << ": " << error.toStdString();
        EXPECT_LE(fit->fps.den, 1001) << text;
        const QString out = dir.filePath(S("fit.mp4"));
        QFile::remove(out);
        const QString graph = S("[0:v]null") + FitPictureTail(*fit) + S("[v]");
        const QStringList args
            = S("-v error -f lavfi -i testsrc2=size=48x64:rate=%1:duration=0.4 -f lavfi -i "
                "sine=sample_rate=%2:duration=0.4 -filter_complex %3 -map [v] -map 1:a")
                  .arg(fit->fps.Text())
                  .arg(fit->sampleRate)
                  .arg(graph)
                  .split(u' ')
            + FitEncodeArguments(*fit, S("mp4"), out);
        QString said;
        EXPECT_EQ(qvj::test::RunProgram(S("ffmpeg"), args, &said), 0) << text << '\n'
                                                                      << said.toStdString();
        EXPECT_GT(QFileInfo(out).size(), 0) << text;
    }
}

} // namespace
