#include "platform/Mp4Boxes.h"

#include <QFile>
#include <QtEndian>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

std::optional<Mp4Box> ReadMp4Box(QIODevice &file, qint64 at, qint64 end)
{
    if (at < 0 || at + 8 > end || !file.seek(at))
        return std::nullopt;
    const QByteArray head = file.read(16);
    if (head.size() < 8)
        return std::nullopt;
    qint64 size = qFromBigEndian<quint32>(head.constData());
    if (size == 1) {
        const auto large = head.size() == 16 ? qFromBigEndian<quint64>(head.constData() + 8) : 0;
        size = large > quint64(INT64_MAX) ? 0 : qint64(large);
        if (size < 16)
            return std::nullopt;
    } else if (size == 0) {
        size = end - at;
    }
    if (size < 8)
        return std::nullopt;
    return Mp4Box {at, size, head.mid(4, 4)};
}

std::optional<Mp4Box> FindMp4Box(QIODevice &file, qint64 from, qint64 to, const char *type)
{
    for (qint64 at = from;;) {
        const std::optional<Mp4Box> box = ReadMp4Box(file, at, to);
        if (!box || box->size > to - at)
            return std::nullopt;
        if (box->type == type)
            return box;
        at = box->End();
    }
}

bool OpenToUpdate(const QByteArray &path, QFile &file)
{
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd >= 0 && file.open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle))
        return true;
    if (fd >= 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
    }
    return false;
}

namespace {

template<typename T> QByteArray BigEndian(T value)
{
    QByteArray bytes(int(sizeof(T)), '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

} // namespace

QByteArray BigEndian16(quint16 value)
{
    return BigEndian(value);
}

QByteArray BigEndian32(quint32 value)
{
    return BigEndian(value);
}

QByteArray BigEndian64(quint64 value)
{
    return BigEndian(value);
}

QByteArray MakeMp4Box(const char *type, const QByteArray &content)
{
    return BigEndian32(quint32(8 + content.size())) + QByteArray(type, 4) + content;
}
