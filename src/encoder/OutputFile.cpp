#include "encoder/OutputFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

bool StatPath(const QString &path, struct stat *st)
{
    return ::stat(QFile::encodeName(path).constData(), st) == 0;
}

int64_t MtimeNs(const struct stat &st)
{
    return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

} // namespace

OutputFile::~OutputFile()
{
    if (!m_done)
        Discard();
}

bool OutputFile::Open(const QString &path, QString *error)
{
    m_path = path;
    const QFileInfo info(path);
    if (info.isDir()) {
        *error = QStringLiteral("Cannot write %1: it is a folder").arg(path);
        return false;
    }
    const QByteArray dir = QFile::encodeName(info.absolutePath());
    struct stat st;
    if (::stat(dir.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        *error = QStringLiteral("Cannot write %1: its folder does not exist").arg(path);
        return false;
    }
    if (::access(dir.constData(), W_OK) != 0) {
        *error = QStringLiteral("Cannot write %1: %2").arg(path, SystemError(errno));
        return false;
    }
#ifdef O_TMPFILE
    if (::access("/proc/self/fd", X_OK) == 0) {
        m_fd = ::open(dir.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (m_fd >= 0)
            return true;
    }
#endif
    struct stat old;
    m_existed = StatPath(path, &old);
    if (m_existed) {
        m_oldSize = old.st_size;
        m_oldMtimeNs = MtimeNs(old);
    }
    return true;
}

QString OutputFile::Target() const
{
    if (m_fd >= 0)
        return QStringLiteral("/proc/self/fd/%1").arg(m_fd);
    return QStringLiteral("file:") + m_path;
}

int64_t OutputFile::Size() const
{
    struct stat st;
    if (m_fd >= 0)
        return ::fstat(m_fd, &st) == 0 ? int64_t(st.st_size) : -1;
    return StatPath(m_path, &st) ? int64_t(st.st_size) : -1;
}

bool OutputFile::Commit(QString *error)
{
    m_done = true;
    if (m_fd < 0)
        return true;
    const QFileInfo info(m_path);
    const QByteArray source = QStringLiteral("/proc/self/fd/%1").arg(m_fd).toLocal8Bit();
    // Linked under a hidden unique name first, then renamed over the real name in one step.
    QByteArray temp;
    int result = -1;
    for (int attempt = 0; attempt < 20 && result != 0; ++attempt) {
        temp = QFile::encodeName(
            info.absolutePath() + QStringLiteral("/.") + info.fileName()
            + QStringLiteral(".%1.part")
                  .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        result
            = ::linkat(AT_FDCWD, source.constData(), AT_FDCWD, temp.constData(), AT_SYMLINK_FOLLOW);
        if (result != 0 && errno != EEXIST)
            break;
    }
    const int linkError = errno;
    ::close(m_fd);
    m_fd = -1;
    if (result != 0) {
        *error = QStringLiteral("Cannot write %1: %2").arg(m_path, SystemError(linkError));
        return false;
    }
    if (::rename(temp.constData(), QFile::encodeName(m_path).constData()) != 0) {
        const int renameError = errno;
        ::unlink(temp.constData());
        *error = QStringLiteral("Cannot write %1: %2").arg(m_path, SystemError(renameError));
        return false;
    }
    return true;
}

void OutputFile::Discard()
{
    m_done = true;
    if (m_fd >= 0) {
        ::close(m_fd); // a nameless file vanishes with its last descriptor
        m_fd = -1;
        return;
    }
    if (m_path.isEmpty())
        return;
    struct stat now;
    if (!StatPath(m_path, &now))
        return;
    const bool untouched = m_existed && now.st_size == m_oldSize && MtimeNs(now) == m_oldMtimeNs;
    if (!untouched)
        ::unlink(QFile::encodeName(m_path).constData());
}
