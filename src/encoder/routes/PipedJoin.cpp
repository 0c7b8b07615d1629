#include "encoder/routes/PipedJoin.h"
#include "encoder/run/OutputFile.h"

#include "encoder/plan/FfmpegArguments.h"
#include "encoder/plan/FilterGraph.h"
#include "encoder/routes/ChapterFile.h"
#include "encoder/routes/FeedRun.h"
#include "platform/RawNames.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// One pipe a feed, as [read, write] descriptors; false (none left open) when the system gives
// too few. A join of thousands of inputs needs more descriptors than the usual soft limit.
bool MakePipes(size_t count, std::vector<int> *readFds, std::vector<int> *writeFds)
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    for (size_t i = 0; i < count; ++i) {
        int p[2];
        if (::pipe2(p, O_CLOEXEC) != 0) {
            for (const std::vector<int> *fds : {readFds, writeFds})
                for (const int fd : *fds)
                    ::close(fd);
            readFds->clear();
            writeFds->clear();
            return false;
        }
        readFds->push_back(p[0]);
        writeFds->push_back(p[1]);
    }
    return true;
}

void CloseAll(const std::vector<int> &fds)
{
    for (const int fd : fds)
        ::close(fd);
}

} // namespace

size_t FeedCount(size_t inputs, size_t perFeed)
{
    perFeed = std::max<size_t>(1, perFeed);
    return (inputs + perFeed - 1) / perFeed;
}

OutputPlan FeedPlan(const OutputPlan &plan, size_t first, size_t count)
{
    OutputPlan feed = plan;
    feed.segmentFrames.assign(plan.segmentFrames.begin() + qsizetype(first),
                              plan.segmentFrames.begin() + qsizetype(first + count));
    feed.lengthUnknown = !feed.segmentFrames.empty() && feed.segmentFrames.back() == 0;
    feed.audioLeadSamples = 0;
    return feed;
}

std::vector<QStringList> BuildFeedArguments(const OutputPlan &plan,
                                            const std::vector<InputMedia> &inputs,
                                            const std::vector<int> &feedFds, size_t perFeed)
{
    std::vector<QStringList> feeds;
    perFeed = std::max<size_t>(1, perFeed);
    for (size_t next = 0; next < inputs.size(); next += perFeed) {
        // With fades, a feed after the first also reads the input before its own, to fade
        // from its closing frames, which the feed before it leaves out.
        const bool fades = plan.crossfadeFrames > 0;
        const size_t first = fades && next > 0 ? next - 1 : next;
        const size_t count = std::min(perFeed, inputs.size() - next) + (next - first);
        const std::vector<InputMedia> some(inputs.begin() + qsizetype(first),
                                           inputs.begin() + qsizetype(first + count));
        OutputPlan feedPlan = FeedPlan(plan, first, count);
        feedPlan.fadeFromPrevious = first < next;
        feedPlan.fadeIntoNext = fades && first + count < inputs.size();
        QStringList args {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"),
                          QStringLiteral("-loglevel"), QStringLiteral("error"),
                          QStringLiteral("-nostats")};
        // Each input is opened twice, once for its picture and once for its sound: ffmpeg
        // then reads each where the output needs it, and a sound that starts late in the file
        // is not waited for behind seconds of pictures. One decoding thread an input: a feed
        // reads one input at a time anyway, and each thread of a decoder holds frames of its own.
        for (int pass = 0; pass < 2; ++pass)
            for (const InputMedia &m : some)
                args << QStringLiteral("-threads") << QStringLiteral("1") << QStringLiteral("-i")
                     << QStringLiteral("file:") + OpenablePath(m.path);
        args << QStringLiteral("-filter_complex") << BuildFilterGraph(feedPlan, some, count);
        // Raw frames carry no times of their own: every frame must be there, at the output's
        // rate. Picture and sound go out together in one stream, written as they come (never
        // more than a tenth of a second held back for the other), so that the writer, reading
        // one pipe, can never wait for one while the feed waits to write the other.
        args << QStringLiteral("-map") << QStringLiteral("[vout]") << QStringLiteral("-fps_mode")
             << QStringLiteral("cfr") << QStringLiteral("-r") << plan.fps.Text()
             << QStringLiteral("-c:v") << QStringLiteral("rawvideo") << QStringLiteral("-map")
             << QStringLiteral("[aout]") << QStringLiteral("-c:a") << QStringLiteral("pcm_f32le")
             << QStringLiteral("-max_interleave_delta") << QStringLiteral("100000")
             << QStringLiteral("-write_index") << QStringLiteral("0") << QStringLiteral("-f")
             << QStringLiteral("nut") << QStringLiteral("pipe:%1").arg(feedFds.at(feeds.size()));
        feeds.push_back(args);
    }
    return feeds;
}

