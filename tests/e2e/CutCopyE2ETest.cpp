// Trimmed inputs joined by quintor-join with a profile that copies the streams: the frames of
// every clip show their numbers, so the decoded output tells which source frames it holds, and
// each is compared with the source's frame byte for byte (copied) or by its PSNR (encoded).
#include "EncoderTestSupport.h"
#include "encoder/input/CutPacketReader.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

namespace {

using namespace qvj::test;

constexpr qsizetype kFrameBytes = 320 * 240 * 3 / 2;

QByteArray DecodedFrames(const QString &path)
{
    QProcess ffmpeg;
    ffmpeg.start(S("ffmpeg"),
                 {S("-v"), S("error"), S("-i"), path, S("-f"), S("rawvideo"), S("-pix_fmt"),
                  S("yuv420p"), S("-")});
    ffmpeg.waitForFinished(120000);
    return ffmpeg.readAllStandardOutput();
}

// The source frames shown at a keyframe.
QList<int> KeyFrameNumbers(const QString &path)
{
    QString out;
    RunProgram(S("ffprobe"),
               {S("-v"), S("error"), S("-select_streams"), S("v:0"), S("-show_entries"),
                S("packet=pts_time,flags"), S("-of"), S("csv=p=0"), path},
               &out);
    QList<int> keys;
    for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts))
        if (line.section(u',', 1, 1).startsWith(u'K'))
            keys << int(std::lround(line.section(u',', 0, 0).toDouble() * 30));
    std::sort(keys.begin(), keys.end());
    return keys;
}

double Psnr(const char *a, const char *b)
{
    double squares = 0;
    for (qsizetype i = 0; i < kFrameBytes; ++i)
        squares += (double(quint8(a[i])) - quint8(b[i])) * (double(quint8(a[i])) - quint8(b[i]));
    return squares == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 * kFrameBytes / squares);
}

TEST(CutCopy, EveryCutFallsOnTheAskedFrameAndOnlyTheFramesAroundItAreEncoded)
{
    const struct
    {
        const char *what;
        QStringList codec;
        bool copiesBetweenKeyframes; // whether a copy can start on its keyframes
        // Whether frames are made around the cuts: an HEVC copy decodes every file with the
        // first one's parameter sets, which a made picture does not share; its cuts move.
        bool exact = true;
    } kinds[] = {
        {"H.264, B-frames",
         {S("-c:v"), S("libx264"), S("-bf"), S("2"), S("-x264-params"),
          S("keyint=30:min-keyint=30:scenecut=0")},
         true},
        {"H.264, B-frames, open groups",
         {S("-c:v"), S("libx264"), S("-bf"), S("3"), S("-x264-params"),
          S("open-gop=1:keyint=30:min-keyint=30:scenecut=0")},
         false},
        {"HEVC, closed groups",
         {S("-c:v"), S("libx265"), S("-tag:v"), S("hvc1"), S("-x265-params"),
          S("keyint=30:min-keyint=30:scenecut=0:open-gop=0:log-level=error")},
         true,
         false},
        {"HEVC, open groups",
         {S("-c:v"), S("libx265"), S("-tag:v"), S("hvc1"), S("-x265-params"),
          S("keyint=30:min-keyint=30:scenecut=0:log-level=error")},
         false,
         false},
    };
    for (const auto &kind : kinds) {
        SCOPED_TRACE(kind.what);
        QTemporaryDir work;
        const QString a = work.filePath(S("a.mp4")), b = work.filePath(S("b.mp4"));
        ASSERT_TRUE(MakeCountingClip(a, 1.0, kind.codec, 5));
        ASSERT_TRUE(MakeCountingClip(b, 2.0, kind.codec, 5));
        const QString output = work.filePath(S("joined.mp4"));
        // a: frames 15 to 104, both cuts between keyframes; b: frames 30 to 119, on keyframes.
        const JoinRun run = RunQuintorJoin(
            {S("--profile"), S("MP4 - Same as Source (No Re-encoding)"), S("--temp"), work.path(),
             S("--no-chapters"), S("-o"), output, S("--from"), S("0.5"), S("--to"), S("3.5"), a,
             S("--from"), S("1"), S("--to"), S("4"), b});
        ASSERT_EQ(run.code, 0) << run.err.toStdString();
        const auto decodesCleanly = [&output] {
            QString decodeLog;
            return RunProgram(S("ffmpeg"),
                              {S("-v"), S("error"), S("-xerror"), S("-i"), output, S("-f"),
                               S("null"), S("-")},
                              &decodeLog)
                == 0
                && decodeLog.trimmed().isEmpty();
        };
        if (!kind.exact) {
            EXPECT_TRUE(run.err.contains(S("its cut moved to the nearest keyframes")))
                << run.err.toStdString();
            // A copy that starts on an open group's keyframe keeps the pictures before it
            // refers to: only closed groups decode without an error.
            EXPECT_TRUE(decodesCleanly() || !kind.copiesBetweenKeyframes);
            continue;
        }

        // To the frame, frame by frame.
        QList<int> expected;
        for (int n = 15; n <= 104; ++n)
            expected << n;
        for (int n = 30; n <= 119; ++n)
            expected << n;
        const QList<int> got = FrameNumbers(output);
        int off = 0;
        for (qsizetype i = 0; i < std::max(got.size(), expected.size()); ++i)
            off += got.value(i, -1) != expected.value(i, -1);
        EXPECT_EQ(got, expected);

        // Copied frames are the source's exactly; encoded ones are close to them.
        const QByteArray joined = DecodedFrames(output), inA = DecodedFrames(a),
                         inB = DecodedFrames(b);
        ASSERT_EQ(joined.size(), expected.size() * kFrameBytes);
        int identical = 0, keptBetweenKeys = 0, identicalBetweenKeys = 0;
        double worst = INFINITY;
        const QList<int> keysA = KeyFrameNumbers(a), keysB = KeyFrameNumbers(b);
        for (qsizetype i = 0; i < expected.size(); ++i) {
            const bool first = i < 90;
            const QByteArray &source = first ? inA : inB;
            const QList<int> &keys = first ? keysA : keysB;
            const int n = expected[i], lo = first ? 15 : 30, hi = first ? 104 : 119;
            const double psnr
                = Psnr(joined.constData() + i * kFrameBytes, source.constData() + n * kFrameBytes);
            identical += std::isinf(psnr);
            worst = std::isinf(psnr) ? worst : std::min(worst, psnr);
            // Between the first and the last keyframe inside the kept part.
            int firstKey = 1000, lastKey = -1;
            for (const int k : keys)
                if (k >= lo && k <= hi)
                    firstKey = std::min(firstKey, k), lastKey = std::max(lastKey, k);
            if (n >= firstKey && n < lastKey) {
                ++keptBetweenKeys;
                identicalBetweenKeys += std::isinf(psnr);
            }
        }
        if (kind.copiesBetweenKeyframes) {
            EXPECT_EQ(identicalBetweenKeys, keptBetweenKeys);
        }
        EXPECT_GE(worst, 40.0);

        EXPECT_TRUE(decodesCleanly());

        // In sync: a's beep 0.5 s earlier than in a, b's after a's 3 s and 1 s earlier.
        const QList<double> beeps = BeepStarts(output), beepA = BeepStarts(a),
                            beepB = BeepStarts(b);
        ASSERT_GE(beeps.size(), 2);
        ASSERT_FALSE(beepA.isEmpty() || beepB.isEmpty());
        const double syncA = beeps[0] - (beepA[0] - 0.5), syncB = beeps[1] - (3 + beepB[0] - 1);
        EXPECT_NEAR(syncA, 0, 0.04);
        EXPECT_NEAR(syncB, 0, 0.04);
        std::cout << kind.what << ": " << off << " of " << expected.size() << " frames off, "
                  << expected.size() - identical << " encoded, " << identicalBetweenKeys << " of "
                  << keptBetweenKeys << " between keyframes copied, encoded at least " << worst
                  << " dB, sound " << syncA * 1000 << " and " << syncB * 1000 << " ms off\n";
    }
}

