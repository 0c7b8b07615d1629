// Reading ffprobe's answers (captured from ffprobe 5.1) into what the encoder plans with.
#include "encoder/InputProbe.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

QByteArray Answer(const char *streams, const char *format)
{
    return QByteArray("{\"streams\": [") + streams + "], \"format\": {" + format + "}}";
}

const char *kAviVideo = R"({"codec_type": "video", "width": 320, "height": 240,
    "sample_aspect_ratio": "1:1", "r_frame_rate": "30000/1001", "avg_frame_rate": "30000/1001",
    "start_time": "0.000000", "duration": "1.067733", "disposition": {"attached_pic": 0}})";
const char *kMp3Audio = R"({"codec_type": "audio", "sample_rate": "22050", "channels": 1,
    "r_frame_rate": "0/0", "avg_frame_rate": "0/0", "start_time": "0.000000",
    "duration": "1.253878", "disposition": {"attached_pic": 0}})";

TEST(EncoderProbe, AviWithSound)
{
    QString error;
    const auto m = ParseProbeOutput(
        QStringLiteral("a.avi"),
        Answer((std::string(kAviVideo) + "," + kMp3Audio).c_str(),
               R"("format_name": "avi", "start_time": "0.000000", "duration": "1.253878")"),
        &error);
    ASSERT_TRUE(m) << error.toStdString();
    EXPECT_EQ(m->width, 320);
    EXPECT_EQ(m->height, 240);
    EXPECT_EQ(m->frameRate, (Fraction {30000, 1001}));
    EXPECT_EQ(m->videoSeconds, 1.067733); // the picture's, not the longer sound's
    EXPECT_TRUE(m->hasAudio);
    EXPECT_EQ(m->sampleRate, 22050);
    EXPECT_EQ(m->channels, 1);
}

TEST(EncoderProbe, LengthsAndTheirTrust)
{
    const struct
    {
        const char *video;
        const char *format;
        double exact; // -1: only an estimate
        double estimated;
    } cases[] = {
        // an MPEG program stream guesses its lengths: its 0.72 s for a 1.0 s clip is not used
        {R"({"codec_type": "video", "width": 64, "height": 48, "avg_frame_rate": "25/1",
             "start_time": "0.540000", "duration": "0.720000"})",
         R"("format_name": "mpeg", "start_time": "0.529089", "duration": "1.018778")", -1, 0.72},
        // FLV and Matroska state the length for the file only
        {R"({"codec_type": "video", "width": 64, "height": 48, "avg_frame_rate": "25/1",
             "start_time": "0.000000"})",
         R"("format_name": "flv", "start_time": "0.000000", "duration": "2.000000")", 2.0, 2.0},
        {R"({"codec_type": "video", "width": 64, "height": 48, "avg_frame_rate": "25/1",
             "start_time": "0.500000"})",
         R"("format_name": "matroska,webm", "start_time": "0.000000", "duration": "3.000000")", 2.5,
         2.5},
        {R"({"codec_type": "video", "width": 64, "height": 48, "avg_frame_rate": "25/1"})",
         R"("format_name": "mpegts")", -1, 0},
    };
    for (const auto &c : cases) {
        QString error;
        const auto m = ParseProbeOutput(QStringLiteral("x"), Answer(c.video, c.format), &error);
        ASSERT_TRUE(m) << error.toStdString();
        EXPECT_EQ(m->videoSeconds.value_or(-1), c.exact) << c.format;
        EXPECT_NEAR(m->estimatedSeconds, c.estimated, 1e-9) << c.format;
    }
}

TEST(EncoderProbe, ValuesThatNeedCare)
{
    // no aspect ("0:1"), no average rate, a cover picture before the real video
    const char *streams = R"({"codec_type": "video", "width": 600, "height": 600,
        "disposition": {"attached_pic": 1}},
        {"codec_type": "video", "width": 720, "height": 576, "sample_aspect_ratio": "0:1",
         "avg_frame_rate": "0/0", "r_frame_rate": "25/1", "duration": "4.0"},
        {"codec_type": "audio", "sample_rate": "0", "channels": 0})";
    QString error;
    const auto m
        = ParseProbeOutput(QStringLiteral("x.mp4"),
                           Answer(streams, R"("format_name": "mov,mp4,m4a,3gp,3g2,mj2")"), &error);
    ASSERT_TRUE(m) << error.toStdString();
    EXPECT_EQ(m->width, 720);
    EXPECT_EQ(m->pixelAspect, (Fraction {1, 1}));
    EXPECT_EQ(m->frameRate, (Fraction {25, 1}));
    EXPECT_FALSE(m->hasAudio); // a sound stream without rate or channels is no sound
}

TEST(EncoderProbe, RefusesWhatHasNoPicture)
{
    const struct
    {
        QByteArray json;
        const char *message;
    } cases[] = {
        {Answer(kMp3Audio, R"("format_name": "mp3")"), "No video in song.mp3"},
        {QByteArray("not json"), "Cannot read the media file: song.mp3"},
        {QByteArray("{}"), "No video in song.mp3"},
    };
    for (const auto &c : cases) {
        QString error;
        EXPECT_FALSE(ParseProbeOutput(QStringLiteral("song.mp3"), c.json, &error));
        EXPECT_EQ(error, QString::fromLatin1(c.message));
    }
}

} // namespace
