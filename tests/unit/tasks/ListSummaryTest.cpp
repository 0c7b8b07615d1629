// The line beside the list buttons: how many files, how long together.
#include "tasks/ListSummary.h"
#include "common/TestSupport.h"
#include "tasks/TaskList.h"

#include <gtest/gtest.h>

namespace {

using namespace qvj::test;

TEST(ListSummary, CountAndTotalLength)
{
    struct Case
    {
        int files;
        double seconds;
        bool unknown;
        const char *text;
    };
    const Case cases[] = {
        {0, 0, false, ""},
        {1, 5, false, "1 file, 00:00:05 in all"},
        {4, 754, false, "4 files, 00:12:34 in all"},
        {2, 65.3, false, "2 files, 00:01:05.3 in all"},
        {3, 360000, true, "3 files, at least 100:00:00 in all"},
        {1, 0, true, "1 file, at least 00:00:00 in all"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ListSummaryText(c.files, c.seconds, c.unknown), QString::fromUtf8(c.text));
}

// The model's rows: lengths read from their texts, an unknown one counted as 0.
TEST(ListSummary, FromTheRows)
{
    RecordingDesktop desktop;
    const QHash<QString, QString> lengths {
        {"/v/a.avi", "00:10:00.1"}, {"/v/b.mkv", "00:02:33.3"}, {"/v/c.ts", "unknown"}};
    TaskListModel model(desktop, [&](const QString &path) {
        return MediaProbeResult {true, lengths.value(path), QStringLiteral("640x480"), {}};
    });
    EXPECT_EQ(ListSummaryText(model), QString());
    model.AddTaskPaths({"/v/a.avi", "/v/b.mkv"}, TaskListModel::AddRule::Drop);
    EXPECT_EQ(ListSummaryText(model), QStringLiteral("2 files, 00:12:33.4 in all"));
    model.AddTaskFile(QStringLiteral("/v/c.ts"));
    EXPECT_EQ(ListSummaryText(model), QStringLiteral("3 files, at least 00:12:33.4 in all"));
    model.Delete({0});
    EXPECT_EQ(ListSummaryText(model), QStringLiteral("2 files, at least 00:02:33.3 in all"));
}

} // namespace
