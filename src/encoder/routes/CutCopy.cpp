// A copy with cuts. Every cut input joins as its spans (DecideCutSpans): the frames around a
// cut are encoded in the kind into pieces, the rest is copied bit for bit, named in the list of
// the picture by its source with an in point and an out point, so that nothing is copied twice.
// The sound goes through a second list: every input's sound copied, cut at the same times, into
// a small file of its own, so that it is cut to the packet and never encoded.
#include "encoder/routes/CutCopy.h"
#include "encoder/input/CutPacketReader.h"
#include "encoder/input/InputProbe.h"
#include "encoder/plan/FfmpegArguments.h"
#include "encoder/plan/FitSettings.h"
#include "encoder/plan/FormatRules.h"
#include "encoder/plan/InputCut.h"
#include "encoder/plan/Spans.h"
#include "encoder/routes/ChapterFile.h"
#include "encoder/routes/EncoderRoutes.h"
#include "encoder/routes/KeptRecording.h"
#include "encoder/routes/SpanEncode.h"
#include "encoder/run/ConsoleOut.h"
#include "encoder/run/FfmpegRun.h"
#include "encoder/run/HandedText.h"
#include "encoder/run/OutputFile.h"
#include "encoder/run/RunEnd.h"
#include "platform/RawNames.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace {

// Inputs whose sound one run copies out.
constexpr int kSoundInputsPerRun = 16;

// One input as the copy takes it.
struct Joined
{
    InputMedia media;
    bool cut = false;
    CutSpans spans;
    double kept = 0; // seconds of it in the join
    std::vector<KeyFrame> keys;
    CutPieceFormat format;
};

QString Seconds(double s)
{
    return QString::number(s, 'f', 6);
}

// Descriptors of inputs named in the lists by descriptor, closed with the run.
struct OpenInputs
{
    std::vector<int> fds;
    ~OpenInputs()
    {
        for (const int fd : fds)
            ::close(fd);
    }
};

// The list's line that names the file (ConcatList's), empty with *error when it cannot.
QByteArray ListName(const QString &path, OpenInputs &open, QString *error)
{
    static const QByteArray header = "ffconcat version 1.0\n";
    const QByteArray list = ConcatList({path}, &open.fds, error);
    return list.isEmpty() ? QByteArray() : list.mid(header.size());
}

// Runs one ffmpeg of the preparation, quietly; empty when it wrote its file, else why.
QString RunStep(const QString &ffmpeg, const QStringList &args, int watchdogSeconds, int *signo)
{
    RunSettings settings;
    settings.program = ffmpeg;
    settings.arguments = args;
    settings.watchdogSeconds = watchdogSeconds;
    const RunResult run = RunFfmpeg(settings, [](const QByteArray &) {});
    if (run.end == RunResult::End::Interrupted)
        *signo = run.signal;
    if (run.end == RunResult::End::Exited && run.exitCode == 0 && !run.writeFailed)
        return QString();
    return run.lastLines.isEmpty() ? QStringLiteral("ffmpeg failed") : run.lastLines.join(u' ');
}

// The spans of a cut input, read from its keyframes around the cut.
QString PlanCut(const InputCutTimes &times, const std::optional<FitSettings> &kind, Joined &in)
{
    const InputMedia &m = in.media;
    const double fps = m.frameRate.IsValid() ? m.frameRate.Value() : 0.0;
    if (fps <= 0 || !m.hasVideo)
        return QStringLiteral("%1 states no frame rate, and it cannot be cut").arg(m.path);
    const double frame = 1 / fps;
    const double length = m.videoSeconds.value_or(m.estimatedSeconds);
    const double from = std::llround(times.start.value_or(0) * fps) * frame;
    if (length > 0 && from >= length - frame / 2)
        return QStringLiteral("The start (-ss %1) lies beyond the end of %2")
            .arg(from, 0, 'f', 3)
            .arg(m.path);
    std::optional<double> to;
    if (times.length)
        to = from + std::max<double>(1, std::llround(*times.length * fps)) * frame;
    if (to && length > 0 && *to > length)
        to = length;
    QString error;
    const auto read = ReadCutPackets(m, CutWindows(m, from, to), &error);
    if (!read)
        return error;
    int delay = 0;
    in.keys = KeyFramesOf(read->packets, m.videoStart, frame, &delay);
    in.format = PieceFormat(m, read->timescale, delay);
    // Without an encoder for the kind nothing is encoded before a copy, which may then start
    // on any keyframe a copy can start on.
    if (!kind)
        for (KeyFrame &k : in.keys)
            k.refreshes = true;
    in.spans = DecideCutSpans(0, in.keys, from, to, length, frame, kind.has_value());
    const Span &first = in.spans.spans.front();
    const Span &last = in.spans.spans.back();
    in.kept = last.to.value_or(length) - first.from;
    in.cut = true;
    return QString();
}

