// Joins of many inputs: a thousand intermediate files as the conversion stage writes them,
// and unlike inputs whose boundaries fall where one group of opened inputs ends and the next
// begins. The joined file is exactly as long as its inputs and its sound in sync at every one.
#include "EncoderTestSupport.h"
#include "encoder/routes/PipedJoin.h"
#include "pipeline/runs/CommandLine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iostream>
#include <sys/resource.h>

namespace qvj::test {
namespace {

const QString kJoinOptions = QStringLiteral(
    " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=500 -oac mp3lame -lameopts vbr=2:q=6 "
    "-channels 2 -vf scale=64:48 -srate 44100");

double PeakChildMegabytes()
{
    rusage usage = {};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Count intermediates in dir's "temp/": one made from a clip as the conversion stage makes it
// at the size, the others copies of it. Gives the folder, empty when one could not be made.
QString MakeIntermediates(const QTemporaryDir &dir, const SyncClip &clip, const QString &size,
                          int count)
{
    const QString temp = dir.filePath(QStringLiteral("temp/"));
    const QString source = dir.filePath(QStringLiteral("clip.mp4"));
    const QString first = IntermediateFile(temp, 0);
    if (!QDir().mkpath(temp) || !MakeSyncClip(source, clip)
        || RunEncoderLine(ConversionCommandLine(source, first, size)).code != 0)
        return {};
    for (int i = 1; i < count; ++i)
        if (!QFile::copy(first, IntermediateFile(temp, i)))
            return {};
    return temp;
}

TEST(EncoderManyInputs, AThousandIntermediatesJoinToTheirExactLengthInSync)
{
    const int kInputs = 1000;
    QTemporaryDir dir;
    const QString temp
        = MakeIntermediates(dir, {QStringLiteral("25"), 64, 48}, QStringLiteral("64:48"), kInputs);
    ASSERT_FALSE(temp.isEmpty());
    const QString first = IntermediateFile(temp, 0);

    const QString output = dir.filePath(QStringLiteral("joined.avi"));
    QElapsedTimer timer;
    timer.start();
    // A thousand probes take their time on a busy machine: the wait is generous.
    QString said;
    const int code = RunProgram(
        EncoderProgram(),
        SplitCommandLine(JoinCommandLine(JoinInputList(temp, kInputs), output, kJoinOptions)),
        &said, 20 * 60 * 1000);
    ASSERT_EQ(code, 0) << said.right(2000).toStdString();
    std::cout << "[ measured ] " << kInputs << " inputs joined in " << timer.elapsed() / 1000.0
              << " s; largest process so far " << PeakChildMegabytes() << " MB\n";

    // Every frame of every input, no more, no fewer.
    const qint64 frames = VideoFrames(output);
    EXPECT_EQ(frames, VideoFrames(first) * kInputs);
    double sync = 0, length = 0;
    // The copies are measured as the one file they copy, in one decode.
    CheckJoined(output, std::vector<QString>(kInputs, first), "a thousand intermediates", &sync,
                &length);
    std::cout << "[ measured ] worst sync offset " << sync * 1000 << " ms, " << frames
              << " frames\n";
}

TEST(EncoderManyInputs, UnlikeInputsKeepSyncAcrossEveryGroupOfOpenedInputs)
{
    // An MPEG program stream, whose length is only an estimate, ends the first group of
    // inputs opened together and the whole join; the others differ in every way.
    const std::pair<const char *, SyncClip> kinds[] = {
        {"a.mp4", {}},
        {"b.avi", {"30000/1001", 176, 144, 22050, 1}},
        {"silent.mkv", {"24", 320, 240, 44100, 2, false}},
        {"six.mov", {"60", 128, 96, 48000, 6}},
        {"variable.mkv", {"25", 160, 120, 32000, 2, true, true}},
        {"estimated.mpg",
         {"25", 160, 120, 44100, 2, false, false, {"-c:v", "mpeg1video", "-q:v", "2"}}},
    };
    QTemporaryDir dir;
    std::vector<QString> made;
    for (const auto &[name, clip] : kinds) {
        made.push_back(dir.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(MakeSyncClip(made.back(), clip));
    }
    std::vector<QString> inputs;
    for (size_t i = 0; i + 1 < kInputsPerFeed; ++i)
        inputs.push_back(made.at(i % 5));
    inputs.push_back(made.back());
    for (size_t i = 0; i < made.size(); ++i)
        inputs.push_back(made.at(i));
    QString list;
    for (const QString &in : inputs)
        list += u' ' + QuotePath(in);
    const QString output = dir.filePath(QStringLiteral("joined.avi"));
    const ProgramRun join = RunEncoderLine(JoinCommandLine(list, output, kJoinOptions));
    ASSERT_EQ(join.code, 0) << join.err.toStdString();
    double sync = 0, length = 0;
    CheckJoined(output, inputs, "unlike inputs in two groups", &sync, &length);
    std::cout << "[ measured ] " << inputs.size() << " unlike inputs: worst sync offset "
              << sync * 1000 << " ms, length error " << length * 1000 << " ms\n";
}

TEST(EncoderManyInputs, SoundAtALowRateDoesNotStallTheFeeds)
{
    // At 22050 Hz a feed gives many pictures before the writer has its first block of sound;
    // the writer must take them meanwhile, or both wait on each other for good.
    QTemporaryDir dir;
    const int count = int(kInputsPerFeed) + 1;
    const QString temp = MakeIntermediates(dir, {}, QStringLiteral("640:480"), count);
    ASSERT_FALSE(temp.isEmpty());
    const QString first = IntermediateFile(temp, 0);
    const QString output = dir.filePath(QStringLiteral("joined.flv"));
    const ProgramRun join = RunEncoderLine(JoinCommandLine(
        JoinInputList(temp, count), output,
        QStringLiteral(" -ovc lavc -lavcopts vcodec=flv:vbitrate=1000 -oac mp3lame -lameopts "
                       "vbr=2:q=2 -channels 2 -vf scale=640:480 -srate 22050")));
    ASSERT_EQ(join.code, 0) << join.err.toStdString();
    EXPECT_EQ(VideoFrames(output), VideoFrames(first) * count);
}

} // namespace
} // namespace qvj::test

namespace qvj::test {
namespace {

// Full-HD inputs whose sound starts two seconds into them: a feed gives two seconds of pictures
// (150 MB of raw frames) before the file's first sound. The join must go through all the same,
// without ending on the watchdog's silence, and every frame must be there.
TEST(EncoderManyInputs, FullHdInputsWhoseSoundStartsLateDoNotStallTheFeeds)
{
    QTemporaryDir dir;
    // Matroska keeps each block at its own time, so the sound lies two seconds into the file.
    const QString first = dir.filePath(QStringLiteral("late0.mkv"));
    const QStringList make {QStringLiteral("-hide_banner"),
                            QStringLiteral("-loglevel"),
                            QStringLiteral("error"),
                            QStringLiteral("-y"),
                            QStringLiteral("-f"),
                            QStringLiteral("lavfi"),
                            QStringLiteral("-i"),
                            QStringLiteral("testsrc2=size=1920x1080:rate=25:duration=3"),
                            QStringLiteral("-itsoffset"),
                            QStringLiteral("2"),
                            QStringLiteral("-f"),
                            QStringLiteral("lavfi"),
                            QStringLiteral("-i"),
                            QStringLiteral("sine=duration=1"),
                            QStringLiteral("-c:v"),
                            QStringLiteral("libx264"),
                            QStringLiteral("-preset"),
                            QStringLiteral("ultrafast"),
                            QStringLiteral("-c:a"),
                            QStringLiteral("aac"),
                            first};
    ASSERT_EQ(RunProgram(QStringLiteral("ffmpeg"), make), 0);
    const int count = int(kInputsPerFeed) + 2;
    QString list = u' ' + QuotePath(first);
    for (int i = 1; i < count; ++i) {
        const QString copy = dir.filePath(QStringLiteral("late%1.mkv").arg(i));
        ASSERT_TRUE(QFile::copy(first, copy));
        list += u' ' + QuotePath(copy);
    }
    // A stall ends on the watchdog: short here, so that it fails the test soon.
    qputenv("QVJ_ENCODER_WATCHDOG_SECONDS", "40");
    const QString output = dir.filePath(QStringLiteral("joined.avi"));
    const ProgramRun join = RunEncoderLine(JoinCommandLine(
        list, output,
        QStringLiteral(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=800 -oac mp3lame -lameopts "
                       "vbr=2:q=6 -channels 2 -vf scale=1920:1080 -srate 44100")));
    qunsetenv("QVJ_ENCODER_WATCHDOG_SECONDS");
    ASSERT_EQ(join.code, 0) << join.err.toStdString();
    EXPECT_EQ(VideoFrames(output), 75 * count);
    std::cout << "[ measured ] " << count << " Full-HD inputs with late sound joined; largest "
              << "process so far " << PeakChildMegabytes() << " MB\n";
}

} // namespace
} // namespace qvj::test
