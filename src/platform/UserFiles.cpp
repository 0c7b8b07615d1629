#include "platform/UserFiles.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace {

const QString kFolderName = QStringLiteral("quintor-video-joiner/");
const QString kPreferences = QStringLiteral("Preferences.ini");

// An XDG base folder: the variable when it holds an absolute path, else HOME + fallback.
QString BaseFolder(const QProcessEnvironment &env, const QString &variable, const QString &fallback)
{
    const QString value = env.value(variable);
    if (QDir::isAbsolutePath(value))
        return AddTrailingBackslash(value);
    QString home = env.value(QStringLiteral("HOME"));
    if (home.isEmpty())
        home = QDir::homePath();
    return AddTrailingBackslash(home) + fallback;
}

// The user's copy of the shipped preferences, made once. The copy is written beside its
// final name and renamed, so that a start that is cut short leaves no half-written file.
void CopyShippedPreferences(const QString &shipped, const QString &target)
{
    if (QFileInfo::exists(target) || !FileExists(shipped))
        return;
    const QString partial = target + QStringLiteral(".new");
    QFile::remove(partial);
    if (QFile::copy(shipped, partial)) {
        // The shipped file may be read-only; the user's copy is the user's to write.
        QFile::setPermissions(
            partial, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        if (!QFile::rename(partial, target))
            QFile::remove(partial);
    }
}

} // namespace

bool FolderWritable(const QString &folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

ProgramFiles LocateProgramFiles(const QString &programDir)
{
    const QString dir = AddTrailingBackslash(programDir);
    return LocateProgramFiles(dir, QProcessEnvironment::systemEnvironment(), FolderWritable(dir));
}

ProgramFiles LocateProgramFiles(const QString &programDir, const QProcessEnvironment &env,
                                bool programDirWritable)
{
    ProgramFiles files;
    files.programDir = AddTrailingBackslash(programDir);
    files.shippedPreferences = files.programDir + kPreferences;
    if (programDirWritable) {
        files.preferences = files.shippedPreferences;
        files.workDir = files.programDir;
        return files;
    }
    files.perUser = true;
    const QString config
        = BaseFolder(env, QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral(".config/"))
        + kFolderName;
    files.workDir = BaseFolder(env, QStringLiteral("XDG_CACHE_HOME"), QStringLiteral(".cache/"))
        + kFolderName;
    files.preferences = config + kPreferences;
    // The job's folder code makes one level only; the levels above "temp/" are made here.
    QDir().mkpath(config);
    QDir().mkpath(files.workDir);
    CopyShippedPreferences(files.shippedPreferences, files.preferences);
    return files;
}

QString VideosFolder()
{
    const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    return !videos.isEmpty() && QFileInfo(videos).isDir() ? videos : QDir::homePath();
}
