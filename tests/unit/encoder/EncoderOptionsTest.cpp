// The encoder's command line: the lines the program writes are read as meant, faults refused.
#include "encoder/EncoderOptions.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

QStringList Split(const QString &line)
{
    return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

EncoderOptions Accept(const QStringList &args)
{
    const ParsedCommandLine parsed = ParseEncoderCommandLine(args);
    EXPECT_EQ(parsed.error, QString()) << args.join(QLatin1Char(' ')).toStdString();
    return parsed.options;
}

const QStringList kJoinHead {QStringLiteral("/t/0.avi"), QStringLiteral("/t/1.avi"),
                             QStringLiteral("-o"), QStringLiteral("/out/movie.avi")};

TEST(EncoderCommandLine, ConversionLineGivesFixedIntermediateSettings)
{
    const EncoderOptions o
        = Accept({QStringLiteral("/v/my clip.mpg"), QStringLiteral("-o"),
                  QStringLiteral("/t/0.avi"), QStringLiteral("-oac"), QStringLiteral("mp3lame"),
                  QStringLiteral("-ovc"), QStringLiteral("lavc"), QStringLiteral("-ofps"),
                  QStringLiteral("30"), QStringLiteral("-vf"), QStringLiteral("scale=640:480")});
    EXPECT_EQ(o.inputs, QStringList {QStringLiteral("/v/my clip.mpg")});
    EXPECT_EQ(o.output, QStringLiteral("/t/0.avi"));
    EXPECT_EQ(o.audioEncoder, AudioEncoder::Mp3Lame);
    EXPECT_EQ(o.outputFps, (Fraction {30, 1}));
    EXPECT_TRUE(o.scale);
    EXPECT_EQ(o.scaleWidth, (ScaleSide {ScaleSide::Fixed, 640}));
    EXPECT_EQ(o.scaleHeight, (ScaleSide {ScaleSide::Fixed, 480}));
    EXPECT_FALSE(o.videoBitrate); // constant quality for the intermediate
    EXPECT_EQ(o.videoCodec, QStringLiteral("mpeg4"));
    EXPECT_FALSE(o.sampleRate);
    EXPECT_TRUE(o.format.isEmpty());
}

TEST(EncoderCommandLine, JoinLineWithMp3VbrKeepsVideoAndSoundOptions)
{
    const EncoderOptions o = Accept(
        kJoinHead
        + Split(QStringLiteral(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect"
                               " -oac mp3lame -lameopts vbr=2:q=6 -channels 2 -vf scale=640:480"
                               " -srate 44100")));
    EXPECT_EQ(o.inputs.size(), 2);
    EXPECT_EQ(o.videoBitrate, 1000000);
    EXPECT_EQ(o.macroblockDecision, 2);
    EXPECT_FALSE(o.aspect);
    EXPECT_EQ(o.mp3Mode, Mp3Mode::Vbr);
    EXPECT_EQ(o.mp3Quality, 6);
    EXPECT_EQ(o.channels, 2);
    EXPECT_EQ(o.sampleRate, 44100);
}

TEST(EncoderCommandLine, JoinLineWithLavcSoundMergesBothLavcopts)
{
    const EncoderOptions o = Accept(
        kJoinHead
        + Split(QStringLiteral(" -ovc lavc -lavcopts vcodec=wmv2:vbitrate=800:mbd=2:aspect=4:3"
                               " -oac lavc -lavcopts acodec=ac3:abitrate=192 -channels 6"
                               " -vf scale=720:576 -srate 48000")));
    EXPECT_EQ(o.videoCodec, QStringLiteral("wmv2")); // not wiped out by the audio -lavcopts
    EXPECT_EQ(o.videoBitrate, 800000);
    EXPECT_EQ(o.aspect, (Fraction {4, 3}));
    EXPECT_EQ(o.audioEncoder, AudioEncoder::Lavc);
    EXPECT_EQ(o.audioCodec, QStringLiteral("ac3"));
    EXPECT_EQ(o.audioBitrateKbit, 192);
    EXPECT_EQ(o.channels, 6);
}

TEST(EncoderCommandLine, PcmLineWhoseEmptyPartsVanishedInSplitting)
{
    // "-oac pcm   -channels 2": the two empty parts give no arguments at all.
    const EncoderOptions o = Accept(
        kJoinHead
        + Split(QStringLiteral(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect"
                               " -oac pcm   -channels 2 -vf scale=640:480 -srate 44100")));
    EXPECT_EQ(o.audioEncoder, AudioEncoder::Pcm);
    EXPECT_EQ(o.channels, 2);
}

TEST(EncoderCommandLine, EmptyBoxesMeanNotGiven)
{
    // An empty sample rate leaves "-srate" last; empty bitrates leave "vbitrate=", "abitrate=";
    // an empty manual size gives "scale=:".
    const EncoderOptions o = Accept(
        kJoinHead
        + Split(QStringLiteral(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=:mbd=2:autoaspect"
                               " -oac lavc -lavcopts acodec=mp2:abitrate= -channels 2"
                               " -vf scale=: -srate")));
    EXPECT_FALSE(o.videoBitrate);
    EXPECT_FALSE(o.audioBitrateKbit);
    EXPECT_FALSE(o.sampleRate);
    EXPECT_EQ(o.scaleWidth.kind, ScaleSide::Original);
    EXPECT_EQ(o.scaleHeight.kind, ScaleSide::Original);
}

TEST(EncoderCommandLine, OptionsAndInputsInAnyOrder)
{
    const EncoderOptions o = Accept(Split(
        QStringLiteral("-oac pcm a.avi -o out.avi -ovc lavc b.avi -lavcopts vcodec=mjpeg c.avi")));
    EXPECT_EQ(
        o.inputs,
        (QStringList {QStringLiteral("a.avi"), QStringLiteral("b.avi"), QStringLiteral("c.avi")}));
    EXPECT_EQ(o.videoCodec, QStringLiteral("mjpeg"));
}

struct ValueCase
{
    const char *option;
    const char *value;
    const char *what; // which field the expectation looks at
    double expected;
};

class EncoderValues : public ::testing::TestWithParam<ValueCase>
{
};

double Field(const EncoderOptions &o, const QString &what)
{
    if (what == u"vbitrate")
        return double(o.videoBitrate.value_or(-1));
    if (what == u"abitrate")
        return o.audioBitrateKbit.value_or(-1);
    if (what == u"aspect")
        return o.aspect ? o.aspect->Value() : -1;
    if (what == u"fps")
        return o.outputFps ? o.outputFps->Value() : -1;
    if (what == u"srate")
        return o.sampleRate.value_or(-1);
    if (what == u"channels")
        return o.channels.value_or(-1);
    if (what == u"q")
        return o.mp3Quality;
    if (what == u"br")
        return o.mp3BitrateKbit;
    if (what == u"mode")
        return double(int(o.mp3Mode));
    if (what == u"width")
        return o.scaleWidth.kind == ScaleSide::Fixed ? o.scaleWidth.pixels
                                                     : -int(o.scaleWidth.kind);
    if (what == u"height")
        return o.scaleHeight.kind == ScaleSide::Fixed ? o.scaleHeight.pixels
                                                      : -int(o.scaleHeight.kind);
    return -99;
}

TEST_P(EncoderValues, ReadAsMeant)
{
    const ValueCase &c = GetParam();
    QStringList args = Split(QStringLiteral("in.avi -o out.avi -ovc lavc -oac mp3lame"));
    args << QString::fromLatin1(c.option) << QString::fromUtf8(c.value);
    const EncoderOptions o = Accept(args);
    EXPECT_NEAR(Field(o, QString::fromLatin1(c.what)), c.expected, 1e-3)
        << c.option << ' ' << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Table, EncoderValues,
    ::testing::Values(
        // kbit/s up to 16000, bit/s above; the program's number syntax throughout
        ValueCase {"-lavcopts", "vbitrate=16000", "vbitrate", 16000000},
        ValueCase {"-lavcopts", "vbitrate=16001", "vbitrate", 16001},
        ValueCase {"-lavcopts", "vbitrate=$A0", "vbitrate", 160000},
        ValueCase {"-lavcopts", "vbitrate=0x1A", "vbitrate", 26000},
        ValueCase {"-lavcopts", "vbitrate=+5", "vbitrate", 5000},
        ValueCase {"-lavcopts", "vbitrate= 800", "vbitrate", 800000},
        ValueCase {"-lavcopts", "abitrate=$80", "abitrate", 128},
        // the aspect as the profiles and the option builder write it
        ValueCase {"-lavcopts", "aspect=16/9", "aspect", 16.0 / 9},
        ValueCase {"-lavcopts", "aspect=16:9", "aspect", 16.0 / 9},
        ValueCase {"-lavcopts", "aspect=4:3:vbitrate=500", "aspect", 4.0 / 3},
        ValueCase {"-lavcopts", "aspect=1.7778", "aspect", 1.7778},
        ValueCase {"-lavcopts", "aspect=2.35:1", "aspect", 2.35},
        ValueCase {"-lavcopts", "aspect=16:9:autoaspect", "aspect", -1},
        ValueCase {"-ofps", "29.97", "fps", 29.97},
        ValueCase {"-ofps", "30000/1001", "fps", 30000.0 / 1001},
        ValueCase {"-ofps", "$19", "fps", 25}, ValueCase {"-srate", "0xAC44", "srate", 44100},
        ValueCase {"-channels", "+1", "channels", 1},
        ValueCase {"-lameopts", "abr:br=128", "mode", int(Mp3Mode::Abr)},
        ValueCase {"-lameopts", "abr:br=128", "br", 128},
        ValueCase {"-lameopts", "cbr:br=$C0", "br", 192},
        ValueCase {"-lameopts", "vbr=0", "mode", int(Mp3Mode::Cbr)},
        ValueCase {"-lameopts", "vbr=3", "mode", int(Mp3Mode::Abr)},
        ValueCase {"-lameopts", "VBR:br=224", "mode", int(Mp3Mode::Vbr)},
        ValueCase {"-lameopts", "vbr=2:q=6", "q", 6},
        ValueCase {"-vf", "scale=720:576", "width", 720},
        ValueCase {"-vf", "scale=720:576", "height", 576},
        ValueCase {"-vf", "scale=$280:-2", "width", 640},
        ValueCase {"-vf", "scale=640:-2", "height", -int(ScaleSide::FromOther)},
        ValueCase {"-vf", "scale=0:-1", "width", -int(ScaleSide::Display)},
        ValueCase {"-vf", "scale=320:240,harddup", "width", 320}));

struct Refusal
{
    const char *line;
    const char *message; // part of the one line the encoder prints
};

class EncoderRefusals : public ::testing::TestWithParam<Refusal>
{
};

TEST_P(EncoderRefusals, NameTheFault)
{
    const ParsedCommandLine parsed
        = ParseEncoderCommandLine(Split(QString::fromUtf8(GetParam().line)));
    EXPECT_TRUE(parsed.error.contains(QString::fromUtf8(GetParam().message)))
        << GetParam().line << " -> " << parsed.error.toStdString();
    EXPECT_FALSE(parsed.error.contains(QLatin1Char('\n')));
}

INSTANTIATE_TEST_SUITE_P(
    Table, EncoderRefusals,
    ::testing::Values(
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -fps 25", "Unknown option: -fps"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -o", "-o needs a value"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -channels", "-channels needs a value"},
        Refusal {"a.avi -o o.avi -ovc x264 -oac pcm", "-ovc x264"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac faac", "-oac faac"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -lavcopts vcodec=theora", "\"theora\""},
        Refusal {"a.avi -o o.avi -ovc lavc -oac lavc -lavcopts acodec=vorbis", "\"vorbis\""},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -lavcopts vbitrate=fast", "\"fast\""},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -lavcopts vbitrate=0", "vbitrate"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -lavcopts vbitrate=-5", "vbitrate"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -lavcopts mbd=3", "mbd"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -lavcopts aspect=wide", "aspect"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -lavcopts aspect=0:9", "aspect"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -lavcopts vhq", "\"vhq\""},
        Refusal {"a.avi -o o.avi -ovc lavc -oac mp3lame -lameopts q=10", "q"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac mp3lame -lameopts vbr=5", "vbr"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac mp3lame -lameopts preset=standard", "preset"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -channels 9", "-channels"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -srate 44k", "-srate"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -srate -o", "-srate"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -ofps 0", "-ofps"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -vf crop=10:10", "crop"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -vf scale=640x480", "scale"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -vf scale=-7:480", "scale"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -vf scale=99999:480", "scale"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -of rawvideo", "rawvideo"},
        Refusal {"a.avi -o o.avi -ovc lavc -oac pcm -of lavf -lavfopts format=ogg", "ogg"},
        Refusal {"-o o.avi -ovc lavc -oac pcm", "No input"},
        Refusal {"a.avi -ovc lavc -oac pcm", "No output"},
        Refusal {"a.avi -o o.avi -oac pcm", "-ovc"}, Refusal {"a.avi -o o.avi -ovc lavc", "-oac"}));

TEST(EncoderCommandLine, FormatFromOfAndLavfopts)
{
    const struct
    {
        const char *args;
        const char *format;
    } cases[] = {
        {"-of avi", "avi"},
        {"-of mpeg", "mpeg"},
        {"-of lavf -lavfopts format=mp4", "mp4"},
        {"-of lavf -lavfopts format=wmv:i_certify_that_my_video_stream_does_not_use_b_frames",
         "asf"},
        {"-lavfopts format=flv", "flv"},
        {"-of lavf", ""},
        {"", ""},
    };
    for (const auto &c : cases) {
        const EncoderOptions o = Accept(
            Split(QStringLiteral("a -o b -ovc lavc -oac pcm ") + QString::fromLatin1(c.args)));
        EXPECT_EQ(o.format, QString::fromLatin1(c.format)) << c.args;
    }
}

} // namespace
