#include "pipeline/CommandLine.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase
{
    const char *name;
    QString commandLine;
    QStringList args;
};

class SplitCommandLineTest : public testing::TestWithParam<SplitCase>
{
};

TEST_P(SplitCommandLineTest, GivesTheArgumentsAfterTheProgramName)
{
    EXPECT_EQ(SplitCommandLine(GetParam().commandLine), GetParam().args);
}

QString S(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

INSTANTIATE_TEST_SUITE_P(
    WindowsRules, SplitCommandLineTest,
    testing::Values(
        SplitCase {"LeadingBlankMeansEmptyProgramName", S(" a b"), {S("a"), S("b")}},
        SplitCase {"ProgramNameIsNotPassedOn", S("prog a"), {S("a")}},
        SplitCase {"QuotedProgramNameEndsAtItsQuote", S("\"my prog\"x y"), {S("x"), S("y")}},
        SplitCase {"NothingButBlanks", S("   \t "), {}},
        SplitCase {"RunsOfBlanksAndTabsSeparate",
                   S(" -oac pcm   -channels\t2"),
                   {S("-oac"), S("pcm"), S("-channels"), S("2")}},
        SplitCase {"QuotesKeepBlanks", S(" \"a b\"  c"), {S("a b"), S("c")}},
        SplitCase {"QuotedAndPlainPartsJoin", S(" \"a b\"c d\"e f\""), {S("a bc"), S("de f")}},
        SplitCase {"EmptyQuotesGiveAnEmptyArgument", S(" \"\" x"), {S(""), S("x")}},
        SplitCase {"UnclosedQuoteRunsToTheEnd", S(" \"a b"), {S("a b")}},
        SplitCase {
            "BackslashesWithoutQuoteAreLiteral", S(" a\\\\b\\ c\\"), {S("a\\\\b\\"), S("c\\")}},
        SplitCase {"OddBackslashesBeforeQuoteGiveAQuote", S(" a\\\"b"), {S("a\"b")}},
        SplitCase {"ThreeBackslashesBeforeQuote", S(" a\\\\\\\"b"), {S("a\\\"b")}},
        SplitCase {"EvenBackslashesBeforeQuoteLetItAct", S(" \"a\\\\\" b"), {S("a\\"), S("b")}},
        SplitCase {"TwoQuotesInsideQuotesGiveOne", S(" \"a\"\"b c\""), {S("a\"b c")}},
        SplitCase {"ValueWithBlankGivesSeveralArguments",
                   S(" -lavcopts vcodec=mpeg4 extra -srate 44100"),
                   {S("-lavcopts"), S("vcodec=mpeg4"), S("extra"), S("-srate"), S("44100")}},
        SplitCase {"NonAsciiLetters", S(" \"/v/Ünïcødé clip.mp4\""), {S("/v/Ünïcødé clip.mp4")}}),
    [](const testing::TestParamInfo<SplitCase> &p) { return std::string(p.param.name); });

class QuotePathRoundTrip : public testing::TestWithParam<QString>
{
};

TEST_P(QuotePathRoundTrip, AnyPathComesBackExactly)
{
    const QString path = GetParam();
    const QString line = QStringLiteral(" ") + QuotePath(path) + QStringLiteral(" -o ")
        + QuotePath(path) + QStringLiteral(" x");
    EXPECT_EQ(SplitCommandLine(line),
              (QStringList {path, QStringLiteral("-o"), path, QStringLiteral("x")}));
}

INSTANTIATE_TEST_SUITE_P(Paths, QuotePathRoundTrip,
                         testing::Values(S(""), S("/v/a.mpg"), S("/my videos/a b.mp4"),
                                         S("/v/say \"hi\".avi"), S("/v/\""), S("\"\""),
                                         S("/v/back\\slash"), S("/v/ends in backslash\\"),
                                         S("/v/two\\\\"), S("/v/before\\\"quote"), S("/v/\\\\\"\\"),
                                         S("/v/tab\there"), S("/v/new\nline"),
                                         S("/Видео/clip ü ß 日本.mp4"), S("-o"),
                                         S("  leading and trailing  ")));

TEST(QuotePath, LeavesAnOrdinaryPathAsItIsBetweenQuotes)
{
    EXPECT_EQ(QuotePath(S("/my videos/a.mpg")), S("\"/my videos/a.mpg\""));
    EXPECT_EQ(QuotePath(S("/v/a\"b")), S("\"/v/a\\\"b\""));
    EXPECT_EQ(QuotePath(S("/v/a\\")), S("\"/v/a\\\\\""));
}

TEST(StageCommandLines, ConversionIsExact)
{
    EXPECT_EQ(ConversionCommandLine(S("/v/a.mpg"), IntermediateFile(S("/t/"), 0), S("640:480")),
              S(" \"/v/a.mpg\" -o \"/t/0.avi\" -oac mp3lame -ovc lavc -ofps 30 -vf "
                "scale=640:480"));
    EXPECT_EQ(IntermediateFile(S("/t/"), 10), S("/t/10.avi"));
}

TEST(StageCommandLines, JoinIsExactWithTwoBlanksBeforeTheOptions)
{
    const QString options = S(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect "
                              "-oac mp3lame -lameopts vbr=2:q=6 -channels 2 -vf scale=640:480 "
                              "-srate 44100");
    const QString list = JoinInputList(S("/t/"), 2);
    EXPECT_EQ(list, S(" \"/t/0.avi\" \"/t/1.avi\""));
    EXPECT_EQ(JoinCommandLine(list, S("/out/movie.avi"), options),
              S(" \"/t/0.avi\" \"/t/1.avi\" -o \"/out/movie.avi\"  -ovc lavc -lavcopts "
                "vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect -oac mp3lame -lameopts vbr=2:q=6 "
                "-channels 2 -vf scale=640:480 -srate 44100"));
}

TEST(StageCommandLines, EmptyOptionPartsVanishAsArguments)
{
    const QString line = JoinCommandLine(JoinInputList(S("/my temp/"), 1), S("/o u t/x.avi"),
                                         S(" -ovc lavc -lavcopts v -oac pcm   -channels 2 -vf "
                                           "scale=: -srate "));
    EXPECT_EQ(SplitCommandLine(line),
              (QStringList {S("/my temp/0.avi"), S("-o"), S("/o u t/x.avi"), S("-ovc"), S("lavc"),
                            S("-lavcopts"), S("v"), S("-oac"), S("pcm"), S("-channels"), S("2"),
                            S("-vf"), S("scale=:"), S("-srate")}));
}

} // namespace
