// The encoder's copy and identify routes: their command lines, what ffprobe's answer becomes,
// and the list of files ffmpeg is given.
#include "common/TestSupport.h"
#include "encoder/EncoderRoutes.h"
#include "encoder/Identify.h"
#include "pipeline/SourceFit.h"

#include <gtest/gtest.h>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

ParsedCommandLine Parse(const char *line)
{
    return ParseEncoderCommandLine(S(line).split(u' ', Qt::SkipEmptyParts));
}

TEST(EncoderCopyRoute, CommandLinesChooseTheRoute)
{
    const struct
    {
        const char *line;
        bool copy, identify;
        const char *error;
    } cases[] = {
        {"a.mp4 b.mp4 -o o.mp4 -ovc copy -oac copy", true, false, ""},
        {"-identify a.mp4 b.mp4", false, true, ""}, // nothing is written: no -o needed
        {"a.mp4 -identify -o o.mp4 -ovc lavc -oac pcm", false, true, ""},
        {"a.mp4 -o o.mp4 -ovc lavc -oac pcm", false, false, ""},
        {"-identify", false, true, "No input file given"},
        {"a.mp4 -o o.mp4 -ovc copy -oac mp3lame", true, false, "both -ovc copy and -oac copy"},
        {"a.mp4 -o o.mp4 -ovc lavc -oac copy", false, false, "both -ovc copy and -oac copy"},
        // the last -oac counts
        {"a.mp4 -o o.mp4 -ovc copy -oac copy -oac pcm", true, false, "both -ovc copy"},
        {"a.mp4 -o o.mp4 -ovc copy", true, false, "No audio encoder given"},
    };
    for (const auto &c : cases) {
        const ParsedCommandLine parsed = Parse(c.line);
        if (*c.error) {
            EXPECT_TRUE(parsed.error.contains(S(c.error)))
                << c.line << " -> " << parsed.error.toStdString();
            continue;
        }
        EXPECT_EQ(parsed.error, QString()) << c.line;
        EXPECT_EQ(parsed.options.copyVideo && parsed.options.copyAudio, c.copy) << c.line;
        EXPECT_EQ(parsed.options.identify, c.identify) << c.line;
    }
}

TEST(EncoderCopyRoute, VariableRateFromTheSpacingOfFrames)
{
    const struct
    {
        std::vector<double> times;
        bool variable;
    } cases[] = {
        {{0, 0.04, 0.08, 0.12, 0.16}, false},
        {{0, 0.16, 0.08, 0.04, 0.12, 0.24, 0.2}, false}, // reordered frames in decoding order
        {{0, 0.0334, 0.0667, 0.1001, 0.1335, 0.1668}, false}, // 29.97 in a coarse time base
        {{0, 0.033, 0.066, 0.120, 0.153, 0.186}, true}, // a phone dropping a frame
        {{0, 0.048, 0.08, 0.128, 0.16, 0.208}, true},
        {{0, 0.04, 0.2}, false}, // too few to tell
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsVariableRate(c.times), c.variable) << c.times.size() << ' ' << c.times[3];
}