// What the copy with cuts reads of its inputs in its own process is what ffprobe says of them.
TEST(CutCopy, InputsReadInProcessAreDescribedAsTheProbeDescribesThem)
{
    QTemporaryDir work;
    const QString sources = S("-f lavfi -i testsrc2=s=320x240:r=30000/1001:d=2 -f lavfi -i "
                              "sine=sample_rate=44100:d=2");
    const struct
    {
        const char *name;
        QString options;
    } clips[] = {
        {"turned.mp4", S("-map 0 -map 1 -c:v libx264 -c:a aac -metadata:s:v rotate=90")},
        {"late.mp4", S("-map 0 -map 1 -c:v libx264 -c:a aac -output_ts_offset 1.5 -aspect 4:3")},
        {"sound first.mkv", S("-map 1 -map 0 -c:v libx264 -c:a libopus")},
        {"stream.ts", S("-map 0 -map 1 -c:v libx264 -c:a mp2")},
    };
    QStringList paths;
    for (const auto &clip : clips) {
        paths << work.filePath(S(clip.name));
        ASSERT_EQ(RunProgram(S("ffmpeg"),
                             S("-v error -y").split(u' ') + sources.split(u' ')
                                 + clip.options.split(u' ') + QStringList {paths.back()}),
                  0)
            << clip.name;
    }
    QStringList errors;
    const auto read = ReadInputs(paths, &errors);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(clips[i].name);
        QString error;
        const auto probed = ProbeInput(S("ffprobe"), paths[i], &error);
        ASSERT_TRUE(probed && read[size_t(i)]) << error.toStdString() << errors[i].toStdString();
        const InputMedia &a = *probed, &b = *read[size_t(i)];
        EXPECT_EQ(std::tie(a.videoStream, a.width, a.height, a.rotation, a.audioStream,
                           a.sampleRate, a.channels, a.formatName),
                  std::tie(b.videoStream, b.width, b.height, b.rotation, b.audioStream,
                           b.sampleRate, b.channels, b.formatName));
        EXPECT_EQ(a.pixelAspect, b.pixelAspect);
        EXPECT_EQ(a.frameRate, b.frameRate);
        EXPECT_EQ(a.videoSeconds.has_value(), b.videoSeconds.has_value());
        for (const auto &[x, y] : {std::pair {a.videoStart, b.videoStart},
                                   {a.formatStart, b.formatStart},
                                   {a.estimatedSeconds, b.estimatedSeconds},
                                   {a.formatSeconds, b.formatSeconds}})
            EXPECT_NEAR(x, y, 1e-6);
    }
}

} // namespace
