#include "tasks/MediaProbe.h"
#include "common/BrokenRecordings.h"
#include "platform/Paths.h"
#include "platform/RawNames.h"
#include "tasks/RecordingLength.h"
#include "common/TestSupport.h"
#include "tasks/TimeText.h"

#include <QCoreApplication>
#include <QLocale>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using qvj::test::MakeClip;

// The play time is a decimal number of milliseconds with "." in every locale.
TEST(MediaProbeResultFromTexts, TurnsLibraryTextsIntoLengthAndSize)
{
    const MediaProbeResult ok = MediaProbeResultFromTexts(
        QStringLiteral("65300"), QStringLiteral("720"), QStringLiteral("576"));
    EXPECT_EQ(ok.lengthText + QLatin1Char(' ') + ok.sizeText, QStringLiteral("00:01:05.3 720x576"));
    // The longest of the play time and the streams' durations; what is not a number is passed by.
    const struct
    {
        const char *playTime, *video, *audio;
        double longest;
    } lengths[] = {{"1900.000000", "1983", "2026", 2.026},
                   {"5000", "4960", "", 5.0},
                   {"5000", "n/a", "5003.5", 5.0035},
                   {"5000", "-7000", "1e4x", 5.0}};
    for (const auto &l : lengths)
        EXPECT_DOUBLE_EQ(MediaProbeResultFromTexts(QLatin1String(l.playTime), {}, {},
                                                   QLatin1String(l.video), QLatin1String(l.audio))
                             .longestSeconds,
                         l.longest)
            << l.playTime << ' ' << l.video << ' ' << l.audio;
    for (const char *playTime : {"", "5005,000000", "nan", "12ms"}) {
        const MediaProbeResult r = MediaProbeResultFromTexts(
            QLatin1String(playTime), QStringLiteral("640"), QStringLiteral("480"));
        EXPECT_FALSE(r.ok) << playTime;
        EXPECT_EQ(r.error,
                  QStringLiteral("'%1' is not a valid floating point value")
                      .arg(QLatin1String(playTime)));
    }
}

class MediaProbeOnFiles : public testing::Test
{
protected:
    QTemporaryDir dir;
};

// Every input type with a frame size of its own, so that a swapped or stale size shows; then a
// silent clip and MPEG-TS (a fractional play time). A text file named as a video, a missing
// file and a folder fail, and say why in a second line.
TEST_F(MediaProbeOnFiles, ReadsLengthAndSizeOfEveryInputType)
{
    const struct
    {
        const char *name;
        int width, height;
        bool audio;
    } cases[] = {{"c.avi", 160, 120, true},  {"c.mpg", 176, 144, true}, {"c.mpeg", 192, 144, true},
                 {"c.mp4", 208, 160, true},  {"c.wmv", 224, 176, true}, {"c.mov", 240, 160, true},
                 {"c.vob", 256, 192, true},  {"c.asf", 272, 208, true}, {"c.ts", 288, 224, true},
                 {"s.mp4", 304, 240, false}};
    for (const auto &c : cases) {
        const QString path = dir.filePath(QLatin1String(c.name));
        ASSERT_TRUE(MakeClip(
            path, {.seconds = 1.5, .width = c.width, .height = c.height, .audio = c.audio}));
        const MediaProbeResult r = ProbeMedia(path);
        ASSERT_TRUE(r.ok) << c.name << ": " << r.error.toStdString();
        EXPECT_EQ(r.sizeText, QStringLiteral("%1x%2").arg(c.width).arg(c.height)) << c.name;
        EXPECT_NEAR(TimeTextToSeconds(r.lengthText), 1.5, 0.15) << c.name;
        // The longest stream: at least the picture's length (a transport stream's play time
        // falls short of it), no more than a frame of sound beyond.
        EXPECT_GE(r.longestSeconds, 1.5 - 1e-3) << c.name;
        EXPECT_LT(r.longestSeconds, 1.6) << c.name;
    }
    const QString text = dir.filePath(QStringLiteral("notes.avi"));
    qvj::test::WriteFile(text, "These are notes, not a video.\n");
    const std::pair<QString, const char *> refused[] = {
        {text, "notes.avi is not a video file"},
        {dir.filePath(QStringLiteral("gone.avi")), "gone.avi cannot be opened"},
        {dir.path(), "cannot be opened"}};
    for (const auto &[path, reason] : refused) {
        const MediaProbeResult r = ProbeMedia(path);
        EXPECT_TRUE(r.error.contains(QLatin1String(reason))) << r.error.toStdString();
        EXPECT_EQ(r.details, QStringLiteral("'' is not a valid floating point value."));
    }
}

