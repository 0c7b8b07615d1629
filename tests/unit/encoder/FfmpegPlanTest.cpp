// From the encoder's options and its inputs to ffmpeg's arguments.
#include "encoder/FfmpegPlan.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

InputMedia Clip(int w = 1280, int h = 720, Fraction fps = {25, 1}, double seconds = 2.0,
                int rate = 48000, int channels = 2)
{
    InputMedia m;
    m.path = QStringLiteral("/in/clip.mp4");
    m.hasVideo = true;
    m.width = w;
    m.height = h;
    m.frameRate = fps;
    m.videoSeconds = seconds;
    m.hasAudio = rate > 0;
    m.sampleRate = rate;
    m.channels = channels;
    return m;
}

EncoderOptions Options(const QString &line)
{
    const ParsedCommandLine parsed
        = ParseEncoderCommandLine(line.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    EXPECT_EQ(parsed.error, QString()) << line.toStdString();
    return parsed.options;
}

OutputPlan Plan(const QString &line, const std::vector<InputMedia> &inputs = {Clip()})
{
    QString error;
    const auto plan = PlanOutput(Options(line), inputs, &error);
    EXPECT_TRUE(plan) << line.toStdString() << ": " << error.toStdString();
    return plan.value_or(OutputPlan {});
}

// The arguments as one text; the filter graph holds no blanks.
QString Args(const QString &line, const std::vector<InputMedia> &inputs = {Clip()})
{
    return BuildFfmpegArguments(Options(line), Plan(line, inputs), inputs, QStringLiteral("TARGET"))
        .join(u' ');
}

const QString kConversion
    = QStringLiteral("/in/clip.mp4 -o /t/0.avi -oac mp3lame -ovc lavc -ofps 30 -vf scale=640:480");

// The join stage's line as the option builder writes it.
QString Join(const QString &ext, const QString &vcodec = QStringLiteral("mpeg4"),
             const QString &audio = QStringLiteral("mp3lame -lameopts vbr=2:q=6"))
{
    return QStringLiteral("/t/0.avi /t/1.avi -o /out/movie%1 -ovc lavc -lavcopts "
                          "vcodec=%2:vbitrate=1000:mbd=2:autoaspect -oac %3 -channels 2 "
                          "-vf scale=640:480 -srate 44100")
        .arg(ext, vcodec, audio);
}

TEST(EncoderMapping, ConversionIsConstantQualityMp3InAvi)
{
    const QString args = Args(kConversion);
    EXPECT_TRUE(args.contains(u"-i file:/in/clip.mp4 "));
    EXPECT_TRUE(args.contains(u" -c:v mpeg4 -q:v 2 -c:a libmp3lame -q:a 2 "));
    EXPECT_TRUE(args.endsWith(u" -f avi TARGET"));
    EXPECT_FALSE(args.contains(u"-b:v"));
}

TEST(EncoderMapping, CodecsBitratesAndContainers)
{
    const struct
    {
        const char *ext, *vcodec, *audio, *expected, *muxer;
    } cases[] = {
        // clang-format off
        {".avi", "mpeg4", "mp3lame -lameopts vbr=2:q=6", "-c:v mpeg4 -b:v 1000000 -mbd rd -c:a libmp3lame -q:a 6", "avi"},
        {".avi", "mpeg4", "mp3lame -lameopts abr:br=128", "-b:a 128k -abr 1", "avi"},
        {".avi", "mpeg4", "mp3lame -lameopts cbr:br=192", "-c:a libmp3lame -b:a 192k -avoid", "avi"},
        {".AVI", "msmpeg4v2", "lavc -lavcopts acodec=ac3:abitrate=192", "-c:a ac3 -b:a 192k", "avi"},
        {".avi", "mpeg4", "lavc", "-c:a mp2 -b:a 224k", "avi"}, // the defaults
        {".avi", "mpeg4", "pcm", "-c:a pcm_s16le -avoid", "avi"},
        {".avi", "libx264", "pcm", "-c:v libx264 -b:v 1000000 -bf 0 -c:a", "avi"},
        {".mpg", "mpeg1video", "lavc -lavcopts acodec=mp2:abitrate=100", "-c:a mp2 -b:a 96k", "mpeg"},
        {".mpeg", "mpeg2video", "pcm", "-c:a pcm_s16be", "mpeg"},
        {".vob", "mpeg2video", "lavc -lavcopts acodec=ac3", "-c:v mpeg2video", "vob"},
        {".mp4", "libx264", "lavc -lavcopts acodec=aac:abitrate=128", "-c:v libx264 -b:v 1000000 -c:a aac -b:a 128k", "mp4"},
        {".mov", "mjpeg", "pcm", "format=yuvj420p", "mov"},
        {".mov", "h263p", "pcm", "-c:v h263p", "mov"},
        {".wmv", "wmv2", "lavc -lavcopts acodec=wmav2:abitrate=16", "-c:a wmav2 -b:a 24k", "asf"},
        {".asf", "wmv1", "mp3lame", "-c:v wmv1", "asf"},
        {".flv", "flv", "mp3lame", "-c:v flv", "flv"},
        {".mkv", "msmpeg4", "pcm", "-c:v msmpeg4", "matroska"},
        {".unknown", "mpeg4", "pcm", "-c:v mpeg4", "avi"},
        {"", "mpeg4", "pcm", "-c:v mpeg4", "avi"},
        {".avi -of mpeg", "mpeg4", "pcm", "-c:v mpeg4", "mpeg"},
        {".avi -of lavf -lavfopts format=mov", "mpeg4", "pcm", "-c:v mpeg4", "mov"},
        // the sound's start-up delay is cut where the format cannot hold it
        {".avi", "mpeg4", "lavc -lavcopts acodec=ac3", "atrim=start_sample=256,", "avi"},
        {".mpg", "mpeg1video", "lavc -lavcopts acodec=mp2", "atrim=start_sample=481,", "mpeg"},
        {".avi", "mpeg4", "lavc -lavcopts acodec=wmav2", "atrim=start_sample=2048,", "avi"},
        {".mp4", "mpeg4", "lavc -lavcopts acodec=aac", "concat=n=1:v=1:a=1[vout][aout]", "mp4"},
        {".flv", "flv", "mp3lame", "concat=n=1:v=1:a=1[vout][aout]", "flv"},
        // clang-format on
    };
    for (const auto &c : cases) {
        const QString line = Join(QString::fromLatin1(c.ext), QString::fromLatin1(c.vcodec),
                                  QString::fromLatin1(c.audio));
        const QString args = Args(line);
        EXPECT_TRUE(args.contains(QString::fromLatin1(c.expected))) << args.toStdString();
        EXPECT_TRUE(args.endsWith(QStringLiteral(" -f %1 TARGET").arg(QLatin1String(c.muxer))))
            << line.toStdString();
    }
}

TEST(EncoderMapping, CombinationsAFormatCannotHoldAreRefused)
{
    const struct
    {
        const char *ext, *vcodec, *audio, *message;
    } cases[] = {
        {".mp4", "mpeg4", "pcm", "The mp4 format cannot hold pcm_s16le sound"},
        {".mpg", "wmv2", "pcm", "wmv2"},
        {".vob", "mpeg2video", "lavc -lavcopts acodec=aac", "aac"},
    };
    for (const auto &c : cases) {
        const EncoderOptions o
            = Options(Join(QString::fromLatin1(c.ext), QString::fromLatin1(c.vcodec),
                           QString::fromLatin1(c.audio)));
        EXPECT_TRUE(FormatRefusal(o).contains(QString::fromLatin1(c.message))) << c.message;
        QString error;
        EXPECT_FALSE(PlanOutput(o, {Clip()}, &error));
    }
    EXPECT_EQ(FormatRefusal(Options(Join(QStringLiteral(".mp4"), QStringLiteral("libx264")))),
              QString());
}

TEST(EncoderMapping, SoundValuesMadeToFitTheCodec)
{
    const struct
    {
        const char *ext, *vcodec, *audio, *after; // "after" overrides the join line's own
        int rate, channels, kbit;
    } cases[] = {
        // clang-format off
        {".avi", "mpeg4", "lavc -lavcopts acodec=ac3:abitrate=100", " -srate 22050", 32000, 2, 96},
        {".flv", "flv", "mp3lame", " -srate 48000", 44100, 2, 128},
        {".avi", "mpeg4", "mp3lame", " -channels 6", 44100, 2, 128},
        {".avi", "mpeg4", "lavc -lavcopts acodec=ac3", " -channels 8", 44100, 6, 224},
        {".mpg", "mpeg2video", "lavc -lavcopts acodec=mp2:abitrate=384", " -srate 22050", 22050, 2, 160},
        // clang-format on
    };
    for (const auto &c : cases) {
        const OutputPlan plan = Plan(Join(QString::fromLatin1(c.ext), QString::fromLatin1(c.vcodec),
                                          QString::fromLatin1(c.audio))
                                     + QLatin1String(c.after));
        EXPECT_EQ(plan.sampleRate, c.rate) << c.audio;
        EXPECT_EQ(plan.channels, c.channels) << c.audio;
        EXPECT_EQ(plan.audioBitrateKbit, c.kbit) << c.audio;
        EXPECT_FALSE(plan.notes.isEmpty()) << c.audio;
    }
}

TEST(EncoderMapping, PictureSizeAspectAndRate)
{
    InputMedia pal = Clip(720, 576);
    pal.pixelAspect = {16, 15};
    const struct
    {
        const char *options;
        InputMedia first;
        int width, height;
        Fraction aspect, fps;
    } cases[] = {
        // clang-format off
        {"-vf scale=640:480 -ofps 30", Clip(), 640, 480, {16, 9}, {30, 1}},
        {"", Clip(320, 240, {30000, 1001}), 320, 240, {4, 3}, {30000, 1001}}, // the first input's
        {"-vf scale=:", Clip(352, 288, {2997, 100}), 352, 288, {11, 9}, {30000, 1001}}, // nearly usual: exactly it
        {"-vf scale=641:481", Clip(1280, 720, {273456, 10000}), 642, 482, {16, 9}, {13673, 500}}, // variable: to 1/1000
        {"-vf scale=641:481 -lavcopts vcodec=h263p", Clip(1280, 720, {0, 1}), 640, 480, {16, 9}, {25, 1}}, // unknown
        {"-vf scale=4000:3000 -lavcopts vcodec=h263p", Clip(), 2048, 1152, {16, 9}, {25, 1}},
        {"-vf scale=640:-2 -lavcopts vcodec=mpeg2video -ofps 15", Clip(), 640, 360, {16, 9}, {24000, 1001}},
        {"-vf scale=-3:480 -lavcopts vcodec=mpeg1video", Clip(1280, 720, {12, 1}), 854, 480, {16, 9}, {24000, 1001}},
        {"-vf scale=0:-1", pal, 768, 576, {4, 3}, {25, 1}},
        {"-vf scale=640:480 -lavcopts aspect=16/9", pal, 640, 480, {16, 9}, {25, 1}},
        // clang-format on
    };
    for (const auto &c : cases) {
        const QString line
            = QStringLiteral("/in/a.mov -o /o.mov -ovc lavc -oac pcm ") + QLatin1String(c.options);
        const OutputPlan plan = Plan(line, {c.first});
        EXPECT_EQ(plan.width, c.width) << c.options;
        EXPECT_EQ(plan.height, c.height) << c.options;
        EXPECT_EQ(plan.displayAspect, c.aspect) << c.options;
        EXPECT_EQ(plan.fps, c.fps) << c.options;
        EXPECT_TRUE(BuildFilterGraph(plan, {c.first}).contains(u"setdar=" + c.aspect.Text()));
    }
}

TEST(EncoderMapping, EverySegmentTimedAloneAndSoundCutToItsPicture)
{
    InputMedia silent = Clip(640, 480, {24, 1}, 1.5, 0, 0);
    InputMedia late = Clip(320, 240, {30000, 1001}, 1.0, 22050, 1);
    late.videoStart = 0.5;
    const std::vector<InputMedia> inputs {Clip(), silent, late};
    const OutputPlan plan = Plan(kConversion, inputs);
    EXPECT_EQ(plan.segmentFrames, (std::vector<int64_t> {60, 45, 30})); // 2, 1.5, 1 s at 30 fps
    EXPECT_NEAR(plan.totalSeconds, 4.5, 1e-9);
    const QString graph = BuildFilterGraph(plan, inputs);
    for (const char *part :
         {"[1:v:0]setpts=PTS-STARTPTS,fps=30,scale=640:480", "trim=end_frame=45[v1]",
          // the input's sound on the picture's clock, padded and cut to 2.0 s at 48000 Hz
          "[0:a:0]asetpts=PTS-0.000/TB,aresample=48000:first_pts=0",
          "apad=whole_len=96000,atrim=end_sample=96000[a0]",
          // no sound: silence exactly as long as the picture
          "anullsrc=r=48000:cl=stereo,atrim=end_sample=72000[a1]", "[2:a:0]asetpts=PTS-0.500/TB",
          "[v0][a0][v1][a1][v2][a2]concat=n=3:v=1:a=1[vout]",
          // MP3 in AVI: its start-up delay is cut from the start of the sound
          "atrim=start_sample=1105"})
        EXPECT_TRUE(graph.contains(QLatin1String(part))) << part;
}

TEST(EncoderMapping, LastInputOfUnknownLengthStillGetsItsSoundPadded)
{
    InputMedia guessed = Clip();
    guessed.videoSeconds.reset();
    guessed.estimatedSeconds = 1.5;
    InputMedia silent = Clip(640, 480, {25, 1}, 1, 0, 0);
    silent.videoSeconds.reset();
    silent.estimatedSeconds = 1.0;

    const OutputPlan plan = Plan(kConversion, {guessed, silent});
    EXPECT_EQ(plan.segmentFrames, (std::vector<int64_t> {0, 0}));
    EXPECT_DOUBLE_EQ(plan.totalSeconds, 2.5);
    const QString graph = BuildFilterGraph(plan, {guessed, silent});
    EXPECT_TRUE(graph.contains(u"format=yuv420p[v1]")); // pictures uncut
    EXPECT_FALSE(graph.contains(u"apad=whole_len")); // it would never end
    // An empty closing segment lets the concatenation pad the last input's sound too.
    EXPECT_TRUE(graph.contains(u"[v1][a1][vend][aend]concat=n=3:v=1:a=1"));
    EXPECT_FALSE(BuildFilterGraph(Plan(kConversion, {guessed, Clip()}), {guessed, Clip()})
                     .contains(u"[vend]"));
}

} // namespace
