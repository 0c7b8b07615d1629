#include "tasks/Loudness.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>

#include <sys/prctl.h>
#include <unistd.h>

namespace {

// The quietest integrated loudness the measure gives: the absolute gate, below which nothing
// counts, so the file holds silence.
constexpr double kSilenceFloor = -70.0;

std::optional<double> NumberAfter(const QString &text, const QRegularExpression &pattern)
{
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    if (match.captured(1).endsWith(QLatin1String("inf")))
        return match.captured(1).startsWith(u'-') ? -qInf() : qInf();
    bool ok = false;
    const double value = match.captured(1).toDouble(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

} // namespace

LoudnessFacts ParseLoudnessOutput(const QString &output)
{
    LoudnessFacts facts;
    const qsizetype summary = output.lastIndexOf(QLatin1String("Summary:"));
    if (summary < 0) {
        if (output.contains(QLatin1String("matches no streams")))
            facts.kind = LoudnessFacts::Kind::NoSound;
        return facts;
    }
    const QString tail = output.mid(summary);
    static const QRegularExpression integrated(
        QStringLiteral("Integrated loudness:\\s*I:\\s*(-?inf|[-+]?[0-9]+(?:\\.[0-9]+)?) LUFS"));
    static const QRegularExpression peak(
        QStringLiteral("True peak:\\s*Peak:\\s*(-?inf|[-+]?[0-9]+(?:\\.[0-9]+)?) dBFS"));
    const std::optional<double> loudness = NumberAfter(tail, integrated);
    const std::optional<double> truePeak = NumberAfter(tail, peak);
    if (!loudness || !truePeak)
        return facts;
    // Digital silence has no peak at all.
    if (*loudness <= kSilenceFloor || *truePeak == -qInf()) {
        facts.kind = LoudnessFacts::Kind::NoSound;
        return facts;
    }
    if (!qIsFinite(*loudness) || !qIsFinite(*truePeak))
        return facts;
    facts.kind = LoudnessFacts::Kind::Measured;
    facts.integrated = *loudness;
    facts.truePeak = *truePeak;
    return facts;
}

QStringList LoudnessArguments(const QString &path)
{
    // Only the sound is decoded; the per-frame lines stay out of the output, which then ends
    // with the summary.
    return {QStringLiteral("-nostdin"),
            QStringLiteral("-hide_banner"),
            QStringLiteral("-nostats"),
            QStringLiteral("-threads"),
            QStringLiteral("1"),
            QStringLiteral("-i"),
            path,
            QStringLiteral("-map"),
            QStringLiteral("0:a:0"),
            QStringLiteral("-af"),
            QStringLiteral("ebur128=peak=true:framelog=verbose"),
            QStringLiteral("-f"),
            QStringLiteral("null"),
            QStringLiteral("-")};
}

QString LoudnessText(const LoudnessFacts &facts)
{
    switch (facts.kind) {
    case LoudnessFacts::Kind::Measured:
        return QCoreApplication::translate("LoudnessMeter", "%1 LUFS, true peak %2 dBTP")
            .arg(QString::number(facts.integrated, 'f', 1),
                 QString::number(facts.truePeak, 'f', 1));
    case LoudnessFacts::Kind::NoSound:
        return QCoreApplication::translate("LoudnessMeter", "No sound to measure");
    case LoudnessFacts::Kind::Unmeasurable:
        break;
    }
    return QCoreApplication::translate("LoudnessMeter", "The loudness could not be measured");
}

LoudnessMeter::LoudnessMeter(QObject *parent)
    : QObject(parent)
{
}

LoudnessMeter::~LoudnessMeter()
{
    Cancel();
}

std::optional<LoudnessMeter::Known> LoudnessMeter::StampOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    Known stamp;
    stamp.size = info.size();
    stamp.modifiedMs = info.lastModified().toMSecsSinceEpoch();
    return stamp;
}

std::optional<LoudnessFacts> LoudnessMeter::Facts(const QString &path) const
{
    const auto known = m_known.constFind(path);
    if (known == m_known.cend())
        return std::nullopt;
    const std::optional<Known> now = StampOf(path);
    if (!now || now->size != known->size || now->modifiedMs != known->modifiedMs)
        return std::nullopt;
    return known->facts;
}

void LoudnessMeter::Measure(const QStringList &paths)
{
    for (const QString &path : paths) {
        if (Facts(path) || m_queue.contains(path) || m_running.values().contains(path))
            continue;
        m_queue << path;
    }
    StartNext();
}

bool LoudnessMeter::AllMeasured(const QStringList &paths) const
{
    for (const QString &path : paths)
        if (m_queue.contains(path) || m_running.values().contains(path))
            return false;
    return true;
}

void LoudnessMeter::Cancel()
{
    m_queue.clear();
    const QList<QProcess *> running = m_running.keys();
    for (QProcess *process : running)
        EndProcess(process);
}

void LoudnessMeter::StartNext()
{
    while (m_running.size() < kAtOnce && !m_queue.isEmpty()) {
        const QString path = m_queue.takeFirst();
        auto *process = new QProcess(this);
        process->setProcessChannelMode(QProcess::MergedChannels);
        // Below the window, at the encoder's lower priority, and gone with this program.
        process->setChildProcessModifier([] {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            (void)::nice(10);
        });
        m_running.insert(process, path);
        connect(process, &QProcess::finished, this, [this, process] { Finished(process); });
        connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart)
                Finished(process);
        });
        process->start(m_program, LoudnessArguments(path));
    }
}

void LoudnessMeter::Finished(QProcess *process)
{
    if (!m_running.contains(process))
        return;
    const QString path = m_running.take(process);
    // The stamp is taken after the measure: a file that changed meanwhile is measured again
    // when next asked.
    std::optional<Known> known = StampOf(path);
    const LoudnessFacts facts = ParseLoudnessOutput(QString::fromLocal8Bit(process->readAll()));
    process->deleteLater();
    if (known) {
        known->facts = facts;
        m_known.insert(path, *known);
    }
    StartNext();
    Q_EMIT measured(path);
    if (m_running.isEmpty() && m_queue.isEmpty())
        Q_EMIT idle();
}

void LoudnessMeter::EndProcess(QProcess *process)
{
    m_running.remove(process);
    process->disconnect(this);
    process->kill();
    process->waitForFinished(2000);
    delete process;
}
