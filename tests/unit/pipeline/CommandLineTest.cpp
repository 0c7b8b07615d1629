#include "pipeline/CommandLine.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

QString S(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

TEST(SplitCommandLine, FollowsTheWindowsRules)
{
    const std::vector<std::pair<const char *, QStringList>> cases {
        {"prog a", {S("a")}}, // the program name is never passed on
        {"\"my prog\"x y", {S("x"), S("y")}},
        {" -oac pcm   -channels\t2", {S("-oac"), S("pcm"), S("-channels"), S("2")}},
        {" \"a b\"c d\"e f\"", {S("a bc"), S("de f")}},
        {" \"\" x", {S(""), S("x")}},
        {" \"a b", {S("a b")}},
        {" a\\\\b\\ c\\", {S("a\\\\b\\"), S("c\\")}},
        {" a\\\"b a\\\\\\\"b", {S("a\"b"), S("a\\\"b")}},
        {" \"a\\\\\" b", {S("a\\"), S("b")}},
        {" \"a\"\"b c\"", {S("a\"b c")}},
    };
    for (const auto &[line, args] : cases)
        EXPECT_EQ(SplitCommandLine(S(line)), args) << line;
}

TEST(QuotePath, AnyPathComesBackExactly)
{
    for (const char *path : {"", "/my videos/a b.mp4", "/v/say \"hi\".avi", "/v/ends in\\",
                             "/v/\\\\\"\\", "/v/tab\there", "/Видео/clip ü 日本.mp4", "-o"}) {
        const QString p = S(path);
        EXPECT_EQ(SplitCommandLine(S(" ") + QuotePath(p) + S(" -o ") + QuotePath(p)),
                  (QStringList {p, S("-o"), p}))
            << path;
    }
}

TEST(StageCommandLines, AreExact)
{
    EXPECT_EQ(ConversionCommandLine(S("/v/a.mpg"), IntermediateFile(S("/t/"), 0), S("640:480")),
              S(" \"/v/a.mpg\" -o \"/t/0.avi\" -oac mp3lame -ovc lavc -ofps 30 -vf "
                "scale=640:480"));
    // Two blanks before "-ovc": the option string begins with one itself.
    const QString options = S(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect "
                              "-oac mp3lame -lameopts vbr=2:q=6 -channels 2 -vf scale=640:480 "
                              "-srate 44100");
    EXPECT_EQ(JoinCommandLine(JoinInputList(S("/t/"), 2), S("/out/movie.avi"), options),
              S(" \"/t/0.avi\" \"/t/1.avi\" -o \"/out/movie.avi\"  -ovc lavc -lavcopts "
                "vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect -oac mp3lame -lameopts vbr=2:q=6 "
                "-channels 2 -vf scale=640:480 -srate 44100"));
}

} // namespace
