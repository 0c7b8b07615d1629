// Whether inputs may be joined by copying: every property that must agree, changed alone, is
// named; sets that agree are never refused; the container's limits hold for every file.
#include "pipeline/checks/SourceFit.h"
#include "common/TestSupport.h"
#include "pipeline/checks/FitDecision.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using qvj::test::S;

// A phone's clip: H.264 High 1920x1080 at 29.97 fps with AAC stereo at 48 kHz.
SourceFacts Phone()
{
    SourceFacts f;
    f.file = S("/v/clip.mp4");
    f.hasVideo = true;
    f.videoFormat = S("H264");
    f.videoProfile = S("High");
    f.width = 1920;
    f.height = 1080;
    f.frameRate = S("30000/1001");
    f.fps = 29.97;
    f.pixelFormat = S("yuv420p");
    f.pixelAspect = S("1:1");
    f.hasAudio = true;
    f.audioFormat = S("AAC");
    f.audioProfile = S("LC");
    f.sampleRate = 48000;
    f.channels = 2;
    f.channelLayout = S("stereo");
    f.fieldOrder = S("progressive");
    f.colorPrimaries = f.colorTransfer = f.colorMatrix = S("bt709");
    f.colorRange = S("tv");
    f.videoLevel = 40;
    f.videoStream = 0;
    f.audioStream = 1;
    f.length = 60;
    return f;
}

QStringList Misfits(const std::vector<SourceFacts> &facts, const char *extension = ".mp4")
{
    QStringList names;
    for (size_t i = 0; i < facts.size(); ++i)
        names << S("clip%1.mp4").arg(i + 1);
    return SourceMisfits(facts, names, S(extension));
}

