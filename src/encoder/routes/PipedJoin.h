#pragma once
// A join whose cost does not grow with the number of its inputs: helper ffmpeg runs ("feeds")
// each open a few inputs, bring them to the output's timeline and shape through the filter
// graph, and write raw pictures and raw sound into two pipes, one feed after another; a single
// ffmpeg reads the pipes as one long input and encodes the output. Memory and open files are
// those of one feed and the writer, whatever the count; the time grows with the length.

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

// Every feed's ffmpeg arguments, perFeed inputs each: pictures as raw frames of the output's
// size, rate and pixel format to "pipe:videoFd", sound as raw 32-bit float samples of the
// output's rate and layout to "pipe:audioFd".
std::vector<QStringList> BuildFeedArguments(const OutputPlan &plan,
                                            const std::vector<InputMedia> &inputs, int videoFd,
                                            int audioFd, size_t perFeed = kInputsPerFeed);

// The writer's arguments: both pipes as its inputs, the output's codecs, format and target.
QStringList BuildPipedJoinArguments(const EncoderOptions &options, const OutputPlan &plan,
                                    int videoFd, int audioFd, const QString &target);

// Runs the feeds and the writer (settings.program, with settings' target descriptor, length
// and watchdog) to their end. A feed that fails fails the run with its exit code (or as
// crashed, for a signal), even when the writer ended well on what it was given.
RunResult RunPipedJoin(RunSettings settings, const EncoderOptions &options, const OutputPlan &plan,
                       const std::vector<InputMedia> &inputs, const QString &target,
                       const std::function<void(const QByteArray &)> &writeStatus);
