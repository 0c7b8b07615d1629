#pragma once
// Fake encoders for what the real one cannot be made to do on demand.

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

namespace qvj::test {

// A program directory in a temporary folder whose "asapi.dll" is a shell script.
class FakeProgramDirectory
{
public:
    QString Path() const { return m_dir.path() + QLatin1Char('/'); }
    QString Encoder() const { return Path() + QStringLiteral("asapi.dll"); }

    void SetEncoder(const QString &body) const
    {
        QFile f(Encoder());
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write("#!/bin/sh\n" + body.toUtf8() + '\n');
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private:
    QTemporaryDir m_dir;
};

// Runs the event loop until sender emits signal, or a minute passes (false then).
template<typename Sender, typename Signal> bool WaitForSignal(Sender *sender, Signal signal)
{
    QEventLoop loop;
    bool came = false;
    QObject::connect(sender, signal, &loop, [&] { came = true, loop.quit(); });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    return came;
}

} // namespace qvj::test