TEST(SourceFit, EachPropertyThatDiffersIsNamedWithBothValues)
{
    using Change = std::function<void(SourceFacts &)>;
    const std::vector<std::pair<Change, const char *>> cases {
        {[](SourceFacts &f) { f.videoFormat = S("HEVC"), f.videoProfile = S("Main"); },
         "HEVC (Main) video; most of the video is H.264 (High) video"},
        {[](SourceFacts &f) { f.videoProfile = S("Main"); },
         "H.264 (Main) video; most of the video is H.264 (High) video"},
        {[](SourceFacts &f) { f.width = 1280, f.height = 720, f.frameRate = S("30"), f.fps = 30; },
         "1280x720 at 30 fps; most of the video is 1920x1080 at 29.97 fps"},
        {[](SourceFacts &f) { f.height = 1088; },
         "1920x1088 at 29.97 fps; most of the video is 1920x1080 at 29.97 fps"},
        {[](SourceFacts &f) { f.frameRate = S("25"), f.fps = 25; },
         "1920x1080 at 25 fps; most of the video is 1920x1080 at 29.97 fps"},
        // two rates that print alike still differ
        {[](SourceFacts &f) { f.frameRate = S("2997/100"); },
         "1920x1080 at 2997/100 fps; most of the video is 1920x1080 at 30000/1001 fps"},
        {[](SourceFacts &f) { f.variableRate = true; },
         "1920x1080 at a variable frame rate; most of the video is 1920x1080 at 29.97 fps"},
        {[](SourceFacts &f) { f.pixelFormat = S("yuvj420p"); },
         "pixel format yuvj420p; most of the video has yuv420p"},
        {[](SourceFacts &f) { f.pixelAspect = S("4:3"); },
         "pixel aspect 4:3; most of the video has 1:1"},
        {[](SourceFacts &f) {
             f.audioFormat = S("AC3"), f.audioProfile.clear(), f.channels = 6,
             f.channelLayout = S("5.1(side)");
         },
         "sound AC3 6 channels; most of the video has AAC (LC) 2 channels"},
        {[](SourceFacts &f) { f.audioProfile = S("HE-AAC"); },
         "sound AAC (HE-AAC) 2 channels; most of the video has AAC (LC) 2 channels"},
        {[](SourceFacts &f) { f.sampleRate = 44100; },
         "sound AAC (LC) 2 channels at 44100 Hz; most of the video has AAC (LC) 2 channels at "
         "48000 Hz"},
        {[](SourceFacts &f) { f.channels = 1, f.channelLayout = S("mono"); },
         "sound AAC (LC) 1 channel; most of the video has AAC (LC) 2 channels"},
        {[](SourceFacts &f) { f.channelLayout = S("downmix"); },
         "sound AAC (LC) 2 channels (downmix); most of the video has AAC (LC) 2 channels (stereo)"},
        {[](SourceFacts &f) { f.hasAudio = false; },
         "no sound; most of the video has AAC (LC) 2 channels"},
        // How the picture is shown, and what its colours mean.
        {[](SourceFacts &f) { f.rotation = 90; },
         "shown turned a quarter to the right; most of the video is shown upright"},
        {[](SourceFacts &f) { f.rotation = 180; },
         "shown upside down; most of the video is shown upright"},
        {[](SourceFacts &f) { f.rotation = 270; },
         "shown turned a quarter to the left; most of the video is shown upright"},
        {[](SourceFacts &f) { f.fieldOrder = S("tt"); },
         "interlaced, top field first; most of the video is progressive"},
        {[](SourceFacts &f) {
             f.colorPrimaries = S("bt2020"), f.colorTransfer = S("arib-std-b67");
         },
         "colours bt2020/arib-std-b67/bt709 tv range; most of the video has bt709/bt709/bt709 tv "
         "range"},
        {[](SourceFacts &f) { f.colorRange = S("pc"); },
         "colours bt709/bt709/bt709 pc range; most of the video has bt709/bt709/bt709 tv range"},
        {[](SourceFacts &f) { f.audioStream = 2; },
         "its sound is stream 2; most of the video has it in stream 1"},
        // A copy reads every file's packets on the first file's clocks.
        {[](SourceFacts &f) { f.videoTimescale = 600; },
         "picture clock 1/600 s; most of the video has 1/90000 s"},
        {[](SourceFacts &f) { f.audioTimescale = 1000; },
         "sound clock 1/1000 s; most of the video has 1/48000 s"},
    };
    const auto clocked = [] {
        SourceFacts f = Phone();
        f.videoTimescale = 90000, f.audioTimescale = 48000;
        return f;
    };
    for (const auto &[change, expected] : cases) {
        SourceFacts other = clocked();
        change(other);
        // Whichever place the odd file has, it is the one named: the kind of the rest is kept.
        for (bool otherFirst : {false, true}) {
            const std::vector<SourceFacts> facts = otherFirst
                ? std::vector<SourceFacts> {other, clocked(), clocked()}
                : std::vector<SourceFacts> {clocked(), clocked(), other};
            const QStringList lines = Misfits(facts);
            ASSERT_EQ(lines.size(), 1) << expected;
            EXPECT_TRUE(lines.last().startsWith(otherFirst ? S("clip1.mp4: ") : S("clip3.mp4: ")))
                << lines.last().toStdString();
            EXPECT_TRUE(lines.last().contains(S(expected))) << lines.last().toStdString();
        }
    }
}

// A camera's clip with two microphones and a subtitle track: the tracks besides the picture.
SourceFacts TwoMicrophones()
{
    SourceFacts f = Phone();
    const SourceTrack camera {SourceTrack::Kind::Sound,
                              1,
                              S("AAC"),
                              S("LC"),
                              S("eng"),
                              S("Camera"),
                              true,
                              48000,
                              2,
                              S("stereo")};
    SourceTrack second = camera;
    second.stream = 2, second.language = S("deu"), second.isDefault = false;
    const SourceTrack subtitles {
        .kind = SourceTrack::Kind::Subtitle, .stream = 3, .format = S("MOV_TEXT")};
    f.tracks = {camera, second, subtitles};
    return f;
}

