#include "tasks/ProbeAhead.h"

#include "tasks/TaskList.h"

#include <algorithm>

ProbeAhead::ProbeAhead(TaskListModel &tasks, const QStringList &paths)
    : m_tasks(tasks)
    , m_previous(tasks.SetProbeAhead(this))
    , m_prober(tasks.Prober())
    , m_paths(paths)
    , m_results(size_t(paths.size()))
{
    // The library's file names follow the character locale, which must be set before threads
    // that use it start, not by one of them.
    PrepareMediaProbes();
    const unsigned workers = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    for (unsigned i = 0; i < workers && qsizetype(i) < paths.size(); ++i)
        m_workers.emplace_back([this] { Work(); });
}

ProbeAhead::~ProbeAhead()
{
    m_tasks.SetProbeAhead(m_previous);
    m_stop = true;
    for (std::thread &worker : m_workers)
        worker.join();
}

void ProbeAhead::Work()
{
    for (qsizetype i = m_start++; i < m_paths.size() && !m_stop; i = m_start++) {
        MediaProbeResult result = m_prober(m_paths.at(i));
        const std::lock_guard lock(m_mutex);
        m_results[size_t(i)] = std::move(result);
        m_done.notify_all();
    }
}

MediaProbeResult ProbeAhead::Result(const QString &path)
{
    // The first of the path's places not handed out yet: a path given twice has two results.
    qsizetype index = m_paths.indexOf(path, m_next.value(path, 0));
    if (index < 0)
        return m_prober(path);
    m_next[path] = index + 1;
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [&] { return m_results[size_t(index)].has_value(); });
    return *std::exchange(m_results[size_t(index)], std::nullopt);
}
