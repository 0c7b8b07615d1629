// From the encoder's options and its inputs to ffmpeg's arguments.
#include "encoder/FfmpegPlan.h"
#include "common/TestSupport.h"
#include "encoder/FfmpegArguments.h"
#include "encoder/FilterGraph.h"

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
    EXPECT_TRUE(conversion.endsWith(u" -f avi TARGET"));
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
        EXPECT_TRUE(args.endsWith(QStringLiteral(" -f %1 TARGET").arg(QLatin1String(c.muxer))))
            << line.toStdString();
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
        const OutputPlan plan = Plan(line, c.first);
        EXPECT_EQ(plan.width, c.width) << c.options;
        EXPECT_EQ(plan.height, c.height) << c.options;
        EXPECT_EQ(plan.displayAspect, c.aspect) << c.options;
        EXPECT_EQ(plan.fps, c.fps) << c.options;
        EXPECT_TRUE(BuildFilterGraph(plan, {c.first}).contains(u"setdar=" + c.aspect.Text()));
    }
}

} // namespace
