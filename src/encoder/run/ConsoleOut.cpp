#include "encoder/run/ConsoleOut.h"

#include "platform/RawNames.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

int g_outError = 0; // errno of the first failed write to standard output

void WriteAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (fd == 1 && !g_outError)
                g_outError = n < 0 ? errno : EIO;
            return;
        }
        done += n;
    }
}

} // namespace

void ConsoleWrite(const QByteArray &bytes)
{
    WriteAll(1, bytes);
}

void ConsoleSay(const QString &line)
{
    WriteAll(1, ShownName(line).toUtf8() + '\n');
}

void ConsoleAnswer(const QString &line)
{
    WriteAll(1, line.toUtf8() + '\n');
}

void ConsoleError(QString line)
{
    line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    WriteAll(2, ShownName(line).toUtf8() + '\n');
}

QString ConsoleOutError()
{
    return g_outError ? QString::fromLocal8Bit(std::strerror(g_outError)) : QString();
}
