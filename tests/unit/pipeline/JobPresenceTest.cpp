// What the desktop hears of a job, on a private bus with stand-ins for logind, the notification
// service and a taskbar: the sleep lock is held while the job works and let go at every
// outcome, one notification comes per job and only while the window is not active, and the
// taskbar's progress goes from 0 to 1 and is cleared.
#include "pipeline/job/JobPresence.h"
#include "common/TestSupport.h"
#include "platform/DesktopNotifier.h"
#include "platform/SleepInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

namespace {

using namespace qvj::test;

// logind's manager: each lock is a pipe whose far end goes to the caller; the lock is held
// while that end is open anywhere.
class Login1 : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    ~Login1() override
    {
        for (const int fd : m_ends)
            ::close(fd);
    }
    QStringList calls;
    // How many locks are still held.
    int Held() const
    {
        int held = 0;
        for (const int fd : m_ends) {
            pollfd p {fd, POLLIN, 0};
            held += ::poll(&p, 1, 0) == 0 ? 1 : 0;
        }
        return held;
    }

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why,
                                    const QString &mode)
    {
        calls << QStringList {what, who, why, mode}.join(u'|');
        int fds[2];
        if (::pipe(fds) != 0)
            return {};
        m_ends << fds[0];
        QDBusUnixFileDescriptor lock(fds[1]); // a copy of its own
        ::close(fds[1]);
        return lock;
    }

private:
    QList<int> m_ends;
};

class Notifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList shown; // summary|body|actions

public Q_SLOTS:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &, int)
    {
        shown << QStringList {summary, body, actions.join(u',')}.join(u'|');
        return uint(shown.size() + 40);
    }
};

// A taskbar: the progress of every launcher-entry update, -1 for one that hides it.
class Taskbar : public QObject
{
    Q_OBJECT

public:
    QString uri;
    QList<double> progress;

public Q_SLOTS:
    void Update(const QString &app, const QVariantMap &properties)
    {
        uri = app;
        progress << (properties.value(QStringLiteral("progress-visible")).toBool()
                         ? properties.value(QStringLiteral("progress")).toDouble()
                         : -1);
    }
};

// A bus of the test's own.
class PrivateBus
{
public:
    PrivateBus()
    {
        if (QStandardPaths::findExecutable(S("dbus-daemon")).isEmpty())
            return;
        m_daemon.start(S("dbus-daemon"), {S("--session"), S("--nofork"), S("--print-address=1")});
        if (m_daemon.waitForReadyRead(10000))
            address = QString::fromUtf8(m_daemon.readLine().trimmed());
    }
    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus(S("presence-client"));
        QDBusConnection::disconnectFromBus(S("presence-service"));
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    QDBusConnection Connect(const char *name) const
    {
        return QDBusConnection::connectToBus(address, S(name));
    }
    QString address;

private:
    QProcess m_daemon;
};

