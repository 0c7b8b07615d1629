#include "encoder/run/ConsoleOut.h"

#include <unistd.h>

namespace {

void WriteAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            return;
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
    WriteAll(1, line.toUtf8() + '\n');
}

void ConsoleError(QString line)
{
    line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    WriteAll(2, line.toUtf8() + '\n');
}
