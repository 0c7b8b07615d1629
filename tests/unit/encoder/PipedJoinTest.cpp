// The join through feeds: which inputs each feed opens and how it ends, the helper that runs
// the feeds one after another, and a run whose feed fails.
#include "encoder/routes/PipedJoin.h"
#include "common/TestSupport.h"
#include "encoder/routes/FeedRun.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

OutputPlan Plan(const std::vector<int64_t> &frames, int leadSamples = 0)
{
    OutputPlan plan;
    plan.muxer = QStringLiteral("avi");
    plan.videoCodec = QStringLiteral("mpeg4");
    plan.audioCodec = QStringLiteral("libmp3lame");
    plan.width = 64;
    plan.height = 48;
    plan.fps = {30, 1};
    plan.displayAspect = {4, 3};
    plan.pixelFormat = QStringLiteral("yuv420p");
    plan.sampleRate = 44100;
    plan.channels = 2;
    plan.audioLeadSamples = leadSamples;
    plan.segmentFrames = frames;
    plan.lengthUnknown = frames.back() == 0;
    return plan;
}

std::vector<InputMedia> Inputs(size_t count)
{
    std::vector<InputMedia> inputs(count);
    for (size_t i = 0; i < count; ++i) {
        inputs[i].path = QStringLiteral("/t/%1.avi").arg(i);
        inputs[i].hasVideo = inputs[i].hasAudio = true;
    }
    return inputs;
}

TEST(PipedJoinPlan, FeedsTakeEveryInputOnceInOrderAndEachEndsInStep)
{
    const struct
    {
        std::vector<int64_t> frames; // 0: length unknown
        size_t perFeed;
        QString unknownEnds; // per feed: "u" when it must close an input of unknown length
    } cases[] = {
        {{30, 30, 30, 30}, 2, QStringLiteral("--")}, {{30, 0, 30, 0, 30}, 2, QStringLiteral("uu-")},
        {{30, 30, 0}, 16, QStringLiteral("u")},      {{0, 30, 30}, 1, QStringLiteral("u--")},
        {{30, 30}, 0, QStringLiteral("--")}, // no feed opens fewer than one input
    };
    for (const auto &c : cases) {
        const std::vector<InputMedia> inputs = Inputs(c.frames.size());
        const std::vector<int> fds {7, 9, 11, 13, 15};
        const std::vector<QStringList> feeds
            = BuildFeedArguments(Plan(c.frames, 1105), inputs, fds, c.perFeed);
        ASSERT_EQ(feeds.size(), size_t(c.unknownEnds.size())) << c.unknownEnds.toStdString();
        EXPECT_EQ(FeedCount(inputs.size(), c.perFeed), feeds.size());
        QStringList opened;
        for (size_t f = 0; f < feeds.size(); ++f) {
            const QStringList &args = feeds[f];
            // Each input twice, once for its picture and once for its sound.
            QStringList mine;
            for (qsizetype i = 0; i + 1 < args.size(); ++i)
                if (args[i] == u"-i")
                    mine << args[i + 1];
            ASSERT_EQ(mine.size() % 2, 0);
            EXPECT_EQ(mine.mid(0, mine.size() / 2), mine.mid(mine.size() / 2));
            opened << mine.mid(0, mine.size() / 2);
            const QString graph = args.at(args.indexOf(QStringLiteral("-filter_complex")) + 1);
            // The sound's lead is cut once, by the writer; a feed that did it would shift
            // every later input's sound.
            EXPECT_FALSE(graph.contains(u"start_sample")) << graph.toStdString();
            EXPECT_EQ(graph.contains(u"[vend]"), c.unknownEnds.at(qsizetype(f)) == u'u')
                << c.unknownEnds.toStdString() << " feed " << f;
            // Sound read from the second opening: "[<count + i>:<stream>]".
            EXPECT_TRUE(graph.contains(QStringLiteral("[%1:-1]").arg(mine.size() / 2)))
                << graph.toStdString();
            EXPECT_TRUE(args.join(u' ').endsWith(QStringLiteral("-f nut pipe:%1").arg(fds[f])));
        }
        QStringList all;
        for (const InputMedia &m : inputs)
            all << QStringLiteral("file:") + m.path;
        EXPECT_EQ(opened, all);
    }
}

// Reads the pipe to its end (every writer gone).
QByteArray ReadToEnd(int fd)
{
    QByteArray all;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        all.append(buffer, n);
    return all;
}

