// Reading ffprobe's answers (captured from ffprobe 5.1) into what the encoder plans with.
#include "encoder/input/InputProbe.h"
#include "common/TestSupport.h"
#include "encoder/plan/FfmpegPlan.h"
#include "encoder/plan/FilterGraph.h"

#include <gtest/gtest.h>

#include <cmath>

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

// The streams as their numbers, turn and times: "v<index> a<index> r<turn> s<start>,<format
// start>".
QString Picked(const InputMedia &m)
{
    return QStringLiteral("v%1 a%2 r%3 s%4,%5")
        .arg(m.videoStream)
        .arg(m.audioStream)
        .arg(m.rotation)
        .arg(m.videoStart, 0, 'g', 10)
        .arg(m.formatStart, 0, 'g', 10);
}

TEST(EncoderProbe, StreamsTurnAndClockAsAPlayerTakesThem)
{
    const char *video = R"("codec_type": "video", "width": 640, "height": 360)";
    const char *sound = R"("codec_type": "audio", "sample_rate": "48000", "channels": 2)";
    const struct
    {
        QByteArray streams, format;
        const char *expected;
    } cases[] = {
        // a phone's display matrix (ffprobe's angle is counter-clockwise), the older tag, and
        // an angle no quarter turn is near
        {QByteArray("{") + video + R"(, "side_data_list": [{"rotation": -90}]})", "",
         "v0 a-1 r90 s0,0"},
        {QByteArray("{") + video + R"(, "tags": {"rotate": "270"}})", "", "v0 a-1 r270 s0,0"},
        {QByteArray("{") + video + R"(, "side_data_list": [{"rotation": 180}]})", "",
         "v0 a-1 r180 s0,0"},
        {QByteArray("{") + video + R"(, "side_data_list": [{"rotation": 30}]})", "",
         "v0 a-1 r0 s0,0"},
        // cover art first; the sound of the track marked default, not the first one
        {QByteArray(R"({"index": 0, "codec_type": "video", "width": 600, "height": 600,
             "disposition": {"attached_pic": 1}}, {"index": 1, )")
             + video + R"(}, {"index": 2, )" + sound + R"(, "disposition": {"default": 0}},
             {"index": 3, )"
             + sound + R"(, "disposition": {"default": 1}}, {"index": 4, )" + sound
             + R"(, "disposition": {"default": 1}})",
         "", "v1 a3 r0 s0,0"},
        // a transport stream's clock
        {QByteArray("{") + video + R"(, "start_time": "1.405333"}, {)" + sound + "}",
         R"("format_name": "mpegts", "start_time": "1.400000")", "v0 a1 r0 s1.405333,1.4"},
    };
    for (const auto &c : cases) {
        QString error;
        const auto m = ParseProbeOutput(
            QStringLiteral("clip.mp4"),
            "{\"streams\": [" + c.streams + "], \"format\": {" + c.format + "}}", &error);
        ASSERT_TRUE(m) << error.toStdString();
        EXPECT_EQ(Picked(*m), QLatin1String(c.expected)) << c.streams.toStdString();
    }
}

TEST(EncoderProbe, UntrustedHeaderNumbersAreBoundedOrRefused)
{
    const struct
    {
        const char *video, *format;
        const char *expected; // the plan's figures, or the refusal's words
    } cases[] = {
        // clang-format off
        // a length no file has: read to its real end, with no frame count to overflow
        {R"("duration": "1e10", "r_frame_rate": "30000/1001")", R"("format_name": "avi", "duration": "1e10")", "unknown 640x360 30000/1001"},
        {R"("duration": "inf")", R"("format_name": "avi", "duration": "nan")", "unknown 640x360 25"},
        // the longest believed: counted exactly, sound samples in range
        {R"("duration": "9000000")", R"("format_name": "avi")", "225000000 frames 432000000000 samples"},
        // starts beyond belief are taken as zero
        {R"("duration": "2", "start_time": "1e300")", R"("format_name": "avi", "start_time": "-1e300")", "setpts=PTS-0.000000/TB"},
        // pixel shapes and rates beyond belief are square and unknown
        {R"("duration": "2", "sample_aspect_ratio": "2147483647:1", "r_frame_rate": "2147483647/1")", R"("format_name": "avi")", "50 frames 96000 samples 640x360 25"},
        // sizes beyond any codec's are refused, naming the file
        {R"("duration": "2", "width": 2147483647)", R"("format_name": "avi")", "The picture size of big.avi is out of range: 2147483647x360"},
        {R"("duration": "2", "height": 0)", R"("format_name": "avi")", "out of range: 640x0"},
        // clang-format on
    };
    for (const auto &c : cases) {
        QByteArray stream
            = QByteArray(R"({"codec_type": "video", )") + c.video + R"(, "codec_type": "video"})";
        if (!stream.contains("\"width\""))
            stream.replace("{", R"({"width": 640, )");
        if (!stream.contains("\"height\""))
            stream.replace("{", R"({"height": 360, )");
        const QByteArray json = R"({"streams": [)" + stream
            + R"(, {"codec_type": "audio", "sample_rate": "48000", "channels": 2}], "format": {)"
            + c.format + "}}";
        QString error;
        const auto m = ParseProbeOutput(QStringLiteral("big.avi"), json, &error);
        if (!m) {
            EXPECT_TRUE(error.contains(QLatin1String(c.expected))) << error.toStdString();
            continue;
        }
        const ParsedCommandLine line = ParseEncoderCommandLine(
            {QStringLiteral("big.avi"), QStringLiteral("-o"), QStringLiteral("o.avi")});
        const auto plan = PlanOutput(line.options, {*m}, &error);
        ASSERT_TRUE(plan) << error.toStdString();
        const QString graph = BuildFilterGraph(*plan, {*m});
        const int64_t frames = plan->segmentFrames.front();
        const QString figures = frames > 0
            ? QStringLiteral("%1 frames %2 samples %3x%4 %5 ")
                  .arg(frames)
                  .arg(graph.section(QLatin1String("atrim=end_sample="), 1).section(u'[', 0, 0))
            : QStringLiteral("unknown %3x%4 %5 ");
        const QString shown
            = figures.arg(plan->width).arg(plan->height).arg(plan->fps.Text()) + graph;
        EXPECT_TRUE(shown.contains(QLatin1String(c.expected))) << shown.toStdString();
        EXPECT_TRUE(std::isfinite(plan->totalSeconds) && plan->totalSeconds < 1e8);
    }
}

} // namespace
