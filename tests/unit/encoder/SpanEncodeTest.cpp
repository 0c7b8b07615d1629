// One span of an input made in the joined file's kind: a picture of the kind is copied as it
// is, moved so that its first frame is at zero, and only the sound is made, in step and as long
// as the picture; a file without sound gets silence.
#include "encoder/routes/SpanEncode.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using qvj::test::S;

TEST(SpanEncode, OnlyWhatIsToBeEncodedIsEncoded)
{
    QString error;
    const auto kind = ParseFitSettings(S("vcodec=h264:size=1920x1080:fps=30:pix=yuv420p:acodec=aac:"
                                         "srate=48000:channels=2:layout=stereo:abitrate=192000"),
                                       &error);
    ASSERT_TRUE(kind) << error.toStdString();
    FitSettings silentKind = *kind;
    silentKind.audioCodec.clear();
    FitSettings quieter = *kind; // the sound made 4.5 dB quieter
    quieter.gainDb = -4.5;
    InputMedia mono; // 44.1 kHz mono, its picture 0.1 s after its sound
    mono.path = S("/in.mp4"), mono.hasVideo = true, mono.videoStream = 0;
    mono.videoStart = 0.1, mono.videoSeconds = 2.0;
    mono.hasAudio = true, mono.audioStream = 1, mono.sampleRate = 44100, mono.channels = 1;
    InputMedia mute = mono;
    mute.hasAudio = false, mute.audioStream = -1, mute.videoStart = 0;
    InputMedia muteStream = mute; // a stream that states no length
    muteStream.videoSeconds.reset();
    const Span sound {.to = {}, .encodeSound = true};
    const struct
    {
        const char *name;
        const FitSettings &kind;
        const InputMedia &media;
        QString has; // a part of the command line
        const char *hasNot;
    } rows[] = {
        {"the sound of a file at another rate", *kind, mono,
         S("-itsoffset -0.100000 -i file:/in.mp4 -filter_complex [0:1]asetpts=PTS-0.000000/TB,"
           "aresample=48000:first_pts=0,aformat=sample_rates=48000:channel_layouts=stereo,"
           "apad=whole_len=96000,atrim=end_sample=96000[aout] -map 0:0 -map [aout] -c:v copy "
           "-c:a aac -b:a 192000 -ar 48000 -channel_layout stereo -f mp4"),
         "libx264"},
        {"a file without sound", *kind, mute,
         S("-i file:/in.mp4 -filter_complex anullsrc=r=48000:cl=stereo,atrim=end_sample=96000"
           "[aout] -map 0:0 -map [aout] -c:v copy -c:a aac"),
         "-itsoffset"},
        {"a stream of unknown length without sound", *kind, muteStream,
         S("-filter_complex anullsrc=r=48000:cl=stereo[aout] -map 0:0 -shortest -map [aout]"),
         "atrim"},
        {"the sound of a file with a gain", quieter, mono,
         S("channel_layouts=stereo,volume=-4.50dB,apad=whole_len=96000"), "libx264"},
        {"a file with sound into a kind without", silentKind, mono,
         S("-map 0:0 -c:v copy -an -f mp4"), "-filter_complex"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const QString args = EncodeSpanArguments(sound, row.kind, S("mp4"), row.media, S("/o"))
                                 .arguments.join(u' ');
        EXPECT_TRUE(args.contains(row.has)) << args.toStdString();
        EXPECT_FALSE(args.contains(S(row.hasNot))) << args.toStdString();
    }
    // A cut, or a span copied whole, is no run of its own.
    EXPECT_EQ(EncodeSpanArguments({.from = 1, .to = {}, .encodeSound = true}, *kind, S("mp4"), mono,
                                  S("/o"))
                  .arguments,
              QStringList());
    EXPECT_EQ(EncodeSpanArguments({}, *kind, S("mp4"), mono, S("/o")).arguments, QStringList());

    // One of several pictures a run makes: its own input and label, and where its output begins.
    const SpanEncode third = EncodeSpanArguments({.to = 1.0, .encodePicture = true}, *kind,
                                                 S("mp4"), mono, S("/o"), {}, {}, 3);
    const QStringList output = third.arguments.mid(third.outputAt);
    EXPECT_EQ(output.value(0), S("-filter_complex"));
    EXPECT_TRUE(output.value(1).startsWith(S("[3:0]"))) << output.value(1).toStdString();
    EXPECT_TRUE(output.value(1).endsWith(S("[v3]"))) << output.value(1).toStdString();
    EXPECT_EQ(output.mid(2, 2), (QStringList {S("-map"), S("[v3]")}));
    EXPECT_FALSE(output.contains(S("[aout]")));
}

} // namespace
