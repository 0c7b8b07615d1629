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
    bool bad = false;
    const auto plan = PlanOutput(Options(line), inputs, &error, &bad);
    EXPECT_TRUE(plan) << line.toStdString() << ": " << error.toStdString();
    return plan.value_or(OutputPlan {});
}

QStringList Args(const QString &line, const std::vector<InputMedia> &inputs = {Clip()})
{
    return BuildFfmpegArguments(Options(line), Plan(line, inputs), inputs,
                                QStringLiteral("TARGET"));
}

// The arguments hold these ones in a row.
bool HasRun(const QStringList &args, const QStringList &run)
{
    for (qsizetype i = 0; i + run.size() <= args.size(); ++i)
        if (args.mid(i, run.size()) == run)
            return true;
    return false;
}

const QString kConversion
    = QStringLiteral("/in/clip.mp4 -o /t/0.avi -oac mp3lame -ovc lavc -ofps 30 -vf scale=640:480");
const QString kJoin = QStringLiteral(
    "/t/0.avi /t/1.avi -o /out/movie%1 -ovc lavc -lavcopts vcodec=%2:vbitrate=1000:mbd=2:autoaspect"
    " -oac %3 -channels 2 -vf scale=640:480 -srate 44100");

QString Join(const QString &ext, const QString &vcodec = QStringLiteral("mpeg4"),
             const QString &audio = QStringLiteral("mp3lame -lameopts vbr=2:q=6"))
{
    return kJoin.arg(ext, vcodec, audio);
}

TEST(EncoderMapping, ConversionIsConstantQualityMp3InAvi)
{
    const QStringList args = Args(kConversion);
    EXPECT_TRUE(HasRun(args,
                       {QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-q:v"),
                        QStringLiteral("2")}));
    EXPECT_TRUE(HasRun(args,
                       {QStringLiteral("-c:a"), QStringLiteral("libmp3lame"),
                        QStringLiteral("-q:a"), QStringLiteral("2")}));
    EXPECT_TRUE(
        HasRun(args, {QStringLiteral("-f"), QStringLiteral("avi"), QStringLiteral("TARGET")}));
    EXPECT_TRUE(HasRun(args, {QStringLiteral("-i"), QStringLiteral("file:/in/clip.mp4")}));
    EXPECT_FALSE(args.contains(QStringLiteral("-b:v")));
    const OutputPlan plan = Plan(kConversion);
    EXPECT_EQ(plan.width, 640);
    EXPECT_EQ(plan.height, 480);
    EXPECT_EQ(plan.fps, (Fraction {30, 1}));
    EXPECT_EQ(plan.sampleRate, 48000); // the input's, which MP3 can hold
    EXPECT_EQ(plan.channels, 2);
    EXPECT_EQ(plan.segmentFrames, std::vector<int64_t> {60});
    EXPECT_DOUBLE_EQ(plan.totalSeconds, 2.0);
}

