// The fit of a copy: the kind with the greatest total length is kept, only the files that
// differ from it are converted, with settings that make exactly that kind, and files no
// encoder here can make alike are refused with the reason.
#include "pipeline/checks/FitDecision.h"
#include "common/TestSupport.h"
#include "pipeline/checks/LoudnessFit.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using qvj::test::S;

// A phone's minute: H.264 High 4.0 1920x1080 at 30 fps, BT.709, AAC LC stereo at 48 kHz.
SourceFacts Phone(double length = 60)
{
    SourceFacts f;
    f.hasVideo = true;
    f.videoFormat = S("H264"), f.videoProfile = S("High"), f.videoLevel = 40;
    f.width = 1920, f.height = 1080, f.frameRate = S("30"), f.fps = 30;
    f.pixelFormat = S("yuv420p"), f.pixelAspect = S("1:1"), f.fieldOrder = S("progressive");
    f.colorPrimaries = f.colorTransfer = f.colorMatrix = S("bt709"), f.colorRange = S("tv");
    f.videoBitrate = 17000000, f.videoStream = 0;
    f.hasAudio = true;
    f.audioFormat = S("AAC"), f.audioProfile = S("LC"), f.sampleRate = 48000, f.channels = 2;
    f.channelLayout = S("stereo"), f.audioStream = 1, f.audioBitrate = 192000;
    f.length = length;
    return f;
}

SourceFacts With(SourceFacts f, const std::function<void(SourceFacts &)> &change)
{
    change(f);
    return f;
}

