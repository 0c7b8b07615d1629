#pragma once
// Fake encoders for the tests that need what the real one cannot be made to do on demand:
// shell scripts written by the test into a program directory of its own.

#include <QEventLoop>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace qvj::test {

// A program directory in a temporary folder, with "asapi.dll" as the script given.
class FakeProgramDirectory
{
public:
    FakeProgramDirectory() { EXPECT_TRUE(m_dir.isValid()); }

    QString Path() const { return m_dir.path() + QLatin1Char('/'); }
    QString Encoder() const { return Path() + QStringLiteral("asapi.dll"); }

    // Writes the encoder as an executable shell script with this body.
    void SetEncoder(const QString &body) const { WriteScript(Encoder(), body); }

    static void WriteScript(const QString &path, const QString &body)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("#!/bin/sh\n");
        f.write(body.toUtf8());
        f.write("\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private:
    QTemporaryDir m_dir;
};

// The script line that writes "x" into the file named after "-o".
inline QString WriteOutputFile()
{
    return QStringLiteral("out=; while [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=\"$2\"; shift; "
                          "done; printf x > \"$out\"");
}

// Runs the event loop until the signal of sender is emitted (or a generous safety limit
// passes, which fails the test rather than hanging it). True when the signal came.
template<typename Sender, typename Signal>
bool WaitForSignal(Sender *sender, Signal signal, int limitMs = 60000)
{
    QEventLoop loop;
    bool came = false;
    QObject::connect(sender, signal, &loop, [&] {
        came = true;
        loop.quit();
    });
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    loop.exec();
    return came;
}

} // namespace qvj::test