TEST(EncoderMapping, SoundOptions)
{
    const struct
    {
        QString audio;
        QString ext;
        QStringList expected;
    } cases[] = {
        {QStringLiteral("mp3lame -lameopts vbr=2:q=6"),
         QStringLiteral(".avi"),
         {QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), QStringLiteral("-q:a"),
          QStringLiteral("6")}},
        {QStringLiteral("mp3lame -lameopts abr:br=128"),
         QStringLiteral(".avi"),
         {QStringLiteral("-b:a"), QStringLiteral("128k"), QStringLiteral("-abr"),
          QStringLiteral("1")}},
        {QStringLiteral("mp3lame -lameopts cbr:br=192"),
         QStringLiteral(".avi"),
         {QStringLiteral("libmp3lame"), QStringLiteral("-b:a"), QStringLiteral("192k"),
          QStringLiteral("-avoid_negative_ts")}},
        {QStringLiteral("lavc -lavcopts acodec=ac3:abitrate=192"),
         QStringLiteral(".avi"),
         {QStringLiteral("-c:a"), QStringLiteral("ac3"), QStringLiteral("-b:a"),
          QStringLiteral("192k")}},
        {QStringLiteral("lavc -lavcopts acodec=mp2:abitrate=100"),
         QStringLiteral(".mpg"),
         {QStringLiteral("-c:a"), QStringLiteral("mp2"), QStringLiteral("-b:a"),
          QStringLiteral("96k")}},
        {QStringLiteral("lavc -lavcopts acodec=aac:abitrate=128"),
         QStringLiteral(".mp4"),
         {QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-b:a"),
          QStringLiteral("128k")}},
        {QStringLiteral("lavc -lavcopts acodec=wmav2:abitrate=16"),
         QStringLiteral(".wmv"),
         {QStringLiteral("-c:a"), QStringLiteral("wmav2"), QStringLiteral("-b:a"),
          QStringLiteral("24k")}},
        {QStringLiteral("lavc"),
         QStringLiteral(".avi"), // MEncoder's defaults: mp2 at 224
         {QStringLiteral("-c:a"), QStringLiteral("mp2"), QStringLiteral("-b:a"),
          QStringLiteral("224k")}},
        {QStringLiteral("pcm"),
         QStringLiteral(".avi"),
         {QStringLiteral("-c:a"), QStringLiteral("pcm_s16le"),
          QStringLiteral("-avoid_negative_ts")}},
        {QStringLiteral("pcm"),
         QStringLiteral(".mpg"),
         {QStringLiteral("-c:a"), QStringLiteral("pcm_s16be"), QStringLiteral("-f"),
          QStringLiteral("mpeg")}},
    };
    for (const auto &c : cases) {
        const QString line = Join(c.ext, QStringLiteral("mpeg4"), c.audio);
        EXPECT_TRUE(HasRun(Args(line), c.expected)) << line.toStdString();
    }
}

TEST(EncoderMapping, VideoCodecsAndContainers)
{
    const struct
    {
        QString codec;
        QString ext;
        QString muxer;
        QStringList expected;
    } cases[] = {
        {QStringLiteral("mpeg4"),
         QStringLiteral(".avi"),
         QStringLiteral("avi"),
         {QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-b:v"),
          QStringLiteral("1000000"), QStringLiteral("-mbd"), QStringLiteral("rd")}},
        {QStringLiteral("msmpeg4v2"),
         QStringLiteral(".AVI"),
         QStringLiteral("avi"),
         {QStringLiteral("msmpeg4v2")}},
        {QStringLiteral("msmpeg4"),
         QStringLiteral(".asf"),
         QStringLiteral("asf"),
         {QStringLiteral("msmpeg4")}},
        {QStringLiteral("wmv1"),
         QStringLiteral(".wmv"),
         QStringLiteral("asf"),
         {QStringLiteral("wmv1")}},
        {QStringLiteral("wmv2"),
         QStringLiteral(".wmv"),
         QStringLiteral("asf"),
         {QStringLiteral("wmv2")}},
        {QStringLiteral("flv"),
         QStringLiteral(".flv"),
         QStringLiteral("flv"),
         {QStringLiteral("flv")}},
        {QStringLiteral("h263p"),
         QStringLiteral(".mov"),
         QStringLiteral("mov"),
         {QStringLiteral("h263p")}},
        {QStringLiteral("mjpeg"),
         QStringLiteral(".mov"),
         QStringLiteral("mov"),
         {QStringLiteral("mjpeg")}},
        {QStringLiteral("mpeg1video"),
         QStringLiteral(".mpeg"),
         QStringLiteral("mpeg"),
         {QStringLiteral("mpeg1video")}},
        {QStringLiteral("mpeg2video"),
         QStringLiteral(".vob"),
         QStringLiteral("vob"),
         {QStringLiteral("mpeg2video")}},
        {QStringLiteral("libx264"),
         QStringLiteral(".mp4"),
         QStringLiteral("mp4"),
         {QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-b:v"),
          QStringLiteral("1000000"), QStringLiteral("-c:a")}}, // no mbd for x264
        {QStringLiteral("libx264"),
         QStringLiteral(".avi"),
         QStringLiteral("avi"),
         {QStringLiteral("-bf"), QStringLiteral("0")}}, // AVI keeps no reordered frame times
        {QStringLiteral("mpeg4"),
         QStringLiteral(".unknown"),
         QStringLiteral("avi"),
         {QStringLiteral("mpeg4")}},
        {QStringLiteral("mpeg4"), QString(), QStringLiteral("avi"), {QStringLiteral("mpeg4")}},
    };
    for (const auto &c : cases) {
        const QString line = Join(c.ext, c.codec);
        const QStringList args = Args(line);
        EXPECT_TRUE(HasRun(args, c.expected)) << line.toStdString();
        EXPECT_TRUE(HasRun(args, {QStringLiteral("-f"), c.muxer, QStringLiteral("TARGET")}))
            << line.toStdString();
    }
    EXPECT_TRUE(Args(Join(QStringLiteral(".mov"), QStringLiteral("mjpeg")))
                    .join(u' ')
                    .contains(u"format=yuvj420p"));
    EXPECT_TRUE(HasRun(Args(Join(QStringLiteral(".avi")) + QStringLiteral(" -of mpeg")),
                       {QStringLiteral("-f"), QStringLiteral("mpeg")}));
    EXPECT_TRUE(HasRun(
        Args(Join(QStringLiteral(".avi")) + QStringLiteral(" -of lavf -lavfopts format=mov")),
        {QStringLiteral("-f"), QStringLiteral("mov")}));
}

