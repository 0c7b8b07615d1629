// The encoder's command line: the lines the program writes are read as meant, faults refused.
#include "encoder/plan/EncoderOptions.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

ParsedCommandLine Parse(const QString &line)
{
    return ParseEncoderCommandLine(line.split(u' ', Qt::SkipEmptyParts));
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
        + QStringLiteral("scale=%1:%2 format=%3 inputs=%4 ")
              .arg(side(o.scaleWidth))
              .arg(side(o.scaleHeight))
              .arg(o.format, o.inputs.join(u','))
        + QStringLiteral("volume=%1 ").arg(o.volumeDb);
}

TEST(EncoderCommandLine, ValuesReadAsMeant)
{
    const struct
    {
        const char *options, *expected;
    } cases[] = {
        // clang-format off
        // the empty boxes of the settings mean "not given"; inputs among the options
        {"-lavcopts vcodec=mpeg4:vbitrate=:mbd=2 b.avi -lavcopts abitrate= -vf scale=: -srate",
         "vbitrate=-1 abitrate=-1 aspect=auto fps= srate=-1 channels=-1 mode=0 q=2 br=128 scale=0:0 format= inputs=a.avi,b.avi "},
        // several -lavcopts merge; kbit/s up to 16000, bit/s above; the program's number syntax
        {"-lavcopts vbitrate=16000 -lavcopts abitrate=$80", "vbitrate=16000000 abitrate=128 "},
        {"-lavcopts vbitrate=16001", "vbitrate=16001 "},    {"-lavcopts vbitrate=0x1A", "vbitrate=26000 "},
        {"-ofps 29.97", "fps=2997/100 "},                   {"-ofps 30000/1001", "fps=30000/1001 "},
        {"-channels +1", "channels=1 "},                    {"-lameopts vbr=2:q=6", "mode=0 q=6 "},
        {"-lameopts abr:br=128", "mode=1 q=2 br=128 "},     {"-lameopts cbr:br=192", "mode=2 q=2 br=192 "},
        {"-lameopts vbr=0", "mode=2 "},                     {"-vf scale=0:-1", "scale=-1:0 "},
        {"-vf scale=320:-2,harddup", "scale=320:-2 "},
        // the aspect as profiles and the option builder write it
        {"-lavcopts aspect=16/9", "aspect=16/9 "},          {"-lavcopts aspect=16:9", "aspect=16/9 "},
        {"-lavcopts aspect=1.7778", "aspect=8889/5000 "},   {"-lavcopts aspect=4:3:vbitrate=500", "vbitrate=500000 abitrate=-1 aspect=4/3 "},
        {"-lavcopts aspect=16:9:autoaspect", "aspect=auto "},
        {"-of mpeg", "format=mpeg "},                       {"-of lavf", "format= "},
        {"-of lavf -lavfopts format=wmv:i_certify_that_my_video_stream_does_not_use_b_frames", "format=asf "},
        // MEncoder's gain in dB, soft clipping off; several add up
        {"-af volume=-11.25", "volume=-11.25 "},            {"-af volume=7:0,volume=+3", "volume=10 "},
        // a fit of a copy's file makes its sound, so its sound takes a gain
        {"-ovc copy -oac copy -fit vcopy=1 -af volume=-4.5", "volume=-4.5 "},
        // clang-format on
    };
    for (const auto &c : cases) {
        const ParsedCommandLine parsed = Parse(
            QStringLiteral("a.avi -o out.avi -ovc lavc -oac mp3lame ") + QLatin1String(c.options));
        EXPECT_EQ(parsed.error, QString()) << c.options;
        const QString summary = Summary(parsed.options);
        EXPECT_TRUE(summary.contains(QLatin1String(c.expected)))
            << c.options << " -> " << summary.toStdString();
    }
}

TEST(EncoderCommandLine, FaultsRefusedWithOneLineNamingThem)
{
    const struct
    {
        const char *line, *message;
    } cases[] = {
        // clang-format off
        {"-fps 25", "Unknown option: -fps"},      {"-channels", "-channels needs a value"},
        {"-ovc x264", "-ovc x264"},               {"-oac faac", "-oac faac"},
        {"-lavcopts vcodec=theora", "\"theora\""}, {"-oac lavc -lavcopts acodec=vorbis", "\"vorbis\""},
        {"-lavcopts vbitrate=fast", "\"fast\""},  {"-lavcopts vbitrate=0", "vbitrate"},
        {"-lavcopts mbd=3", "mbd"},               {"-lavcopts aspect=0:9", "aspect"},
        {"-lavcopts vhq", "\"vhq\""},             {"-oac mp3lame -lameopts q=10", "q"},
        {"-lameopts preset=standard", "preset"},  {"-channels 9", "-channels"},
        {"-srate $AC44x", "\"$AC44x\""},          {"-srate -o", "-srate"},
        {"-ofps 0", "-ofps"},                     {"-vf crop=10:10", "crop"},
        {"-vf scale=640x480", "scale"},           {"-vf scale=99999:480", "scale"},
        {"-of rawvideo", "rawvideo"},             {"-of lavf -lavfopts format=ogg", "ogg"},
        {"-ss 1:75", "-ss"},                      {"-endpos 0", "-endpos"},
        {"-ss 2 b.avi", "one input"},             {"-ss 2 -fit x b.avi", "one input"},
        {"-af volume=61", "-af volume"},          {"-af volume=-3:1", "-af volume"},
        {"-af volume", "-af volume"},             {"-af lavcresample=44100", "lavcresample"},
        {"-ovc copy -oac copy -af volume=-3", "encodes"},
        // clang-format on
    };
    for (const auto &c : cases) {
        const QString error
            = Parse(QStringLiteral("a.avi -o o.avi -ovc lavc -oac pcm ") + QLatin1String(c.line))
                  .error;
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.message)))
            << c.line << " -> " << error.toStdString();
        EXPECT_FALSE(error.isEmpty() || error.contains(u'\n')) << c.line;
    }
    // what every line needs: an input, an output and both encoders
    for (const char *line : {"-o o.avi -ovc lavc -oac pcm", "a.avi -ovc lavc -oac pcm",
                             "a.avi -o o.avi -oac pcm", "a.avi -o o.avi -ovc lavc"})
        EXPECT_FALSE(Parse(QString::fromLatin1(line)).error.isEmpty()) << line;
}

} // namespace
