#pragma once
// Where the program keeps what it writes. A program directory the user may write (a build, a
// copy in one's home) keeps the preferences and the fallback temporary folder beside the
// program. An installed program directory is not the user's to write: the preferences then
// live in the user's configuration folder, made on first start as a copy of the shipped
// file, and the fallback temporary folder in the user's cache folder.

#include <QProcessEnvironment>
#include <QString>

struct ProgramFiles
{
    QString programDir; // the program directory, ending in "/"
    QString preferences; // the Preferences.ini read and written
    QString shippedPreferences; // the Preferences.ini of the program directory
    QString workDir; // the folder whose "temp/" is the fallback temporary folder, ending in "/"
    bool perUser = false; // preferences and work folder are the user's own
};

// The program's files for this user. The configuration and cache folders are
// $XDG_CONFIG_HOME and $XDG_CACHE_HOME (when absolute), else ~/.config and ~/.cache, each
// followed by "quintor-video-joiner/". On first start the shipped Preferences.ini is copied
// there; an existing copy is never replaced.
ProgramFiles LocateProgramFiles(const QString &programDir);
ProgramFiles LocateProgramFiles(const QString &programDir, const QProcessEnvironment &env,
                                bool programDirWritable);

// True when the current user may create and replace files in the folder.
bool FolderWritable(const QString &folder);

// The folder a first join is written to: the user's videos folder (XDG) when it exists, else
// the home folder.
QString VideosFolder();