TEST(EncoderMapping, CombinationsAFormatCannotHoldAreRefusedBeforeAnyWork)
{
    const struct
    {
        QString ext, vcodec, audio, message;
    } cases[] = {
        {QStringLiteral(".mp4"), QStringLiteral("mpeg4"), QStringLiteral("pcm"),
         QStringLiteral("pcm_s16le")},
        {QStringLiteral(".flv"), QStringLiteral("mpeg4"), QStringLiteral("pcm"),
         QStringLiteral("mpeg4 video")},
        {QStringLiteral(".mpg"), QStringLiteral("wmv2"), QStringLiteral("pcm"),
         QStringLiteral("wmv2")},
        {QStringLiteral(".vob"), QStringLiteral("mpeg2video"),
         QStringLiteral("lavc -lavcopts acodec=aac"), QStringLiteral("aac")},
        {QStringLiteral(".mov"), QStringLiteral("mpeg4"),
         QStringLiteral("lavc -lavcopts acodec=wmav2"), QStringLiteral("wmav2")},
        {QStringLiteral(".flv"), QStringLiteral("flv"), QStringLiteral("lavc -lavcopts acodec=ac3"),
         QStringLiteral("ac3")},
    };
    for (const auto &c : cases) {
        QString error;
        bool bad = false;
        const QString line = Join(c.ext, c.vcodec, c.audio);
        EXPECT_FALSE(PlanOutput(Options(line), {Clip()}, &error, &bad)) << line.toStdString();
        EXPECT_TRUE(bad);
        EXPECT_TRUE(error.contains(c.message)) << error.toStdString();
    }
}

TEST(EncoderMapping, ValuesMadeToFitTheCodec)
{
    const struct
    {
        QString line;
        int rate, channels, kbit;
    } cases[] = {
        {Join(QStringLiteral(".avi"), QStringLiteral("mpeg4"),
              QStringLiteral("lavc -lavcopts acodec=ac3:abitrate=100"))
             .replace(QStringLiteral("44100"), QStringLiteral("22050")),
         32000, 2, 96},
        {Join(QStringLiteral(".flv"), QStringLiteral("flv"))
             .replace(QStringLiteral("44100"), QStringLiteral("48000")),
         44100, 2, 128},
        {Join(QStringLiteral(".avi"))
             .replace(QStringLiteral("-channels 2"), QStringLiteral("-channels 6")),
         44100, 2, 128},
        {Join(QStringLiteral(".avi"), QStringLiteral("mpeg4"),
              QStringLiteral("lavc -lavcopts acodec=ac3"))
             .replace(QStringLiteral("-channels 2"), QStringLiteral("-channels 8")),
         44100, 6, 224},
        {Join(QStringLiteral(".mpg"), QStringLiteral("mpeg2video"),
              QStringLiteral("lavc -lavcopts acodec=mp2:abitrate=384"))
             .replace(QStringLiteral("44100"), QStringLiteral("22050")),
         22050, 2, 160},
    };
    for (const auto &c : cases) {
        const OutputPlan plan = Plan(c.line);
        EXPECT_EQ(plan.sampleRate, c.rate) << c.line.toStdString();
        EXPECT_EQ(plan.channels, c.channels) << c.line.toStdString();
        EXPECT_EQ(plan.audioBitrateKbit, c.kbit) << c.line.toStdString();
        EXPECT_FALSE(plan.notes.isEmpty()) << c.line.toStdString();
    }
}

