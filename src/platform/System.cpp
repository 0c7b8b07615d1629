#include "platform/System.h"

#include <QDBusConnection>
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

void PowerOffComputer()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    call << QVariant(false);
    // Fire and forget: the program does not wait for the shutdown.
    QDBusConnection::systemBus().asyncCall(call);
}
