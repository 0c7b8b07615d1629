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
    const std::vector<std::pair<QString, QStringList>> cases {
        {S(" a b"), {S("a"), S("b")}}, // leading blank: empty program name
        {S("prog a"), {S("a")}},
        {S("\"my prog\"x y"), {S("x"), S("y")}},
        {S("   \t "), {}},
        {S(" -oac pcm   -channels\t2"), {S("-oac"), S("pcm"), S("-channels"), S("2")}},
        {S(" \"a b\"c d\"e f\""), {S("a bc"), S("de f")}},
        {S(" \"\" x"), {S(""), S("x")}},
        {S(" \"a b"), {S("a b")}},
        {S(" a\\\\b\\ c\\"), {S("a\\\\b\\"), S("c\\")}},
        {S(" a\\\"b"), {S("a\"b")}},
        {S(" a\\\\\\\"b"), {S("a\\\"b")}},
        {S(" \"a\\\\\" b"), {S("a\\"), S("b")}},
        {S(" \"a\"\"b c\""), {S("a\"b c")}},
        {S(" \"/v/Ünïcødé clip.mp4\""), {S("/v/Ünïcødé clip.mp4")}},
    };
    for (const auto &[line, args] : cases)
        EXPECT_EQ(SplitCommandLine(line), args) << line.toStdString();
}

TEST(QuotePath, AnyPathComesBackExactly)
{
    for (const char *path : {"", "/v/a.mpg", "/my videos/a b.mp4", "/v/say \"hi\".avi", "/v/\"",
                             "\"\"", "/v/back\\slash", "/v/ends in backslash\\", "/v/two\\\\",
                             "/v/before\\\"quote", "/v/\\\\\"\\", "/v/tab\there", "/v/new\nline",
                             "/Видео/clip ü ß 日本.mp4", "-o", "  leading and trailing  "}) {
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
    EXPECT_EQ(IntermediateFile(S("/t/"), 10), S("/t/10.avi"));

    // Two blanks before "-ovc": the option string begins with one itself.
    const QString options = S(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect "
                              "-oac mp3lame -lameopts vbr=2:q=6 -channels 2 -vf scale=640:480 "
                              "-srate 44100");
    EXPECT_EQ(JoinCommandLine(JoinInputList(S("/t/"), 2), S("/out/movie.avi"), options),
              S(" \"/t/0.avi\" \"/t/1.avi\" -o \"/out/movie.avi\"  -ovc lavc -lavcopts "
                "vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect -oac mp3lame -lameopts vbr=2:q=6 "
                "-channels 2 -vf scale=640:480 -srate 44100"));

    // Empty option parts give no arguments.
    EXPECT_EQ(SplitCommandLine(JoinCommandLine(JoinInputList(S("/my temp/"), 1), S("/o u/x.avi"),
                                               S(" -oac pcm   -vf scale=: -srate "))),
              (QStringList {S("/my temp/0.avi"), S("-o"), S("/o u/x.avi"), S("-oac"), S("pcm"),
                            S("-vf"), S("scale=:"), S("-srate")}));
}

} // namespace
