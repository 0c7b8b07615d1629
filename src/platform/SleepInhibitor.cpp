#include "platform/SleepInhibitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

SleepInhibitor::SleepInhibitor(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
}

SleepInhibitor::~SleepInhibitor()
{
    Release();
}

void SleepInhibitor::Hold(const QString &who, const QString &why)
{
    Release();
    if (!m_bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << who << why << QStringLiteral("block");
    const quint64 request = ++m_request;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, request](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
                // A released or replaced request's lock is closed at once, as the reply goes.
                if (request != m_request || reply.isError())
                    return;
                m_lock = reply.value();
                if (m_lock.isValid())
                    Q_EMIT held();
            });
}

void SleepInhibitor::Release()
{
    ++m_request;
    // Closing the descriptor is what lets logind's lock go.
    m_lock = QDBusUnixFileDescriptor();
}
