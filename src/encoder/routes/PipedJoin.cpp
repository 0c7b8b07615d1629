#include "encoder/routes/PipedJoin.h"

#include "encoder/routes/ChapterFile.h"
#include "encoder/routes/FeedRun.h"
#include "encoder/plan/FfmpegArguments.h"
#include "encoder/plan/FilterGraph.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString PipeName(int fd)
{
    return QStringLiteral("pipe:%1").arg(fd);
}

QString SizeText(const OutputPlan &plan)
{
    return QStringLiteral("%1x%2").arg(plan.width).arg(plan.height);
}

// Two pipes, the picture's and the sound's, as [read, write] pairs; false when the system
// gives none.
bool MakePipes(int video[2], int audio[2])
{
    if (::pipe2(video, O_CLOEXEC) != 0)
        return false;
    if (::pipe2(audio, O_CLOEXEC) != 0) {
        ::close(video[0]);
        ::close(video[1]);
        return false;
    }
    // Room for a few frames lets a feed run ahead of the writer; where the system refuses,
    // the default size only makes the two wait on each other more often.
    for (const int fd : {video[1], audio[1]})
        ::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
    return true;
}

// Frames the writer may hold of the picture's pipe while it waits for the first sound: a
// feed can run well ahead in pictures before its sound starts, and would otherwise wait on a
// full pipe while the writer waits for sound. About 64 MB of frames, at least 8.
int VideoQueueFrames(const OutputPlan &plan)
{
    const int64_t frameBytes = std::max<int64_t>(1, int64_t(plan.width) * plan.height * 3 / 2);
    return int(std::clamp<int64_t>((int64_t(64) << 20) / frameBytes, 8, 512));
}

} // namespace

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
                                            const std::vector<InputMedia> &inputs, int videoFd,
                                            int audioFd, size_t perFeed)
{
    std::vector<QStringList> feeds;
    perFeed = std::max<size_t>(1, perFeed);
    for (size_t first = 0; first < inputs.size(); first += perFeed) {
        const size_t count = std::min(perFeed, inputs.size() - first);
        const std::vector<InputMedia> some(inputs.begin() + qsizetype(first),
                                           inputs.begin() + qsizetype(first + count));
        QStringList args {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"),
                          QStringLiteral("-loglevel"), QStringLiteral("error"),
                          QStringLiteral("-nostats")};
        // One decoding thread an input: a feed reads one input at a time anyway, and each
        // thread of a decoder holds frames of its own.
        for (const InputMedia &m : some)
            args << QStringLiteral("-threads") << QStringLiteral("1") << QStringLiteral("-i")
                 << QStringLiteral("file:") + m.path;
        args << QStringLiteral("-filter_complex")
             << BuildFilterGraph(FeedPlan(plan, first, count), some);
        // Raw frames carry no times: every frame must be there, at the output's rate.
        args << QStringLiteral("-map") << QStringLiteral("[vout]") << QStringLiteral("-fps_mode")
             << QStringLiteral("cfr") << QStringLiteral("-r") << plan.fps.Text()
             << QStringLiteral("-c:v") << QStringLiteral("rawvideo") << QStringLiteral("-f")
             << QStringLiteral("rawvideo") << PipeName(videoFd);
        // Sound goes out packet by packet, not when a buffer is full: the writer may be
        // waiting for it while the picture's pipe is full.
        args << QStringLiteral("-map") << QStringLiteral("[aout]") << QStringLiteral("-c:a")
             << QStringLiteral("pcm_f32le") << QStringLiteral("-flush_packets")
             << QStringLiteral("1") << QStringLiteral("-f") << QStringLiteral("f32le")
             << PipeName(audioFd);
        feeds.push_back(args);
    }
    return feeds;
}

QStringList BuildPipedJoinArguments(const EncoderOptions &options, const OutputPlan &plan,
                                    int videoFd, int audioFd, const QString &target)
{
    // The pipes are opened one after the other and probed as little as ffmpeg allows: a
    // probe that read far into one pipe would wait for a feed blocked on the other.
    const QStringList probeLittle {QStringLiteral("-probesize"), QStringLiteral("32"),
                                   QStringLiteral("-analyzeduration"), QStringLiteral("0")};
    QStringList args = ProgressRunArguments() + probeLittle;
    args << QStringLiteral("-thread_queue_size") << QString::number(VideoQueueFrames(plan))
         << QStringLiteral("-f") << QStringLiteral("rawvideo") << QStringLiteral("-pixel_format")
         << plan.pixelFormat << QStringLiteral("-video_size") << SizeText(plan)
         << QStringLiteral("-framerate") << plan.fps.Text() << QStringLiteral("-i")
         << PipeName(videoFd);
    args << probeLittle << QStringLiteral("-f") << QStringLiteral("f32le")
         << QStringLiteral("-sample_rate") << QString::number(plan.sampleRate)
         << QStringLiteral("-ch_layout") << ChannelLayout(plan.channels) << QStringLiteral("-i")
         << PipeName(audioFd);
    // Separate chains for picture and sound: ffmpeg then reads whichever pipe has data, so a
    // feed blocked on one pipe is never waited for on the other.
    args << QStringLiteral("-map") << QStringLiteral("0:v:0") << QStringLiteral("-map")
         << QStringLiteral("1:a:0") << QStringLiteral("-vf")
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
    int video[2], audio[2];
    if (!MakePipes(video, audio))
        return {};
    FeedRun feeds;
    const bool started
        = feeds.Start(settings.program, BuildFeedArguments(plan, inputs, video[1], audio[1]),
                      {video[1], audio[1]}, {video[0], audio[0]});
    // The feeds hold the writing ends now: the writer sees the end of its input when the
    // last feed is done.
    ::close(video[1]);
    ::close(audio[1]);
    RunResult run;
    if (started) {
        settings.arguments
            = WithChapters(BuildPipedJoinArguments(options, plan, video[0], audio[0], target),
                           settings.chapterMetadata);
        settings.pipeFds = {video[0], audio[0]};
        run = RunFfmpeg(settings, writeStatus);
    }
    ::close(video[0]);
    ::close(audio[0]);
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
