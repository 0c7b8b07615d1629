// Reading ffprobe's answers (captured from ffprobe 5.1) into what the encoder plans with.
#include "encoder/InputProbe.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

QByteArray Answer(const char *streams, const char *format)
{
    return QByteArray("{\"streams\": [") + streams + "], \"format\": {" + format + "}}";
}

TEST(EncoderProbe, LengthsRatesAndTheirTrust)
{
    const struct
    {
        const char *streams, *format;
        double exact; // -1: only an estimate
        double estimated;
        Fraction rate;
    } cases[] = {
        // AVI: the picture's length, not the longer sound's
        {R"({"codec_type": "video", "width": 320, "height": 240, "avg_frame_rate": "30000/1001",
             "duration": "1.067733"}, {"codec_type": "audio", "sample_rate": "22050", "channels": 1, "duration": "1.25"})",
         R"("format_name": "avi", "duration": "1.253878")",
         1.067733,
         1.067733,
         {30000, 1001}},
        // an MPEG program stream guesses its lengths: its 0.72 s for a 1.0 s clip is not used
        {R"({"codec_type": "video", "width": 64, "height": 48, "avg_frame_rate": "25/1",
             "start_time": "0.540000", "duration": "0.720000"})",
         R"("format_name": "mpeg", "start_time": "0.529089", "duration": "1.018778")",
         -1,
         0.72,
         {25, 1}},
    };
    for (const auto &c : cases) {
        QString error;
        const auto m = ParseProbeOutput(QStringLiteral("x"), Answer(c.streams, c.format), &error);
        ASSERT_TRUE(m) << error.toStdString();
        EXPECT_EQ(m->videoSeconds.value_or(-1), c.exact) << c.format;
        EXPECT_NEAR(m->estimatedSeconds, c.estimated, 1e-9) << c.format;
        EXPECT_EQ(m->frameRate, c.rate) << c.format;
    }
}

TEST(EncoderProbe, CoverPicturesAndEmptyValuesAreSkippedOrReplaced)
{
    const char *streams
        = R"({"codec_type": "video", "width": 600, "disposition": {"attached_pic": 1}},
        {"codec_type": "video", "width": 720, "height": 576, "sample_aspect_ratio": "0:1",
         "avg_frame_rate": "0/0", "r_frame_rate": "24/1", "duration": "4.0"},
        {"codec_type": "audio", "sample_rate": "0", "channels": 0},
        {"codec_type": "audio", "sample_rate": "48000", "channels": 6})";
    QString error;
    const auto m = ParseProbeOutput(QStringLiteral("x.mp4"),
                                    Answer(streams, R"("format_name": "mp4")"), &error);
    ASSERT_TRUE(m) << error.toStdString();
    EXPECT_EQ(m->width, 720);
    EXPECT_EQ(m->pixelAspect, (Fraction {1, 1}));
    EXPECT_EQ(m->frameRate, (Fraction {24, 1}));
    EXPECT_EQ(m->sampleRate, 48000);
    EXPECT_EQ(m->channels, 6);
    // no picture, or no answer at all: refused, naming the file
    for (const QByteArray &json : {Answer(R"({"codec_type": "audio", "sample_rate": "44100"})", ""),
                                   QByteArray("not json")}) {
        EXPECT_FALSE(ParseProbeOutput(QStringLiteral("song.mp3"), json, &error));
        EXPECT_TRUE(error.contains(u"song.mp3")) << error.toStdString();
    }
}

} // namespace