// The list's lines that put a span copied from the source in place (after the line naming
// the source): from its keyframe to where the group of the keyframe that ends it begins, its
// packets read up to that keyframe.
QByteArray CopiedEntry(const Joined &in, const Span &span)
{
    const double frame = 1 / in.media.frameRate.Value();
    const double length = in.media.videoSeconds.value_or(in.media.estimatedSeconds);
    QByteArray entry = "inpoint " + Seconds(in.media.videoStart + span.from).toLatin1() + '\n';
    if (span.to)
        for (const KeyFrame &k : in.keys)
            if (std::abs(k.groupStart - *span.to) < frame / 4) {
                const double out = in.media.videoStart + k.decodeTime - frame / 2;
                entry += "outpoint " + Seconds(out).toLatin1() + '\n';
                break;
            }
    return entry + "duration " + Seconds(span.to.value_or(length) - span.from).toLatin1() + '\n';
}

int Stopped(int signo)
{
    return Fail(QStringLiteral("Stopped by signal %1; nothing was written").arg(signo),
                128 + signo);
}

// What the preparation made: the lists of the picture and the sound.
struct CutLists
{
    QByteArray picture = "ffconcat version 1.0\n";
    QByteArray sound; // empty: the join has no sound
    OpenInputs open;
};

// Encodes the pieces. Gives the exit code of a failure, or -1.
int EncodePieces(const QString &ffmpeg, const FitSettings &kind,
                 const std::vector<CutPiece> &pieces, int watchdog)
{
    for (const CutPiece &piece : pieces)
        ConsoleSay(QStringLiteral("Encoder: %1 encoded from %2 s to %3 s")
                       .arg(piece.media->path)
                       .arg(piece.span.from, 0, 'f', 3)
                       .arg(piece.span.to.value_or(piece.media->estimatedSeconds), 0, 'f', 3));
    int signo = 0;
    const QString why = EncodeCutPieces(ffmpeg, kind, pieces, watchdog, &signo);
    if (signo)
        return Stopped(signo);
    return why.isEmpty() ? -1 : Fail(why);
}

// The picture's list: inputs without a cut whole, the spans of the others, their encoded
// pieces written into folder. Gives the exit code of a failure, or -1.
int ListPicture(const QString &ffmpeg, const std::optional<FitSettings> &kind,
                const std::vector<Joined> &inputs, const QTemporaryDir &folder, int watchdog,
                CutLists &lists)
{
    QString error;
    std::vector<CutPiece> pieces;
    for (size_t i = 0; i < inputs.size(); ++i) {
        const Joined &in = inputs[i];
        const QByteArray name = ListName(in.media.path, lists.open, &error);
        if (name.isEmpty())
            return Fail(error);
        if (!in.cut) {
            lists.picture += name;
            continue;
        }
        for (const Span &span : in.spans.spans) {
            if (span.Copied()) {
                lists.picture += name + CopiedEntry(in, span);
                continue;
            }
            const QString piece = folder.filePath(
                QStringLiteral("%1-%2.%3").arg(i).arg(pieces.size() + 1).arg(in.format.extension));
            pieces.push_back(CutPiece {&in.media, &in.format, span, piece});
            lists.picture += ListName(piece, lists.open, &error);
        }
    }
    return pieces.empty() ? -1 : EncodePieces(ffmpeg, *kind, pieces, watchdog);
}

