// Joins with a crossfade at each join point, by the encoder on the real ffmpeg: plain dark and
// bright clips, so that every frame's brightness tells where it is in the fades.
#include "EncoderTestSupport.h"
#include "common/TestSupport.h"

#include "pipeline/runs/CommandLine.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qvj::test {
namespace {

// The mean brightness (luma, 16..235) of every frame of the file, in order.
std::vector<double> FrameBrightness(const QString &path)
{
    QString out;
    RunProgram(QStringLiteral("ffmpeg"),
               {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                QStringLiteral("-vf"),
                QStringLiteral("signalstats,metadata=print:key=lavfi.signalstats.YAVG:file=-"),
                QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")},
               &out);
    std::vector<double> values;
    const QRegularExpression yavg(QStringLiteral("YAVG=([0-9.]+)"));
    for (auto m = yavg.globalMatch(out); m.hasNext();)
        values.push_back(m.next().captured(1).toDouble());
    return values;
}

struct CrossfadeCase
{
    const char *what;
    int clips; // alternately dark and bright, 1 s at 25 fps each
    const char *seconds;
    int fadeFrames;
};

// The joined length is the sum less the overlaps, to the frame, whether the join is one ffmpeg
// run or goes through feeds (more than 16 inputs); each fade's middle frame is halfway between
// the dark and the bright clip.
TEST(CrossfadeJoin, EachJoinPointDissolvesAndTheLengthLosesTheOverlaps)
{
    const CrossfadeCase cases[]
        = {{"three clips, one run", 3, "0.4", 10}, {"eighteen clips, through feeds", 18, "0.2", 5}};
    QTemporaryDir dir;
    const QString clip[2]
        = {dir.filePath(QStringLiteral("dark.mp4")), dir.filePath(QStringLiteral("bright.mp4"))};
    for (int k = 0; k < 2; ++k)
        ASSERT_EQ(RunProgram(QStringLiteral("ffmpeg"),
                             {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                              QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                              QStringLiteral("color=c=%1:s=160x120:r=25:d=1")
                                  .arg(k ? QStringLiteral("white") : QStringLiteral("black")),
                              QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                              QStringLiteral("sine=f=440:d=1:sample_rate=48000"),
                              QStringLiteral("-c:v"), QStringLiteral("libx264"), clip[k]}),
                  0);
    for (const CrossfadeCase &c : cases) {
        SCOPED_TRACE(c.what);
        QString list;
        for (int i = 0; i < c.clips; ++i)
            list += u' ' + QuotePath(clip[i % 2]);
        const QString output = dir.filePath(QStringLiteral("joined.avi"));
        const ProgramRun run = RunEncoderLine(JoinCommandLine(
            list, output,
            QStringLiteral(
                "  -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=2000 -oac mp3lame -crossfade ")
                + QLatin1String(c.seconds)));
        ASSERT_EQ(run.code, 0) << run.err.toStdString();
        const std::vector<double> y = FrameBrightness(output);
        ASSERT_EQ(qint64(y.size()), 25 * c.clips - (c.clips - 1) * c.fadeFrames);
        const double mean = (16 + 235) / 2.0;
        for (int join = 1; join < c.clips; ++join) {
            // The fade into clip `join` starts where clip `join - 1` ends less the overlap.
            const int start = join * (25 - c.fadeFrames);
            EXPECT_NEAR(y[size_t(start + c.fadeFrames / 2)], mean, 0.1 * mean) << "join " << join;
            EXPECT_NEAR(y[size_t(start + c.fadeFrames)], join % 2 ? 235 : 16, 3) << "join " << join;
        }
    }
    // A clip shorter than a fade in and a fade out is refused, named.
    const ProgramRun refused = RunEncoderLine(JoinCommandLine(
        u' ' + QuotePath(clip[0]) + u' ' + QuotePath(clip[1]),
        dir.filePath(QStringLiteral("no.avi")),
        QStringLiteral("  -ovc lavc -lavcopts vcodec=mpeg4 -oac mp3lame -crossfade 0.6")));
    EXPECT_NE(refused.code, 0);
    EXPECT_TRUE(refused.err.contains("shorter than two crossfades")) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains("dark.mp4")) << refused.err.toStdString();
}

// quintor-join hands the fade to the join of a re-encoding profile: the file is shorter by the
// overlaps and each chapter starts where the fade into its file begins. A copy makes none, and
// says so rather than join with hard cuts.
TEST(CrossfadeJoin, TheCommandLineFadesAReencodingJoinAndRefusesACopy)
{
    QTemporaryDir dir;
    QStringList inputs;
    for (int k = 0; k < 3; ++k) {
        inputs << dir.filePath(QStringLiteral("clip%1.mp4").arg(k));
        ASSERT_EQ(
            RunProgram(QStringLiteral("ffmpeg"),
                       {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"),
                        QStringLiteral("lavfi"), QStringLiteral("-i"),
                        QStringLiteral("testsrc2=s=320x240:r=25:d=3"), QStringLiteral("-f"),
                        QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=d=3"),
                        QStringLiteral("-c:v"), QStringLiteral("libx264"), inputs.last()}),
            0);
    }
    const QString output = dir.filePath(QStringLiteral("faded.mp4"));
    const JoinRun run = RunQuintorJoin(
        QStringList {QStringLiteral("--profile"), QStringLiteral("MP4 - H.264 Video"),
                     QStringLiteral("--crossfade"), QStringLiteral("0.5"), QStringLiteral("-o"),
                     output}
        + inputs);
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_NEAR(ProbeFile(output).seconds, 8.0, 0.05);
    QString chapters;
    RunProgram(QStringLiteral("ffprobe"),
               {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                QStringLiteral("chapter=start_time"), QStringLiteral("-of"),
                QStringLiteral("csv=p=0"), output},
               &chapters);
    EXPECT_EQ(chapters.simplified(), QStringLiteral("0.000000 2.500000 5.000000"));

    const JoinRun copy = RunQuintorJoin(
        QStringList {QStringLiteral("--profile"),
                     QStringLiteral("MP4 - Same as Source (No Re-encoding)"),
                     QStringLiteral("--crossfade"), QStringLiteral("0.5"), QStringLiteral("-o"),
                     dir.filePath(QStringLiteral("copied.mp4"))}
        + inputs);
    EXPECT_EQ(copy.code, 1);
    EXPECT_TRUE(copy.err.contains(QStringLiteral("Crossfades are made by profiles that re-encode")))
        << copy.err.toStdString();
}

} // namespace
} // namespace qvj::test
