#include "platform/DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace {

const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");

} // namespace

DesktopNotifier::DesktopNotifier(const QDBusConnection &bus, const QString &desktopEntry,
                                 QObject *parent)
    : QObject(parent)
    , m_bus(bus)
    , m_appUri(QStringLiteral("application://") + desktopEntry)
{
    if (m_bus.isConnected())
        m_bus.connect(kNotifications, kNotificationsPath, kNotifications,
                      QStringLiteral("ActionInvoked"), this, SLOT(OnActionInvoked(uint, QString)));
}

void DesktopNotifier::Notify(const QString &appName, const QString &summary, const QString &body)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kNotifications, kNotificationsPath,
                                                       kNotifications, QStringLiteral("Notify"));
    QString entry = m_appUri.mid(m_appUri.indexOf(QLatin1Char('/')) + 2);
    entry.chop(entry.endsWith(QStringLiteral(".desktop")) ? 8 : 0);
    const QVariantMap hints {{QStringLiteral("desktop-entry"), entry}};
    // The action "default" is the click on the notification itself.
    call << appName << uint(0) << QString() << summary << body
         << QStringList {QStringLiteral("default"), summary} << hints << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (!reply.isError())
            m_notification = reply.value();
    });
}

void DesktopNotifier::OnActionInvoked(uint id, const QString &action)
{
    if (id != 0 && id == m_notification && action == QStringLiteral("default"))
        Q_EMIT activated();
}

void DesktopNotifier::SetProgress(double progress)
{
    SendLauncherUpdate({{QStringLiteral("progress"), qBound(0.0, progress, 1.0)},
                        {QStringLiteral("progress-visible"), true}});
}

void DesktopNotifier::ClearProgress()
{
    SendLauncherUpdate(
        {{QStringLiteral("progress"), 0.0}, {QStringLiteral("progress-visible"), false}});
}

void DesktopNotifier::SendLauncherUpdate(const QVariantMap &properties)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QStringLiteral("/com/quintor/VideoJoiner/LauncherEntry"),
        QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    signal << m_appUri << properties;
    m_bus.send(signal);
}