// A copy decodes every HEVC file with the first one's parameter sets: files coded with others
// differ, and no picture made here (with its own) may join them.
TEST(SourceFit, HevcFilesCodedWithOtherParameterSetsDiffer)
{
    SourceFacts kind = Phone();
    kind.videoFormat = S("HEVC"), kind.videoProfile = S("Main"), kind.videoSetup = S("8320aa");
    SourceFacts same = kind, other = kind, unstated = kind;
    other.videoSetup = S("77ff01");
    unstated.videoSetup.clear(); // a stream that carries them with its pictures
    EXPECT_EQ(Differences(same, kind), QStringList());
    EXPECT_EQ(Differences(unstated, kind), QStringList());
    EXPECT_EQ(Differences(other, kind),
              QStringList(S("HEVC video coded with other settings than most of the video")));
    EXPECT_FALSE(MadePictureJoins(kind));
    EXPECT_TRUE(MadePictureJoins(Phone()));
}

TEST(SourceFit, TrackLayoutsThatDifferAreNamed)
{
    using Kind = SourceTrack::Kind;
    using Change = std::function<void(SourceFacts &)>;
    const std::vector<std::pair<Change, const char *>> cases {
        {[](SourceFacts &f) { f.tracks.erase(f.tracks.begin() + 1); },
         "1 sound track; most of the video has 2"},
        {[](SourceFacts &f) { f.tracks.pop_back(); }, "no subtitle track; most of the video has 1"},
        // A data track before the subtitles moves them; one after every kept track is left out.
        {[](SourceFacts &f) {
             f.tracks.insert(f.tracks.begin() + 2,
                             {.kind = Kind::Data, .stream = 3, .format = S("gpmd")});
             f.tracks[3].stream = 4;
         },
         "1 data track; most of the video has none"},
        {[](SourceFacts &f) {
             f.tracks.push_back({.kind = Kind::Data, .stream = 4, .format = S("mebx")});
         },
         ""},
        {[](SourceFacts &f) {
             f.tracks[1].sampleRate = 44100, f.tracks[1].channels = 1,
             f.tracks[1].channelLayout = S("mono");
         },
         "sound track 2: AAC (LC) 1 channel (mono) at 44100 Hz; most of the video has AAC (LC) 2 "
         "channels (stereo) at 48000 Hz"},
        {[](SourceFacts &f) { f.tracks[2].format = S("SUBRIP"); },
         "subtitle track 1: SUBRIP; most of the video has MOV_TEXT"},
        {[](SourceFacts &f) { std::swap(f.tracks[1].stream, f.tracks[2].stream); },
         "its tracks are stored in another order than most of the video's"},
        // What the copy takes from the first file alone need not agree.
        {[](SourceFacts &f) { f.tracks[1].language = S("fra"), f.tracks[2].name = S("x"); }, ""},
        {[](SourceFacts &f) {
             f.tracks.push_back({.kind = Kind::Attachment, .stream = 4, .format = S("ttf")});
         },
         ""},
        // Each kind that differs is named.
        {[](SourceFacts &f) { f.tracks.erase(f.tracks.begin() + 1, f.tracks.end()); },
         "1 sound track; most of the video has 2; no subtitle track; most of the video has 1"},
    };
    for (const auto &[change, expected] : cases) {
        SourceFacts other = TwoMicrophones();
        change(other);
        const QStringList lines = Misfits({TwoMicrophones(), TwoMicrophones(), other});
        if (!*expected) {
            EXPECT_TRUE(lines.isEmpty()) << lines.join(u'\n').toStdString();
            continue;
        }
        ASSERT_EQ(lines.size(), 1) << expected;
        EXPECT_EQ(lines.last(), S("clip3.mp4: ") + S(expected));
    }
    // A file without sound among files of one sound track keeps its one line.
    SourceFacts silent = Phone(), phone = Phone();
    silent.hasAudio = false;
    phone.tracks = {TwoMicrophones().tracks.front()};
    EXPECT_EQ(Misfits({phone, phone, silent}),
              QStringList {S("clip3.mp4: no sound; most of the video has AAC (LC) 2 channels")});
}

