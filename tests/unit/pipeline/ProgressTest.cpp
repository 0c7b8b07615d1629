#include "pipeline/Progress.h"
#include "common/TestSupport.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <vector>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour)
{
    const std::vector<std::pair<double, int64_t>> cases {
        {0.5, 0},   {1.5, 2},    {2.5, 2},       {3.5, 4},    {-0.5, 0}, {-1.5, -2},
        {-2.5, -2}, {2.4999, 2}, {2.5000001, 3}, {99.5, 100}, {0.0, 0},  {-0.2, 0}};
    for (const auto &[value, expected] : cases)
        EXPECT_EQ(RoundHalfEven(value), expected) << value;
}

TEST(RoundHalfEven, RefusesWhatFitsNoWholeNumber)
{
    for (const double value :
         {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
          std::numeric_limits<double>::quiet_NaN(), 1e19, -1e300})
        EXPECT_FALSE(RoundHalfEven(value)) << value;
}

struct PositionTextCase
{
    QString chunk;
    QString previous;
    QString expected;
};

TEST(ExtractPositionText, TakesTheTextAfterTheFirstPosUpToTheFirstS)
{
    const std::vector<PositionTextCase> cases {
        {S("Pos:  12.3s   370f ( 5%)"), S(""), S("  12.3")},
        {S("junk\rPos:   1.0s  30f\rPos:   2.0s  60f\r"), S(""), S("   1.0")},
        {S("Pos:  12.3"), S(" 9.0"), S("")},
        {S("no position here"), S(" 9.0"), S(" 9.0")},
        {S("pos: 4.0s"), S(" 9.0"), S(" 9.0")},
        {S("Pos:s"), S(" 9.0"), S("")},
        {S("Pos:  3.0S 4.0s"), S(""), S("  3.0S 4.0")},
        {S("ends with Pos:"), S("x"), S("")},
    };
    for (const PositionTextCase &c : cases)
        EXPECT_EQ(ExtractPositionText(c.chunk, c.previous), c.expected) << c.chunk.toStdString();
}

TEST(ParsePosition, ReadsDecimalNumbersWithAPoint)
{
    const std::vector<std::pair<QString, double>> good {
        {S("  12.3"), 12.3}, {S("12.3  "), 12.3},
        {S("0"), 0.0},       {S("-5"), -5.0},
        {S("+7.25"), 7.25},  {S(".5"), 0.5},
        {S("5."), 5.0},      {S("1e2"), 100.0},
        {S("1.5E-1"), 0.15}, {S("  5005.000000"), 5005.0}};
    for (const auto &[text, value] : good) {
        const std::optional<double> parsed = ParsePosition(text);
        ASSERT_TRUE(parsed) << text.toStdString();
        EXPECT_DOUBLE_EQ(*parsed, value) << text.toStdString();
    }
}

TEST(ParsePosition, RefusesEverythingElse)
{
    for (const char *text : {"", "   ", "12,3", "1.2.3", "abc", "12.3x", "inf", "nan", "1e", ".",
                             "-", "1 2", "0x10", "1e999", "  3.0S 4.0", "\t5", "١٢"})
        EXPECT_FALSE(ParsePosition(S(text))) << text;
}

TEST(ParsePosition, IgnoresTheUsersNumberFormat)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::string numeric = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    const std::optional<double> point = ParsePosition(S(" 12.5"));
    const std::optional<double> comma = ParsePosition(S(" 12,5"));
    std::setlocale(LC_NUMERIC, numeric.c_str());
    QLocale::setDefault(saved);
    ASSERT_TRUE(point);
    EXPECT_DOUBLE_EQ(*point, 12.5);
    EXPECT_FALSE(comma);
}

TEST(ChunkText, StopsAtTheFirstZeroByte)
{
    EXPECT_EQ(ChunkText(QByteArrayView("Pos: 1.0s\0Pos: 9.0s", 20)), S("Pos: 1.0s"));
    EXPECT_EQ(ChunkText(QByteArrayView("\0Pos: 1.0s", 10)), S(""));
}

// Feeds filler chunks so that the next chunk fed is the first one examined.
void SkipToExamined(ProgressTracker &tracker)
{
    while (tracker.ChunkNumber() < ProgressTracker::SkippedChunks)
        EXPECT_FALSE(tracker.Feed("Pos:  50.0s"));
}

struct TrackerCase
{
    const char *name;
    StageKind kind;
    double totalSeconds;
    double denominator;
    double secondsDone;
    std::vector<const char *> chunks; // fed after the skipped ones
    ProgressBars expected;
};

class ProgressTrackerTest : public testing::TestWithParam<TrackerCase>
{
};

TEST_P(ProgressTrackerTest, BarsFollowTheStageFormula)
{
    const TrackerCase &c = GetParam();
    ProgressTracker tracker(c.kind, c.totalSeconds);
    tracker.SetBars({7, c.kind == StageKind::Joining ? 57 : 7});
    tracker.BeginRun(c.denominator, c.secondsDone);
    SkipToExamined(tracker);
    EXPECT_EQ(tracker.Bars(), (ProgressBars {7, c.kind == StageKind::Joining ? 57 : 7}));
    for (const char *chunk : c.chunks)
        tracker.Feed(chunk);
    EXPECT_EQ(tracker.Bars().current, c.expected.current);
    EXPECT_EQ(tracker.Bars().total, c.expected.total);
}

