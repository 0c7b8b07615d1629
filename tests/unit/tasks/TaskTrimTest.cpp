#include "tasks/TaskTrim.h"
#include "common/TestSupport.h"
#include "tasks/ListSummary.h"
#include "tasks/TaskList.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using qvj::test::RecordingDesktop;

// Every file is a 65.3 s clip.
MediaProbeResult Probe(const QString &)
{
    return MediaProbeResultFromTexts(QStringLiteral("65300"), QStringLiteral("640"),
                                     QStringLiteral("480"));
}

// The rules of a row's trim against a 65.3 s file, and what the row shows once it is set.
TEST(TaskTrim, SetTrimRules)
{
    const double none = std::nan("");
    const struct
    {
        double from, to; // nan: remove the trim
        bool jobRuns;
        bool taken;
        const char *length; // the Length column afterwards
    } cases[] = {
        {2, 9.5, false, true, "00:00:07.5 (trimmed)"},
        {0, 65.3, false, true, "00:01:05.3 (trimmed)"},
        {0, 65.3005, false, true, "00:01:05.3 (trimmed)"}, // a time text's rounding
        {-0.04, 9, false, false, "00:01:05.3"},
        {9, 9, false, false, "00:01:05.3"},
        {9, 2, false, false, "00:01:05.3"},
        {2, 66, false, false, "00:01:05.3"},
        {65.3, 66, false, false, "00:01:05.3"},
        {2, 9.5, true, false, "00:01:05.3"},
        {none, none, false, true, "00:01:05.3"},
    };
    for (const auto &c : cases) {
        RecordingDesktop desktop;
        TaskListModel model(desktop, &Probe);
        model.AddTaskFile(QStringLiteral("a.avi"));
        model.SetListEnabled(!c.jobRuns);
        const auto trim
            = std::isnan(c.from) ? std::nullopt : std::optional<TaskTrim>(TaskTrim {c.from, c.to});
        const QString refusal = model.SetTrim(0, trim);
        EXPECT_EQ(refusal.isEmpty(), c.taken) << c.from << " " << c.to;
        EXPECT_EQ(model.Trim(0), c.taken ? trim : std::nullopt) << c.from << " " << c.to;
        EXPECT_EQ(model.index(0, TaskListModel::LengthColumn).data().toString(),
                  QString::fromUtf8(c.length))
            << c.from << " " << c.to;
    }
}

// A trim stays with its row through moves and sorts, and the tooltip, the kept length a job
// reads and the total under the list follow it.
TEST(TaskTrim, FollowsItsRow)
{
    RecordingDesktop desktop;
    TaskListModel model(desktop, &Probe);
    for (const char *name : {"c.avi", "a.avi", "b.avi"})
        model.AddTaskFile(QString::fromLatin1(name));
    ASSERT_TRUE(model.SetTrim(0, TaskTrim {2, 9.5}).isEmpty());
    model.MoveDown({0});
    model.SortByName({});
    EXPECT_EQ(model.Trim(2), (TaskTrim {2, 9.5}));
    EXPECT_FALSE(model.Trim(0) || model.Trim(1));
    EXPECT_EQ(model.index(2, TaskListModel::LengthColumn).data(Qt::ToolTipRole).toString(),
              QStringLiteral("From 00:00:02.000 to 00:00:09.500 of 00:01:05.3."));
    ltvItemData rec;
    model.ReadTaskRow(2, AllColumns, rec);
    EXPECT_DOUBLE_EQ(rec.KeptSeconds(), 7.5);
    EXPECT_EQ(ListSummaryText(model), QStringLiteral("3 files, 00:02:18.1 in all"));
}

// Times as a person types them, and the millisecond texts they are shown with.
TEST(TaskTrim, ClockTexts)
{
    const struct
    {
        const char *text;
        double seconds; // negative: refused
    } cases[] = {
        {"12.5", 12.5},
        {"0", 0},
        {"01:05", 65},
        {"1:02:03.25", 3723.25},
        {"100:00:00", 360000},
        {" 7 ", 7},
        {"00:60", -1},
        {"1:60:00", -1},
        {"-1", -1},
        {"1e3", -1},
        {".5", -1},
        {"5.", -1},
        {"", -1},
        {"1:2:3:4", -1},
        {"a:10", -1},
        {"10:", -1},
    };
    for (const auto &c : cases) {
        const auto seconds = ClockTextToSeconds(QString::fromLatin1(c.text));
        if (c.seconds < 0)
            EXPECT_FALSE(seconds) << c.text;
        else
            EXPECT_EQ(seconds, std::optional<double>(c.seconds)) << c.text;
    }
    EXPECT_EQ(SecondsToClockText(3723.25), QStringLiteral("01:02:03.250"));
    EXPECT_EQ(SecondsToClockText(-3), QStringLiteral("00:00:00.000"));
    EXPECT_EQ(SecondsToClockText(59.9996), QStringLiteral("00:01:00.000"));
}

} // namespace
