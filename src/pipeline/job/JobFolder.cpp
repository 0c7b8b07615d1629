#include "pipeline/job/JobFolder.h"

#include "pipeline/runs/CommandLine.h"
#include "platform/Paths.h"
#include "platform/ProcessOwner.h"
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

Attempt MakeUniqueFolder(const QString &parent)
{
    RemoveOrphanedJobFolders(parent);
    QByteArray name = NameToBytes(parent + QStringLiteral("qvj-XXXXXX"));
    if (::mkdtemp(name.data()) == nullptr)
        return {parent, errno};
    const QString folder = AddTrailingBackslash(NameFromBytes(name));
    if (!WriteProcessOwner(folder + QLatin1String(kJobOwnerFile))) {
        const int error = errno ? errno : EIO;
        RemoveNamedFile(folder + QLatin1String(kJobOwnerFile));
        RemoveEmptyFolder(folder);
        return {parent, error};
    }
    return {folder, 0};
}

void RemoveFolderFiles(const QString &folder, const QRegularExpression &pattern)
{
    for (const QString &name : FolderNames(folder))
        if (pattern.match(name).hasMatch())
            RemoveNamedFile(folder + name);
}

// The folders of pieces the encoder makes around a copy's cuts ("qvj-cut-" and six
// characters) that a killed encoder left in the job's folder: their pieces, then themselves.
void RemoveCutFolders(const QString &folder)
{
    static const QRegularExpression cutName(QStringLiteral("^qvj-cut-[A-Za-z0-9]{6}$"));
    static const QRegularExpression pieces(
        QStringLiteral("^(\\d+-\\d+|sound-\\d+)\\.(mp4|mkv|ts)$"));
    for (const QString &name : FolderNames(folder))
        if (cutName.match(name).hasMatch()) {
            RemoveFolderFiles(folder + name + QLatin1Char('/'), pieces);
            RemoveEmptyFolder(folder + name + QLatin1Char('/'));
        }
}

QString FailureText(const Attempt &attempt)
{
    return QStringLiteral("Cannot create a folder for the intermediate files in \"%1\": %2. "
                          "Nothing was written. Choose another temporary folder in Settings.")
        .arg(attempt.folder, QString::fromLocal8Bit(std::strerror(attempt.error)));
}

} // namespace

void RemoveDeadJobFolders(const QString &tempDirText, const QString &programDir)
{
    if (!tempDirText.isEmpty())
        RemoveOrphanedJobFolders(AddTrailingBackslash(tempDirText));
    RemoveOrphanedJobFolders(programDir + QStringLiteral("temp/"));
    RemoveDeadNameFolders();
}

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
                RemoveNamedFile(file);
    }
    RemoveNamedFile(ChapterListFile(folder));
    RemoveCutFolders(folder);
    RemoveNamedFile(folder + QLatin1String(kJobOwnerFile));
    // rmdir refuses a folder that still holds anything.
    RemoveEmptyFolder(folder);
}

int RemoveOrphanedJobFolders(const QString &tempFolder)
{
    static const QRegularExpression jobName(QStringLiteral("^qvj-[A-Za-z0-9]{6}$"));
    static const QRegularExpression leftovers(
        QStringLiteral("^(\\d+\\.(avi|mp4|mkv)|\\.\\d+\\.(avi|mp4|mkv)\\.(qvj\\d+x)?[0-9a-f]+\\."
                       "part|chapters\\.txt|%1)$")
            .arg(QLatin1String(kJobOwnerFile)));
    int removed = 0;
    for (const QString &name : FolderNames(tempFolder)) {
        if (!jobName.match(name).hasMatch())
            continue;
        const QString folder = tempFolder + name + QLatin1Char('/');
        // Only a record of up to a line is read; a folder without one is not ours to judge.
        const QByteArray owner = ReadProcessOwner(folder + QLatin1String(kJobOwnerFile));
        if (owner.isNull() || ProcessOwnerAlive(owner))
            continue;
        RemoveFolderFiles(folder, leftovers);
        RemoveCutFolders(folder);
        if (RemoveEmptyFolder(folder))
            ++removed;
    }
    return removed;
}
