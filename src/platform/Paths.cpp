#include "platform/Paths.h"

#include "platform/RawNames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

QString AddTrailingBackslash(const QString &path)
{
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('/');
}

QString RemoveExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString ExtractFileName(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString ExtractFileDir(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    // The root keeps its separator: "/a.avi" lies in "/".
    if (slash == 0 || path.at(slash - 1) == QLatin1Char('/'))
        return path.left(slash + 1);
    return path.left(slash);
}

QString ExtractFileExt(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || path.indexOf(QLatin1Char('/'), dot) >= 0)
        return QString();
    return path.mid(dot);
}

bool FileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(OpenablePath(path));
    return info.exists() && !info.isDir();
}

bool DirectoryExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo(OpenablePath(path)).isDir();
}

QString WhyNotAFile(const QString &path, const QString &shown)
{
    const QByteArray bytes = NameToBytes(path);
    struct stat target = {}, entry = {};
    const auto say = [&](const char *text) {
        return QCoreApplication::translate("Paths", text).arg(ShownName(shown));
    };
    if (path.isEmpty() || ::lstat(bytes.constData(), &entry) != 0)
        return say("There is no file %1.");
    if (::stat(bytes.constData(), &target) != 0)
        return say("%1 is a link that leads nowhere.");
    if (S_ISDIR(target.st_mode))
        return say("%1 is a folder, not a file.");
    if (!S_ISREG(target.st_mode))
        return say("%1 is not a file: it is a device, a pipe or a socket.");
    return QString();
}

QString ProgramDirectory()
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QString resolved = QFileInfo(dir).canonicalFilePath();
    return AddTrailingBackslash(resolved.isEmpty() ? dir : resolved);
}