TEST(EncoderCopyRoute, WhatFfprobeSaysBecomesIdLinesTheProgramReadsBack)
{
    // A cover picture before the real video; packets of both streams, one without a time.
    const QByteArray json = R"({"packets": [
        {"stream_index": 1, "pts_time": "0.000000"}, {"stream_index": 2, "pts_time": "0.0"},
        {"stream_index": 1, "pts_time": "0.080000"}, {"stream_index": 1, "pts_time": "0.040000"},
        {"stream_index": 1, "pts_time": "0.120000"}, {"stream_index": 1, "pts_time": "0.160000"}],
      "streams": [
        {"index": 0, "codec_type": "video", "codec_name": "mjpeg", "width": 300, "height": 300,
         "disposition": {"attached_pic": 1}},
        {"index": 1, "codec_type": "video", "codec_name": "h264", "profile": "High",
         "width": 1920, "height": 1080, "pix_fmt": "yuv420p", "sample_aspect_ratio": "N/A",
         "avg_frame_rate": "25/1", "r_frame_rate": "25/1", "disposition": {"attached_pic": 0}},
        {"index": 2, "codec_type": "audio", "codec_name": "aac", "profile": "LC",
         "sample_rate": "48000", "channels": 2, "channel_layout": "stereo"}],
      "format": {"format_name": "mov,mp4,m4a,3gp,3g2,mj2", "duration": "12.345000"}})";
    QString error;
    const auto file = ParseIdentifyProbe(S("/v/a.mp4"), json, &error);
    ASSERT_TRUE(file) << error.toStdString();
    const QStringList lines = IdentifyLines(*file);
    for (const char *line :
         {"ID_FILENAME=/v/a.mp4", "ID_DEMUXER=mov", "ID_VIDEO_FORMAT=H264", "ID_VIDEO_WIDTH=1920",
          "ID_VIDEO_HEIGHT=1080", "ID_VIDEO_FPS=25.000", "ID_VIDEO_SAR=1:1",
          "ID_VIDEO_ASPECT=1.7778", "ID_AUDIO_RATE=48000", "ID_AUDIO_NCH=2", "ID_LENGTH=12.35"})
        EXPECT_TRUE(lines.contains(S(line))) << line << '\n' << lines.join(u'\n').toStdString();

    const std::vector<SourceFacts> read = ParseIdentifyOutput(lines.join(u'\n'));
    ASSERT_EQ(read.size(), 1u);
    const SourceFacts &f = read.front();
    EXPECT_EQ(f.videoFormat + u' ' + f.videoProfile + u' ' + f.frameRate + u' ' + f.pixelFormat,
              S("H264 High 25 yuv420p"));
    EXPECT_EQ(f.audioFormat + u' ' + f.audioProfile + u' ' + f.channelLayout, S("AAC LC stereo"));
    EXPECT_FALSE(f.variableRate || f.untimedFrames);

    // Frames without times (an AVI with reordered frames) are told, and say nothing of the rate.
    QByteArray untimed = json;
    untimed.replace(R"({"stream_index": 1, "pts_time": "0.080000"})", R"({"stream_index": 1})");
    const auto avi = ParseIdentifyProbe(S("/v/a.avi"), untimed, &error);
    ASSERT_TRUE(avi);
    EXPECT_TRUE(avi->untimedFrames && !avi->variableRate);

    // A line break in a name cannot make up facts of a file that is not there.
    const auto odd
        = ParseIdentifyProbe(S("/v/x\nID_FILENAME=y\rID_VIDEO_WIDTH=1.mp4"), json, &error);
    ASSERT_TRUE(odd);
    const std::vector<SourceFacts> one = ParseIdentifyOutput(IdentifyLines(*odd).join(u'\n'));
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one.front().width, 1920);

    EXPECT_FALSE(
        ParseIdentifyProbe(S("/v/s.m4a"), R"({"streams": [{"codec_type": "audio"}]})", &error));
    EXPECT_EQ(error, S("No video in /v/s.m4a"));
}

TEST(EncoderCopyRoute, TheListNamesEveryFileExactly)
{
    QString error;
    EXPECT_EQ(ConcatList({S("/v/it's.mp4"), S("/v/a:b c.mp4")}, &error),
              S("ffconcat version 1.0\nfile 'file:/v/it'\\''s.mp4'\nfile 'file:/v/a:b c.mp4'\n"));
    EXPECT_EQ(ConcatList({S("/v/a.mp4"), S("/v/line\nbreak.mp4")}, &error), QString());
    EXPECT_TRUE(error.contains(S("line break"))) << error.toStdString();
    const QStringList args = StreamCopyArguments(S("/t/l.txt"), S("mp4"), S("/proc/self/fd/3"));
    // The first picture, and the first sound when there is one.
    EXPECT_TRUE(args.join(u' ').endsWith(S("-f concat -safe 0 -i file:/t/l.txt -map 0:v:0 -map "
                                           "0:a:0? -c copy -f mp4 -truncate 0 /proc/self/fd/3")))
        << args.join(u' ').toStdString();
}

} // namespace