TEST(SourceFit, SetsOfOneKindAreNeverRefused)
{
    SourceFacts variable = Phone();
    variable.variableRate = true;
    SourceFacts otherVariable = variable;
    otherVariable.frameRate = S("24"), otherVariable.fps = 24; // a variable rate states none
    SourceFacts silent = Phone();
    silent.hasAudio = false;
    SourceFacts vp9 = Phone();
    vp9.videoFormat = S("VP9"), vp9.videoProfile = S("Profile 0"), vp9.audioFormat = S("OPUS");
    SourceFacts unstated = Phone(); // an SDR file that states no colours shows as the others
    unstated.colorPrimaries.clear(), unstated.colorTransfer.clear(), unstated.colorMatrix.clear();
    unstated.colorRange.clear();
    const std::vector<std::pair<std::vector<SourceFacts>, const char *>> sets {
        {{Phone(), Phone()}, ".mp4"},
        {{Phone(), unstated}, ".mp4"},
        {{Phone(), Phone(), Phone(), Phone()}, ".MKV"},
        {{variable, otherVariable, variable}, ".mp4"},
        {{silent, silent}, ".mp4"},
        {{vp9, vp9}, ".mkv"}, // Matroska holds whatever ffmpeg can copy
    };
    for (const auto &[facts, extension] : sets)
        EXPECT_EQ(Misfits(facts, extension), QStringList())
            << facts.front().videoFormat.toStdString();
}

TEST(SourceFit, FilesTheContainerCannotHoldAreNamedEvenWhenAllAgree)
{
    SourceFacts vp9 = Phone();
    vp9.videoFormat = S("VP9"), vp9.videoProfile.clear();
    SourceFacts opus = Phone();
    opus.audioFormat = S("OPUS"), opus.audioProfile.clear();
    SourceFacts avi = Phone();
    avi.videoFormat = S("MPEG4"), avi.videoProfile = S("Advanced Simple Profile"),
    avi.untimedFrames = true;
    EXPECT_EQ(
        Misfits({vp9, vp9}),
        (QStringList {S("clip1.mp4: VP9 video cannot be stored in an MP4 file with this route"),
                      S("clip2.mp4: VP9 video cannot be stored in an MP4 file with this route")}));
    EXPECT_EQ(Misfits({opus, opus}).value(1),
              S("clip2.mp4: OPUS sound cannot be stored in an MP4 file with this route"));
    // Frames without times lose their order in any container.
    EXPECT_EQ(Misfits({avi, avi}, ".mkv").value(0),
              S("clip1.mp4: MPEG-4 Part 2 video cannot be stored in an MKV file with this route"));
    // This ffmpeg marks no turned picture in Matroska.
    SourceFacts upright = Phone();
    upright.rotation = 90;
    EXPECT_EQ(Misfits({upright, upright}, ".mkv").size(), 2);
    EXPECT_TRUE(Misfits({upright, upright}, ".mkv")
                    .value(0)
                    .endsWith(S("\"MP4 - Same as Source (No Re-encoding)\" keeps it")));
    EXPECT_EQ(Misfits({upright, upright}, ".mp4"), QStringList());
    SourceFacts timedAvi = avi;
    timedAvi.untimedFrames = false;
    EXPECT_EQ(Misfits({timedAvi, timedAvi}), QStringList());
}

TEST(SourceFit, UnreadableFilesAndFilesWithoutVideoAreNamed)
{
    SourceFacts broken;
    broken.file = S("/v/x.mp4");
    broken.error = S("Cannot read the media file: /v/x.mp4");
    SourceFacts sound;
    sound.file = S("/v/y.m4a");
    const QStringList lines = Misfits({broken, Phone(), sound});
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.at(0), S("clip1.mp4: cannot be read (Cannot read the media file: /v/x.mp4)"));
    EXPECT_EQ(lines.at(1), S("clip3.mp4: has no video"));
    // Without a first file to compare with, the second is not blamed for differing from it.
    const QString message = MisfitMessage(lines);
    EXPECT_TRUE(message.startsWith(S("These files cannot be joined without re-encoding:\nclip1")));
    EXPECT_TRUE(message.endsWith(
        S("\nChoose a re-encoding profile such as \"MP4 - H.264 Video\", which joins anything.")));
}