QStringList BuildPipedJoinArguments(const EncoderOptions &options, const OutputPlan &plan,
                                    const std::vector<int> &feedFds, const QString &target)
{
    // The feeds' streams one after another, each read from its pipe as the writer reaches it;
    // the list itself travels in the command line.
    QByteArray list = "ffconcat version 1.0\n";
    for (const int fd : feedFds)
        list += "file 'file:/dev/fd/" + QByteArray::number(fd) + "'\n";
    QStringList args = ProgressRunArguments();
    args << QStringLiteral("-f") << QStringLiteral("concat") << QStringLiteral("-safe")
         << QStringLiteral("0") << QStringLiteral("-i")
         << QStringLiteral("data:text/plain;base64,") + QString::fromLatin1(list.toBase64());
    args << QStringLiteral("-map") << QStringLiteral("0:v:0") << QStringLiteral("-map")
         << QStringLiteral("0:a:0") << QStringLiteral("-vf")
         << QStringLiteral("setdar=") + plan.displayAspect.Text();
    if (plan.audioLeadSamples > 0)
        args << QStringLiteral("-af")
             << QStringLiteral("atrim=start_sample=%1,asetpts=PTS-STARTPTS,apad=pad_len=%1")
                    .arg(plan.audioLeadSamples);
    return args + EncodeArguments(options, plan, target);
}

RunResult RunPipedJoin(RunSettings settings, const EncoderOptions &options, const OutputPlan &plan,
                       const std::vector<InputMedia> &inputs, const QString &target,
                       const std::function<void(const QByteArray &)> &writeStatus)
{
    std::vector<int> readFds, writeFds;
    if (!MakePipes(FeedCount(inputs.size(), kInputsPerFeed), &readFds, &writeFds))
        return {};
    std::vector<std::vector<int>> keep;
    for (const int fd : writeFds)
        keep.push_back({fd});
    FeedRun feeds;
    const bool started
        = feeds.Start(settings.program, BuildFeedArguments(plan, inputs, writeFds), keep, readFds);
    // The feeds hold the writing ends now: the writer sees the end of each feed's stream when
    // that feed is done.
    CloseAll(writeFds);
    RunResult run;
    if (started) {
        settings.arguments = WithChapters(
            WithOutputOptions(BuildPipedJoinArguments(options, plan, readFds, target),
                              settings.outputOptions),
            settings.chapterMetadata);
        settings.keptFds.insert(settings.keptFds.end(), readFds.begin(), readFds.end());
        run = RunFfmpeg(settings, writeStatus);
    }
    CloseAll(readFds);
    if (run.end != RunResult::End::Exited || run.exitCode != 0) {
        feeds.Kill();
        return run;
    }
    // The writer ended well, but only on what the feeds gave it.
    if (const int code = feeds.Wait(); code > 128) {
        run.end = RunResult::End::Crashed;
        run.signal = code - 128;
    } else if (code != 0) {
        run.exitCode = code;
    }
    return run;
}
