#include "encoder/run/HandedText.h"

#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

HandedText::~HandedText()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool HandedText::Hold(const QByteArray &text, QString *error)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = ::memfd_create("qvj-text", MFD_CLOEXEC);
    qsizetype done = 0;
    while (m_fd >= 0 && done < text.size()) {
        const ssize_t n = ::write(m_fd, text.constData() + done, size_t(text.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    if (m_fd >= 0 && done == text.size())
        return true;
    *error = QString::fromLocal8Bit(std::strerror(errno ? errno : EIO));
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    return false;
}

QString HandedText::Path() const
{
    return m_fd >= 0 ? QStringLiteral("/proc/self/fd/%1").arg(m_fd) : QString();
}