TEST(SourceFit, TheEncodersAnswerIsReadFileByFile)
{
    const QString answer
        = S("Encoder: whatever\r\nID_FILENAME=/v/a b.mp4\r\nID_VIDEO_FORMAT=H264\r\n"
            "ID_VIDEO_PROFILE=Constrained Baseline\nID_VIDEO_WIDTH=640\nID_VIDEO_HEIGHT=480\n"
            "ID_VIDEO_FPS=29.970\nID_VIDEO_FRAME_RATE=30000/1001\nID_VIDEO_VARIABLE_FPS=1\n"
            "ID_VIDEO_UNTIMED_FRAMES=0\nID_VIDEO_PIXEL_FORMAT=yuv420p\nID_VIDEO_SAR=1:1\n"
            "Pos: 1.0s\nID_FILENAME=/v/=.avi\nID_ERROR=Cannot read the input file: /v/=.avi\n"
            "ID_FILENAME=/v/c.mkv\nID_VIDEO_FORMAT=HEVC\nID_AUDIO_FORMAT=AC3\nID_AUDIO_RATE=48000\n"
            "ID_AUDIO_NCH=6\nID_AUDIO_LAYOUT=5.1(side)\nID_AUDIO_PROFILE=\n"
            "ID_AUDIO_ID=1\nID_AID_1_FORMAT=AC3\nID_AID_1_LANG=eng\nID_AID_1_NAME=Director=me\n"
            "ID_AID_1_RATE=48000\nID_AID_1_NCH=6\nID_AID_1_DEFAULT=1\nID_AID_7_LANG=lost\n"
            "ID_SUBTITLE_ID=2\nID_SID_2_FORMAT=ASS\nID_DATA_ID=3\nID_DID_3_FORMAT=tmcd\n"
            "ID_ATTACHMENT_ID=4\nID_ATT_4_NAME=a.ttf\nID_AUDIO_ID=x\nID_EXIT=EOF\n");
    const std::vector<SourceFacts> facts = ParseIdentifyOutput(answer);
    ASSERT_EQ(facts.size(), 3u);
    EXPECT_EQ(facts[0].file, S("/v/a b.mp4"));
    EXPECT_EQ(facts[0].videoProfile, S("Constrained Baseline"));
    EXPECT_EQ(facts[0].width * 10000 + facts[0].height, 6400480);
    EXPECT_EQ(facts[0].frameRate, S("30000/1001"));
    EXPECT_DOUBLE_EQ(facts[0].fps, 29.97);
    EXPECT_TRUE(facts[0].variableRate && !facts[0].untimedFrames && !facts[0].hasAudio);
    EXPECT_EQ(facts[1].error, S("Cannot read the input file: /v/=.avi"));
    EXPECT_FALSE(facts[1].hasVideo);
    EXPECT_TRUE(facts[2].hasVideo && facts[2].hasAudio);
    EXPECT_EQ(facts[2].channels * 100000 + facts[2].sampleRate, 648000);
    EXPECT_EQ(facts[2].channelLayout, S("5.1(side)"));
    using Kind = SourceTrack::Kind;
    const std::vector<SourceTrack> tracks {
        {.kind = Kind::Sound,
         .stream = 1,
         .format = S("AC3"),
         .language = S("eng"),
         .name = S("Director=me"),
         .isDefault = true,
         .sampleRate = 48000,
         .channels = 6},
        {.kind = Kind::Subtitle, .stream = 2, .format = S("ASS")},
        {.kind = Kind::Data, .stream = 3, .format = S("tmcd")},
        {.kind = Kind::Attachment, .stream = 4, .name = S("a.ttf")}};
    EXPECT_EQ(facts[2].tracks, tracks);
    EXPECT_TRUE(facts[0].tracks.empty());
    EXPECT_TRUE(ParseIdentifyOutput(S("ID_VIDEO_WIDTH=3\nnothing\n")).empty());
}

} // namespace