TEST(EncoderMapping, FrameSize)
{
    InputMedia pal = Clip(720, 576);
    pal.pixelAspect = {16, 15};
    const struct
    {
        QString vf;
        QString codec;
        InputMedia first;
        int width, height;
        Fraction aspect;
    } cases[] = {
        {QStringLiteral("-vf scale=640:480"), QStringLiteral("mpeg4"), Clip(), 640, 480, {16, 9}},
        {QString(), QStringLiteral("mpeg4"), Clip(320, 240), 320, 240, {4, 3}},
        {QStringLiteral("-vf scale=:"), QStringLiteral("mpeg4"), Clip(352, 288), 352, 288, {11, 9}},
        {QStringLiteral("-vf scale=641:481"), QStringLiteral("mpeg4"), Clip(), 642, 482, {16, 9}},
        {QStringLiteral("-vf scale=641:481"), QStringLiteral("h263p"), Clip(), 640, 480, {16, 9}},
        {QStringLiteral("-vf scale=4000:3000"),
         QStringLiteral("h263p"),
         Clip(),
         2048,
         1152,
         {16, 9}},
        {QStringLiteral("-vf scale=640:-2"), QStringLiteral("mpeg4"), Clip(), 640, 360, {16, 9}},
        {QStringLiteral("-vf scale=-3:480"), QStringLiteral("mpeg4"), Clip(), 854, 480, {16, 9}},
        {QStringLiteral("-vf scale=0:-1"), QStringLiteral("mpeg4"), pal, 768, 576, {4, 3}},
        {QStringLiteral("-vf scale=640:480 -lavcopts aspect=16/9"),
         QStringLiteral("mpeg4"),
         pal,
         640,
         480,
         {16, 9}},
    };
    for (const auto &c : cases) {
        const QString line
            = QStringLiteral("/in/a.mov -o /o.mov -ovc lavc -oac pcm -lavcopts vcodec=") + c.codec
            + u' ' + c.vf;
        const OutputPlan plan = Plan(line, {c.first});
        EXPECT_EQ(plan.width, c.width) << line.toStdString();
        EXPECT_EQ(plan.height, c.height) << line.toStdString();
        EXPECT_EQ(plan.displayAspect, c.aspect) << line.toStdString();
        EXPECT_TRUE(BuildFilterGraph(plan, {c.first})
                        .contains(QStringLiteral("setdar=") + c.aspect.Text()));
    }
}

TEST(EncoderMapping, FrameRate)
{
    const struct
    {
        QString options;
        Fraction firstRate;
        Fraction expected;
    } cases[] = {
        {QStringLiteral("-ofps 30"), {25, 1}, {30, 1}},
        {QString(), {30000, 1001}, {30000, 1001}}, // the first input's
        {QString(), {2997, 100}, {30000, 1001}}, // nearly a usual rate: exactly it
        {QString(), {273456, 10000}, {13673, 500}}, // variable: kept to 1/1000
        {QString(), {0, 1}, {25, 1}}, // unknown
        {QStringLiteral("-lavcopts vcodec=mpeg2video -ofps 15"), {25, 1}, {24000, 1001}},
        {QStringLiteral("-lavcopts vcodec=mpeg1video"), {30, 1}, {30, 1}},
        {QStringLiteral("-lavcopts vcodec=mpeg1video"), {12, 1}, {24000, 1001}},
    };
    for (const auto &c : cases) {
        const QString line = QStringLiteral("/in/a.mov -o /o.mov -ovc lavc -oac pcm ") + c.options;
        EXPECT_EQ(Plan(line, {Clip(320, 240, c.firstRate)}).fps, c.expected) << line.toStdString();
    }
}

