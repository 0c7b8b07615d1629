#include "platform/System.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QVariant>

#include <clocale>
#include <cstring>

void SetUpCharacterLocale()
{
    const char *set = std::setlocale(LC_CTYPE, "");
    const bool utf8 = set && (std::strstr(set, "UTF-8") || std::strstr(set, "utf8")
                              || std::strstr(set, "UTF8") || std::strstr(set, "utf-8"));
    if (!utf8)
        std::setlocale(LC_CTYPE, "C.UTF-8");
}

QString PowerOffComputer(int timeoutMs)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return bus.lastError().message().isEmpty()
            ? QStringLiteral("The system bus is not available")
            : bus.lastError().message();
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    call << QVariant(false);
    // A call that waits for the answer: a request sent just before the process ends could be
    // lost, and a refusal must reach the user.
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
    return QString();
}
