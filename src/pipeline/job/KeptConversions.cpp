#include "pipeline/job/KeptConversions.h"

#include "pipeline/job/JobFolder.h"
#include "platform/Paths.h"
#include "platform/RawNames.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A kept file's name: 32 hexadecimal digits and ".avi"; the hidden name of one being written
// adds the writer's process id.
const QRegularExpression &KeptPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9a-f]{32}\\.avi$"));
    return pattern;
}

const QRegularExpression &WritingPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^\\.([0-9a-f]{32}\\.avi)\\.(\\d+)$"));
    return pattern;
}

struct Stat
{
    bool file = false;
    qint64 size = 0;
    qint64 modifiedNs = 0;
};

Stat StatOf(const QString &path)
{
    struct stat st = {};
    if (::stat(NameToBytes(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return {true, qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// A link to from at to, else a copy; to must not exist.
bool LinkOrCopy(const QString &from, const QString &to)
{
    if (::link(NameToBytes(from).constData(), NameToBytes(to).constData()) == 0)
        return true;
    return QFile::copy(from, to);
}

bool WriterAlive(const QString &pid)
{
    return ::kill(pid_t(pid.toLongLong()), 0) == 0 || errno == EPERM;
}

} // namespace

ConversionSource SourceOf(const QString &inputFile)
{
    char *real = ::realpath(NameToBytes(inputFile).constData(), nullptr);
    if (real == nullptr)
        return {};
    const QString path = NameFromBytes(QByteArray(real));
    std::free(real);
    const Stat st = StatOf(path);
    if (!st.file)
        return {};
    return {path, st.size, st.modifiedNs};
}

QString KeptName(const ConversionSource &source, const QString &recipe, const QString &encoder)
{
    if (source.realPath.isEmpty())
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    // Each part ends in a zero byte, so that no two sets of parts run together alike.
    for (const QByteArray &part :
         {NameToBytes(source.realPath), QByteArray::number(source.size),
          QByteArray::number(source.modifiedNs), recipe.toUtf8(), encoder.toUtf8()}) {
        hash.addData(part);
        hash.addData(QByteArrayView("\0", 1));
    }
    return QString::fromLatin1(hash.result().toHex().left(32)) + QStringLiteral(".avi");
}

QString EncoderBuildOf(const QString &encoderPath)
{
    const Stat st = StatOf(encoderPath);
    return st.file ? QStringLiteral("%1 %2").arg(st.size).arg(st.modifiedNs) : QString();
}

QString KeptConversions::FolderIn(const QString &tempFolder)
{
    return tempFolder + QStringLiteral("qvj-kept/");
}

bool KeptConversions::Has(const QString &name) const
{
    if (name.isEmpty())
        return false;
    const Stat st = StatOf(m_folder + name);
    return st.file && st.size > 0;
}

bool KeptConversions::Restore(const QString &name, const QString &target) const
{
    if (!Has(name))
        return false;
    const QString kept = m_folder + name;
    if (!LinkOrCopy(kept, target))
        return false;
    // Used now: the limit removes the files used longest ago first.
    ::utimensat(AT_FDCWD, NameToBytes(kept).constData(), nullptr, 0);
    return true;
}

bool KeptConversions::Keep(const QString &converted, const QString &name) const
{
    if (name.isEmpty() || (!QDir(m_folder).exists() && !QDir().mkpath(m_folder)))
        return false;
    const QString writing
        = m_folder + QLatin1Char('.') + name + QLatin1Char('.') + QString::number(::getpid());
    QFile::remove(writing);
    if (!LinkOrCopy(converted, writing) || StatOf(writing).size != StatOf(converted).size) {
        QFile::remove(writing);
        return false;
    }
    // rename replaces a file of that name at once: a reader sees the old or the new, whole.
    if (::rename(NameToBytes(writing).constData(), NameToBytes(m_folder + name).constData()) != 0) {
        QFile::remove(writing);
        return false;
    }
    return true;
}

void KeptConversions::Remove(const QStringList &names) const
{
    for (const QString &name : names)
        if (!name.isEmpty())
            QFile::remove(m_folder + name);
}

qint64 KeptConversions::Bytes() const
{
    qint64 bytes = 0;
    const QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names)
        if (KeptPattern().match(name).hasMatch())
            bytes += StatOf(m_folder + name).size;
    return bytes;
}

int KeptConversions::Trim(qint64 limitBytes, qint64 maxAgeSeconds, qint64 nowSeconds) const
{
    struct Kept
    {
        QString name;
        Stat st;
    };
    std::vector<Kept> kept;
    int removed = 0;
    const qint64 oldestNs = (nowSeconds - maxAgeSeconds) * 1000000000;
    const QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        const QRegularExpressionMatch writing = WritingPattern().match(name);
        if (writing.hasMatch()) {
            if (!WriterAlive(writing.captured(2)) && QFile::remove(m_folder + name))
                ++removed;
            continue;
        }
        if (!KeptPattern().match(name).hasMatch())
            continue;
        const Stat st = StatOf(m_folder + name);
        if (st.modifiedNs < oldestNs) {
            removed += QFile::remove(m_folder + name) ? 1 : 0;
            continue;
        }
        kept.push_back({name, st});
    }
    qint64 bytes = 0;
    for (const Kept &k : kept)
        bytes += k.st.size;
    std::sort(kept.begin(), kept.end(),
              [](const Kept &a, const Kept &b) { return a.st.modifiedNs < b.st.modifiedNs; });
    for (const Kept &k : kept) {
        if (bytes <= limitBytes)
            break;
        if (QFile::remove(m_folder + k.name)) {
            bytes -= k.st.size;
            ++removed;
        }
    }
    // An empty folder is not left behind.
    QDir().rmdir(m_folder);
    return removed;
}

void TrimKeptFolders(const QString &tempDirText, const QString &workDir, qint64 limitBytes)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const QString temp = KeptConversions::FolderIn(AddTrailingBackslash(tempDirText));
    const QString fallback
        = KeptConversions::FolderIn(AddTrailingBackslash(workDir) + QStringLiteral("temp/"));
    KeptConversions(temp).Trim(limitBytes, kKeptMaxAgeSeconds, now);
    if (fallback != temp)
        KeptConversions(fallback).Trim(limitBytes, kKeptMaxAgeSeconds, now);
}

void CleanTemporaryFolders(const QString &tempDirText, const QString &workDir, qint64 keptLimit)
{
    RemoveDeadJobFolders(tempDirText, workDir);
    TrimKeptFolders(tempDirText, workDir, keptLimit);
}
