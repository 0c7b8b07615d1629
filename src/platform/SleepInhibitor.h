#pragma once
// Keeps the machine awake while a job runs: logind's inhibitor lock ("sleep:idle", mode
// "block"), held as the file descriptor logind hands out and let go by closing it. The request
// is made without waiting; where there is no such service (no bus, no logind) nothing is held
// and nothing is said.

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>

class SleepInhibitor : public QObject
{
    Q_OBJECT

public:
    // bus: where logind is asked (the system bus by default; a private bus in tests).
    explicit SleepInhibitor(const QDBusConnection &bus = QDBusConnection::systemBus(),
                            QObject *parent = nullptr);
    ~SleepInhibitor() override;

    // Asks for the lock in the name of who, for the reason why. A lock already held or asked
    // for is let go first.
    void Hold(const QString &who, const QString &why);
    // Lets the lock go, also one whose answer has not come yet.
    void Release();
    // True while a lock is held.
    bool Held() const { return m_lock.isValid(); }

Q_SIGNALS:
    // The lock was granted (for tests and the curious: the job does not wait for it).
    void held();

private:
    QDBusConnection m_bus;
    QDBusUnixFileDescriptor m_lock;
    quint64 m_request = 0; // the request whose answer is still wanted
};
