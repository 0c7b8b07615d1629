// A re-encoding join of ten clips, stopped (Ctrl-C) or killed outright during its seventh
// conversion, then started again with the same command: the second run converts only the
// seventh to the tenth and writes the file an uninterrupted join writes.
#include "EncoderTestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

using namespace qvj::test;

QString ClipName(int n)
{
    return S("c%1.mp4").arg(n, 2, 10, QLatin1Char('0'));
}

// The clips whose conversion a run of quintor-join began, from its progress lines.
QStringList Converted(const QString &err)
{
    QStringList names;
    static const QRegularExpression line(
        QStringLiteral("Prepare \\(Converting\\): (c\\d\\d\\.mp4)"));
    for (auto it = line.globalMatch(err); it.hasNext();) {
        const QString name = it.next().captured(1);
        if (!names.contains(name))
            names << name;
    }
    return names;
}

TEST(Resume, AStoppedOrKilledJoinGoesOnFromItsSeventhFile)
{
    QTemporaryDir work;
    const QString root = work.path() + S("/"), temp = root + S("temp/");
    std::vector<QString> clips;
    QStringList names;
    for (int n = 1; n <= 10; ++n) {
        clips.push_back(root + ClipName(n));
        names << ClipName(n);
        ASSERT_TRUE(MakeSyncClip(clips.back(), {}));
    }
    const auto join = [&](const QString &output, const QStringList &extra, int signal = 0) {
        QStringList args {S("--profile"), S("AVI - MPEG-4 Video"), S("--temp"), temp, S("-o"),
                          output};
        args << extra;
        for (const QString &clip : clips)
            args << clip;
        JoinRunSettings settings;
        if (signal != 0) {
            settings.interruptWhen = S("Prepare (Converting): c07.mp4");
            settings.interruptSignal = signal;
        }
        return RunQuintorJoin(args, settings);
    };

    const JoinRun whole = join(root + S("whole.avi"), {S("--no-resume")});
    ASSERT_EQ(whole.code, 0) << whole.err.toStdString();
    EXPECT_EQ(Converted(whole.err), names);
    // Without resuming nothing is kept.
    EXPECT_EQ(QDir(temp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    const qint64 wholeFrames = VideoFrames(root + S("whole.avi"));
    const double wholeSeconds = ProbeFile(root + S("whole.avi")).seconds;

    for (const int signal : {SIGINT, SIGKILL}) {
        SCOPED_TRACE(signal == SIGINT ? "stopped" : "killed");
        const QString output = root + S("resumed %1.avi").arg(signal);
        const JoinRun first = join(output, {}, signal);
        EXPECT_NE(first.code, 0);
        EXPECT_EQ(Converted(first.err), names.mid(0, 7));
        // Six whole conversions are kept; the seventh, begun, is not.
        EXPECT_EQ(QDir(temp + S("qvj-kept/")).entryList(QDir::Files | QDir::Hidden).size(), 6);

        const JoinRun second = join(output, {});
        ASSERT_EQ(second.code, 0) << second.err.toStdString();
        EXPECT_EQ(Converted(second.err), names.mid(6));
        EXPECT_TRUE(
            second.err.contains(S("6 of 10 files were already converted; going on from there")))
            << second.err.toStdString();
        EXPECT_EQ(VideoFrames(output), wholeFrames);
        EXPECT_NEAR(ProbeFile(output).seconds, wholeSeconds, 0.05);
        double sync = 0, length = 0;
        CheckJoined(output, clips, "resumed", &sync, &length);
        // A completed join leaves no kept file behind.
        EXPECT_FALSE(QDir(temp + S("qvj-kept/")).exists());
        const double conversion = double(first.ms + second.ms) / whole.ms;
        RecordProperty(signal == SIGINT ? "stopped_and_resumed_ms" : "killed_and_resumed_ms",
                       int(first.ms + second.ms));
        std::printf("%s: uninterrupted %lld ms, interrupted %lld ms + resumed %lld ms (%.2fx); "
                    "sync %.3f s, length %.3f s\n",
                    signal == SIGINT ? "stopped" : "killed", qint64(whole.ms), qint64(first.ms),
                    qint64(second.ms), conversion, sync, length);
    }
}

} // namespace
