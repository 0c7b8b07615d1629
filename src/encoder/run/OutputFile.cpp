#include "encoder/run/OutputFile.h"
#include "platform/RawNames.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// The hidden sibling's tag: the writing process and a random part, "qvj1234x0badcafe".
QByteArray RandomTag()
{
    return "qvj" + QByteArray::number(::getpid()) + 'x'
        + QByteArray::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, '0');
}

// The writing process a hidden sibling's name states, or 0 when the name is not one of ours.
pid_t WriterOfHiddenName(const char *name)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\..+\\.qvj(\\d{1,9})x[0-9a-f]{8}\\.part$"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = pattern.match(QString::fromLatin1(name));
    return m.hasMatch() ? pid_t(m.captured(1).toInt()) : 0;
}

} // namespace

OutputFile::~OutputFile()
{
    if (!m_done)
        Discard();
}

QByteArray OutputFile::HiddenName(const QByteArray &fileName, const QByteArray &tag, long nameMax)
{
    const QByteArray suffix = '.' + tag + ".part";
    qsizetype keep = std::min<qsizetype>(fileName.size(), nameMax - 1 - suffix.size());
    // Never cut into a UTF-8 sequence: back up over continuation bytes.
    while (keep > 0 && keep < fileName.size() && (uchar(fileName.at(keep)) & 0xC0) == 0x80)
        --keep;
    return '.' + fileName.left(std::max<qsizetype>(keep, 0)) + suffix;
}

