// Trimmed inputs joined by quintor-join with a profile that re-encodes: the picture of every
// frame carries its number in eight black or white stripes, so the decoded output tells which
// source frames it holds; a beep at a known moment of each clip tells where its sound went.
#include "EncoderTestSupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iostream>

namespace {

using namespace qvj::test;

// A 3 s clip of 30 frames a second, H.264 with B-frames and a key frame every second, whose
// frames show their numbers and whose sound is silent but for a beep from beepAt on.
bool MakeCountingClip(const QString &path, double beepAt)
{
    return RunProgram(
               QStringLiteral("ffmpeg"),
               {S("-v"),
                S("error"),
                S("-y"),
                S("-f"),
                S("lavfi"),
                S("-i"),
                S("color=c=black:s=320x240:r=30:d=3,format=gray,"
                  "geq=lum='if(bitand(N\\,pow(2\\,floor(X/40)))\\,235\\,16)',format=yuv420p"),
                S("-f"),
                S("lavfi"),
                S("-i"),
                S("sine=f=1000:d=3,volume=0:enable='not(between(t\\,%1\\,%2))'")
                    .arg(beepAt)
                    .arg(beepAt + 0.2),
                S("-c:v"),
                S("libx264"),
                S("-g"),
                S("30"),
                S("-bf"),
                S("2"),
                S("-c:a"),
                S("aac"),
                S("-shortest"),
                path})
        == 0;
}

// The number each decoded frame shows, in order.
QList<int> FrameNumbers(const QString &path)
{
    QProcess ffmpeg;
    ffmpeg.start(S("ffmpeg"),
                 {S("-v"), S("error"), S("-i"), path, S("-vf"),
                  S("scale=8:1:flags=area,format=gray"), S("-f"), S("rawvideo"), S("-")});
    ffmpeg.waitForFinished(120000);
    const QByteArray bytes = ffmpeg.readAllStandardOutput();
    QList<int> numbers;
    for (qsizetype f = 0; f + 8 <= bytes.size(); f += 8) {
        int n = 0;
        for (int bit = 0; bit < 8; ++bit)
            n |= (quint8(bytes[f + bit]) > 128 ? 1 : 0) << bit;
        numbers << n;
    }
    return numbers;
}

// Where the sound of the file starts after each silence, in seconds.
QList<double> BeepStarts(const QString &path)
{
    QString log;
    RunProgram(
        S("ffmpeg"),
        {S("-i"), path, S("-af"), S("silencedetect=n=-30dB:d=0.05"), S("-f"), S("null"), S("-")},
        &log);
    QList<double> starts;
    const QRegularExpression end(S("silence_end: ([0-9.]+)"));
    for (auto m = end.globalMatch(log); m.hasNext();)
        starts << m.next().captured(1).toDouble();
    return starts;
}

TEST(TrimJoin, EveryTrimmedClipStartsAndEndsAtTheAskedFrameWithItsSoundInStep)
{
    QTemporaryDir work;
    const QString a = work.filePath(S("a.mp4")), b = work.filePath(S("b.mp4"));
    ASSERT_TRUE(MakeCountingClip(a, 1.0));
    ASSERT_TRUE(MakeCountingClip(b, 2.0));
    const QString output = work.filePath(S("joined.avi"));
    // a: frames 15 to 59, the start between key frames; b: frames 31 to 74.
    const JoinRun run
        = RunQuintorJoin({S("--profile"), S("AVI - MPEG-4 Video"), S("--temp"), work.path(),
                          S("--no-chapters"), S("-o"), output, S("--from"), S("0.5"), S("--to"),
                          S("2"), a, S("--from"), S("00:00:01.033"), S("--to"), S("2.5"), b});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();

    QList<int> expected;
    for (int n = 15; n <= 59; ++n)
        expected << n;
    for (int n = 31; n <= 74; ++n)
        expected << n;
    const QList<int> got = FrameNumbers(output);
    int off = 0;
    for (qsizetype i = 0; i < std::max(got.size(), expected.size()); ++i)
        off += got.value(i, -1) != expected.value(i, -1);
    std::cout << "trimmed join: " << got.size() << " frames of " << expected.size() << " asked, "
              << off << " off; first " << got.value(0) << ", at the seam " << got.value(44) << " "
              << got.value(45) << ", last " << got.value(got.size() - 1) << "\n";
    EXPECT_EQ(got, expected);

    // The beeps, measured alike in the sources and the join: a's is 0.5 s earlier than in a,
    // b's comes after a's 1.5 s and 31 frames earlier than in b. (The last entry is the
    // silence at the end.)
    const QList<double> beeps = BeepStarts(output), inA = BeepStarts(a), inB = BeepStarts(b);
    ASSERT_GE(beeps.size(), 2);
    ASSERT_FALSE(inA.isEmpty() || inB.isEmpty());
    const double wantA = inA[0] - 0.5, wantB = 1.5 + inB[0] - 31.0 / 30;
    std::cout << "beeps at " << beeps[0] << " and " << beeps[1] << " s, " << wantA << " and "
              << wantB << " s asked: " << (beeps[0] - wantA) * 1000 << " and "
              << (beeps[1] - wantB) * 1000 << " ms off\n";
    EXPECT_NEAR(beeps[0], wantA, 0.01);
    EXPECT_NEAR(beeps[1], wantB, 0.01);

    // A time outside the file is refused, naming it.
    const JoinRun outside
        = RunQuintorJoin({S("--profile"), S("AVI - MPEG-4 Video"), S("--temp"), work.path(),
                          S("--overwrite"), S("-o"), output, S("--to"), S("4"), a});
    EXPECT_EQ(outside.code, 1);
    EXPECT_TRUE(outside.err.contains(S("The cut of %1 is refused: The end point lies beyond "
                                       "the end of the file.")
                                         .arg(a)))
        << outside.err.toStdString();
}

} // namespace
