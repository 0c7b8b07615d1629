#pragma once
// Small pictures of the listed files, made in the background by the ffmpeg program: a frame
// from about a tenth into the file, 32 pixels high with its shape kept, as PNG. At most two
// are made at a time, at the lowest priority, and none is begun while rows keep coming (a
// folder add), so that the list is never slowed; a row that is deleted before its picture is
// made drops its request.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

class QProcess;
class TaskListModel;

// Where in a file its picture is taken: a tenth of its length, the start when the length is
// not known.
double ThumbnailTime(double lengthSeconds);
// The ffmpeg arguments that write the picture of path at the given second to standard output.
QStringList ThumbnailArguments(const QString &path, double atSeconds);
// The same for a picture of any height: the frame shown at atSeconds (the first whose time is
// not before it).
QStringList FrameArguments(const QString &path, double atSeconds, int height);

class TaskThumbnails : public QObject
{
    Q_OBJECT

public:
    static constexpr int kAtOnce = 2;
    static constexpr int kHeight = 32;

    // Follows the rows of model: every new path is asked for once, and paths that are no
    // longer listed are dropped.
    explicit TaskThumbnails(TaskListModel &model, QObject *parent = nullptr);
    ~TaskThumbnails() override;

    // The ffmpeg program ("ffmpeg", found on the PATH, unless set).
    void SetProgram(const QString &program) { m_program = program; }
    // How long one picture may take before it is given up (milliseconds).
    void SetTimeout(int ms) { m_timeoutMs = ms; }
    // How long the list must be still before pictures are begun (milliseconds).
    void SetSettleTime(int ms) { m_settle.setInterval(ms); }

    int Running() const { return int(m_running.size()); }
    int Queued() const { return int(m_queue.size()); }
    // The most pictures that were ever being made at the same time.
    int MostAtOnce() const { return m_mostAtOnce; }

Q_SIGNALS:
    // The picture of path as PNG; empty when no frame could be read.
    void ready(const QString &path, const QByteArray &png);

private:
    struct Request
    {
        QString path;
        double at = 0;
    };

    void RowsAdded(int first, int last);
    void RowsDropped();
    void StartNext();
    void Finished(QProcess *process);
    void EndProcess(QProcess *process);

    TaskListModel &m_model;
    QString m_program = QStringLiteral("ffmpeg");
    int m_timeoutMs = 20000;
    QList<Request> m_queue;
    QHash<QProcess *, QString> m_running;
    QTimer m_settle;
    QSet<QString> m_asked; // paths queued, running or made
    int m_mostAtOnce = 0;
};
