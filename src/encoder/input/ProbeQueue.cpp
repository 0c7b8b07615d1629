#include "encoder/input/ProbeQueue.h"

#include <QProcess>

#include <algorithm>
#include <csignal>

#include <sys/prctl.h>

ProbeQueue::ProbeQueue(const QString &ffprobePath, const QStringList &paths, int parallel)
    : m_ffprobe(ffprobePath)
    , m_paths(paths)
    , m_parallel(std::max(1, parallel))
{
}

ProbeQueue::~ProbeQueue()
{
    for (const std::unique_ptr<QProcess> &probe : m_running) {
        probe->kill();
        probe->waitForFinished();
    }
}

void ProbeQueue::StartMore()
{
    while (m_started < m_paths.size() && m_started < m_taken + m_parallel) {
        auto probe = std::make_unique<QProcess>();
        probe->setProcessChannelMode(QProcess::SeparateChannels);
        probe->setStandardInputFile(QProcess::nullDevice());
        // The probe dies with the encoder, like ffmpeg itself: a caller's kill stops everything.
        probe->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        probe->start(m_ffprobe, ProbeArguments(m_paths.at(m_started++)));
        m_running.push_back(std::move(probe));
    }
}

std::optional<InputMedia> ProbeQueue::Next(QString *error)
{
    if (m_taken >= m_paths.size()) {
        *error = QStringLiteral("No input file given");
        return std::nullopt;
    }
    StartMore();
    const std::unique_ptr<QProcess> probe = std::move(m_running.front());
    m_running.pop_front();
    const QString path = m_paths.at(m_taken++);
    if (!probe->waitForStarted()) {
        *error = QStringLiteral("Cannot start %1").arg(m_ffprobe);
        return std::nullopt;
    }
    if (!probe->waitForFinished(60000)) {
        probe->kill();
        probe->waitForFinished();
        *error = QStringLiteral("Reading %1 took too long").arg(path);
        return std::nullopt;
    }
    if (probe->exitStatus() != QProcess::NormalExit || probe->exitCode() != 0) {
        const QString why = QString::fromUtf8(probe->readAllStandardError()).trimmed();
        *error = QStringLiteral("Cannot read the media file: %1").arg(path)
            + (why.isEmpty() ? QString() : QStringLiteral(" (") + why.section(u'\n', -1) + u')');
        return std::nullopt;
    }
    return ParseProbeOutput(path, probe->readAllStandardOutput(), error);
}
