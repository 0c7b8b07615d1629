// The encoder run by hand in awkward places: names that are not UTF-8, no usable temporary
// folder, no ffmpeg on PATH, a stream of sound named by the caller. Each run must end with its
// exit code and say what it did in words a person reads.
#include "EncoderTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qvj::test {
namespace {

TEST(EncoderOddPlaces, EachRunEndsAsItSays)
{
    QTemporaryDir dir;
    const QString root = dir.path() + S("/");
    const QStringList h264 {S("-c:v"),    S("libx264"), S("-pix_fmt"),
                            S("yuv420p"), S("-c:a"),    S("aac")};
    ASSERT_TRUE(
        MakeClip(root + S("a.mp4"),
                 {.seconds = 1, .width = 64, .height = 48, .sampleRate = 48000, .extra = h264}));
    // A second sound track, the default one: 44.1 kHz where the first is 48 kHz.
    ASSERT_EQ(RunProgram(S("ffmpeg"),
                         {S("-v"),
                          S("error"),
                          S("-i"),
                          root + S("a.mp4"),
                          S("-f"),
                          S("lavfi"),
                          S("-i"),
                          S("sine=sample_rate=44100:duration=1"),
                          S("-map"),
                          S("0"),
                          S("-map"),
                          S("1"),
                          S("-c:v"),
                          S("copy"),
                          S("-c:a"),
                          S("aac"),
                          S("-disposition:a:0"),
                          S("0"),
                          S("-disposition:a:1"),
                          S("default"),
                          S("-shortest"),
                          root + S("two.mp4")}),
              0);
    // The scripts run in the folder with E, the encoder; names with bytes that are not UTF-8
    // are made with printf.
    const char *copy = "-ovc copy -oac copy -of lavf -lavfopts format=mp4";
    const struct
    {
        const char *name;
        QByteArray script;
        int code;
        const char *said; // on standard output or error
        QByteArray check; // a shell command that must succeed afterwards
    } cases[] = {
        {"a name in Latin-1 reads as its letters, its size counted",
         QByteArray("cp a.mp4 \"$(printf 'j\\351.mp4')\"; \"$E\" a.mp4 \"$(printf 'j\\351.mp4')\" "
                    "-o \"$(printf 'out\\351.mp4')\" ")
             + copy,
         0, "bytes copied to outé.mp4",
         "! grep -q ' 0 bytes' log && test -s \"$(printf 'out\\351.mp4')\""},
        {"a copy with chapters where no temporary folder can be made",
         QByteArray("printf 'One\\t%s/a.mp4\\nTwo\\t%s/a.mp4\\n' \"$PWD\" \"$PWD\" > list.txt; "
                    "TMPDIR=\"$PWD/a.mp4/none\" \"$E\" a.mp4 a.mp4 -o notemp.mp4 -chapters "
                    "list.txt ")
             + copy,
         0, "Done: 50 frames",
         "test \"$(ffprobe -v error -show_chapters -of csv notemp.mp4 | wc -l)\" = 2"},
        {"no ffmpeg", QByteArray("PATH=/nonexistent \"$E\" a.mp4 -o x.mp4 ") + copy, 1,
         "ffmpeg is missing: it is not on PATH. The Debian package \"ffmpeg\" installs it.",
         "test ! -e x.mp4"},
        {"no ffmpeg for an encoding run",
         "PATH=/nonexistent \"$E\" a.mp4 -o x.avi -ovc lavc -oac mp3lame", 1, "ffmpeg is missing",
         "test ! -e x.avi"},
        {"the sound stream the caller names",
         QByteArray("\"$E\" two.mp4 two.mp4 -aid 2 -o sound.mp4 ") + copy, 0, "Done: 50 frames",
         "ffprobe -v error -show_entries stream=sample_rate -of csv sound.mp4 | grep -q 44100"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QString said;
        const int code = RunProgram(S("/bin/sh"),
                                    {S("-c"),
                                     S("cd \"$0\" && E=\"$1\" && { ") + QString::fromUtf8(c.script)
                                         + S("; } > log 2>&1; code=$?; cat log; exit $code"),
                                     root, EncoderProgram()},
                                    &said);
        EXPECT_EQ(code, c.code) << said.toStdString();
        EXPECT_TRUE(said.contains(S(c.said))) << said.toStdString();
        EXPECT_EQ(RunProgram(S("/bin/sh"),
                             {S("-c"), S("cd \"$0\" && ") + QString::fromUtf8(c.check), root}),
                  0)
            << c.check.toStdString();
    }
    // Names that are not UTF-8 are removed by their bytes, which the folder's removal cannot.
    RunProgram(S("/bin/sh"), {S("-c"), S("rm -f \"$0\"/*"), root});
}

} // namespace
} // namespace qvj::test