// Recordings that went wrong: those without a length in their header are measured from their
// last time stamps (to the tenth of what ffmpeg decodes of them); the others are refused with
// a second line that names the file and says what is wrong. Neither reads the whole file.
TEST_F(MediaProbeOnFiles, MeasuresCrashedRecordingsAndSaysWhyOthersCannotBeRead)
{
    const auto set = qvj::test::MakeBrokenRecordings(dir.path() + QLatin1Char('/'));
    QStringList made;
    for (const qvj::test::BrokenRecording &b : set)
        made << b.path;
    const auto removeRaw = qScopeGuard([&] { qvj::test::RemoveRawNamedFiles(made); });
    for (const qvj::test::BrokenRecording &b : set) {
        const MediaProbeResult r = ProbeMedia(b.path);
        const std::string name = ShownName(b.path).toStdString();
        if (b.refusal.isEmpty()) {
            ASSERT_TRUE(r.ok) << name << ": " << r.error.toStdString();
            EXPECT_EQ(r.sizeText, QStringLiteral("320x240")) << name;
            EXPECT_NEAR(TimeTextToSeconds(r.lengthText), qvj::test::DecodableSeconds(b.path),
                        0.15)
                << name;
            continue;
        }
        EXPECT_FALSE(r.ok) << name;
        // The explanation is the message; the library's words are its details.
        EXPECT_FALSE(r.error.contains(u'\n')) << r.error.toStdString();
        EXPECT_TRUE(r.error.startsWith(ShownName(ExtractFileName(b.path))))
            << r.error.toStdString();
        EXPECT_TRUE(r.error.contains(b.refusal)) << r.error.toStdString();
        EXPECT_TRUE(r.details.endsWith(QLatin1String("is not a valid floating point value.")));
    }
}

// The Matroska reader takes only the head and the tail it is given: a tail that begins inside
// a cluster, or holds a chance match of a cluster's ID, or nothing readable, is handled.
TEST(MatroskaSecondsFromBytes, ReadsTheLastWholeClusterOfAnyTail)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("live.mkv"));
    ASSERT_TRUE(MakeClip(path, {.seconds = 6, .extra = {QStringLiteral("-live"), QStringLiteral("1")}}));
    const QByteArray file = qvj::test::ReadFile(path);
    const QByteArray head = file.left(4096);
    // Tails of every length from a few bytes to the whole file, and cut at any point: each
    // gives nothing or a length between the last cut's and the whole file's.
    const std::optional<double> whole = MatroskaSecondsFromBytes(head, file);
    ASSERT_TRUE(whole);
    EXPECT_NEAR(*whole, 6.0, 0.05);
    for (qsizetype cut = 0; cut < file.size(); cut += 997) {
        const QByteArray upTo = file.left(file.size() - cut);
        for (const qsizetype tail : {qsizetype(10), qsizetype(5000), upTo.size()}) {
            if (const auto s = MatroskaSecondsFromBytes(head, upTo.right(tail))) {
                EXPECT_LE(*s, *whole + 1e-9) << cut << ' ' << tail;
            }
        }
    }
    EXPECT_FALSE(MatroskaSecondsFromBytes(QByteArray("not matroska"), file));
    EXPECT_FALSE(MatroskaSecondsFromBytes(head, QByteArray(3000, '\x1F')));
}

// A name with letters beyond ASCII, probed in a process started under LANG=C: the library
// converts the name with the character locale, which must be UTF-8 by then.
TEST_F(MediaProbeOnFiles, NonAsciiNameProbesUnderTheCLocale)
{
    const QString path = dir.filePath(QStringLiteral("Grüße – ünïcødé.avi"));
    ASSERT_TRUE(MakeClip(path));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    env.insert(QStringLiteral("QVJ_TEST_PROBE_PATH"), path);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_also_run_disabled_tests"),
                 QStringLiteral("--gtest_filter=MediaProbeChild.DISABLED_ProbesTheNamedFile")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromUtf8(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

// Run only by the test above, in its own process.
TEST(MediaProbeChild, DISABLED_ProbesTheNamedFile)
{
    const MediaProbeResult r = ProbeMedia(qEnvironmentVariable("QVJ_TEST_PROBE_PATH"));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.sizeText, QStringLiteral("320x240"));
    EXPECT_NEAR(TimeTextToSeconds(r.lengthText), 2.0, 0.15);
}

// Tenths round halves to the even digit; a tenth that rounds to ten carries into the seconds.
TEST(SecondsToTimeText, WritesHoursMinutesSecondsAndANonZeroTenth)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<double, const char *> cases[] = {
        {0, "00:00:00"},       {65.3, "00:01:05.3"}, {3725, "01:02:05"}, {1234567.8, "342:56:07.8"},
        {5.25, "00:00:05.2"},  {5.75, "00:00:05.8"}, {0.04, "00:00:00"}, {0.95, "00:00:01"},
        {3599.97, "01:00:00"}, {-3, "00:00:00"},     {nan, "00:00:00"}};
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
    for (const char *bad : {"", "12:34", "01:02:03:04", "00:00:.5", "aa:00:00", "00:bb:00",
                            "00:00:cc", "00:00:05,3", "00:00:inf", "596524:00:00"})
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
