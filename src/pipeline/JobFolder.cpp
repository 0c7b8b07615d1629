#include "pipeline/JobFolder.h"

#include "pipeline/CommandLine.h"
#include "platform/Paths.h"
#include "platform/RawNames.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Attempt
{
    QString folder;
    int error = 0; // errno of the failed step, 0 on success
};

// The folder, created (one level) when no directory of that name exists.
Attempt EnsureFolder(const QString &folder)
{
    if (DirectoryExists(folder))
        return {folder, 0};
    if (::mkdir(NameToBytes(folder).constData(), 0777) == 0)
        return {folder, 0};
    return {folder, errno};
}

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

bool WriteOwner(const QString &folder)
{
    QFile file(folder + QLatin1String(kJobOwnerFile));
    const QByteArray record = CurrentJobOwner();
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly)
        && file.write(record) == record.size() && file.flush();
}

Attempt MakeUniqueFolder(const QString &parent)
{
    RemoveOrphanedJobFolders(parent);
    QByteArray name = NameToBytes(parent + QStringLiteral("qvj-XXXXXX"));
    if (::mkdtemp(name.data()) == nullptr)
        return {parent, errno};
    const QString folder = AddTrailingBackslash(NameFromBytes(name));
    if (!WriteOwner(folder)) {
        const int error = errno ? errno : EIO;
        QFile::remove(folder + QLatin1String(kJobOwnerFile));
        QDir().rmdir(folder);
        return {parent, error};
    }
    return {folder, 0};
}

void RemoveFolderFiles(const QString &folder, const QRegularExpression &pattern)
{
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names)
        if (pattern.match(name).hasMatch())
            QFile::remove(folder + name);
}

QString FailureText(const Attempt &attempt)
{
    return QStringLiteral("Cannot create a folder for the intermediate files in \"%1\": %2. "
                          "Nothing was written. Choose another temporary folder in Settings.")
        .arg(attempt.folder, QString::fromLocal8Bit(std::strerror(attempt.error)));
}

} // namespace

JobFolderResult MakeJobFolder(const QString &tempDirText, const QString &programDir)
{
    const QString fallback = programDir + QStringLiteral("temp/");
    Attempt temp = EnsureFolder(AddTrailingBackslash(tempDirText));
    if (temp.error == 0) {
        const Attempt job = MakeUniqueFolder(temp.folder);
        if (job.error == 0)
            return {job.folder, QString()};
        temp = job;
    }
    if (temp.folder != fallback) {
        temp = EnsureFolder(fallback);
        if (temp.error == 0) {
            const Attempt job = MakeUniqueFolder(temp.folder);
            if (job.error == 0)
                return {job.folder, QString()};
            temp = job;
        }
    }
    return {QString(), FailureText(temp)};
}

void RemoveJobFolder(const QString &folder, int count)
{
    if (folder.isEmpty())
        return;
    for (int n = 0; n < count; ++n) {
        // The conversions of every route: the two-stage join's, and a copy's of its odd files.
        for (const QString &file :
             {IntermediateFile(folder, n), FitIntermediateFile(folder, n, QStringLiteral(".mp4")),
              FitIntermediateFile(folder, n, QStringLiteral(".mkv"))})
            if (FileExists(file))
                QFile::remove(file);
    }
    QFile::remove(ChapterListFile(folder));
    QFile::remove(folder + QLatin1String(kJobOwnerFile));
    // rmdir refuses a folder that still holds anything.
    QDir().rmdir(folder);
}

QByteArray CurrentJobOwner()
{
    const QByteArray pid = QByteArray::number(qint64(::getpid()));
    return pid + ' ' + ProcessStartTime(pid) + ' ' + BootId() + '\n';
}

bool JobOwnerAlive(const QByteArray &record)
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

int RemoveOrphanedJobFolders(const QString &tempFolder)
{
    static const QRegularExpression jobName(QStringLiteral("^qvj-[A-Za-z0-9]{6}$"));
    static const QRegularExpression leftovers(
        QStringLiteral("^(\\d+\\.(avi|mp4|mkv)|\\.\\d+\\.(avi|mp4|mkv)\\.(qvj\\d+x)?[0-9a-f]+\\."
                       "part|chapters\\.txt|%1)$")
            .arg(QLatin1String(kJobOwnerFile)));
    int removed = 0;
    const QStringList names = QDir(tempFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        if (!jobName.match(name).hasMatch())
            continue;
        const QString folder = tempFolder + name + QLatin1Char('/');
        QFile owner(folder + QLatin1String(kJobOwnerFile));
        // Only a record of up to a line is read; a folder without one is not ours to judge.
        if (!owner.open(QIODevice::ReadOnly) || JobOwnerAlive(owner.read(256)))
            continue;
        owner.close();
        RemoveFolderFiles(folder, leftovers);
        if (QDir().rmdir(folder))
            ++removed;
    }
    return removed;
}