void OutputFile::RemoveLeftovers(const QByteArray &dir)
{
    DIR *folder = ::opendir(dir.constData());
    if (!folder)
        return;
    const int dirFd = ::dirfd(folder);
    while (const dirent *entry = ::readdir(folder)) {
        const pid_t writer = WriterOfHiddenName(entry->d_name);
        // Its writer is gone: no such process, and no process holds the file's lock (which the
        // writer and its ffmpeg hold as long as either lives, on this machine or another).
        if (writer <= 0 || writer == ::getpid() || ::kill(writer, 0) == 0 || errno != ESRCH)
            continue;
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()
            && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(folder);
}

bool OutputFile::Open(const QString &path, QString *error)
{
    m_path = path;
    const QFileInfo info(path);
    if (QFileInfo(OpenablePath(path)).isDir()) {
        *error = QStringLiteral("Cannot write %1: it is a folder").arg(path);
        return false;
    }
    m_dir = NameToBytes(info.absolutePath());
    m_name = NameToBytes(info.fileName());
    struct stat st;
    if (::stat(m_dir.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        *error = QStringLiteral("Cannot write %1: its folder does not exist").arg(path);
        return false;
    }
    if (::access(m_dir.constData(), W_OK) != 0) {
        *error = QStringLiteral("Cannot write %1: %2").arg(path, SystemError(errno));
        return false;
    }
    errno = 0;
    const long nameMax = ::pathconf(m_dir.constData(), _PC_NAME_MAX);
    if (nameMax > 0)
        m_nameMax = nameMax;
    if (m_name.size() > m_nameMax) {
        *error = QStringLiteral("Cannot write %1: %2").arg(path, SystemError(ENAMETOOLONG));
        return false;
    }
    RemoveLeftovers(m_dir);
#ifdef O_TMPFILE
    if (::access("/proc/self/fd", X_OK) == 0) {
        m_fd = ::open(m_dir.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (m_fd >= 0)
            return true;
    }
#endif
    // No nameless files here (vfat, many network and FUSE file systems): a hidden sibling
    // takes the writing, and the real name is touched only by the rename at the end.
    m_hidden = MakeHiddenSibling(nullptr);
    if (m_hidden.isEmpty()) {
        *error = QStringLiteral("Cannot write %1: %2").arg(path, SystemError(errno));
        return false;
    }
    return true;
}

QByteArray OutputFile::MakeHiddenSibling(const char *link)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        const QByteArray hidden = m_dir + '/' + HiddenName(m_name, RandomTag(), m_nameMax);
        if (link) {
            if (::linkat(AT_FDCWD, link, AT_FDCWD, hidden.constData(), AT_SYMLINK_FOLLOW) == 0)
                return hidden;
        } else {
            const int fd
                = ::open(hidden.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
            if (fd >= 0) {
                // Held by the writer too (it inherits the descriptor): the file is in use
                // while either lives.
                ::flock(fd, LOCK_EX | LOCK_NB);
                m_lockFd = fd;
                return hidden;
            }
        }
        if (errno != EEXIST)
            return QByteArray();
    }
    return QByteArray();
}

QString OutputFile::Target() const
{
    if (m_fd >= 0)
        return QStringLiteral("/proc/self/fd/%1").arg(m_fd);
    // By its bytes: the writer is started with the arguments' bytes (see NameToBytes).
    return QStringLiteral("file:") + NameFromBytes(m_hidden);
}

QByteArray OutputFile::LocalPath() const
{
    if (m_fd >= 0)
        return "/proc/self/fd/" + QByteArray::number(m_fd);
    return m_hidden;
}

int64_t OutputFile::Size() const
{
    struct stat st;
    if (m_fd >= 0)
        return ::fstat(m_fd, &st) == 0 ? int64_t(st.st_size) : -1;
    return !m_hidden.isEmpty() && ::stat(m_hidden.constData(), &st) == 0 ? int64_t(st.st_size) : -1;
}

bool OutputFile::KeepModifiedTimeOf(const QString &path)
{
    struct stat info
    {
    };
    if (::stat(NameToBytes(OpenablePath(path)).constData(), &info) != 0)
        return false;
    m_modified = info.st_mtim;
    m_keepModified = true;
    return true;
}

bool OutputFile::Commit(QString *error)
{
    m_done = true;
    if (m_keepModified) {
        // Set before the file has its name, so that it never shows the time of the writing.
        const timespec times[2] = {{0, UTIME_OMIT}, m_modified};
        if (m_fd >= 0)
            ::futimens(m_fd, times);
        else if (!m_hidden.isEmpty())
            ::utimensat(AT_FDCWD, m_hidden.constData(), times, 0);
    }
    if (m_fd >= 0) {
        // Linked under a hidden unique name first, then renamed over the real name in one step.
        const QByteArray source = QStringLiteral("/proc/self/fd/%1").arg(m_fd).toLocal8Bit();
        m_hidden = MakeHiddenSibling(source.constData());
        const int linkError = errno;
        ::close(m_fd);
        m_fd = -1;
        if (m_hidden.isEmpty()) {
            *error = QStringLiteral("Cannot write %1: %2").arg(m_path, SystemError(linkError));
            return false;
        }
    }
    if (m_hidden.isEmpty()) {
        *error = QStringLiteral("Cannot write %1: the file was never opened").arg(m_path);
        return false;
    }
    CloseLock();
    if (::rename(m_hidden.constData(), NameToBytes(m_path).constData()) != 0) {
        const int renameError = errno;
        ::unlink(m_hidden.constData());
        m_hidden.clear();
        *error = QStringLiteral("Cannot write %1: %2").arg(m_path, SystemError(renameError));
        return false;
    }
    m_hidden.clear();
    return true;
}

void OutputFile::Discard()
{
    m_done = true;
    if (m_fd >= 0) {
        ::close(m_fd); // a nameless file vanishes with its last descriptor
        m_fd = -1;
    }
    if (!m_hidden.isEmpty()) {
        ::unlink(m_hidden.constData());
        m_hidden.clear();
    }
    CloseLock();
}

void OutputFile::CloseLock()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    m_lockFd = -1;
}

QStringList WriterArguments(const QString &target)
{
    return {QStringLiteral("-truncate"), QStringLiteral("0"), target};
}

QStringList WithOutputOptions(QStringList args, const QStringList &options)
{
    qsizetype at = args.lastIndexOf(QStringLiteral("-truncate"));
    if (at < 0)
        at = args.size();
    for (const QString &option : options)
        args.insert(at++, option);
    return args;
}

QString InputBeingReplaced(const QStringList &inputs, const QString &output)
{
    const QFileInfo out(OpenablePath(output));
    if (!out.exists())
        return {};
    const QString target = out.canonicalFilePath();
    for (const QString &input : inputs) {
        const QFileInfo in(OpenablePath(input));
        if (in.exists() && in.canonicalFilePath() == target)
            return input;
    }
    return {};
}

bool OutputFile::OpenBeside(const QString &path, const QStringList &inputs, QString *error)
{
    if (const QString input = InputBeingReplaced(inputs, path); !input.isEmpty()) {
        *error = QStringLiteral("The output file is also an input: %1").arg(input);
        return false;
    }
    return Open(path, error);
}
