// The runs of ffmpeg that encode the pieces around a copy's cuts.
#include "encoder/routes/CutCopy.h"

#include "encoder/plan/FfmpegArguments.h"
#include "encoder/plan/InputCut.h"
#include "encoder/routes/SpanEncode.h"
#include "encoder/run/FfmpegRun.h"
#include "platform/RawNames.h"

#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <csignal>
#include <deque>
#include <memory>
#include <sys/prctl.h>

namespace {

// Runs side by side: the machines this is written for have two cores or more, and each run
// decodes and encodes on one (its pieces one after another's frames).
constexpr size_t kRunsAtOnce = 2;

// The arguments that make the piece as input inputIndex of a run of several; empty with *why
// when the span cannot be read from its input.
SpanEncode PieceRun(const FitSettings &kind, const CutPiece &piece, size_t inputIndex, QString *why)
{
    InputMedia media = *piece.media;
    const double length = media.videoSeconds.value_or(media.estimatedSeconds);
    *why = ApplyInputCut(
        InputCutTimes {piece.span.from, piece.span.to.value_or(length) - piece.span.from}, media);
    if (!why->isEmpty())
        return {};
    Span picture = piece.span;
    picture.encodePicture = true;
    picture.encodeSound = false;
    return EncodeSpanArguments(picture, kind, piece.format->muxer, media, piece.target,
                               PieceArguments(kind, *piece.format), {}, inputIndex);
}

// One run's arguments for the pieces [first, end): their inputs, then their outputs, each
// decoder on one thread as its encoder is (PieceArguments).
QStringList RunArguments(const FitSettings &kind, const std::vector<CutPiece> &pieces, size_t first,
                         size_t end, QString *why)
{
    QStringList inputs, outputs;
    const qsizetype progress = ProgressRunArguments().size();
    for (size_t i = first; i < end; ++i) {
        const SpanEncode run = PieceRun(kind, pieces[i], i - first, why);
        if (!why->isEmpty())
            return {};
        inputs << QStringLiteral("-threads") << QStringLiteral("1")
               << run.arguments.mid(progress, run.outputAt - progress);
        outputs << run.arguments.mid(run.outputAt);
    }
    return QStringList {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"),
                        QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y")}
    + inputs + outputs;
}

// The runs' stretches of pieces: as few runs as hold some ten pieces of 1080p each (a decoder
// and an encoder with their frames a piece), at least one for each run side by side.
std::vector<std::pair<size_t, size_t>> Runs(const std::vector<CutPiece> &pieces)
{
    double pixels = 0;
    for (const CutPiece &p : pieces)
        pixels = std::max(pixels, double(p.media->width) * p.media->height);
    const size_t perRun = size_t(std::clamp(10 * 1920 * 1080 / std::max(pixels, 1.0), 1.0, 10.0));
    const size_t count
        = std::min(pieces.size(), std::max(kRunsAtOnce, (pieces.size() + perRun - 1) / perRun));
    std::vector<std::pair<size_t, size_t>> runs;
    for (size_t r = 0; r < count; ++r)
        runs.push_back({pieces.size() * r / count, pieces.size() * (r + 1) / count});
    return runs;
}

std::unique_ptr<QProcess> StartRun(const QString &ffmpeg, const QStringList &args)
{
    auto child = std::make_unique<QProcess>();
    child->setProcessChannelMode(QProcess::SeparateChannels);
    child->setStandardInputFile(QProcess::nullDevice());
    child->setStandardOutputFile(QProcess::nullDevice());
    child->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    child->start(ffmpeg, args);
    return child;
}

// Why a run that ended failed, or empty when it wrote its pieces.
QString RunFailure(QProcess &child)
{
    if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0)
        return QString();
    const QString said = QString::fromUtf8(child.readAllStandardError()).trimmed();
    return said.isEmpty() ? QStringLiteral("ffmpeg failed") : said.section(u'\n', -1);
}

QString InputsOf(const std::vector<CutPiece> &pieces, std::pair<size_t, size_t> run)
{
    QStringList paths;
    for (size_t i = run.first; i < run.second; ++i)
        if (!paths.contains(pieces[i].media->path))
            paths << pieces[i].media->path;
    return paths.join(QStringLiteral(", "));
}

} // namespace

QString EncodeCutPieces(const QString &ffmpeg, const FitSettings &kind,
                        const std::vector<CutPiece> &pieces, int watchdogSeconds, int *signo)
{
    const auto runs = Runs(pieces);
    // A run of a few pieces takes seconds; one that takes many watchdog spans hangs.
    const qint64 limit = qint64(std::max(watchdogSeconds, 60)) * 10 * 1000;
    struct Running
    {
        std::unique_ptr<QProcess> child;
        size_t run = 0;
        QElapsedTimer clock;
    };
    std::deque<Running> running;
    size_t next = 0;
    QString why;
    while (why.isEmpty() && (next < runs.size() || !running.empty())) {
        while (next < runs.size() && running.size() < kRunsAtOnce) {
            const QStringList args
                = RunArguments(kind, pieces, runs[next].first, runs[next].second, &why);
            if (!why.isEmpty())
                break;
            running.push_back({StartRun(ffmpeg, args), next++, {}});
            running.back().clock.start();
        }
        if (running.empty() || !why.isEmpty())
            break;
        Running &oldest = running.front();
        if (!oldest.child->waitForFinished(100)) {
            if ((*signo = TakeStopSignal()))
                break;
            if (oldest.clock.elapsed() > limit)
                why = QStringLiteral("Cannot encode the cut of %1: ffmpeg stopped answering")
                          .arg(InputsOf(pieces, runs[oldest.run]));
            continue;
        }
        if (const QString failed = RunFailure(*oldest.child); !failed.isEmpty())
            why = QStringLiteral("Cannot encode the cut of %1: %2")
                      .arg(InputsOf(pieces, runs[oldest.run]), failed);
        running.pop_front();
    }
    for (Running &r : running) {
        r.child->kill();
        r.child->waitForFinished();
    }
    for (size_t i = 0; i < pieces.size() && why.isEmpty() && !*signo; ++i)
        if (kind.rotation != 0 && pieces[i].format->muxer == u"mp4"
            && !MarkTurn(NameToBytes(pieces[i].target), kind.rotation))
            why = QStringLiteral("Cannot encode the cut of %1: the turn of the picture cannot be "
                                 "marked")
                      .arg(pieces[i].media->path);
    return why;
}
