#pragma once
// ffprobe over many inputs, a few at a time: the next answers are being read while the
// encoder takes the current one, so that hundreds of inputs do not wait on one probe after
// another.

#include "encoder/input/InputProbe.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <optional>

class QProcess;

class ProbeQueue
{
public:
    // Probes of paths, at most parallel of them running at once; none starts before Next.
    ProbeQueue(const QString &ffprobePath, const QStringList &paths, int parallel = 4);
    ~ProbeQueue(); // ends the probes still running

    // The facts of the next path, in the order given, once its probe has ended; on failure
    // gives nothing and sets *error.
    std::optional<InputMedia> Next(QString *error);

private:
    void StartMore();

    QString m_ffprobe;
    QStringList m_paths;
    int m_parallel;
    qsizetype m_started = 0;
    qsizetype m_taken = 0;
    std::deque<std::unique_ptr<QProcess>> m_running; // in the order of their paths
};
