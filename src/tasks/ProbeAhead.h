#pragma once
// Probes of files about to be added, run ahead of the adding on a few threads of their own:
// adding a folder of hundreds of camera clips waits on the slowest of several probes at a time
// instead of on each in turn. The rows are still added one by one, in order, with every
// question and message as before.

#include "tasks/MediaProbe.h"

#include <QHash>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class TaskListModel;

class ProbeAhead
{
public:
    // Starts probing paths, in order, with the task list's prober; the task list takes this
    // object's results while it lives.
    ProbeAhead(TaskListModel &tasks, const QStringList &paths);
    // The task list goes back to what it did before; probes under way are waited for, the
    // rest dropped.
    ~ProbeAhead();
    ProbeAhead(const ProbeAhead &) = delete;
    ProbeAhead &operator=(const ProbeAhead &) = delete;

    // The result for path: its probe ahead, waited for; a path not given is probed at once.
    // Only for the task list's own thread.
    MediaProbeResult Result(const QString &path);

private:
    void Work();

    TaskListModel &m_tasks;
    ProbeAhead *m_previous;
    MediaProber m_prober;
    QStringList m_paths;
    QHash<QString, qsizetype> m_next; // the next result of each path to hand out
    std::vector<std::optional<MediaProbeResult>> m_results;
    std::mutex m_mutex;
    std::condition_variable m_done;
    std::atomic<qsizetype> m_start {0};
    std::atomic<bool> m_stop {false};
    std::vector<std::thread> m_workers;
};
