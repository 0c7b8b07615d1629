// ffmpeg's progress reports in, status lines out that the program's "Pos:" reading understands.
#include "encoder/Progress.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// Captured from ffmpeg 5.1 with -progress pipe:1.
const QByteArray kCaptured = "frame=1\nfps=0.00\nstream_0_0_q=3.5\nbitrate=2436.0kbits/s\n"
                             "total_size=12180\nout_time_us=40000\nout_time_ms=40000\n"
                             "out_time=00:00:00.040000\ndup_frames=0\ndrop_frames=0\n"
                             "speed=4e+04x\nprogress=continue\n"
                             "frame=25\nfps=0.00\nstream_0_0_q=5.5\nbitrate= 590.9kbits/s\n"
                             "total_size=73866\nout_time_us=1000000\nout_time_ms=1000000\n"
                             "out_time=00:00:01.000000\ndup_frames=0\ndrop_frames=0\n"
                             "speed= 116x\nprogress=end\n";

TEST(EncoderProgress, ReportsCompleteOnlyAtTheirProgressLineWhateverTheChunking)
{
    for (int chunk : {1, 7, 64}) {
        ProgressReader reader;
        std::vector<ProgressReport> reports;
        for (qsizetype at = 0; at < kCaptured.size(); at += chunk)
            if (const auto r = reader.Feed(kCaptured.mid(at, chunk)))
                reports.push_back(*r);
        ASSERT_EQ(reports.size(), 2u) << "chunk " << chunk;
        EXPECT_DOUBLE_EQ(reports[0].seconds, 0.04);
        EXPECT_EQ(reports[0].frames, 1);
        EXPECT_FALSE(reports[0].finished);
        EXPECT_DOUBLE_EQ(reports[1].seconds, 1.0);
        EXPECT_EQ(reports[1].frames, 25);
        EXPECT_EQ(reports[1].bytes, 73866);
        EXPECT_DOUBLE_EQ(reports[1].speed, 116);
        EXPECT_TRUE(reports[1].finished);
    }
    // Both at once: the latest counts.
    ProgressReader reader;
    const auto latest = reader.Feed(kCaptured);
    ASSERT_TRUE(latest);
    EXPECT_TRUE(latest->finished);
    EXPECT_EQ(latest->frames, 25);
}

TEST(EncoderProgress, OddValuesLeaveSaneFigures)
{
    ProgressReader reader;
    const auto r = reader.Feed(
        "out_time_us=-23000\nframe=0\nspeed=N/A\ntotal_size=N/A\nprogress=continue\n");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->seconds, 0);
    EXPECT_EQ(r->speed, 0);
    EXPECT_EQ(r->bytes, 0);
}

TEST(EncoderProgress, StatusLineLooksLikeMEncodersAndEndsInCarriageReturn)
{
    ProgressReport r;
    r.seconds = 12.34;
    r.frames = 370;
    EXPECT_EQ(
        FormatStatusLine(r, 0, 0),
        QByteArray("Pos:  12.3s    370f ( 0%)  0.00fps Trem:   0min   0mb  A-V:0.000 [0:0]\r"));

    r.seconds = 30;
    r.frames = 900;
    r.bytes = 3 * 1048576;
    // a third done in 10 s: 20 s (0 min) left, 9 MB in all, 90 frames a second
    EXPECT_EQ(
        FormatStatusLine(r, 90, 10),
        QByteArray("Pos:  30.0s    900f (33%) 90.00fps Trem:   0min   9mb  A-V:0.000 [0:0]\r"));
    r.seconds = 60;
    EXPECT_TRUE(FormatStatusLine(r, 600, 60).contains("(10%)"));
    EXPECT_TRUE(FormatStatusLine(r, 600, 60).contains("Trem:   9min"));
    EXPECT_TRUE(FormatStatusLine(r, 30, 60).contains("(100%)")); // never above 100
}

// How the program reads a status line: the text after "Pos:" up to the first "s".
TEST(EncoderProgress, PositionTextIsWhatTheProgramReads)
{
    for (double seconds : {0.0, 0.05, 9.96, 12.34, 3599.9, 123456.7}) {
        ProgressReport r;
        r.seconds = seconds;
        r.frames = 12345678;
        const QString line = QString::fromLatin1(FormatStatusLine(r, 100, 3));
        const qsizetype pos = line.indexOf(QLatin1String("Pos:"));
        ASSERT_EQ(pos, 0);
        const QString text = line.mid(4, line.indexOf(QLatin1Char('s'), 4) - 4);
        bool ok = false;
        EXPECT_NEAR(text.trimmed().toDouble(&ok), seconds, 0.05) << line.toStdString();
        EXPECT_TRUE(ok) << line.toStdString();
        EXPECT_EQ(line.count(QLatin1Char('\r')), 1);
        EXPECT_TRUE(line.endsWith(QLatin1Char('\r')));
    }
}

} // namespace
