// The line beside the list buttons: how many files, how long together.
#include "tasks/ListSummary.h"

#include <gtest/gtest.h>

namespace {

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

} // namespace
