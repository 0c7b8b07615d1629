// Adding to the task list: files, folders, drops and start-up paths, each file probed (ahead,
// on other threads, where several come at once) and appended in order.
#include "tasks/TaskList.h"

#include "platform/Desktop.h"
#include "platform/Paths.h"
#include "platform/RawNames.h"
#include "tasks/InputTypes.h"
#include "tasks/ProbeAhead.h"

#include <QCoreApplication>

namespace {

const QString kStatusOk = QStringLiteral("OK");

} // namespace

// One user command: the probe failures of everything it adds are shown together, in one
// error box, when the outermost command ends.
class TaskListModel::Command
{
public:
    explicit Command(TaskListModel &model)
        : m_model(model)
    {
        ++m_model.m_commandDepth;
    }
    ~Command()
    {
        if (--m_model.m_commandDepth == 0)
            m_model.ReportFailures();
    }
    Command(const Command &) = delete;
    Command &operator=(const Command &) = delete;

private:
    TaskListModel &m_model;
};

void TaskListModel::AddTaskFile(const QString &path)
{
    const Command command(*this);
    HideWelcomePanel();
    const auto listed = std::find_if(m_rows.begin(), m_rows.end(),
                                     [&](const Row &row) { return row.caption == path; });
    if (listed != m_rows.end()
        && !m_desktop.AskQuestion(QStringLiteral("Already Listed"),
                                  QStringLiteral("This file has been added to the Task List "
                                                 "already. Are you sure to add it again?")))
        return;

    // The row is appended only once the probe has succeeded, so that the list never holds a
    // row without its length.
    const MediaProbeResult probe = m_ahead ? m_ahead->Result(path) : m_prober(path);
    if (!probe.ok) {
        m_failures.push_back({path, GeneralErrorText(probe.error), probe.details});
        return;
    }
    m_recordingTimes.Remember(path, probe.statedTime);
    Row row;
    row.caption = path;
    row.subTexts[0] = probe.lengthText;
    row.subTexts[1] = probe.sizeText;
    row.subTexts[2] = kStatusOk;
    row.subTexts[3] = RemoveExtension(ExtractFileName(path));
    // Not shown: to the millisecond, for the check of the joined file's length.
    if (probe.longestSeconds >= 0 && probe.longestSeconds < 1e9) {
        const qint64 ms = qRound64(probe.longestSeconds * 1000);
        row.subTexts[5] = QString::asprintf("%02lld:%02lld:%02lld.%03lld", ms / 3600000,
                                            ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
    }
    AppendRow(std::move(row));
}

void TaskListModel::AddTaskDirectory(const QString &folder)
{
    const Command command(*this);
    const QStringList names = ListSupportedFiles(folder);
    const QString prefix = AddTrailingBackslash(folder);
    QStringList paths;
    for (const QString &name : names)
        paths << prefix + name;
    const ProbeAhead ahead(*this, paths);
    for (const QString &name : names) {
        // The window stays responsive during a long add; a command given meanwhile runs here,
        // between two files. Nothing below holds a row number across this call.
        QCoreApplication::processEvents();
        // A job started meanwhile owns the rows: the add ends rather than change them.
        if (!m_listEnabled)
            break;
        AddTaskFile(prefix + name);
    }
}

void TaskListModel::AddTaskPaths(const QStringList &paths, AddRule rule)
{
    const Command command(*this);
    QStringList files;
    for (const QString &path : paths)
        if (HasInputExtension(path) && FileExists(path))
            files << path;
    const ProbeAhead ahead(*this, files);
    for (const QString &path : paths) {
        // A job started during a folder's add owns the rows: the rest of the paths are dropped.
        if (!m_listEnabled)
            break;
        if (rule == AddRule::Drop) {
            if (DirectoryExists(path))
                AddTaskDirectory(path);
            else if (HasInputExtension(path))
                AddTaskFile(path);
        } else {
            if (FileExists(path)) {
                if (HasInputExtension(path))
                    AddTaskFile(path);
            } else if (DirectoryExists(path)) {
                AddTaskDirectory(path);
            }
        }
    }
}

void TaskListModel::AddChosenFiles(const QStringList &files)
{
    {
        const Command command(*this);
        const ProbeAhead ahead(*this, files);
        for (const QString &file : files)
            AddTaskFile(file);
    }
    EnableListButtonsWhenFilled();
}

void TaskListModel::AddChosenDirectory(const QString &folder)
{
    if (!folder.isEmpty())
        AddTaskDirectory(folder);
    EnableListButtonsWhenFilled();
}

void TaskListModel::DropPaths(const QStringList &paths)
{
    HideWelcomePanel();
    if (!m_listEnabled)
        return;
    AddTaskPaths(paths, AddRule::Drop);
    EnableListButtonsWhenFilled();
}

void TaskListModel::AddStartUpPaths(const QStringList &paths)
{
    AddTaskPaths(paths, AddRule::StartUp);
    EnableListButtonsWhenFilled();
}

void TaskListModel::ReportFailures()
{
    if (m_failures.empty())
        return;
    // An error that explains itself names its file and leads; the library's words behind it go
    // to the details. An error without an explanation comes after its path.
    QStringList lines, details;
    const bool one = m_failures.size() == 1;
    for (const Failure &f : m_failures) {
        if (f.details.isEmpty()) {
            lines.append(f.path + (one ? QStringLiteral("\n") : QStringLiteral(": ")) + f.error);
            continue;
        }
        lines.append(f.error);
        details.append(f.path + QStringLiteral(": ") + f.details);
    }
    m_failures.clear();
    m_desktop.ShowDetailedError(ShownName(lines.join(QLatin1Char('\n'))),
                                ShownName(details.join(QLatin1Char('\n'))));
}

std::vector<std::optional<QDateTime>> TaskListModel::RecordingTimesOfRows()
{
    return m_recordingTimes.Times(InputFiles());
}
