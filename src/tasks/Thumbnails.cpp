#include "tasks/Thumbnails.h"

#include "platform/RawNames.h"

#include "tasks/TaskList.h"

#include <QProcess>
#include <QTimer>

#include <unistd.h>

double ThumbnailTime(double lengthSeconds)
{
    return lengthSeconds > 0 ? lengthSeconds / 10 : 0;
}

QStringList ThumbnailArguments(const QString &path, double atSeconds)
{
    return FrameArguments(path, atSeconds, TaskThumbnails::kHeight);
}

QStringList FrameArguments(const QString &path, double atSeconds, int height)
{
    // Seeking before the input is quick (it jumps to the nearest key frame, then decodes up to
    // the time asked for). The width follows the display aspect, rounded to an even number; the
    // picture's pixels are then square.
    return {QStringLiteral("-nostdin"),
            QStringLiteral("-v"),
            QStringLiteral("error"),
            QStringLiteral("-threads"),
            QStringLiteral("1"),
            QStringLiteral("-ss"),
            QString::number(atSeconds, 'f', 3),
            QStringLiteral("-i"),
            path,
            QStringLiteral("-map"),
            QStringLiteral("0:v:0"),
            QStringLiteral("-frames:v"),
            QStringLiteral("1"),
            QStringLiteral("-vf"),
            QStringLiteral("scale=max(2\\,trunc(%1*dar/2)*2):%1,setsar=1").arg(height),
            QStringLiteral("-f"),
            QStringLiteral("image2pipe"),
            QStringLiteral("-c:v"),
            QStringLiteral("png"),
            QStringLiteral("-")};
}

TaskThumbnails::TaskThumbnails(TaskListModel &model, QObject *parent)
    : QObject(parent)
    , m_model(model)
{
    connect(&model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { RowsAdded(first, last); });
    connect(&model, &QAbstractItemModel::rowsRemoved, this, &TaskThumbnails::RowsDropped);
    connect(&model, &QAbstractItemModel::modelReset, this, &TaskThumbnails::RowsDropped);
    m_settle.setSingleShot(true);
    m_settle.setInterval(250);
    connect(&m_settle, &QTimer::timeout, this, &TaskThumbnails::StartNext);
}

TaskThumbnails::~TaskThumbnails()
{
    for (QProcess *process : m_running.keys())
        EndProcess(process);
}

void TaskThumbnails::RowsAdded(int first, int last)
{
    for (int i = first; i <= last; ++i) {
        ltvItemData row;
        m_model.ReadTaskRow(i, CaptionOnly, row);
        m_model.ReadTaskRow(i, 0, row);
        if (row.InputFile.isEmpty() || m_asked.contains(row.InputFile))
            continue;
        m_asked.insert(row.InputFile);
        m_queue.append({row.InputFile, ThumbnailTime(row.LengthSeconds)});
    }
    // Begun once the list has been still for a moment: a folder add in progress, which lets
    // events run between its files, is never held up by starting programs.
    m_settle.start();
}

void TaskThumbnails::RowsDropped()
{
    QSet<QString> listed;
    for (int i = 0; i < m_model.Count(); ++i) {
        ltvItemData row;
        m_model.ReadTaskRow(i, CaptionOnly, row);
        listed.insert(row.InputFile);
    }
    m_queue.removeIf([&](const Request &r) { return !listed.contains(r.path); });
    for (QProcess *process : m_running.keys()) {
        if (!listed.contains(m_running.value(process)))
            EndProcess(process);
    }
    // A path added again later is asked for again.
    m_asked.removeIf([&](const QString &path) { return !listed.contains(path); });
    if (!m_settle.isActive())
        StartNext();
}

void TaskThumbnails::StartNext()
{
    while (m_running.size() < kAtOnce && !m_queue.isEmpty()) {
        const Request request = m_queue.takeFirst();
        auto *process = new QProcess(this);
        process->setProgram(m_program);
        process->setArguments(ThumbnailArguments(OpenablePath(request.path), request.at));
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        // The pictures are a comfort: they yield the processor to everything else.
        process->setChildProcessModifier([] { (void)::nice(19); });
        m_running.insert(process, request.path);
        m_mostAtOnce = std::max(m_mostAtOnce, int(m_running.size()));
        connect(process, &QProcess::finished, this, [this, process] { Finished(process); });
        connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart)
                Finished(process);
        });
        auto *timeout = new QTimer(process);
        timeout->setSingleShot(true);
        connect(timeout, &QTimer::timeout, process, [process] { process->kill(); });
        timeout->start(m_timeoutMs);
        process->start();
    }
}

void TaskThumbnails::Finished(QProcess *process)
{
    if (!m_running.contains(process))
        return;
    const QString path = m_running.take(process);
    QByteArray png;
    if (process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0)
        png = process->readAllStandardOutput();
    process->deleteLater();
    Q_EMIT ready(path, png);
    if (!m_settle.isActive())
        StartNext();
}

void TaskThumbnails::EndProcess(QProcess *process)
{
    m_running.remove(process);
    process->disconnect(this);
    process->kill();
    process->waitForFinished(1000);
    process->deleteLater();
}
