#pragma once
// What the desktop is told about a job: the machine is kept awake from Start until the job's
// work has ended, whatever the outcome; the taskbar entry shows the total progress and is
// cleared at the end; and a job that ends while the window is not the active one is announced
// by a notification, whose click asks for the window.

#include "pipeline/job/JoinJob.h"

#include <QObject>

#include <functional>

class DesktopNotifier;
class SleepInhibitor;

class JobPresence : public QObject
{
    Q_OBJECT

public:
    // windowActive: whether the program's window is the active one at the moment asked (a
    // program without a window gives false). job, inhibitor and notifier must outlive this.
    JobPresence(JoinJob &job, SleepInhibitor &inhibitor, DesktopNotifier &notifier,
                std::function<bool()> windowActive, QObject *parent = nullptr);

Q_SIGNALS:
    // The user clicked the notification: the window is wanted in front.
    void windowWanted();

private:
    void OnStarted(int rowCount);
    void OnWorkEnded(JobOutcome outcome, const QString &outputPath);

    SleepInhibitor &m_inhibitor;
    DesktopNotifier &m_notifier;
    std::function<bool()> m_windowActive;
    bool m_running = false;
};

// What the sleep lock says of a job of rowCount rows ("Joining 12 files").
QString JobInhibitReason(int rowCount);

// The notification's summary and body for a job that ended this way.
struct JobEndText
{
    QString summary, body;
};
JobEndText DescribeJobEnd(JobOutcome outcome, const QString &outputPath);