// The sound's list: every input's sound copied into a file of its own, cut at its cut's times,
// a few inputs a run. Gives the exit code of a failure, or -1.
int ListSound(const QString &ffmpeg, std::optional<int> audioStream,
              const std::vector<Joined> &inputs, const QTemporaryDir &folder, int watchdog,
              CutLists &lists)
{
    QString error;
    lists.sound = "ffconcat version 1.0\n";
    for (size_t first = 0; first < inputs.size(); first += kSoundInputsPerRun) {
        const size_t end = std::min(inputs.size(), first + kSoundInputsPerRun);
        QStringList args = ProgressRunArguments();
        for (size_t i = first; i < end; ++i)
            args << QStringLiteral("-i")
                 << QStringLiteral("file:") + OpenablePath(inputs[i].media.path);
        for (size_t i = first; i < end; ++i) {
            const Joined &in = inputs[i];
            const QString piece
                = folder.filePath(QStringLiteral("sound-%1.%2").arg(i).arg(in.format.extension));
            std::optional<double> start;
            if (in.cut)
                start = PictureOffset(in.media) + in.spans.spans.front().from;
            args << SoundPieceArguments(int(i - first), audioStream, start, in.kept,
                                        in.format.muxer, piece);
            // The piece keeps where its sound starts after the cut's start.
            lists.sound += ListName(piece, lists.open, &error) + "inpoint 0\n";
            if (in.kept > 0)
                lists.sound += "duration " + Seconds(in.kept).toLatin1() + '\n';
        }
        int signo = 0;
        const QString why = RunStep(ffmpeg, args, watchdog, &signo);
        if (signo)
            return Stopped(signo);
        if (!why.isEmpty())
            return Fail(QStringLiteral("Cannot copy the sound of the inputs: %1").arg(why));
    }
    return -1;
}

// The copy's arguments: the picture's list, the first file for its tags when kept, the
// sound's list (soundList; empty: none), into the output.
QStringList CutJoinArguments(const EncoderOptions &options, const QString &muxer,
                             const QString &pictureList, const QString &soundList,
                             OutputFile *output)
{
    const QStringList concat {QStringLiteral("-f"), QStringLiteral("concat"),
                              QStringLiteral("-safe"), QStringLiteral("0"), QStringLiteral("-i")};
    QStringList args = ProgressRunArguments() + concat;
    args << QStringLiteral("file:") + pictureList << QStringLiteral("-map")
         << QStringLiteral("0:v:0") << QStringLiteral("-c") << QStringLiteral("copy")
         << QStringLiteral("-f") << muxer;
    args = KeepRecordingInCopy(args + WriterArguments(output->Target()), options, muxer, output);
    if (!soundList.isEmpty()) {
        // After the inputs there are (the list, the first file for its tags), before the
        // chapters'.
        const qsizetype inputs = args.count(QStringLiteral("-i"));
        qsizetype at = args.lastIndexOf(QStringLiteral("-i")) + 2;
        for (const QString &a : concat + QStringList {QStringLiteral("file:") + soundList})
            args.insert(at++, a);
        const qsizetype map = args.indexOf(QStringLiteral("0:v:0")) + 1;
        args.insert(map, QStringLiteral("-map"));
        args.insert(map + 1, QStringLiteral("%1:a:0").arg(inputs));
    }
    return args;
}

