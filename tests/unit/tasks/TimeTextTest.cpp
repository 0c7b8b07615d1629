#include "tasks/TimeText.h"
#include "common/TestSupport.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// Tenths round halves to the even digit; a tenth that rounds to ten carries into the seconds.
TEST(SecondsToTimeText, WritesHoursMinutesSecondsAndANonZeroTenth)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<double, const char *> cases[]
        = {{0, "00:00:00"},         {65.3, "00:01:05.3"}, {3725, "01:02:05"},
           {1234567.8, "342:56:07.8"}, {5.25, "00:00:05.2"}, {5.75, "00:00:05.8"},
           {0.04, "00:00:00"},         {0.95, "00:00:01"},   {3599.97, "01:00:00"},
           {-3, "00:00:00"},           {nan, "00:00:00"}};
    for (const auto &[seconds, text] : cases)
        EXPECT_EQ(SecondsToTimeText(seconds), QLatin1String(text)) << seconds;
}

// Fields need not have two digits and are not range-checked.
TEST(TimeTextToSeconds, ReadsValidTextsAndGivesMinusOneForTheRest)
{
    const std::pair<const char *, double> cases[]
        = {{"00:01:05.3", 65.3}, {"01:02:05", 3725}, {"1:2:3", 3723},
           {"0:90:00", 5400},    {"00:00:75", 75},   {"00:00:05.", 5}};
    for (const auto &[text, seconds] : cases)
        EXPECT_DOUBLE_EQ(TimeTextToSeconds(QLatin1String(text)), seconds) << text;
    for (const char *bad :
         {"", "12:34", "01:02:03:04", "00:00:.5", "aa:00:00", "00:bb:00", "00:00:cc",
          "00:00:05,3", "00:00:inf", "596524:00:00"})
        EXPECT_EQ(TimeTextToSeconds(QLatin1String(bad)), -1) << bad;
}

// Every Length text reads back to its duration rounded to a tenth of a second (within a tenth
// when the fraction carries into the next second), in any locale.
TEST(TimeTextRoundTrip, ReadsBackWithinATenth)
{
    const QLocale saved;
    for (const QLocale &locale : {QLocale(QLocale::C), QLocale(QLocale::German)}) {
        QLocale::setDefault(locale);
        for (int hundredths = 0; hundredths <= 2 * 3600 * 100; hundredths += 7) {
            const double seconds = hundredths / 100.0;
            const double back = TimeTextToSeconds(SecondsToTimeText(seconds));
            const double allowed = seconds - std::floor(seconds) < 0.95 ? 0.05 : 0.1;
            ASSERT_NEAR(back, seconds, allowed + 1e-9) << seconds;
        }
    }
    QLocale::setDefault(saved);
}

} // namespace
