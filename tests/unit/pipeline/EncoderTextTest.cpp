// The texts exchanged with the encoder: its command lines, and its output read for the
// progress bars and for a failure message.
#include "common/TestSupport.h"
#include "pipeline/runs/CommandLine.h"
#include "pipeline/runs/OutputTail.h"
#include "pipeline/runs/Progress.h"

#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>
#include <tuple>

namespace {

using qvj::test::S;

TEST(CommandLine, SplitsByTheWindowsRulesAndQuotesAnyPath)
{
    const std::vector<std::pair<const char *, QStringList>> cases {
        {"prog a", {S("a")}}, // the program name is never passed on
        {"\"my prog\"x y", {S("x"), S("y")}},
        {" -oac pcm   -channels\t2", {S("-oac"), S("pcm"), S("-channels"), S("2")}},
        {" \"a b\"c d\"e f\"", {S("a bc"), S("de f")}},
        {" a\\\\b\\ c\\", {S("a\\\\b\\"), S("c\\")}},
        {" a\\\"b a\\\\\\\"b", {S("a\"b"), S("a\\\"b")}},
        {" \"a\\\\\" b", {S("a\\"), S("b")}},
        {" \"a\"\"b c\"", {S("a\"b c")}}};
    for (const auto &[line, args] : cases)
        EXPECT_EQ(SplitCommandLine(S(line)), args) << line;
    // A quoted path comes back exactly.
    for (const char *path : {"", "/my videos/a b.mp4", "/v/say \"hi\".avi", "/v/ends in\\",
                             "/v/\\\\\"\\", "/v/tab\there", "/Видео/clip ü 日本.mp4", "-o"}) {
        const QString p = S(path);
        EXPECT_EQ(SplitCommandLine(S(" ") + QuotePath(p) + S(" -o ") + QuotePath(p)),
                  (QStringList {p, S("-o"), p}))
            << path;
    }
}

// A trimmed row's conversion names its cut after the options an untrimmed row has.
TEST(CommandLine, ConversionOfTrimmedAndWholeRows)
{
    const struct
    {
        std::optional<TaskTrim> trim;
        const char *line;
        double gain = 0;
    } cases[] = {
        {std::nullopt,
         " \"/v/a b.mp4\" -o \"/t/0.avi\" -oac mp3lame -ovc lavc -ofps 30 -vf scale=640:480"},
        {TaskTrim {2, 9.5},
         " \"/v/a b.mp4\" -o \"/t/0.avi\" -oac mp3lame -ovc lavc -ofps 30 "
         "-vf scale=640:480 -ss 2.000 -endpos 7.500"},
        {TaskTrim {0, 1.0 / 3},
         " \"/v/a b.mp4\" -o \"/t/0.avi\" -oac mp3lame -ovc lavc -ofps 30 "
         "-vf scale=640:480 -ss 0.000 -endpos 0.333"},
        {TaskTrim {3723.04, 3725},
         " \"/v/a b.mp4\" -o \"/t/0.avi\" -oac mp3lame -ovc lavc "
         "-ofps 30 -vf scale=640:480 -ss 3723.040 -endpos 1.960"},
        // a gain for the sound ends the line
        {TaskTrim {2, 9.5},
         " \"/v/a b.mp4\" -o \"/t/0.avi\" -oac mp3lame -ovc lavc -ofps 30 "
         "-vf scale=640:480 -ss 2.000 -endpos 7.500 -af volume=-11.27",
         -11.27},
        {std::nullopt,
         " \"/v/a b.mp4\" -o \"/t/0.avi\" -oac mp3lame -ovc lavc -ofps 30 -vf scale=640:480 "
         "-af volume=6.00",
         6},
    };
    for (const auto &c : cases)
        EXPECT_EQ(
            ConversionCommandLine(S("/v/a b.mp4"), S("/t/0.avi"), S("640:480"), c.trim, c.gain),
            S(c.line));
}

TEST(ParsePosition, ReadsDecimalNumbersWithAPointInEveryLocale)
{
    // A locale whose decimal separator is a comma changes nothing.
    const QLocale saved;
    const std::string numeric = std::setlocale(LC_NUMERIC, nullptr);
    const QTemporaryDir dir;
    ASSERT_TRUE(qvj::test::SetCommaLocale(dir.path()));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    for (const auto &[text, value] : std::vector<std::pair<const char *, double>> {
             {"  5005.000000", 5005.0}, {"-5", -5.0}, {".5", 0.5}, {"1e2", 100.0}})
        EXPECT_EQ(ParsePosition(S(text)), value) << text;
    for (const char *text :
         {"", "12,3", "1.2.3", "12.3x", "1 2", "inf", "nan", "0x10", "1e999", "١٢"})
        EXPECT_EQ(ParsePosition(S(text)), std::nullopt) << text;
    std::setlocale(LC_NUMERIC, numeric.c_str());
    QLocale::setDefault(saved);
}

// Feeds chunks that are skipped, so that the next one fed is the first one examined.
void SkipToExamined(ProgressTracker &tracker)
{
    while (tracker.ChunkNumber() < ProgressTracker::SkippedChunks)
        EXPECT_FALSE(tracker.Feed("Pos:  50.0s"));
}

TEST(ProgressTracker, BarsFollowTheStageFormula)
{
    const auto C = StageKind::Conversion;
    const auto J = StageKind::Joining;
    // stage, seconds in all, the run's length, seconds done, chunks ("|" between them), bars
    // after them (they start at 7 and 7, 57 when joining)
    const std::vector<std::tuple<StageKind, double, double, double, const char *, ProgressBars>>
        cases {{C, 40, 10, 0, "Pos:   5.0s", {50, 6}},
               {C, 40, 10, 30, "Pos:   5.0s", {50, 44}}, // later row: seconds done count
               {C, 100, 50, 0, "Pos:  25.0s", {50, 12}}, // 12.5 rounds to 12
               {C, 40, 10, 0, "Pos:   8.0s|Pos:   2.0s", {20, 2}}, // may fall
               {C, 10, 10, 0, "Pos:  30.0s", {100, 100}}, // held at 100
               {C, 40, 0, 0, "Pos:   4.0s", {7, 5}}, // row length 0: current bar untouched
               {C, 0, 10, 0, "Pos:   4.0s", {40, 7}}, // total 0: total bar untouched
               {C, 19, -1, 0, "Pos:   4.0s", {0, 11}}, // unknown length
               // unreadable positions, an overflow and the wrong case change nothing
               {C,
                40,
                10,
                0,
                "Pos: 5.0s|Pos: oops s|Pos: 6.0|Pos: 1e306s|pos: 9.0s|Pos: 3.0S",
                {50, 6}},
               {J, 40, 40, 0, "Pos:  10.0s", {25, 62}},
               {J, 40, 40, 0, "Pos:  20.0s|Pos:  10.0s", {50, 75}}, // never falls
               {J, 40, 40, 0, "Pos: 400.0s", {100, 100}},
               {J, 40, 40, 0, "Pos:  -5.0s", {0, 50}}};
    for (const auto &[kind, totalSeconds, runSeconds, secondsDone, chunks, bars] : cases) {
        ProgressTracker tracker(kind, totalSeconds);
        tracker.SetBars({7, kind == J ? 57 : 7});
        tracker.BeginRun(runSeconds, secondsDone);
        SkipToExamined(tracker);
        for (const QByteArray &chunk : QByteArray(chunks).split('|'))
            tracker.Feed(chunk);
        EXPECT_EQ(tracker.Bars(), bars) << chunks;
    }
}

TEST(ProgressTracker, SkipsTwentyChunksOfEveryRunAndCarriesThePositionTextOver)
{
    ProgressTracker tracker(StageKind::Conversion, 20);
    tracker.BeginRun(10);
    SkipToExamined(tracker);
    // Status output as the encoder writes it: only the first status line counts.
    EXPECT_TRUE(tracker.Feed("Pos:   4.0s     48f (80%) 96.00fps Trem:   0min   0mb  A-V:0.000 "
                             "[1000:128]\rPos:   4.1s     51f (85%) 96.00fps\r"));
    EXPECT_EQ(tracker.Bars(), (ProgressBars {40, 10}));

    // The next run counts from chunk 0 and position 0; a chunk without "Pos:" then reads the
    // text of the last one that had it.
    tracker.BeginRun(10, 10);
    EXPECT_EQ(tracker.Position(), 0.0);
    SkipToExamined(tracker);
    tracker.Feed("frame= 30");
    EXPECT_EQ(tracker.Position(), 4.0);
    EXPECT_EQ(tracker.Bars(), (ProgressBars {40, 35}));
    // A chunk is the bytes up to the first zero byte.
    tracker.Feed(QByteArrayView("Pos: 1.0s\0Pos: 9.0s", 20));
    EXPECT_EQ(tracker.Position(), 1.0);
}

TEST(OutputTail, KeepsTheLastMeaningfulLinesCutShort)
{
    const std::vector<std::pair<QByteArrayList, QStringList>> cases {
        {{"Opening\r\nPos:   1.0s  30f\rPos:   2.0s  60f\r\n   \nError: bad input\r"},
         {S("Opening"), S("Error: bad input")}},
        {{"first li", "ne\nPo", "s:  3.0s\rcaf\xc3", "\xa9"}, {S("first line"), S("café")}},
        {{QByteArray(1000, 'y')},
         {QString(OutputTail::MaxLineLength, QLatin1Char('y')) + S("...")}},
    };
    for (const auto &[chunks, lines] : cases) {
        OutputTail tail;
        for (const QByteArray &chunk : chunks)
            tail.Add(chunk);
        EXPECT_EQ(tail.Lines(), lines) << chunks.join('|').toStdString();
    }

    OutputTail tail;
    for (int i = 1; i <= 45; ++i)
        tail.Add(QByteArray('\n' + QByteArray::number(i)));
    const QStringList lines = tail.Lines();
    ASSERT_EQ(lines.size(), OutputTail::MaxLines);
    EXPECT_EQ(lines.front(), S("26"));
    EXPECT_EQ(lines.back(), S("45")); // the unfinished last line counts
}

} // namespace