// The copy of the lists into the output.
int JoinLists(const EncoderOptions &options, const EncoderEnvironment &environment,
              const QString &ffmpeg, const std::vector<Joined> &joined, CutLists &lists)
{
    double totalSeconds = 0;
    std::vector<std::optional<double>> cutSeconds;
    for (const Joined &in : joined) {
        totalSeconds += in.kept;
        cutSeconds.push_back(in.cut ? std::optional(in.kept) : std::nullopt);
    }
    QString error;
    HandedText picture, sound;
    if (!picture.Hold(lists.picture, &error)
        || (!lists.sound.isEmpty() && !sound.Hold(lists.sound, &error)))
        return Fail(QStringLiteral("Cannot hand over the list of inputs: %1").arg(error));
    const QString muxer = MuxerFor(options);
    ChapterFile chapters;
    if (!chapters.PrepareForCopy(options, muxer, &error, cutSeconds))
        return Fail(error, kExitBadCommandLine);
    OutputFile output;
    if (!output.OpenBeside(options.output, options.inputs, &error))
        return Fail(error);
    ConsoleSay(QStringLiteral("Encoder: %1 input file(s) copied with their cuts -> %2 (%3)")
                   .arg(options.inputs.size())
                   .arg(options.output, muxer));
    for (const QString &note : chapters.Notes())
        ConsoleSay(QStringLiteral("Note: ") + note);

    const QStringList args = CutJoinArguments(
        options, muxer, picture.Path(), lists.sound.isEmpty() ? QString() : sound.Path(), &output);
    RunSettings settings;
    settings.program = ffmpeg;
    settings.arguments = WithChapters(args, chapters.Path());
    settings.inheritedFd = output.InheritedDescriptor();
    settings.totalSeconds = totalSeconds;
    settings.keptFds = lists.open.fds;
    settings.keptFds.push_back(picture.Descriptor());
    if (sound.Descriptor() >= 0)
        settings.keptFds.push_back(sound.Descriptor());
    if (chapters.Descriptor() >= 0)
        settings.keptFds.push_back(chapters.Descriptor());
    settings.watchdogSeconds = environment.watchdogSeconds;
    const RunResult run = RunFfmpeg(settings, ConsoleWrite);
    ConsoleWrite("\n");
    return FinishRun(run, output, settings, options.output, QStringLiteral("copied"));
}

} // namespace

int RunCutCopy(const EncoderOptions &options, const EncoderEnvironment &environment)
{
    QString error;
    std::optional<FitSettings> kind;
    if (!options.cutKind.isEmpty() && !(kind = ParseFitSettings(options.cutKind, &error)))
        return Fail(error, kExitBadCommandLine);
    QString missing;
    const QString ffmpeg = ToolPath(environment.ffmpeg, QStringLiteral("ffmpeg"), &missing);
    if (ffmpeg.isEmpty())
        return Fail(missing);

    std::vector<Joined> inputs(size_t(options.inputs.size()));
    QStringList errors;
    const auto read = ReadInputs(options.inputs, &errors);
    for (size_t i = 0; i < inputs.size(); ++i) {
        const auto &media = read[i];
        if (!media)
            return Fail(errors.at(qsizetype(i)));
        Joined &in = inputs[i];
        in.media = *media;
        in.kept = media->formatSeconds;
        // Every piece of the sound's list in one container, with one clock.
        in.format = PieceFormat(in.media, QString(), 0);
        if (options.cuts[i].Any()) {
            error = PlanCut(options.cuts[i], kind, in);
            if (!error.isEmpty())
                return Fail(error, kExitBadCommandLine);
            if (!kind && (in.spans.startMoved != 0 || in.spans.endMoved != 0))
                ConsoleSay(QStringLiteral("Note: no encoder makes the kind of %1: its cut moves "
                                          "to keyframes, by %2 s at its start and %3 s at its end")
                               .arg(in.media.path)
                               .arg(in.spans.startMoved, 0, 'f', 3)
                               .arg(in.spans.endMoved, 0, 'f', 3));
        }
        if (const int signo = TakeStopSignal())
            return Stopped(signo);
    }

    // The pieces live in a folder of their own, removed with everything in it however the run
    // ends.
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/qvj-cut-XXXXXX"));
    if (!folder.isValid())
        return Fail(QStringLiteral("Cannot make a temporary folder: %1").arg(folder.errorString()));
    CutLists lists;
    const int watchdog = environment.watchdogSeconds;
    if (const int code = ListPicture(ffmpeg, kind, inputs, folder, watchdog, lists); code >= 0)
        return code;
    const bool sound = options.audioStream.has_value() || inputs.front().media.hasAudio;
    if (sound) {
        if (const int code
            = ListSound(ffmpeg, options.audioStream, inputs, folder, watchdog, lists);
            code >= 0)
            return code;
    }
    return JoinLists(options, environment, ffmpeg, inputs, lists);
}
