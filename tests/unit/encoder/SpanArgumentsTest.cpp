// One span of an input made in the joined file's kind: a picture of the kind is copied as it
// is, moved so that its first frame is at zero, and only the sound is made, in step and as long
// as the picture; a file without sound gets silence; a whole conversion encodes both.
#include "encoder/plan/SpanArguments.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using qvj::test::S;

TEST(SpanArguments, OnlyWhatIsToBeEncodedIsEncoded)
{
    QString error;
    const auto kind = ParseFitSettings(S("vcodec=h264:size=1920x1080:fps=30:pix=yuv420p:acodec=aac:"
                                         "srate=48000:channels=2:layout=stereo:abitrate=192000"),
                                       &error);
    ASSERT_TRUE(kind) << error.toStdString();
    FitSettings silentKind = *kind;
    silentKind.audioCodec.clear();
    InputMedia mono; // 44.1 kHz mono, its picture 0.1 s after its sound
    mono.path = S("/in.mp4"), mono.hasVideo = true, mono.videoStream = 0;
    mono.videoStart = 0.1, mono.videoSeconds = 2.0;
    mono.hasAudio = true, mono.audioStream = 1, mono.sampleRate = 44100, mono.channels = 1;
    InputMedia mute = mono;
    mute.hasAudio = false, mute.audioStream = -1, mute.videoStart = 0;
    const Span whole {.to = {}, .encodePicture = true, .encodeSound = true};
    const Span sound {.to = {}, .encodeSound = true};
    const struct
    {
        const char *name;
        Span span;
        const FitSettings &kind;
        const InputMedia &media;
        QStringList has; // parts of the command line, in order
        const char *hasNot;
    } rows[] = {
        {"the sound of a file at another rate",
         sound,
         *kind,
         mono,
         {S("-itsoffset -0.100000 -i file:/in.mp4 -filter_complex [0:1]asetpts=PTS-0.000000/TB,"
            "aresample=48000:first_pts=0,aformat=sample_rates=48000:channel_layouts=stereo,"
            "apad=whole_len=96000,atrim=end_sample=96000[aout] -map 0:0 -map [aout] -c:v copy "
            "-c:a aac -b:a 192000 -ar 48000 -channel_layout stereo -f mp4")},
         "libx264"},
        {"a file without sound",
         sound,
         *kind,
         mute,
         {S("-i file:/in.mp4 -filter_complex anullsrc=r=48000:cl=stereo,atrim=end_sample=96000"
            "[aout] -map 0:0 -map [aout] -c:v copy -c:a aac")},
         "-itsoffset"},
        {"a file with sound into a kind without",
         sound,
         silentKind,
         mono,
         {S("-map 0:0 -c:v copy -an -f mp4")},
         "-filter_complex"},
        {"a whole conversion",
         whole,
         *kind,
         mono,
         {S("-i file:/in.mp4 -filter_complex [0:0]yadif"), S("[vout];[0:1]asetpts=PTS-0.100000"),
          S("-map [vout] -map [aout] -c:v libx264"), S("-c:a aac")},
         "-c:v copy"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const QString args
            = SpanArguments(row.span, row.kind, row.media, S("mp4"), S("/o")).join(u' ');
        qsizetype at = 0;
        for (const QString &part : row.has) {
            at = args.indexOf(part, at);
            EXPECT_GE(at, 0) << part.toStdString() << "\nin " << args.toStdString();
        }
        EXPECT_FALSE(args.contains(S(row.hasNot))) << args.toStdString();
    }
    // A cut, or a span copied whole, is no run of its own.
    EXPECT_EQ(
        SpanArguments({.from = 1, .to = {}, .encodeSound = true}, *kind, mono, S("mp4"), S("/o")),
        QStringList());
    EXPECT_EQ(SpanArguments({}, *kind, mono, S("mp4"), S("/o")), QStringList());
}

} // namespace
