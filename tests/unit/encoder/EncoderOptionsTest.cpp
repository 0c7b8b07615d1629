// The encoder's command line: the lines the program writes are read as meant, faults refused.
#include "encoder/EncoderOptions.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

QStringList Split(const QString &line)
{
    return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

EncoderOptions Accept(const QString &line)
{
    const ParsedCommandLine parsed = ParseEncoderCommandLine(Split(line));
    EXPECT_EQ(parsed.error, QString()) << line.toStdString();
    return parsed.options;
}

TEST(EncoderCommandLine, EmptyBoxesOfTheSettingsMeanNotGiven)
{
    // "vbitrate=", "abitrate=", "scale=:", a "-srate" that ends the line; "-oac pcm   -channels"
    // leaves no empty arguments behind. Inputs and options come in any order.
    const EncoderOptions o = Accept(QStringLiteral(
        "/t/0.avi -o /out/movie.avi -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=:mbd=2:autoaspect"
        " -oac pcm /t/1.avi -lavcopts acodec=mp2:abitrate= -channels 2 -vf scale=: -srate"));
    EXPECT_EQ(o.inputs, Split(QStringLiteral("/t/0.avi /t/1.avi")));
    EXPECT_FALSE(o.videoBitrate);
    EXPECT_FALSE(o.audioBitrateKbit);
    EXPECT_FALSE(o.sampleRate);
    EXPECT_FALSE(o.aspect);
    EXPECT_EQ(o.scaleWidth.kind, ScaleSide::Original);
    EXPECT_EQ(o.audioEncoder, AudioEncoder::Pcm);
}

// Every value the cases look at, in one line.
QString Summary(const EncoderOptions &o)
{
    auto side = [](const ScaleSide &s) { return s.kind == ScaleSide::Fixed ? s.pixels : -s.kind; };
    return QStringLiteral("vbitrate=%1 abitrate=%2 aspect=%3 fps=%4 srate=%5 channels=%6 "
                          "mode=%7 q=%8 br=%9 ")
               .arg(o.videoBitrate.value_or(-1))
               .arg(o.audioBitrateKbit.value_or(-1))
               .arg(o.aspect ? o.aspect->Text() : QStringLiteral("auto"))
               .arg(o.outputFps ? o.outputFps->Text() : QString())
               .arg(o.sampleRate.value_or(-1))
               .arg(o.channels.value_or(-1))
               .arg(int(o.mp3Mode))
               .arg(o.mp3Quality)
               .arg(o.mp3BitrateKbit)
        + QStringLiteral("scale=%1:%2 format=%3 ")
              .arg(side(o.scaleWidth))
              .arg(side(o.scaleHeight))
              .arg(o.format);
}

TEST(EncoderCommandLine, ValuesReadAsMeant)
{
    const struct
    {
        const char *options, *expected;
    } cases[] = {
        // clang-format off
        // kbit/s up to 16000, bit/s above; the program's number syntax throughout
        {"-lavcopts vbitrate=16000", "vbitrate=16000000 "}, {"-lavcopts vbitrate=16001", "vbitrate=16001 "},
        {"-lavcopts vbitrate=$A0", "vbitrate=160000 "},     {"-lavcopts vbitrate=0x1A", "vbitrate=26000 "},
        {"-lavcopts vbitrate=+5", "vbitrate=5000 "},        {"-lavcopts abitrate=$80", "abitrate=128 "},
        {"-ofps 29.97", "fps=2997/100 "},                   {"-ofps 30000/1001", "fps=30000/1001 "},
        {"-ofps $19", "fps=25 "},                           {"-srate 0xAC44", "srate=44100 "},
        {"-channels +1", "channels=1 "},                    {"-lameopts vbr=2:q=6", "mode=0 q=6 "},
        {"-lameopts abr:br=128", "mode=1 q=2 br=128 "},     {"-lameopts cbr:br=$C0", "mode=2 q=2 br=192 "},
        {"-lameopts vbr=0", "mode=2 "},                     {"-vf scale=$280:-2", "scale=640:-2 "},
        {"-vf scale=0:-1", "scale=-1:0 "},                  {"-vf scale=320:240,harddup", "scale=320:240 "},
        // the aspect as profiles and the option builder write it
        {"-lavcopts aspect=16/9", "aspect=16/9 "},          {"-lavcopts aspect=16:9", "aspect=16/9 "},
        {"-lavcopts aspect=1.7778", "aspect=8889/5000 "},   {"-lavcopts aspect=4:3:vbitrate=500", "vbitrate=500000 abitrate=-1 aspect=4/3 "},
        {"-lavcopts aspect=16:9:autoaspect", "aspect=auto "},
        {"-of avi", "format=avi "},                         {"-of mpeg", "format=mpeg "},
        {"-of lavf -lavfopts format=mp4", "format=mp4 "},   {"-of lavf", "format= "},
        {"-of lavf -lavfopts format=wmv:i_certify_that_my_video_stream_does_not_use_b_frames", "format=asf "},
        // clang-format on
    };
    for (const auto &c : cases) {
        const QString summary = Summary(Accept(QStringLiteral("in.avi -o out.avi -ovc lavc -oac "
                                                              "mp3lame ")
                                               + QLatin1String(c.options)));
        EXPECT_TRUE(summary.contains(QLatin1String(c.expected)))
            << c.options << " -> " << summary.toStdString();
    }
}

TEST(EncoderCommandLine, FaultsRefusedWithOneLineNamingThem)
{
    const struct
    {
        const char *options, *message;
    } cases[] = {
        // clang-format off
        {"-fps 25", "Unknown option: -fps"},      {"-channels", "-channels needs a value"},
        {"-ovc x264", "-ovc x264"},               {"-oac faac", "-oac faac"},
        {"-lavcopts vcodec=theora", "\"theora\""}, {"-oac lavc -lavcopts acodec=vorbis", "\"vorbis\""},
        {"-lavcopts vbitrate=fast", "\"fast\""},  {"-lavcopts vbitrate=0", "vbitrate"},
        {"-lavcopts mbd=3", "mbd"},               {"-lavcopts aspect=0:9", "aspect"},
        {"-lavcopts vhq", "\"vhq\""},             {"-oac mp3lame -lameopts q=10", "q"},
        {"-lameopts preset=standard", "preset"},  {"-channels 9", "-channels"},
        {"-srate 44k", "-srate"},                 {"-srate -o", "-srate"},
        {"-ofps 0", "-ofps"},                     {"-vf crop=10:10", "crop"},
        {"-vf scale=640x480", "scale"},           {"-vf scale=99999:480", "scale"},
        {"-of rawvideo", "rawvideo"},             {"-of lavf -lavfopts format=ogg", "ogg"},
        // clang-format on
    };
    for (const auto &c : cases) {
        const QString line
            = QStringLiteral("a.avi -o o.avi -ovc lavc -oac pcm ") + QString::fromLatin1(c.options);
        const QString error = ParseEncoderCommandLine(Split(line)).error;
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.message)))
            << c.options << " -> " << error.toStdString();
        EXPECT_FALSE(error.contains(QLatin1Char('\n')));
    }
    for (const char *line : {"-o o.avi -ovc lavc -oac pcm", "a.avi -ovc lavc -oac pcm",
                             "a.avi -o o.avi -oac pcm", "a.avi -o o.avi -ovc lavc"})
        EXPECT_FALSE(ParseEncoderCommandLine(Split(QString::fromLatin1(line))).error.isEmpty())
            << line;
}

} // namespace
