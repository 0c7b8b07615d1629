#include "platform/ProcessOwner.h"

#include "platform/RawNames.h"

#include <QFile>
#include <QList>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The fields of /proc/<pid>/stat after the command name: field 22 (start time in clock
// ticks since boot) is the 20th of them.
QByteArray ProcessStartTime(const QByteArray &pid)
{
    QFile stat(QStringLiteral("/proc/") + QString::fromLatin1(pid) + QStringLiteral("/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0)
        return QByteArray();
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    return fields.size() > 19 ? fields.at(19) : QByteArray();
}

QByteArray BootId()
{
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

} // namespace

QByteArray ProcessOwnerRecord()
{
    const QByteArray pid = QByteArray::number(qint64(::getpid()));
    return pid + ' ' + ProcessStartTime(pid) + ' ' + BootId() + '\n';
}

bool ProcessOwnerAlive(const QByteArray &record)
{
    const QList<QByteArray> fields = record.trimmed().split(' ');
    bool numeric = false;
    if (fields.size() != 3 || fields.at(0).toLongLong(&numeric) <= 0 || !numeric
        || fields.at(1).isEmpty() || fields.at(2).isEmpty())
        return true;
    if (fields.at(2) != BootId())
        return false; // the machine has started again since
    return ProcessStartTime(fields.at(0)) == fields.at(1);
}

bool WriteProcessOwner(const QString &path)
{
    const int fd
        = ::open(NameToBytes(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const QByteArray record = ProcessOwnerRecord();
    const bool written = ::write(fd, record.constData(), size_t(record.size())) == record.size();
    return ::close(fd) == 0 && written;
}

QByteArray ReadProcessOwner(const QString &path)
{
    const int fd = ::open(NameToBytes(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArray();
    QByteArray record(256, '\0');
    const ssize_t got = ::read(fd, record.data(), size_t(record.size()));
    ::close(fd);
    if (got < 0)
        return QByteArray();
    record.truncate(got);
    return record;
}
