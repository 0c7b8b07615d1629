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
