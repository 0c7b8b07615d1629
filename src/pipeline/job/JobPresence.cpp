#include "pipeline/job/JobPresence.h"

#include "platform/Desktop.h"
#include "platform/DesktopNotifier.h"
#include "platform/SleepInhibitor.h"

#include <QCoreApplication>

QString JobInhibitReason(int rowCount)
{
    return QCoreApplication::translate("JobPresence", "Joining %n files", nullptr, rowCount);
}

JobEndText DescribeJobEnd(JobOutcome outcome, const QString &outputPath)
{
    const auto tr
        = [](const char *text) { return QCoreApplication::translate("JobPresence", text); };
    switch (outcome) {
    case JobOutcome::Completed:
        return {tr("The join is complete"), tr("The joined file is %1.").arg(outputPath)};
    case JobOutcome::Stopped:
        return {tr("The join was stopped"),
                outputPath.isEmpty() ? tr("Nothing was written.")
                                     : tr("%1 was not written.").arg(outputPath)};
    case JobOutcome::Failed:
        break;
    }
    return {tr("The join failed"),
            outputPath.isEmpty() ? tr("Nothing was written. The window says why.")
                                 : tr("%1 was not written. The window says why.").arg(outputPath)};
}

JobPresence::JobPresence(JoinJob &job, SleepInhibitor &inhibitor, DesktopNotifier &notifier,
                         std::function<bool()> windowActive, QObject *parent)
    : QObject(parent)
    , m_inhibitor(inhibitor)
    , m_notifier(notifier)
    , m_windowActive(std::move(windowActive))
{
    connect(&job, &JoinJob::started, this, &JobPresence::OnStarted);
    connect(&job, &JoinJob::workEnded, this, &JobPresence::OnWorkEnded);
    connect(&job, &JoinJob::totalProgressChanged, this, [this](int percent) {
        if (m_running)
            m_notifier.SetProgress(percent / 100.0);
    });
    // A job that ends without its work ending (a window closing mid-job) lets go all the same.
    connect(&job, &JoinJob::finished, this, [this] {
        if (m_running)
            OnWorkEnded(JobOutcome::Stopped, QString());
    });
    connect(&notifier, &DesktopNotifier::activated, this, &JobPresence::windowWanted);
}

void JobPresence::OnStarted(int rowCount)
{
    m_running = true;
    m_inhibitor.Hold(
        QString::fromLatin1(kProductName),
        QCoreApplication::translate("JobPresence", "Joining %n files", nullptr, rowCount));
    m_notifier.SetProgress(0);
}

void JobPresence::OnWorkEnded(JobOutcome outcome, const QString &outputPath)
{
    if (!m_running)
        return;
    m_running = false;
    m_inhibitor.Release();
    // A completed job's entry shows it full before it is cleared.
    if (outcome == JobOutcome::Completed)
        m_notifier.SetProgress(1);
    m_notifier.ClearProgress();
    if (m_windowActive && m_windowActive())
        return;
    const JobEndText text = DescribeJobEnd(outcome, outputPath);
    m_notifier.Notify(QString::fromLatin1(kProductName), text.summary, text.body);
}
