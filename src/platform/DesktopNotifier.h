#pragma once
// Word to the desktop about a job: a notification (the freedesktop notification service) whose
// click asks for the window, and the total progress on the program's entry in the taskbar or
// dock (the launcher-entry signal that they read). Nothing waits for an answer; where the
// desktop has no such service nothing happens and nothing is said.

#include <QDBusConnection>
#include <QObject>
#include <QString>

class DesktopNotifier : public QObject
{
    Q_OBJECT

public:
    // bus: the session bus by default; a private bus in tests. desktopEntry: the program's
    // desktop entry file name, which names it to the taskbar.
    explicit DesktopNotifier(const QDBusConnection &bus = QDBusConnection::sessionBus(),
                             const QString &desktopEntry
                             = QStringLiteral("quintor-video-joiner.desktop"),
                             QObject *parent = nullptr);

    // Shows a notification with a default action (a click on it); a click on it gives
    // activated().
    void Notify(const QString &appName, const QString &summary, const QString &body);
    // The taskbar entry shows progress (0..1).
    void SetProgress(double progress);
    // The taskbar entry shows no progress.
    void ClearProgress();

Q_SIGNALS:
    // The user clicked the latest notification.
    void activated();

private Q_SLOTS:
    void OnActionInvoked(uint id, const QString &action);

private:
    void SendLauncherUpdate(const QVariantMap &properties);

    QDBusConnection m_bus;
    QString m_appUri;
    uint m_notification = 0; // the id of the latest notification, 0 for none
};