TEST(FitDecision, KeepsTheLongestKindAndConvertsOnlyTheOthers)
{
    const auto small
        = [](SourceFacts &f) { f.width = 1280, f.height = 720, f.frameRate = S("25"), f.fps = 25; };
    const auto upright = [](SourceFacts &f) { f.rotation = 90; };
    const QString phoneKind = S("vcodec=h264:vprofile=high:level=40:size=1920x1080:fps=30:"
                                "pix=yuv420p:sar=1/1:rotate=0:prim=bt709:trc=bt709:"
                                "matrix=bt709:range=tv:vbitrate=17000000:acodec=aac:"
                                "srate=48000:channels=2:layout=stereo:abitrate=192000");
    struct Row
    {
        const char *name;
        std::vector<SourceFacts> facts;
        const char *extension;
        int kept;
        std::vector<int> convert;
        const char *refusal; // the start of the first, or nullptr when the files can be fitted
    };
    std::vector<SourceFacts> folder(20, Phone());
    folder[7] = With(Phone(), small), folder[12] = With(Phone(), upright);
    const std::vector<Row> rows {
        {"a phone's folder with two odd clips", folder, ".mp4", 0, {7, 12}, nullptr},
        {"the odd file first", {With(Phone(10), small), Phone(), Phone()}, ".mp4", 1, {0}, nullptr},
        {"two short files of one kind, one long one of another",
         {Phone(10), Phone(10), With(Phone(60), small)},
         ".mp4",
         2,
         {0, 1},
         nullptr},
        {"every file alike", {Phone(), Phone()}, ".mkv", 0, {}, nullptr},
        {"an upright kind, one file held flat",
         {With(Phone(), upright), With(Phone(), upright), Phone(5)},
         ".mp4",
         0,
         {2},
         nullptr},
        {"an HEVC kind with 10-bit Main 10",
         {With(Phone(),
               [](SourceFacts &f) {
                   f.videoFormat = S("HEVC"), f.videoProfile = S("Main 10"), f.videoLevel = 123;
                   f.pixelFormat = S("yuv420p10le");
               }),
          Phone(5)},
         ".mp4",
         0,
         {1},
         nullptr},
        {"a kind no encoder here makes",
         {With(Phone(), [](SourceFacts &f) { f.videoFormat = S("VP9"), f.videoProfile.clear(); }),
          Phone(5)},
         ".mkv",
         0,
         {1},
         "no encoder here makes VP9 video"},
        {"an interlaced kind",
         {With(Phone(), [](SourceFacts &f) { f.fieldOrder = S("tt"); }), Phone(5)},
         ".mp4",
         0,
         {1},
         "no encoder here makes interlaced pictures"},
        {"an HE-AAC kind",
         {With(Phone(), [](SourceFacts &f) { f.audioProfile = S("HE-AAC"); }), Phone(5)},
         ".mp4",
         0,
         {1},
         "no encoder here makes its sound"},
        {"a decoy sound track first in the kind",
         {With(Phone(), [](SourceFacts &f) { f.audioStream = 2; }), Phone(5)},
         ".mp4",
         0,
         {1},
         "its streams are not stored picture first, then sound"},
        {"an upright kind into MKV",
         {With(Phone(), upright), Phone(5)},
         ".mkv",
         0,
         {},
         "most of the video cannot be stored in this file kind"},
        {"an HDR clip among SDR ones",
         {Phone(),
          With(Phone(5),
               [](SourceFacts &f) {
                   f.colorPrimaries = S("bt2020"), f.colorTransfer = S("smpte2084");
                   f.colorMatrix = S("bt2020nc");
               })},
         ".mp4",
         0,
         {},
         "clip2.mp4: its colours (HDR or not) cannot be converted"},
        {"a file that cannot be read",
         {Phone(), With(SourceFacts {}, [](SourceFacts &f) { f.error = S("broken"); })},
         ".mp4",
         0,
         {},
         "clip2.mp4 cannot be converted"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QStringList names;
        for (size_t i = 0; i < row.facts.size(); ++i)
            names << S("clip%1.mp4").arg(i + 1);
        const FitDecision d = DecideFit(row.facts, names, S(row.extension));
        EXPECT_EQ(d.kept, row.kept);
        EXPECT_EQ(d.convert, row.convert);
        if (row.refusal) {
            ASSERT_FALSE(d.refusals.isEmpty());
            EXPECT_TRUE(d.refusals.front().startsWith(S(row.refusal)))
                << d.refusals.front().toStdString();
            EXPECT_FALSE(d.CanConvert());
        } else {
            EXPECT_EQ(d.refusals, QStringList());
            EXPECT_EQ(d.CanConvert(), !row.convert.empty());
            EXPECT_EQ(d.AllFit(), row.convert.empty());
            EXPECT_EQ(d.misfits.size(), qsizetype(row.convert.size()));
        }
    }
    EXPECT_EQ(DecideFit(folder, {}, S(".mp4")).settings, phoneKind);
    // The upright kind is stored as it is and turned on showing; 10 bits stay 10 bits.
    EXPECT_TRUE(DecideFit(rows[4].facts, {}, S(".mp4")).settings.contains(S(":rotate=90:")));
    EXPECT_TRUE(DecideFit(rows[5].facts, {}, S(".mp4"))
                    .settings.startsWith(S("vcodec=hevc:vprofile=main10:level=123:")));
    // A kind of further tracks: each made as the kind has it, where the converted MP4 file can
    // hold it; else the fit makes the picture and the sound only.
    using Kind = SourceTrack::Kind;
    const SourceFacts tracks = With(Phone(), [](SourceFacts &f) {
        f.tracks = {{Kind::Sound, 1, S("AAC"), S("LC"), {}, {}, true, 48000, 2, S("stereo")},
                    {Kind::Sound, 2, S("AC3"), {}, {}, {}, false, 44100, 1, S("mono")},
                    {.kind = Kind::Subtitle, .stream = 3, .format = S("MOV_TEXT")},
                    {.kind = Kind::Data, .stream = 4, .format = S("tmcd")}};
    });
    const SourceFacts lacking = With(tracks, [](SourceFacts &f) { f.tracks.resize(1); });
    EXPECT_TRUE(DecideFit({tracks, tracks, lacking}, {}, S(".mp4"))
                    .settings.endsWith(S(":tracks=a/ac3/44100/1/mono_s")));
    const SourceFacts srt = With(tracks, [](SourceFacts &f) { f.tracks[2].format = S("SUBRIP"); });
    EXPECT_FALSE(DecideFit({srt, srt, lacking}, {}, S(".mkv")).settings.contains(S("tracks=")));
    // The choice names the files and the time; the refusal of quintor-join ends with --fit.
    EXPECT_EQ(FitQuestion({S("b.mp4: no sound; most of the video has AAC (LC) 2 channels")}, 75),
              S("This file differs from most of the video:\nb.mp4: no sound; most of the video "
                "has AAC (LC) 2 channels\nConverting it takes about 00:01:15; the other files "
                "are joined as they are."));
    EXPECT_TRUE(FitQuestion({S("b.mp4: no sound"), S("c.mp4: no sound")}, 75)
                    .startsWith(S("These files differ from most of the video:\n")));
    EXPECT_TRUE(FitRefusal({S("b.mp4: no sound")})
                    .endsWith(S("\n--fit converts only the files listed and joins them with the "
                                "others without re-encoding those.")));
}

// A file whose picture is of the kind and whose sound alone differs keeps its picture; the
// question says how many, and counts them at the pace of converting sound.
TEST(FitDecision, OnlyTheSoundIsConvertedWhereOnlyTheSoundDiffers)
{
    const auto noSound = [](SourceFacts &f) {
        f.hasAudio = false, f.audioFormat.clear(), f.audioProfile.clear();
        f.sampleRate = f.channels = 0, f.channelLayout.clear(), f.audioStream = -1;
        f.audioBitrate = 0;
    };
    const auto rate = [](SourceFacts &f) { f.sampleRate = 44100, f.audioBitrate = 96000; };
    const auto mono = [](SourceFacts &f) { f.channels = 1, f.channelLayout = S("mono"); };
    const auto layout = [](SourceFacts &f) { f.channelLayout = S("downmix"); };
    const auto ac3 = [](SourceFacts &f) { f.audioFormat = S("AC3"), f.audioProfile.clear(); };
    const auto small = [](SourceFacts &f) { f.width = 1280, f.height = 720; };
    const auto both = [&](SourceFacts &f) { small(f), rate(f); };
    const auto opus = [](SourceFacts &f) { f.audioFormat = S("OPUS"), f.audioProfile.clear(); };
    const struct
    {
        const char *name;
        SourceFacts file;
        SourceFacts kind;
        const char *extension;
        FitPart part;
    } rows[] = {
        {"the picture differs", With(Phone(), small), Phone(), ".mp4", FitPart::Whole},
        {"no sound", With(Phone(), noSound), Phone(), ".mp4", FitPart::Sound},
        {"sound, in a kind without", Phone(), With(Phone(), noSound), ".mkv", FitPart::Sound},
        {"another rate", With(Phone(), rate), Phone(), ".mp4", FitPart::Sound},
        {"mono", With(Phone(), mono), Phone(), ".mp4", FitPart::Sound},
        {"another layout", With(Phone(), layout), Phone(), ".mkv", FitPart::Sound},
        {"another codec", With(Phone(), ac3), Phone(), ".mp4", FitPart::Sound},
        {"a codec MP4 cannot hold", With(Phone(), opus), Phone(), ".mp4", FitPart::Sound},
        {"picture and sound differ", With(Phone(), both), Phone(), ".mp4", FitPart::Whole},
        {"its sound in another stream", With(Phone(), [](SourceFacts &f) { f.audioStream = 2; }),
         Phone(), ".mp4", FitPart::Sound},
        {"a turned picture, its sound mono",
         With(Phone(), [&](SourceFacts &f) { f.rotation = 90, mono(f); }), Phone(), ".mp4",
         FitPart::Whole},
    };
    for (const auto &row : rows)
        EXPECT_EQ(PartToConvert(row.file, row.kind, S(row.extension)), row.part) << row.name;

    const std::vector<SourceFacts> folder {
        Phone(), With(Phone(30), noSound), With(Phone(30), small),
        With(Phone(30), [&](SourceFacts &f) { rate(f), mono(f); }), Phone()};
    const FitDecision d = DecideFit(folder, {}, S(".mp4"));
    EXPECT_EQ(d.convert, (std::vector<int> {1, 2, 3}));
    EXPECT_EQ(d.soundOnly, (std::vector<int> {1, 3}));
    EXPECT_EQ(FitValue(d.settings, d.PartOf(3)), d.settings + S(":vcopy=1"));
    EXPECT_EQ(FitValue(d.settings, d.PartOf(2)), d.settings);
    // Two files' sound and one whole file: the sentence, then about 36 s and 2.4 s.
    const QString question = FitQuestion(d.misfits, 38.4, 2);
    EXPECT_TRUE(question.contains(S("\nThe sound of 2 files is converted; their picture is kept "
                                    "as it is.\nConverting them takes about 00:00:39;")))
        << question.toStdString();
    EXPECT_TRUE(FitQuestion({S("b.mp4: no sound")}, 2, 1)
                    .contains(S("The sound of one file is converted; its picture is kept")));
    EXPECT_FALSE(FitQuestion({S("b.mp4: 1280x720")}, 2).contains(S("picture is kept")));
}

// A copy that evens out the loudness converts the sound of the files with a gain, and only
// theirs; a file converted anyway takes its gain in that conversion.
TEST(FitDecision, FilesWithAGainHaveTheirSoundConverted)
{
    const auto small = [](SourceFacts &f) { f.width = 1280, f.height = 720; };
    const auto mpeg4 = [](SourceFacts &f) { f.videoFormat = S("MPEG-4 Visual"); };
    const struct
    {
        const char *name;
        std::vector<SourceFacts> facts;
        std::vector<double> gains;
        std::vector<int> convert, soundOnly, evened;
        bool settings, refused;
    } rows[] = {
        {"files of one kind, two to even out",
         {Phone(), Phone(), Phone()},
         {0, -4.5, 3},
         {1, 2},
         {1, 2},
         {1, 2},
         true,
         false},
        {"no gain", {Phone(), Phone()}, {0, 0}, {}, {}, {}, false, false},
        {"one not measured", {Phone(), Phone(), Phone()}, {0, 2}, {1}, {1}, {1}, true, false},
        {"a file converted whole anyway",
         {Phone(), With(Phone(), small), Phone()},
         {-3, -3, 0},
         {0, 1},
         {0},
         {0, 1},
         true,
         false},
        {"a kind no encoder makes",
         {With(Phone(), mpeg4), With(Phone(), mpeg4)},
         {0, 2},
         {1},
         {1},
         {1},
         false,
         true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        FitDecision d = DecideFit(row.facts, {}, S(".mp4"));
        AddLoudnessFits(d, row.facts, row.gains);
        EXPECT_EQ(d.convert, row.convert);
        EXPECT_EQ(d.soundOnly, row.soundOnly);
        EXPECT_EQ(d.evened, row.evened);
        EXPECT_EQ(!d.settings.isEmpty(), row.settings);
        EXPECT_EQ(!d.refusals.isEmpty(), row.refused);
    }
    // The question names the files whose loudness is evened out.
    EXPECT_TRUE(FitQuestion({S("b.mp4: 1280x720")}, 2, 0, {S("a.mp4"), S("b.mp4")})
                    .contains(S("\nThe loudness of 2 files is evened out, their sound converted "
                                "with a gain: a.mp4, b.mp4.\nConverting them")));
    EXPECT_TRUE(FitQuestion({S("b.mp4: 1280x720")}, 2, 0, {S("a.mp4")})
                    .contains(S("\nThe loudness of a.mp4 is evened out: its sound is converted "
                                "with a gain.\nConverting them")));
    EXPECT_TRUE(FitQuestion({S("b.mp4: 1280x720")}, 2, 0, {S("b.mp4")})
                    .contains(S("with a gain.\nConverting it takes")));
}

} // namespace
