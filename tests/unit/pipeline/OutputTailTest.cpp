#include "pipeline/OutputTail.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

struct TailCase
{
    const char *name;
    std::vector<QByteArray> chunks;
    QStringList expected;
};

class OutputTailTest : public testing::TestWithParam<TailCase>
{
};

TEST_P(OutputTailTest, KeepsTheMeaningfulLines)
{
    OutputTail tail;
    for (const QByteArray &chunk : GetParam().chunks)
        tail.Add(chunk);
    EXPECT_EQ(tail.Lines(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputTailTest,
    testing::Values(
        TailCase {"Nothing", {}, {}},
        TailCase {"SplitsOnCarriageReturnAndLineFeed",
                  {"one\r\ntwo\rthree\nfour"},
                  {S("one"), S("two"), S("three"), S("four")}},
        TailCase {"LeavesOutStatusAndBlankLines",
                  {"Opening\r\nPos:   1.0s  30f\rPos:   2.0s  60f\r\n   \nError: bad input\n"},
                  {S("Opening"), S("Error: bad input")}},
        TailCase {"JoinsLinesSplitAcrossChunks",
                  {"first li", "ne\nsec", "ond"},
                  {S("first line"), S("second")}},
        TailCase {
            "StatusLineSplitAcrossChunksStillLeftOut", {"Po", "s:  3.0s\rdone\n"}, {S("done")}},
        TailCase {"DecodesLettersSplitAcrossChunks",
                  {QByteArray("caf\xc3"), QByteArray("\xa9 \xe6\x97\xa5\n")},
                  {S("café 日")}},
        TailCase {"DropsZeroBytes", {QByteArray("a\0b\n", 4)}, {S("ab")}}),
    [](const testing::TestParamInfo<TailCase> &p) { return std::string(p.param.name); });

TEST(OutputTail, KeepsOnlyTheLastTwentyLines)
{
    OutputTail tail;
    for (int i = 1; i <= 45; ++i)
        tail.Add(QByteArray(QByteArray::number(i) + (i % 2 ? "\n" : "\r\n")));
    tail.Add("unfinished");
    const QStringList lines = tail.Lines();
    ASSERT_EQ(lines.size(), OutputTail::MaxLines);
    EXPECT_EQ(lines.front(), S("27"));
    EXPECT_EQ(lines.at(18), S("45"));
    EXPECT_EQ(lines.back(), S("unfinished"));
}

TEST(OutputTail, CutsVeryLongLines)
{
    OutputTail tail;
    tail.Add(QByteArray(1000000, 'x'));
    tail.Add("\nshort\n");
    const QStringList lines = tail.Lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.front(), QString(OutputTail::MaxLineLength, QLatin1Char('x')) + S("..."));
    EXPECT_EQ(lines.back(), S("short"));
}

TEST(OutputTail, ClearForgetsEverything)
{
    OutputTail tail;
    tail.Add("a\nb");
    tail.Clear();
    tail.Add("c");
    EXPECT_EQ(tail.Lines(), QStringList {S("c")});
}

} // namespace
