// ffmpeg's progress reports in, status lines out that the program's "Pos:" reading understands.
#include "encoder/run/Progress.h"
#include "common/TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>

namespace {

TEST(EncoderProgress, ReportsCompleteOnlyAtTheirProgressLineWhateverTheChunking)
{
    // Captured from ffmpeg 5.1 with -progress pipe:1, shortened.
    const QByteArray captured = "frame=1\nfps=0.00\ntotal_size=12180\nout_time_us=40000\n"
                                "speed=4e+04x\nprogress=continue\n"
                                "frame=25\nbitrate= 590.9kbits/s\ntotal_size=73866\n"
                                "out_time_us=1000000\nout_time=00:00:01.000000\n"
                                "speed= 116x\nprogress=end\n"
                                "out_time_us=-23000\nspeed=N/A\ntotal_size=N/A\nprogress=end\n";
    for (int chunk : {1, 7, 4096}) {
        ProgressReader reader;
        std::vector<ProgressReport> reports;
        for (qsizetype at = 0; at < captured.size(); at += chunk)
            if (const auto r = reader.Feed(captured.mid(at, chunk)))
                reports.push_back(*r);
        if (chunk == 4096) { // all at once: only the latest counts
            EXPECT_EQ(reports.size(), 1u);
            continue;
        }
        ASSERT_EQ(reports.size(), 3u) << "chunk " << chunk;
        EXPECT_DOUBLE_EQ(reports[0].seconds, 0.04);
        EXPECT_FALSE(reports[0].finished);
        EXPECT_EQ(reports[1].frames, 25);
        EXPECT_EQ(reports[1].bytes, 73866);
        EXPECT_DOUBLE_EQ(reports[1].speed, 116);
        EXPECT_TRUE(reports[1].finished);
        EXPECT_EQ(reports[2].seconds, 0); // odd values leave sane figures
        EXPECT_EQ(reports[2].speed, 0);
    }
}

TEST(EncoderProgress, StatusLinesKeepTheirLayoutAndReadBackInEveryLocale)
{
    const std::string numeric = std::setlocale(LC_NUMERIC, nullptr);
    const QTemporaryDir dir;
    for (bool comma : {false, true}) {
        if (comma) {
            ASSERT_TRUE(qvj::test::SetCommaLocale(dir.path()));
        }
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
        EXPECT_TRUE(FormatStatusLine(r, 20, 60).contains("(100%)")); // never above 100
        // The program reads the text after "Pos:" up to the first "s", however large the
        // figures.
        for (double seconds : {9.96, 123456.7, 1e12}) {
            r.seconds = seconds;
            r.frames = 12345678;
            const QString line = QString::fromLatin1(FormatStatusLine(r, 100, 3));
            EXPECT_TRUE(line.startsWith(QLatin1String("Pos:")) && line.count(u'\r') == 1);
            EXPECT_NEAR(line.mid(4, line.indexOf(u's', 4) - 4).toDouble(),
                        std::min(seconds, 9999999.0), 0.05)
                << line.toStdString();
        }
    }
    std::setlocale(LC_NUMERIC, numeric.c_str());
}

} // namespace
