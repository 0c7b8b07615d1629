// From the encoder's options and its inputs to ffmpeg's arguments.
#include "encoder/plan/FfmpegPlan.h"
#include "common/TestSupport.h"
#include "encoder/plan/FfmpegArguments.h"
#include "encoder/plan/FilterGraph.h"

#include <gtest/gtest.h>

namespace {

InputMedia Clip(int w = 1280, int h = 720, Fraction fps = {25, 1})
{
    InputMedia m;
    m.path = QStringLiteral("/in/clip.mp4");
    m.hasVideo = m.hasAudio = true;
    m.width = w;
    m.height = h;
    m.frameRate = fps;
    m.videoSeconds = 2.0;
    m.audioStream = 1;
    m.sampleRate = 48000;
    m.channels = 2;
    return m;
}

EncoderOptions Options(const QString &line)
{
    const ParsedCommandLine parsed
        = ParseEncoderCommandLine(line.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    EXPECT_EQ(parsed.error, QString()) << line.toStdString();
    return parsed.options;
}

OutputPlan Plan(const QString &line, const InputMedia &first = Clip())
{
    QString error;
    const auto plan = PlanOutput(Options(line), {first}, &error);
    EXPECT_TRUE(plan) << line.toStdString() << ": " << error.toStdString();
    return plan.value_or(OutputPlan {});
}

// The arguments as one text; the filter graph holds no blanks.
QString Args(const QString &line)
{
    return BuildFfmpegArguments(Options(line), Plan(line), {Clip()}, QStringLiteral("TARGET"))
        .join(u' ');
}

// The join stage's line as the option builder writes it.
QString Join(const QString &ext, const QString &vcodec = QStringLiteral("mpeg4"),
             const QString &audio = QStringLiteral("mp3lame -lameopts vbr=2:q=6"))
{
    return QStringLiteral("/t/0.avi /t/1.avi -o /out/movie%1 -ovc lavc -lavcopts "
                          "vcodec=%2:vbitrate=1000:mbd=2:autoaspect -oac %3 -channels 2 "
                          "-vf scale=640:480 -srate 44100")
        .arg(ext, vcodec, audio);
}

TEST(EncoderMapping, CodecsBitratesAndContainers)
{
    // The conversion stage: no bitrate, so constant quality, MP3 in AVI.
    const QString conversion = Args(QStringLiteral(
        "/in/clip.mp4 -o /t/0.avi -oac mp3lame -ovc lavc -ofps 30 -vf scale=640:480"));
    EXPECT_TRUE(conversion.contains(u"-i file:/in/clip.mp4 "));
    EXPECT_TRUE(conversion.contains(u" -c:v mpeg4 -q:v 2 -c:a libmp3lame -q:a 2 "));
    EXPECT_TRUE(conversion.endsWith(u" -f avi -truncate 0 TARGET"));
    EXPECT_FALSE(conversion.contains(u"-b:v"));

    const struct
    {
        // expected: parts of the arguments, split by "|"; no muxer: refused with that message
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
        {".mp4", "libx264", "lavc -lavcopts acodec=aac:abitrate=128", "-c:v libx264 -b:v 1000000 -c:a aac -b:a 128k", "mp4"},
        {".mov", "mjpeg", "pcm", "format=yuvj420p", "mov"},
        {".vob", "mpeg2video", "lavc -lavcopts acodec=ac3", "-c:v mpeg2video", "vob"},
        {".wmv", "wmv2", "lavc -lavcopts acodec=wmav2:abitrate=16", "-c:a wmav2 -b:a 24k", "asf"},
        {".mkv", "h263p", "pcm", "-c:v h263p", "matroska"},
        {".unknown", "msmpeg4", "pcm", "-c:v msmpeg4", "avi"},
        {".avi -of mpeg", "mpeg4", "pcm", "-c:v mpeg4", "mpeg"},
        {".avi -of lavf -lavfopts format=mov", "mpeg4", "pcm", "-c:v mpeg4", "mov"},
        // the sound's start-up delay is cut where the format cannot hold it
        {".avi", "mpeg4", "lavc -lavcopts acodec=ac3", "atrim=start_sample=256,", "avi"},
        {".mpg", "mpeg1video", "lavc -lavcopts acodec=mp2", "atrim=start_sample=481,", "mpeg"},
        {".avi", "mpeg4", "lavc -lavcopts acodec=wmav2", "atrim=start_sample=2048,", "avi"},
        {".mp4", "mpeg4", "lavc -lavcopts acodec=aac", "concat=n=1:v=1:a=1[vout][aout]", "mp4"},
        // sound values made to fit the codec
        {".avi -srate 22050", "mpeg4", "lavc -lavcopts acodec=ac3:abitrate=100", "rates=32000:channel_layouts=stereo|-b:a 96k", "avi"},
        {".flv -srate 48000", "flv", "mp3lame", "rates=44100:", "flv"},
        {".avi -channels 6", "mpeg4", "mp3lame", "layouts=stereo", "avi"},
        {".avi -channels 8", "mpeg4", "lavc -lavcopts acodec=ac3", "layouts=5.1|-b:a 224k", "avi"},
        {".mpg -srate 22050", "mpeg2video", "lavc -lavcopts acodec=mp2:abitrate=384", "rates=22050:|-b:a 160k", "mpeg"},
        // combinations a format cannot hold
        {".mp4", "mpeg4", "pcm", "The mp4 format cannot hold pcm_s16le sound", nullptr},
        {".mpg", "wmv2", "pcm", "wmv2", nullptr},
        {".vob", "mpeg2video", "lavc -lavcopts acodec=aac", "aac", nullptr},
        // clang-format on
    };
    for (const auto &c : cases) {
        // options after the extension end the line, after the join line's own
        const QString ext = QString::fromLatin1(c.ext);
        const QString line = Join(ext.section(u' ', 0, 0), QString::fromLatin1(c.vcodec),
                                  QString::fromLatin1(c.audio))
            + u' ' + ext.section(u' ', 1);
        QString error;
        const bool planned = PlanOutput(Options(line), {Clip()}, &error).has_value();
        EXPECT_EQ(error, FormatRefusal(Options(line)));
        if (!c.muxer) {
            EXPECT_FALSE(planned) << line.toStdString();
            EXPECT_TRUE(error.contains(QLatin1String(c.expected))) << error.toStdString();
            continue;
        }
        const QString args = Args(line);
        for (const QString &part : QString::fromLatin1(c.expected).split(u'|'))
            EXPECT_TRUE(args.contains(part)) << part.toStdString() << " in " << args.toStdString();
        EXPECT_TRUE(
            args.endsWith(QStringLiteral(" -f %1 -truncate 0 TARGET").arg(QLatin1String(c.muxer))))
            << line.toStdString();
    }
}

InputMedia Shaped(int w, int h, Fraction sar, int rotation = 0)
{
    InputMedia m = Clip(w, h);
    m.pixelAspect = sar;
    m.rotation = rotation;
    return m;
}

TEST(EncoderMapping, PictureSizeAspectAndRate)
{
    const InputMedia pal = Shaped(720, 576, {16, 15});
    const InputMedia dvd = Shaped(720, 576, {64, 45}); // shown 16:9
    const InputMedia upright = Shaped(640, 360, {1, 1}, 90); // a phone held upright
    const struct
    {
        const char *options;
        InputMedia first;
        int width, height;
        Fraction aspect, fps;
        const char *placed; // the picture's size in the frame, and its bars
    } cases[] = {
        // clang-format off
        // a named size has its own shape, unless an aspect is asked for
        {"-vf scale=640:480 -ofps 30", Clip(), 640, 480, {4, 3}, {30, 1}, "scale=640:360,pad=640:480:0:60:black,"},
        {"", Clip(320, 240, {30000, 1001}), 320, 240, {4, 3}, {30000, 1001}, "scale=320:240,setdar"}, // the first input's
        {"-vf scale=:", Clip(352, 288, {2997, 100}), 352, 288, {11, 9}, {30000, 1001}, "scale=352:288,setdar"}, // nearly usual: exactly it
        {"-vf scale=641:481", Clip(1280, 720, {273456, 10000}), 642, 482, {321, 241}, {13673, 500}, "scale=642:362,pad=642:482:0:60:black,"}, // variable: to 1/1000
        {"-vf scale=641:481 -lavcopts vcodec=h263p", Clip(1280, 720, {0, 1}), 640, 480, {4, 3}, {25, 1}, "pad=640:480:0:60:black,"}, // unknown
        {"-vf scale=4000:3000 -lavcopts vcodec=h263p", Clip(), 2048, 1152, {16, 9}, {25, 1}, "scale=2048:1152,setdar"},
        {"-vf scale=640:-2 -lavcopts vcodec=mpeg2video -ofps 15", Clip(), 640, 360, {16, 9}, {24000, 1001}, "scale=640:360,setdar"},
        {"-vf scale=-3:480 -lavcopts vcodec=mpeg1video", Clip(1280, 720, {12, 1}), 854, 480, {427, 240}, {24000, 1001}, "scale=854:480,setdar"},
        {"-vf scale=0:-1", pal, 768, 576, {4, 3}, {25, 1}, "scale=768:576,setdar"},
        {"-vf scale=640:480 -lavcopts aspect=16/9", pal, 640, 480, {16, 9}, {25, 1}, "scale=480:480,pad=640:480:80:0:black,"},
        // anamorphic, turned, odd: each keeps its shape on screen
        {"-vf scale=640:480", dvd, 640, 480, {4, 3}, {25, 1}, "scale=640:360,pad=640:480:0:60:black,"},
        {"-vf scale=1280:720", dvd, 1280, 720, {16, 9}, {25, 1}, "scale=1280:720,setdar"},
        {"-vf scale=1280:720", upright, 1280, 720, {16, 9}, {25, 1}, "scale=406:720,pad=1280:720:436:0:black,"},
        {"", upright, 360, 640, {9, 16}, {25, 1}, "scale=360:640,setdar"},
        {"-vf scale=0:-2", upright, 360, 640, {9, 16}, {25, 1}, "scale=360:640,setdar"},
        {"-vf scale=640:480", Clip(321, 241), 640, 480, {4, 3}, {25, 1}, "scale=640:480,setdar"}, // within 1 %
        {"-vf scale=640:480", Clip(326, 240), 640, 480, {4, 3}, {25, 1}, "scale=640:472,pad=640:480:0:4:black,"}, // 1.9 % off
        // clang-format on
    };
    for (const auto &c : cases) {
        const QString line
            = QStringLiteral("/in/a.mov -o /o.mov -ovc lavc -oac pcm ") + QLatin1String(c.options);
        const OutputPlan plan = Plan(line, c.first);
        EXPECT_EQ(plan.width, c.width) << c.options;
        EXPECT_EQ(plan.height, c.height) << c.options;
        EXPECT_EQ(plan.displayAspect.Text(), c.aspect.Text()) << c.options;
        EXPECT_EQ(plan.fps, c.fps) << c.options;
        const QString graph = BuildFilterGraph(plan, {c.first});
        EXPECT_TRUE(graph.contains(u"setdar=" + c.aspect.Text())) << c.options;
        EXPECT_TRUE(graph.contains(QLatin1String(c.placed)))
            << c.options << ": " << graph.toStdString();
    }
}

TEST(EncoderMapping, EveryInputOnThePicturesClockFromItsChosenStreams)
{
    // A transport stream whose clock starts at 1.4 s, its picture 5 ms later, sound on its
    // third stream; a file of unknown length; a clip without sound.
    InputMedia ts = Clip();
    ts.formatStart = 1.4;
    ts.videoStart = 1.405333;
    ts.audioStream = 2;
    InputMedia open = Clip();
    open.videoSeconds.reset();
    open.videoStream = 1;
    InputMedia mute = Clip();
    mute.hasAudio = false;
    const QString line = QStringLiteral("/a /b /c -o /o.avi -ovc lavc -oac pcm -vf scale=1280:720 "
                                        "-srate 48000 -ofps 30000/1001");
    QString error;
    const auto plan = PlanOutput(Options(line), {ts, open, mute}, &error);
    ASSERT_TRUE(plan) << error.toStdString();
    const QStringList chains = BuildFilterGraph(*plan, {ts, open, mute}).split(u';');
    // 2.0 s at 30000/1001 is 60 frames, and 60 * 1001/30000 s of sound at 48 kHz.
    for (const char *part :
         {"[0:0]yadif=deint=interlaced,setpts=PTS-0.005333/TB,fps=30000/1001:start_time=0",
          ",trim=end_frame=60[v0]", "[0:2]asetpts=PTS-0.005333/TB,aresample=48000:first_pts=0,",
          "atrim=end_sample=96096[a0]", "[1:1]yadif=deint=interlaced,setpts=PTS-0.000000/TB,",
          "anullsrc=r=48000:cl=stereo"})
        EXPECT_TRUE(chains.join(u';').contains(QLatin1String(part))) << part;
    EXPECT_FALSE(chains.at(2).contains(u"trim")); // read to its end
}

} // namespace
