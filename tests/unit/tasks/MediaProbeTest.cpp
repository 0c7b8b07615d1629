#include "tasks/MediaProbe.h"
#include "common/TestSupport.h"
#include "tasks/TimeText.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using qvj::test::ClipSpec;
using qvj::test::MakeClip;

struct TextsCase
{
    const char *playTime;
    const char *width;
    const char *height;
    const char *length; // empty: the probe fails
    const char *size;
};

TEST(MediaProbeResultFromTexts, TurnsLibraryTextsIntoLengthAndSize)
{
    const TextsCase cases[] = {
        {"65300", "640", "480", "00:01:05.3", "640x480"},
        {"5000", "720", "576", "00:00:05", "720x576"},
        {"5005.000000", "1920", "1080", "00:00:05", "1920x1080"}, // MPEG-TS writes a fraction
        {"59960", "", "", "00:01:00", "x"}, // sound only
        {"0", "320", "240", "00:00:00", "320x240"},
    };
    for (const TextsCase &c : cases) {
        const MediaProbeResult r = MediaProbeResultFromTexts(
            QLatin1String(c.playTime), QLatin1String(c.width), QLatin1String(c.height));
        EXPECT_TRUE(r.ok) << c.playTime;
        EXPECT_EQ(r.lengthText, QLatin1String(c.length)) << c.playTime;
        EXPECT_EQ(r.sizeText, QLatin1String(c.size)) << c.playTime;
    }
}

TEST(MediaProbeResultFromTexts, FailsWhenThePlayTimeIsNoNumber)
{
    const char *cases[] = {"", "abc", "5005,000000", "1 000", "nan", "inf", "12ms", "."};
    for (const char *playTime : cases) {
        const MediaProbeResult r = MediaProbeResultFromTexts(
            QLatin1String(playTime), QStringLiteral("640"), QStringLiteral("480"));
        EXPECT_FALSE(r.ok) << playTime;
        EXPECT_EQ(r.error,
                  QStringLiteral("'%1' is not a valid floating point value")
                      .arg(QLatin1String(playTime)));
        EXPECT_TRUE(r.lengthText.isEmpty());
        EXPECT_TRUE(r.sizeText.isEmpty());
    }
}

class MediaProbeOnFiles : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString PathOf(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

// Every input type, each with its own frame size so that a swapped or stale size shows; the
// last ones are silent or have a fractional play time (MPEG-TS).
TEST_F(MediaProbeOnFiles, ReadsLengthAndSizeOfEveryInputType)
{
    struct Case
    {
        const char *name;
        int width;
        int height;
        bool audio;
    };
    const Case cases[] = {
        {"c.avi", 160, 120, true},  {"c.mpg", 176, 144, true},  {"c.mpeg", 192, 144, true},
        {"c.mp4", 208, 160, true},  {"c.wmv", 224, 176, true},  {"c.mov", 240, 160, true},
        {"c.vob", 256, 192, true},  {"c.asf", 272, 208, true},  {"c.ts", 288, 224, true},
        {"s.mp4", 304, 240, false}, {"s.avi", 320, 240, false},
    };
    for (const Case &c : cases) {
        ClipSpec spec;
        spec.seconds = 1.5;
        spec.width = c.width;
        spec.height = c.height;
        spec.audio = c.audio;
        const QString path = PathOf(QLatin1String(c.name));
        ASSERT_TRUE(MakeClip(path, spec)) << c.name;

        const MediaProbeResult r = ProbeMedia(path);
        ASSERT_TRUE(r.ok) << c.name << ": " << r.error.toStdString();
        EXPECT_EQ(r.sizeText, QStringLiteral("%1x%2").arg(c.width).arg(c.height)) << c.name;
        EXPECT_NEAR(TimeTextToSeconds(r.lengthText), 1.5, 0.15) << c.name;
    }
}

TEST_F(MediaProbeOnFiles, SoundOnlyFileHasLengthAndAnEmptySize)
{
    const QString path = PathOf(QStringLiteral("tone.mpg"));
    ASSERT_EQ(
        qvj::test::RunProgram(QStringLiteral("ffmpeg"),
                              {QStringLiteral("-loglevel"), QStringLiteral("error"),
                               QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                               QStringLiteral("sine=frequency=440:duration=2"), path}),
        0);
    const MediaProbeResult r = ProbeMedia(path);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.sizeText, QStringLiteral("x"));
    EXPECT_NEAR(TimeTextToSeconds(r.lengthText), 2.0, 0.15);
}

TEST_F(MediaProbeOnFiles, FilesWithoutADurationFailWithTheEmptyPlayTime)
{
    QFile empty(PathOf(QStringLiteral("empty.avi")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile text(PathOf(QStringLiteral("notes.avi")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("These are notes, not a video.\n");
    text.close();

    for (const QString &path :
         {empty.fileName(), text.fileName(), PathOf(QStringLiteral("gone.avi")), m_dir.path()}) {
        const MediaProbeResult r = ProbeMedia(path);
        EXPECT_FALSE(r.ok) << path.toStdString();
        EXPECT_EQ(r.error, QStringLiteral("'' is not a valid floating point value"));
    }
}

// The probe of a name with letters beyond ASCII, in a process started under LANG=C: the
// library converts the name with the character locale, which must be UTF-8 by then.
TEST_F(MediaProbeOnFiles, NonAsciiNameProbesUnderTheCLocale)
{
    const QString path = PathOf(QStringLiteral("Grüße – ünïcødé.avi"));
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
    const QString path = qEnvironmentVariable("QVJ_TEST_PROBE_PATH");
    ASSERT_FALSE(path.isEmpty());
    const MediaProbeResult r = ProbeMedia(path);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.sizeText, QStringLiteral("320x240"));
    EXPECT_NEAR(TimeTextToSeconds(r.lengthText), 2.0, 0.15);
}

} // namespace