TEST(EncoderMapping, EverySegmentTimedAloneAndSoundCutToItsPicture)
{
    InputMedia silent = Clip(640, 480, {24, 1}, 1.5, 0, 0);
    InputMedia late = Clip(320, 240, {30000, 1001}, 1.0, 22050, 1);
    late.videoStart = 0.5;
    const std::vector<InputMedia> inputs {Clip(), silent, late};
    const OutputPlan plan = Plan(kConversion, inputs);
    // 2.0 s, 1.5 s and 1.0 s at 30 fps
    EXPECT_EQ(plan.segmentFrames, (std::vector<int64_t> {60, 45, 30}));
    EXPECT_NEAR(plan.totalSeconds, 4.5, 1e-9);
    const QString graph = BuildFilterGraph(plan, inputs);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(graph.contains(
            QStringLiteral("[%1:v:0]setpts=PTS-STARTPTS,fps=30,scale=640:480").arg(i)));
    EXPECT_TRUE(graph.contains(QStringLiteral("trim=end_frame=45[v1]")));
    // sound: the input's, on the picture's clock, padded and cut to 2.0 s at 48000 Hz
    EXPECT_TRUE(
        graph.contains(QStringLiteral("[0:a:0]asetpts=PTS-0.000/TB,aresample=48000:first_pts=0")));
    EXPECT_TRUE(graph.contains(QStringLiteral("apad=whole_len=96000,atrim=end_sample=96000[a0]")));
    // no sound: silence exactly as long as the picture
    EXPECT_TRUE(
        graph.contains(QStringLiteral("anullsrc=r=48000:cl=stereo,atrim=end_sample=72000[a1]")));
    EXPECT_TRUE(graph.contains(QStringLiteral("[2:a:0]asetpts=PTS-0.500/TB")));
    EXPECT_TRUE(graph.contains(QStringLiteral("[v0][a0][v1][a1][v2][a2]concat=n=3:v=1:a=1[vout]")));
    // MP3 in AVI: its start-up delay is cut from the start of the sound
    EXPECT_TRUE(graph.contains(QStringLiteral("atrim=start_sample=1105")));
}

TEST(EncoderMapping, CodecDelayCutOnlyWhereTheFormatCannotHoldIt)
{
    const struct
    {
        QString ext, vcodec, audio;
        int lead;
    } cases[] = {
        {QStringLiteral(".avi"), QStringLiteral("mpeg4"), QStringLiteral("mp3lame"), 1105},
        {QStringLiteral(".avi"), QStringLiteral("mpeg4"), QStringLiteral("pcm"), 0},
        {QStringLiteral(".avi"), QStringLiteral("mpeg4"),
         QStringLiteral("lavc -lavcopts acodec=ac3"), 256},
        {QStringLiteral(".mpg"), QStringLiteral("mpeg1video"),
         QStringLiteral("lavc -lavcopts acodec=mp2"), 481},
        {QStringLiteral(".avi"), QStringLiteral("mpeg4"),
         QStringLiteral("lavc -lavcopts acodec=wmav2"), 2048},
        {QStringLiteral(".mp4"), QStringLiteral("mpeg4"),
         QStringLiteral("lavc -lavcopts acodec=aac"), 0},
        {QStringLiteral(".wmv"), QStringLiteral("wmv2"),
         QStringLiteral("lavc -lavcopts acodec=wmav2"), 0},
        {QStringLiteral(".flv"), QStringLiteral("flv"), QStringLiteral("mp3lame"), 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Plan(Join(c.ext, c.vcodec, c.audio)).audioLeadSamples, c.lead)
            << c.ext.toStdString() << ' ' << c.audio.toStdString();
}

TEST(EncoderMapping, LengthUnknown)
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
    EXPECT_TRUE(plan.lengthUnknown);
    const QString graph = BuildFilterGraph(plan, {guessed, silent});
    // pictures uncut
    EXPECT_TRUE(graph.contains(QStringLiteral("format=yuv420p[v0]")));
    EXPECT_TRUE(graph.contains(QStringLiteral("format=yuv420p[v1]")));
    EXPECT_FALSE(graph.contains(QStringLiteral("apad=whole_len"))); // it would never end
    EXPECT_TRUE(graph.contains(QStringLiteral("atrim=end_sample=0[a1]")));
    // An empty closing segment lets the concatenation pad the last input's sound too.
    EXPECT_TRUE(graph.contains(QStringLiteral("trim=end_frame=0[vend]")));
    EXPECT_TRUE(graph.contains(QStringLiteral("[v1][a1][vend][aend]concat=n=3:v=1:a=1")));

    // A known last input needs no closing segment.
    const OutputPlan known = Plan(kConversion, {guessed, Clip()});
    EXPECT_FALSE(known.lengthUnknown);
    EXPECT_FALSE(BuildFilterGraph(known, {guessed, Clip()}).contains(QStringLiteral("[vend]")));
}

} // namespace
