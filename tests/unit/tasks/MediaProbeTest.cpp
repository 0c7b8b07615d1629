#include "tasks/MediaProbe.h"
#include "common/TestSupport.h"
#include "tasks/TimeText.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using qvj::test::MakeClip;

// The play time is a decimal number of milliseconds with "." in every locale; MPEG-TS gives a
// fraction. Without a video stream the size is "x" alone.
TEST(MediaProbeResultFromTexts, TurnsLibraryTextsIntoLengthAndSize)
{
    const MediaProbeResult a = MediaProbeResultFromTexts(
        QStringLiteral("65300"), QStringLiteral("720"), QStringLiteral("576"));
    EXPECT_EQ(a.lengthText + QLatin1Char(' ') + a.sizeText, QStringLiteral("00:01:05.3 720x576"));
    const MediaProbeResult b
        = MediaProbeResultFromTexts(QStringLiteral("5005.000000"), QString(), QString());
    EXPECT_EQ(b.lengthText + QLatin1Char(' ') + b.sizeText, QStringLiteral("00:00:05 x"));
    for (const char *playTime : {"", "abc", "5005,000000", "1 000", "nan", "inf", "12ms", "."}) {
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
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QTemporaryDir dir;
};

// Every input type with a frame size of its own, so that a swapped or stale size shows; then
// silent clips, MPEG-TS (a fractional play time) and sound only (width 0: no video stream).
TEST_F(MediaProbeOnFiles, ReadsLengthAndSizeOfEveryInputType)
{
    const struct
    {
        const char *name;
        int width;
        int height;
        bool audio;
    } cases[] = {{"c.avi", 160, 120, true},  {"c.mpg", 176, 144, true},  {"c.mpeg", 192, 144, true},
                 {"c.mp4", 208, 160, true},  {"c.wmv", 224, 176, true},  {"c.mov", 240, 160, true},
                 {"c.vob", 256, 192, true},  {"c.asf", 272, 208, true},  {"c.ts", 288, 224, true},
                 {"s.mp4", 304, 240, false}, {"s.avi", 320, 240, false}, {"a.mpg", 0, 0, true}};
    for (const auto &c : cases) {
        const QString path = dir.filePath(QLatin1String(c.name));
        const QStringList noVideo = c.width ? QStringList() : QStringList {QStringLiteral("-vn")};
        ASSERT_TRUE(MakeClip(path,
                             {.seconds = 1.5,
                              .width = c.width ? c.width : 320,
                              .height = c.height ? c.height : 240,
                              .audio = c.audio,
                              .extra = noVideo}));
        const MediaProbeResult r = ProbeMedia(path);
        ASSERT_TRUE(r.ok) << c.name << ": " << r.error.toStdString();
        EXPECT_EQ(r.sizeText,
                  c.width ? QStringLiteral("%1x%2").arg(c.width).arg(c.height)
                          : QStringLiteral("x"))
            << c.name;
        EXPECT_NEAR(TimeTextToSeconds(r.lengthText), 1.5, 0.15) << c.name;
    }
}

// A zero-length file, a text file named as a video, a missing file and a folder.
TEST_F(MediaProbeOnFiles, FilesWithoutADurationFailWithTheEmptyPlayTime)
{
    const QString empty = dir.filePath(QStringLiteral("empty.avi"));
    const QString text = dir.filePath(QStringLiteral("notes.avi"));
    QFile(empty).open(QIODevice::WriteOnly);
    QFile notes(text);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("These are notes, not a video.\n");
    notes.close();
    for (const QString &path :
         {empty, text, dir.filePath(QStringLiteral("gone.avi")), dir.path()}) {
        const MediaProbeResult r = ProbeMedia(path);
        EXPECT_FALSE(r.ok) << path.toStdString();
        EXPECT_EQ(r.error, QStringLiteral("'' is not a valid floating point value"));
    }
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

} // namespace
