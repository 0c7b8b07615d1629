// Reading ffprobe's answers (captured from ffprobe 5.1) into what the encoder plans with.
#include "encoder/InputProbe.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(EncoderProbe, LengthsRatesAndSoundReadWithTheirTrust)
{
    const struct
    {
        const char *streams, *format, *expected; // exact length -1: only an estimate
    } cases[] = {
        // AVI: the picture's length, not the longer sound's
        {R"({"codec_type": "video", "width": 320, "height": 240, "avg_frame_rate": "30000/1001",
             "duration": "1.067733"}, {"codec_type": "audio", "sample_rate": "22050", "channels": 1,
             "duration": "1.25"})",
         R"("format_name": "avi", "duration": "1.253878")",
         "320x240 1 30000/1001 exact 1.067733 estimated 1.067733 sound 22050 1"},
        // an MPEG program stream guesses its lengths: its 0.72 s for a 1.0 s clip is not used
        {R"({"codec_type": "video", "width": 64, "height": 48, "avg_frame_rate": "25/1",
             "start_time": "0.540000", "duration": "0.720000"})",
         R"("format_name": "mpeg", "start_time": "0.529089", "duration": "1.018778")",
         "64x48 1 25 exact -1 estimated 0.72 sound 0 0"},
        // a cover picture is not the video; empty values are replaced or skipped
        {R"({"codec_type": "video", "width": 600, "disposition": {"attached_pic": 1}},
            {"codec_type": "video", "width": 720, "height": 576, "sample_aspect_ratio": "0:1",
             "avg_frame_rate": "0/0", "r_frame_rate": "24/1", "duration": "4.0"},
            {"codec_type": "audio", "sample_rate": "0", "channels": 0},
            {"codec_type": "audio", "sample_rate": "48000", "channels": 6})",
         R"("format_name": "mov,mp4,m4a,3gp,3g2,mj2")",
         "720x576 1 24 exact 4 estimated 4 sound 48000 6"},
        // no picture, or no answer at all: refused, naming the file
        {R"({"codec_type": "audio", "sample_rate": "44100", "channels": 2})", "", nullptr},
        {"", "", nullptr},
    };
    for (const auto &c : cases) {
        QString error;
        const QByteArray json = *c.streams
            ? QByteArray("{\"streams\": [") + c.streams + "], \"format\": {" + c.format + "}}"
            : QByteArray("not json");
        const auto m = ParseProbeOutput(QStringLiteral("song.mp3"), json, &error);
        if (!c.expected) {
            EXPECT_FALSE(m);
            EXPECT_TRUE(error.contains(u"song.mp3")) << error.toStdString();
            continue;
        }
        ASSERT_TRUE(m) << error.toStdString();
        EXPECT_EQ(QStringLiteral("%1x%2 %3 %4 exact %5 estimated %6 sound %7 %8")
                      .arg(m->width)
                      .arg(m->height)
                      .arg(m->pixelAspect.Text(), m->frameRate.Text())
                      .arg(m->videoSeconds.value_or(-1), 0, 'g', 10)
                      .arg(m->estimatedSeconds, 0, 'g', 10)
                      .arg(m->sampleRate)
                      .arg(m->channels),
                  QLatin1String(c.expected));
    }
}

} // namespace
