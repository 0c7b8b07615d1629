#pragma once
// The parts of a copy with cuts (RunCutCopy): how an input's keyframes are read, and the
// ffmpeg arguments of its pieces.

#include "encoder/input/InputProbe.h"
#include "encoder/plan/EncoderOptions.h"
#include "encoder/plan/FitSettings.h"
#include "encoder/routes/Encoder.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// How the pieces of an input are stored, so that the copy can put them beside its packets:
// the same container family and the picture's clock, and as many frames of delay.
struct CutPieceFormat
{
    QString muxer = QStringLiteral("mp4");
    QString extension = QStringLiteral("mp4");
    QString timescale; // the picture's time base's denominator; empty: the muxer's own
    int delay = 0; // frames a picture is decoded before it is shown
};

// The pieces' format for an input, from ffprobe's answer to KeyFrameProbeArguments.
CutPieceFormat PieceFormat(const InputMedia &media, const QByteArray &probed, int delay);

// The ffprobe arguments that list the packets (stream_index, pts_time, dts_time, flags) of all
// streams around the cut [from, to) on the picture's clock, and the streams' time bases.
QStringList KeyFrameProbeArguments(const InputMedia &media, double from, std::optional<double> to);

// The ffmpeg arguments that trace the headers of the picture's keyframe packets around the
// cut (ParseRefreshes reads its log), on the file's own clock.
QStringList RefreshProbeArguments(const InputMedia &media, double from, std::optional<double> to);

// The output options that make an encoded piece of the kind join the input's copied packets:
// the same delay of decoding before showing, the same clock.
QStringList PieceArguments(const FitSettings &kind, const CutPieceFormat &format);

// The output that copies input index's sound (the stream audioStream names, else its first)
// into target: from start (seconds from the file's start; none: whole) for length seconds.
QStringList SoundPieceArguments(int index, std::optional<int> audioStream,
                                std::optional<double> start, double length, const QString &muxer,
                                const QString &target);

// A program's standard output (or its standard error) once it exited well; nothing, with
// *error, otherwise.
std::optional<QByteArray> ReadProgram(const QString &program, const QStringList &args,
                                      QString *error, bool errorOutput = false);

// Joins the inputs of options with their cuts (-ss and -endpos after an input) by a copy.
int RunCutCopy(const EncoderOptions &options, const EncoderEnvironment &environment);
