// The encoder's copy and identify routes: their command lines, what a file's facts become,
// and the list of files ffmpeg is given.
#include "common/TestSupport.h"
#include "encoder/input/Identify.h"
#include "encoder/input/MediaReader.h"
#include "encoder/plan/TrackMaps.h"
#include "encoder/routes/EncoderRoutes.h"
#include "pipeline/checks/SourceFit.h"
#include "platform/RawNames.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using namespace qvj::test;

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

TEST(EncoderCopyRoute, WhatAFileHoldsBecomesIdLinesTheProgramReadsBack)
{
    QTemporaryDir dir;
    const QString root = dir.path() + u'/';
    const QStringList h264 {S("-c:v"), S("libx264"), S("-profile:v"), S("high"), S("-bf"), S("2")};
    const struct
    {
        const char *name;
        ClipSpec clip;
        const char *error; // the reason given, or "" when the file is read
        bool untimed, variable;
    } cases[] = {
        {"a.mp4",
         {.sampleRate = 48000, .extra = h264 + QStringList {S("-c:a"), S("aac")}},
         "",
         false,
         false},
        // AVI keeps no times of reordered frames; they say nothing of the rate.
        {"b.avi", {.audio = false, .extra = h264}, "", true, false},
        // A frame left out of every seven.
        {"c.mkv",
         {.fps = S("30"),
          .extra = {S("-vf"), S("select='not(eq(mod(n\\,7)\\,3))'"), S("-fps_mode"), S("vfr")}},
         "",
         false,
         true},
        {"d.m4a", {.extra = {S("-vn")}}, "No video in", false, false},
        {"e.mp4", {}, "Cannot read the media file", false, false}, // text under a video's name
        {"f.mp4", {}, "Cannot read the input file", false, false}, // not there
    };
    for (const auto &c : cases) {
        const QString path = root + S(c.name);
        if (c.name[0] == 'e') {
            WriteFile(path, "not a video");
        } else if (c.name[0] != 'f') {
            ASSERT_TRUE(MakeClip(path, c.clip)) << c.name;
        }
        QString error;
        const auto file = ReadMediaFacts(path, &error);
        if (*c.error) {
            EXPECT_FALSE(file) << c.name;
            EXPECT_TRUE(error.contains(S(c.error)) && error.contains(path)) << error.toStdString();
            continue;
        }
        ASSERT_TRUE(file) << c.name << ' ' << error.toStdString();
        EXPECT_EQ(file->untimedFrames, c.untimed) << c.name;
        EXPECT_EQ(file->variableRate, c.variable) << c.name;
    }

    // What the encoder states of the first, the program reads back.
    QString error;
    const auto file = ReadMediaFacts(root + S("a.mp4"), &error);
    ASSERT_TRUE(file);
    const QStringList lines = IdentifyLines(*file);
    for (const char *line :
         {"ID_DEMUXER=mov", "ID_VIDEO_FORMAT=H264", "ID_VIDEO_WIDTH=320", "ID_VIDEO_HEIGHT=240",
          "ID_VIDEO_FPS=25.000", "ID_VIDEO_SAR=1:1", "ID_VIDEO_ASPECT=1.3333",
          "ID_AUDIO_RATE=48000", "ID_AUDIO_NCH=2", "ID_LENGTH=2.00"})
        EXPECT_TRUE(lines.contains(S(line))) << line << '\n' << lines.join(u'\n').toStdString();
    const std::vector<SourceFacts> read = ParseIdentifyOutput(lines.join(u'\n'));
    ASSERT_EQ(read.size(), 1u);
    const SourceFacts &f = read.front();
    EXPECT_EQ(f.videoFormat + u' ' + f.videoProfile + u' ' + f.frameRate + u' ' + f.pixelFormat,
              S("H264 High 25 yuv420p"));
    EXPECT_EQ(f.audioFormat + u' ' + f.audioProfile + u' ' + f.channelLayout, S("AAC LC stereo"));
    EXPECT_FALSE(f.variableRate || f.untimedFrames);

    // A line break in a name cannot make up facts of a file that is not there.
    IdentifiedFile odd = *file;
    odd.path = S("/v/x\nID_FILENAME=y\rID_VIDEO_WIDTH=1.mp4");
    const std::vector<SourceFacts> one = ParseIdentifyOutput(IdentifyLines(odd).join(u'\n'));
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one.front().width, 320);
}

