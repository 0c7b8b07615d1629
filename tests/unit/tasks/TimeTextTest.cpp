#include "tasks/TimeText.h"
#include "common/TestSupport.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct SecondsCase
{
    double seconds;
    const char *text;
};

TEST(SecondsToTimeText, WritesHoursMinutesSecondsAndANonZeroTenth)
{
    const SecondsCase cases[] = {
        {0, "00:00:00"},
        {65.3, "00:01:05.3"},
        {3725, "01:02:05"},
        {360000, "100:00:00"},
        {36000000, "10000:00:00"},
        {1234567.8, "342:56:07.8"},
        {5.25, "00:00:05.2"}, // halves go to the even tenth
        {5.75, "00:00:05.8"},
        {0.04, "00:00:00"},
        {0.05, "00:00:00"}, // exactly half a tenth goes to the even 0
        {0.06, "00:00:00.1"},
        {59.94, "00:00:59.9"},
        // A tenth that rounds to ten is carried into the seconds, minutes and hours.
        {0.95, "00:00:01"},
        {59.96, "00:01:00"},
        {3599.97, "01:00:00"},
        {-3, "00:00:00"},
        {std::numeric_limits<double>::quiet_NaN(), "00:00:00"},
        {std::numeric_limits<double>::infinity(), "00:00:00"},
    };
    for (const SecondsCase &c : cases)
        EXPECT_EQ(SecondsToTimeText(c.seconds), QLatin1String(c.text)) << c.seconds;
}

struct TextCase
{
    const char *text;
    double seconds;
};

TEST(TimeTextToSeconds, ReadsValidTexts)
{
    const TextCase cases[] = {
        {"00:01:05.3", 65.3}, {"01:02:05", 3725},    {"1:2:3", 3723},
        {"0:90:00", 5400},    {"100:00:00", 360000}, {"00:00:75", 75},
        {"00:00:05.", 5},     {"0:0:0.25", 0.25},    {"596523:00:00", 596523.0 * 3600},
    };
    for (const TextCase &c : cases)
        EXPECT_DOUBLE_EQ(TimeTextToSeconds(QLatin1String(c.text)), c.seconds) << c.text;
}

TEST(TimeTextToSeconds, GivesMinusOneForEveryBadText)
{
    const char *cases[] = {
        "",
        "12:34",
        "01:02:03:04",
        "00:00:.5",
        "aa:00:00",
        "00:bb:00",
        "00:00:cc",
        "::",
        "00::05",
        ":00:05",
        "00:00:",
        "00:00:05,3",
        "00:00:5.5.5",
        "00:00:nan",
        "00:00:inf",
        "99999999:00:00",
        "596524:00:00", // beyond a 32-bit count of seconds
    };
    for (const char *text : cases)
        EXPECT_EQ(TimeTextToSeconds(QLatin1String(text)), -1) << text;
}

// Every Length text reads back to its duration rounded to a tenth of a second (within a
// tenth when the fraction carries into the next second), in any locale.
TEST(TimeTextRoundTrip, ReadsBackWithinATenth)
{
    const QLocale saved;
    for (const QLocale &locale :
         {QLocale(QLocale::C), QLocale(QLocale::German, QLocale::Germany)}) {
        QLocale::setDefault(locale);
        for (int hundredths = 0; hundredths <= 2 * 3600 * 100; hundredths += 7) {
            const double seconds = hundredths / 100.0;
            const double back = TimeTextToSeconds(SecondsToTimeText(seconds));
            const double fraction = seconds - std::floor(seconds);
            const double allowed = fraction < 0.95 ? 0.05 + 1e-9 : 0.1 + 1e-9;
            ASSERT_NEAR(back, seconds, allowed) << seconds << " in " << locale.name().toStdString();
        }
    }
    QLocale::setDefault(saved);
}

} // namespace
