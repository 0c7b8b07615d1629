#pragma once
// The parts of a copy with cuts (RunCutCopy): how an input's keyframes are read, and the
// ffmpeg arguments of its pieces.

#include "encoder/input/InputProbe.h"
#include "encoder/plan/EncoderOptions.h"
#include "encoder/plan/FitSettings.h"
#include "encoder/plan/Spans.h"
#include "encoder/routes/Encoder.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

// How the pieces of an input are stored, so that the copy can put them beside its packets:
// the same container family and the picture's clock, and as many frames of delay.
struct CutPieceFormat
{
    QString muxer = QStringLiteral("mp4");
    QString extension = QStringLiteral("mp4");
    QString timescale; // the picture's time base's denominator; empty: the muxer's own
    int delay = 0; // frames a picture is decoded before it is shown
};

// The pieces' format for an input, with its picture's time base's denominator (timescale) and
// its frames of delay.
CutPieceFormat PieceFormat(const InputMedia &media, const QString &timescale, int delay);

// The stretches of the input read around the cut [from, to) (seconds on the picture's clock),
// on the file's own clock: one from the cut's start on, one up to its end, or one for both when
// they are near.
std::vector<std::pair<double, double>> CutWindows(const InputMedia &media, double from,
                                                  std::optional<double> to);

// The output options that make an encoded piece of the kind join the input's copied packets:
// the same delay of decoding before showing, the same clock.
QStringList PieceArguments(const FitSettings &kind, const CutPieceFormat &format);

// The output that copies input index's sound (the stream audioStream names, else its first)
// into target: from start (seconds from the file's start; none: whole) for length seconds.
QStringList SoundPieceArguments(int index, std::optional<int> audioStream,
                                std::optional<double> start, double length, const QString &muxer,
                                const QString &target);

// A span of an input to encode into a piece of the kind, stored as format says.
struct CutPiece
{
    const InputMedia *media = nullptr;
    const CutPieceFormat *format = nullptr;
    Span span;
    QString target;
};

// Encodes the pieces: a few in each run of ffmpeg (a start of ffmpeg costs as much as a piece
// of a few frames), two runs side by side. Empty when every piece was written, else why, naming
// the inputs; *signo gets a stop signal that ended the runs.
QString EncodeCutPieces(const QString &ffmpeg, const FitSettings &kind,
                        const std::vector<CutPiece> &pieces, int watchdogSeconds, int *signo);

// Joins the inputs of options with their cuts (-ss and -endpos after an input) by a copy.
int RunCutCopy(const EncoderOptions &options, const EncoderEnvironment &environment);
