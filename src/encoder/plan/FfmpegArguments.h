#pragma once
// The ffmpeg command line that carries out an output plan.

#include "encoder/plan/FfmpegPlan.h"

#include <QString>
#include <QStringList>

#include <vector>

// The ffmpeg arguments that write the plan to target (a path or "/proc/self/fd/N"), with
// machine-readable progress on standard output.
QStringList BuildFfmpegArguments(const EncoderOptions &options, const OutputPlan &plan,
                                 const std::vector<InputMedia> &inputs, const QString &target);

// The options every ffmpeg run of the encoder begins with: quiet, no questions, and
// machine-readable progress on standard output.
QStringList ProgressRunArguments();

// The output's part of the command line: codecs and their settings, the format and target.
QStringList EncodeArguments(const EncoderOptions &options, const OutputPlan &plan,
                            const QString &target);
