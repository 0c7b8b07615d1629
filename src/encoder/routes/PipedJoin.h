#pragma once
// A join whose cost does not grow with the number of its inputs: helper ffmpeg runs ("feeds")
// each open a few inputs, bring them to the output's timeline and shape through the filter
// graph, and write raw pictures and raw sound together as one stream into a pipe of their own,
// one feed after another; a single ffmpeg reads those streams in turn as one long input and
// encodes the output. The writer only ever waits on the one pipe whose feed is running, and
// that feed only ever writes to it: neither can wait for the other, however far a feed's
// picture runs ahead of its sound. Memory and open files are those of one feed and the writer,
// whatever the count; the time grows with the length.

#include "encoder/plan/EncoderOptions.h"
#include "encoder/plan/FfmpegPlan.h"
#include "encoder/run/FfmpegRun.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <vector>

// Inputs one feed opens at once.
constexpr size_t kInputsPerFeed = 16;

// The plan of the inputs [first, first + count) alone: their frames, the closing padding
// where the last of them has no known length, and no cut for the codec's delay (that is the
// writer's, once for the whole output).
OutputPlan FeedPlan(const OutputPlan &plan, size_t first, size_t count);

// How many feeds a join of that many inputs takes.
size_t FeedCount(size_t inputs, size_t perFeed = kInputsPerFeed);

// Every feed's ffmpeg arguments, perFeed inputs each: pictures as raw frames of the output's
// size, rate and pixel format and sound as raw 32-bit float samples of the output's rate and
// layout, in one NUT stream to "pipe:feedFds[feed]" (one descriptor a feed).
std::vector<QStringList> BuildFeedArguments(const OutputPlan &plan,
                                            const std::vector<InputMedia> &inputs,
                                            const std::vector<int> &feedFds,
                                            size_t perFeed = kInputsPerFeed);

// The writer's arguments: the feeds' pipes, in order, as one input, the output's codecs,
// format and target.
QStringList BuildPipedJoinArguments(const EncoderOptions &options, const OutputPlan &plan,
                                    const std::vector<int> &feedFds, const QString &target);

// Runs the feeds and the writer (settings.program, with settings' target descriptor, length
// and watchdog) to their end. A feed that fails fails the run with its exit code (or as
// crashed, for a signal), even when the writer ended well on what it was given.
RunResult RunPipedJoin(RunSettings settings, const EncoderOptions &options, const OutputPlan &plan,
                       const std::vector<InputMedia> &inputs, const QString &target,
                       const std::function<void(const QByteArray &)> &writeStatus);