// Every name Linux allows reaches the copy: quotes and colons in the list, bytes that are not
// UTF-8 as they are, and a name with a line break (which the list, read by lines, cannot hold)
// by a descriptor of the file the reader inherits.
TEST(EncoderCopyRoute, TheListNamesEveryFileExactly)
{
    QTemporaryDir dir;
    const QString broken = dir.filePath(S("line\nbreak.mp4"));
    WriteFile(broken, "a film");
    const struct
    {
        QStringList paths;
        QByteArray list; // "{fd}" stands for the descriptor opened for the file
        const char *error;
    } cases[] = {
        {{S("/v/it's.mp4"), S("/v/a:b c.mp4")},
         "file 'file:/v/it'\\''s.mp4'\nfile 'file:/v/a:b c.mp4'\n",
         ""},
        {{NameFromBytes("/v/j\xE9.mp4")}, "file 'file:/v/j\xE9.mp4'\n", ""},
        {{S("/v/a.mp4"), broken}, "file 'file:/v/a.mp4'\nfile 'file:/proc/self/fd/{fd}'\n", ""},
        {{S("/v/missing\nname.mp4")}, "", "Cannot read the input file: /v/missing"},
    };
    for (const auto &c : cases) {
        std::vector<int> fds;
        QString error;
        const QByteArray list = ConcatList(c.paths, &fds, &error);
        QByteArray expected = c.list;
        if (!fds.empty())
            expected.replace("{fd}", QByteArray::number(fds.front()));
        EXPECT_EQ(list, *c.error ? QByteArray() : "ffconcat version 1.0\n" + expected);
        EXPECT_EQ(error.left(qsizetype(qstrlen(c.error))), S(c.error));
        for (const int fd : fds) {
            EXPECT_EQ(ReadFile(S("/proc/self/fd/%1").arg(fd)), QByteArray("a film"));
            ::close(fd);
        }
    }
    const QStringList args = StreamCopyArguments(S("/t/l.txt"), S("mp4"), S("/proc/self/fd/3"));
    // The first picture, and the first sound when there is one.
    EXPECT_TRUE(args.join(u' ').endsWith(S("-f concat -safe 0 -i file:/t/l.txt -map 0:v:0 -map "
                                           "0:a:0? -c copy -f mp4 -truncate 0 /proc/self/fd/3")))
        << args.join(u' ').toStdString();
    // The default track, where the first file has one.
    EXPECT_TRUE(StreamCopyArguments(S("/t/l.txt"), S("mp4"), S("/o"), 2)
                    .join(u' ')
                    .contains(S("-map 0:v:0 -map 0:2 -c copy")));
}

// Every track a container can hold is mapped with its language, title and default flag;
// subtitles take the container's own kind; what it cannot hold is named in a note.
TEST(EncoderCopyRoute, EveryTrackTheContainerHoldsIsKept)
{
    using Kind = IdentifiedTrack::Kind;
    const std::vector<IdentifiedTrack> tracks {
        {.stream = 1,
         .codec = S("aac"),
         .language = S("eng"),
         .name = S("Camera"),
         .isDefault = true},
        {.stream = 2, .codec = S("aac"), .language = S("deu")},
        {.kind = Kind::Subtitle,
         .stream = 3,
         .codec = S("subrip"),
         .language = S("eng"),
         .isDefault = true},
        {.kind = Kind::Data, .stream = 4, .codec = S("tmcd")},
        {.kind = Kind::Data, .stream = 5, .codec = S("gpmd")},
        {.kind = Kind::Attachment, .stream = 6, .codec = S("ttf"), .name = S("font.ttf")}};
    const auto sound = [](const char *title) {
        return S("-disposition:a:0 default -metadata:s:a:0 language=eng -metadata:s:a:0 %1=Camera "
                 "-disposition:a:1 0 -metadata:s:a:1 language=deu")
            .arg(S(title));
    };
    const struct
    {
        const char *muxer;
        QString arguments;
        const char *notes;
    } cases[] = {
        {"mp4",
         S("-map 0:v:0 -map 0:1 -map 0:2 -map 0:3 -c copy ") + sound("handler_name")
             + S(" -c:s:0 mov_text -disposition:s:0 default -metadata:s:s:0 language=eng"),
         "gpmd data tracks of the inputs are left out: MP4 files cannot hold them|attachments "
         "of the inputs are left out: MP4 files cannot hold them"},
        {"matroska",
         S("-map 0:v:0 -map 0:1 -map 0:2 -map 0:3 -map 0:6 -c copy ") + sound("title")
             + S(" -disposition:s:0 default -metadata:s:s:0 language=eng"),
         "tmcd data tracks of the inputs are left out: MKV files cannot hold them|gpmd data "
         "tracks of the inputs are left out: MKV files cannot hold them"},
        {"avi",
         S("-map 0:v:0 -map 0:1 -map 0:2 -c copy -disposition:a:0 default -metadata:s:a:0 "
           "language=eng -disposition:a:1 0 -metadata:s:a:1 language=deu"),
         "subrip subtitles of the inputs are left out: AVI files cannot hold them|tmcd data "
         "tracks of the inputs are left out: AVI files cannot hold them|gpmd data tracks of the "
         "inputs are left out: AVI files cannot hold them|attachments of the inputs are left "
         "out: AVI files cannot hold them"},
    };
    for (const auto &c : cases) {
        const TrackPlan plan = PlanTracks(tracks, S(c.muxer));
        EXPECT_EQ(plan.arguments.join(u' '), c.arguments) << c.muxer;
        EXPECT_EQ(plan.notes.join(u'|'), S(c.notes)) << c.muxer;
    }
    // A subtitle of the other container's kind is converted; pictures as subtitles are not.
    EXPECT_EQ(SubtitleCodecFor(S("mov_text"), S("matroska")), S("srt"));
    EXPECT_EQ(SubtitleCodecFor(S("ass"), S("mov")), S("mov_text"));
    EXPECT_EQ(SubtitleCodecFor(S("hdmv_pgs_subtitle"), S("mp4")), QString());
}

} // namespace