INSTANTIATE_TEST_SUITE_P(
    Stages, ProgressTrackerTest,
    testing::Values(
        TrackerCase {
            "ConversionFirstRow", StageKind::Conversion, 40, 10, 0, {"Pos:   5.0s"}, {50, 6}},
        TrackerCase {"ConversionLaterRowAddsSecondsDone",
                     StageKind::Conversion,
                     40,
                     10,
                     30,
                     {"Pos:   5.0s"},
                     {50, 44}},
        TrackerCase {"ConversionTotalRoundsHalfToEven",
                     StageKind::Conversion,
                     100,
                     50,
                     0,
                     {"Pos:  25.0s"},
                     {50, 12}},
        TrackerCase {"ConversionPositionMayFall",
                     StageKind::Conversion,
                     40,
                     10,
                     0,
                     {"Pos:   8.0s", "Pos:   2.0s"},
                     {20, 2}},
        TrackerCase {"PositionBeyondTheRowHoldsAt100",
                     StageKind::Conversion,
                     10,
                     10,
                     0,
                     {"Pos:  30.0s"},
                     {100, 100}},
        TrackerCase {"RowLengthZeroLeavesTheCurrentBar",
                     StageKind::Conversion,
                     40,
                     0,
                     0,
                     {"Pos:   4.0s"},
                     {7, 5}},
        TrackerCase {"TotalZeroLeavesTheTotalBar",
                     StageKind::Conversion,
                     0,
                     10,
                     0,
                     {"Pos:   4.0s"},
                     {40, 7}},
        TrackerCase {"RowLengthUnknownHoldsTheCurrentBarAtZero",
                     StageKind::Conversion,
                     19,
                     -1,
                     0,
                     {"Pos:   4.0s"},
                     {0, 11}},
        TrackerCase {"UnparsedTextKeepsThePosition",
                     StageKind::Conversion,
                     40,
                     10,
                     0,
                     {"Pos:   5.0s", "Pos:  oops s", "frame=  3"},
                     {50, 6}},
        TrackerCase {"ChunkWithoutSAfterPosEmptiesTheText",
                     StageKind::Conversion,
                     40,
                     10,
                     0,
                     {"Pos:   5.0s", "Pos:   6.0", "no marker", "Pos:   7.0s"},
                     {70, 9}},
        TrackerCase {"OverflowChangesNothing",
                     StageKind::Conversion,
                     40,
                     10,
                     0,
                     {"Pos:   5.0s", "Pos: 1e306s"},
                     {50, 6}},
        TrackerCase {"JoinStartsAtFifty", StageKind::Joining, 40, 40, 0, {"Pos:   0.0s"}, {0, 50}},
        TrackerCase {"JoinFormula", StageKind::Joining, 40, 40, 0, {"Pos:  10.0s"}, {25, 62}},
        TrackerCase {"JoinPositionNeverFalls",
                     StageKind::Joining,
                     40,
                     40,
                     0,
                     {"Pos:  20.0s", "Pos:  10.0s"},
                     {50, 75}},
        TrackerCase {
            "JoinHoldsAtHundred", StageKind::Joining, 40, 40, 0, {"Pos: 400.0s"}, {100, 100}},
        TrackerCase {"JoinNegativePositionStaysAtZero",
                     StageKind::Joining,
                     40,
                     40,
                     0,
                     {"Pos:  -5.0s"},
                     {0, 50}}),
    [](const testing::TestParamInfo<TrackerCase> &p) { return std::string(p.param.name); });

TEST(ProgressTracker, NeverExaminesTheFirstTwentyChunksOfARun)
{
    ProgressTracker tracker(StageKind::Conversion, 10);
    tracker.BeginRun(10);
    for (int i = 0; i < ProgressTracker::SkippedChunks; ++i)
        EXPECT_FALSE(tracker.Feed("Pos:   5.0s"));
    EXPECT_EQ(tracker.Bars(), (ProgressBars {0, 0}));
    EXPECT_TRUE(tracker.PositionText().isEmpty());
    EXPECT_TRUE(tracker.Feed("Pos:   5.0s"));
    EXPECT_EQ(tracker.Bars(), (ProgressBars {50, 25}));

    // A new run counts its chunks from 0 again and starts from position 0.
    tracker.BeginRun(10, 10);
    for (int i = 0; i < ProgressTracker::SkippedChunks; ++i)
        EXPECT_FALSE(tracker.Feed("Pos:   9.0s"));
    EXPECT_EQ(tracker.Position(), 0.0);
}

TEST(ProgressTracker, ThePositionTextCarriesOverToTheNextRun)
{
    ProgressTracker tracker(StageKind::Conversion, 20);
    tracker.BeginRun(10);
    SkipToExamined(tracker);
    tracker.Feed("Pos:   4.0s");
    tracker.BeginRun(10, 10);
    SkipToExamined(tracker);
    // No "Pos:" in the chunk: the last text read ("   4.0") counts again.
    tracker.Feed("frame= 30");
    EXPECT_EQ(tracker.Position(), 4.0);
    EXPECT_EQ(tracker.Bars(), (ProgressBars {40, 35}));
}

TEST(ProgressTracker, ReadsRealEncoderStatusOutput)
{
    // Status output as the encoder writes it: carriage-return separated status lines.
    const char *chunk = "Pos:   1.6s     48f (80%) 96.00fps Trem:   0min   0mb  A-V:0.000 "
                        "[1000:128]\rPos:   1.7s     51f (85%) 96.00fps Trem:   0min   0mb  "
                        "A-V:0.000 [1000:128]\r";
    ProgressTracker tracker(StageKind::Conversion, 4);
    tracker.BeginRun(2);
    SkipToExamined(tracker);
    tracker.Feed(chunk);
    EXPECT_DOUBLE_EQ(tracker.Position(), 1.6);
    EXPECT_EQ(tracker.Bars(), (ProgressBars {80, 20}));
}

TEST(PercentText, IsTheValueAndAPercentSign)
{
    EXPECT_EQ(PercentText(0), S("0%"));
    EXPECT_EQ(PercentText(100), S("100%"));
}

} // namespace