TEST(JobPresence, TheLockIsHeldWhileAJobWorksAndTheEndIsAnnouncedInTheBackground)
{
    PrivateBus bus;
    if (bus.address.isEmpty())
        GTEST_SKIP() << "no dbus-daemon here";
    const QDBusConnection client = bus.Connect("presence-client");
    QDBusConnection service = bus.Connect("presence-service");
    ASSERT_TRUE(client.isConnected() && service.isConnected());
    if (!client.connectionCapabilities().testFlag(QDBusConnection::UnixFileDescriptorPassing))
        GTEST_SKIP() << "the bus cannot pass file descriptors";
    Login1 login1;
    Notifications notifications;
    Taskbar taskbar;
    ASSERT_TRUE(service.registerService(S("org.freedesktop.login1")));
    ASSERT_TRUE(service.registerService(S("org.freedesktop.Notifications")));
    ASSERT_TRUE(service.registerObject(S("/org/freedesktop/login1"), &login1,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerObject(S("/org/freedesktop/Notifications"), &notifications,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.connect(QString(), QString(), S("com.canonical.Unity.LauncherEntry"),
                                S("Update"), &taskbar, SLOT(Update(QString, QVariantMap))));

    struct Case
    {
        const char *what;
        const char *encoderEnd; // after a second's work
        bool stop; // the user stops the job while it works
        bool windowActive;
        QString notification; // "" for none
    };
    const QString stopped
        = S("The join was stopped|Nothing was written.|default,The join was stopped");
    const std::vector<Case> cases {
        {"completed, window in the background", "exit 0", false, false,
         S("The join is complete|The joined file is {out}.|default,The join is complete")},
        {"completed, window active", "exit 0", false, true, {}},
        {"failed, window in the background", "exit 1", false, false,
         S("The join failed|Nothing was written. The window says why.|default,The join failed")},
        {"stopped, window in the background", "sleep 30", true, false, stopped},
        {"stopped, window active", "sleep 30", true, true, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir work, program;
        const QString root = work.path() + S("/");
        FakeJobInputs inputs;
        for (const char *name : {"a.mp4", "b.mp4"}) {
            inputs.rows.emplace_back().InputFile = root + S(name);
            inputs.rows.back().LengthSeconds = 10;
        }
        inputs.tempDir = root + S("temp/");
        inputs.outputFile = root + S("joined.avi");
        WriteScript(program.path() + S("/asapi.dll"),
                    QByteArray("out=; while [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=\"$2\"; "
                               "shift; done\nsleep 1; printf x > \"$out\"\n")
                        + c.encoderEnd + "\n");
        RecordingDesktop desktop;
        JoinJob job(inputs, desktop, program.path() + S("/"));
        SleepInhibitor inhibitor(client);
        DesktopNotifier notifier(client);
        JobPresence presence(job, inhibitor, notifier, [&] { return c.windowActive; });
        login1.calls.clear();
        notifications.shown.clear();
        taskbar.progress.clear();

        ASSERT_TRUE(job.Start(S("p")));
        ASSERT_TRUE(WaitFor([&] { return inhibitor.Held() && login1.Held() == 1; }, 10000));
        EXPECT_EQ(login1.calls,
                  QStringList {S("sleep:idle|Quintor Video Joiner|Joining 2 files|block")});
        if (c.stop)
            job.Stop();
        ASSERT_TRUE(WaitFor([&] { return !job.IsActive(); }, 60000));
        // Let go at once, and nothing left held once the bus has carried everything.
        EXPECT_FALSE(inhibitor.Held());
        EXPECT_TRUE(WaitFor([&] { return login1.Held() == 0; }, 5000));
        WaitFor([&] { return false; }, 300);
        const QStringList expected = c.notification.isEmpty()
            ? QStringList()
            : QStringList {QString(c.notification).replace(S("{out}"), job.OutputPath())};
        EXPECT_EQ(notifications.shown, expected);
        ASSERT_GE(taskbar.progress.size(), 2);
        EXPECT_EQ(taskbar.uri, S("application://quintor-video-joiner.desktop"));
        EXPECT_EQ(taskbar.progress.front(), 0.0);
        EXPECT_EQ(taskbar.progress.back(), -1.0);
        if (QByteArray(c.encoderEnd) == "exit 0") {
            EXPECT_EQ(taskbar.progress.at(taskbar.progress.size() - 2), 1.0);
        }
        for (qsizetype i = 1; i + 1 < taskbar.progress.size(); ++i)
            EXPECT_GE(taskbar.progress.at(i), taskbar.progress.at(i - 1));

        // A click on the notification asks for the window; a click on another one does not.
        if (!expected.isEmpty()) {
            int wanted = 0;
            QObject::connect(&presence, &JobPresence::windowWanted, [&] { ++wanted; });
            for (const uint id : {uint(7), uint(41)}) {
                QDBusMessage click = QDBusMessage::createSignal(S("/org/freedesktop/Notifications"),
                                                                S("org.freedesktop.Notifications"),
                                                                S("ActionInvoked"));
                click << id << S("default");
                service.send(click);
            }
            EXPECT_TRUE(WaitFor([&] { return wanted == 1; }, 5000));
            WaitFor([&] { return false; }, 200);
            EXPECT_EQ(wanted, 1);
        }
    }
}

TEST(JobPresence, WithoutTheServicesNothingIsHeldAndNothingIsSaid)
{
    const QDBusConnection none
        = QDBusConnection::connectToBus(S("unix:path=/nonexistent/bus"), S("presence-none"));
    SleepInhibitor inhibitor(none);
    DesktopNotifier notifier(none);
    inhibitor.Hold(S("who"), S("why"));
    notifier.SetProgress(0.5);
    notifier.Notify(S("app"), S("summary"), S("body"));
    WaitFor([] { return false; }, 100);
    EXPECT_FALSE(inhibitor.Held());
    inhibitor.Release();
    QDBusConnection::disconnectFromBus(S("presence-none"));
}

} // namespace

#include "JobPresenceTest.moc"