TEST(FeedRunner, RunsOneAfterAnotherStopsAtTheFirstFailureAndDiesWhenKilled)
{
    const struct
    {
        std::vector<const char *> scripts; // each run is sh -c script, W the pipe's descriptor
        QByteArray written;
        int code;
    } cases[] = {
        {{"printf one >&W", "printf two >&W"}, "onetwo", 0},
        {{"printf one >&W", "exit 3", "printf three >&W"}, "one", 3},
        {{"kill -TERM $$", "printf two >&W"}, "", 128 + SIGTERM},
        {{"exec /nonexistent/program"}, "", 127},
    };
    for (const auto &c : cases) {
        int p[2];
        ASSERT_EQ(::pipe2(p, O_CLOEXEC), 0);
        std::vector<QStringList> runs;
        for (const char *script : c.scripts)
            runs.push_back({QStringLiteral("-c"),
                            QString::fromLatin1(script).replace(QStringLiteral(">&W"),
                                                                QStringLiteral(">&%1").arg(p[1]))});
        FeedRun feed;
        ASSERT_TRUE(feed.Start(QStringLiteral("/bin/sh"), runs, {{p[1]}}, {p[0]}));
        ::close(p[1]);
        EXPECT_EQ(ReadToEnd(p[0]), c.written) << c.scripts.front();
        EXPECT_EQ(feed.Wait(), c.code) << c.scripts.front();
        ::close(p[0]);
    }

    // A run under way ends with the helper: its end of the pipe closes at once.
    int p[2];
    ASSERT_EQ(::pipe2(p, O_CLOEXEC), 0);
    FeedRun feed;
    ASSERT_TRUE(feed.Start(
        QStringLiteral("/bin/sh"),
        {{QStringLiteral("-c"), QStringLiteral("printf x >&%1; exec sleep 60").arg(p[1])}},
        {{p[1]}}, {p[0]}));
    ::close(p[1]);
    char x = 0;
    ASSERT_EQ(::read(p[0], &x, 1), 1);
    QElapsedTimer timer;
    timer.start();
    feed.Kill();
    EXPECT_EQ(ReadToEnd(p[0]), QByteArray());
    EXPECT_LT(timer.elapsed(), 10000);
    ::close(p[0]);
}

TEST(PipedJoinRun, AFailedFeedFailsTheJoinAndAFailedWriterEndsTheFeeds)
{
    QTemporaryDir dir;
    const QString fake = dir.filePath(QStringLiteral("fake-ffmpeg"));
    const struct
    {
        const char *writer, *feed;
        RunResult::End end;
        int code;
    } cases[] = {
        {"for f in $feeds; do cat $f >/dev/null; done", "exit 0", RunResult::End::Exited, 0},
        // the writer ends well on what it got, but that is not every input
        {"for f in $feeds; do cat $f >/dev/null; done", "exit 5", RunResult::End::Exited, 5},
        {"for f in $feeds; do cat $f >/dev/null; done", "kill -SEGV $$", RunResult::End::Crashed,
         SIGSEGV},
        // a writer that fails does not wait for the feeds
        {"exit 3", "exec sleep 60", RunResult::End::Exited, 3},
    };
    for (const auto &c : cases) {
        // The writer finds the feeds' pipes in the list of its arguments, as ffmpeg does.
        const QByteArray script = QByteArray("#!/bin/sh\ncase \" $* \" in\n*\" -progress \"*)\n")
            + "  s=\"$*\"; l=${s#*base64,}; l=${l%% *}\n"
            + "  feeds=$(echo $l | base64 -d | sed -n \"s/^file 'file:\\(.*\\)'$/\\1/p\")\n" + "  "
            + c.writer + "\n  printf 'frame=1\\nout_time_us=1000\\nprogress=end\\n';;\n" + "*) "
            + c.feed + ";;\nesac\n";
        qvj::test::WriteFile(fake, script);
        QFile::setPermissions(fake, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        RunSettings settings;
        settings.program = fake;
        settings.watchdogSeconds = 30;
        QElapsedTimer timer;
        timer.start();
        // Three feeds of sixteen, so that each pipe must come to its end in turn.
        const RunResult r
            = RunPipedJoin(settings, {}, Plan(std::vector<int64_t>(40, 30)), Inputs(40),
                           QStringLiteral("TARGET"), [](const QByteArray &) {});
        EXPECT_EQ(r.end, c.end) << c.writer << " / " << c.feed;
        EXPECT_EQ(c.end == RunResult::End::Crashed ? r.signal : r.exitCode, c.code)
            << c.writer << " / " << c.feed;
        EXPECT_LT(timer.elapsed(), 20000) << c.feed;
    }
}

} // namespace
