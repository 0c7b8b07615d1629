#include "pipeline/JobFolder.h"

#include "pipeline/CommandLine.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

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
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) == 0)
        return {folder, 0};
    return {folder, errno};
}

Attempt MakeUniqueFolder(const QString &parent)
{
    QByteArray name = QFile::encodeName(parent + QStringLiteral("qvj-XXXXXX"));
    if (::mkdtemp(name.data()) == nullptr)
        return {parent, errno};
    return {AddTrailingBackslash(QFile::decodeName(name)), 0};
}

QString FailureText(const Attempt &attempt)
{
    return QStringLiteral("Cannot create a folder for the intermediate files in \"%1\": %2.")
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
        const QString file = IntermediateFile(folder, n);
        if (FileExists(file))
            QFile::remove(file);
    }
    // rmdir refuses a folder that still holds anything.
    QDir().rmdir(folder);
}
