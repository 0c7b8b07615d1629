#pragma once
// Path helpers with "/" as the only separator. "\" and ":" are ordinary characters of a name.

#include <QString>

// The path with "/" appended unless it already ends in "/"; an empty text stays empty.
QString AddTrailingBackslash(const QString &path);

// The text before the last "." of a name; a name without "." is returned whole.
QString RemoveExtension(const QString &name);

// The text after the last "/" (the whole text when there is none).
QString ExtractFileName(const QString &path);

// The directory part: the text up to the last "/", without that "/" unless it is the root's.
// Empty when the path holds no "/".
QString ExtractFileDir(const QString &path);

// The text from the last "." to the end, provided no "/" follows that "."; otherwise empty.
QString ExtractFileExt(const QString &path);

// True for an existing file that is not a directory (symbolic links followed).
bool FileExists(const QString &path);

// True for an existing directory.
bool DirectoryExists(const QString &path);

// Why path cannot be read as a file, as a sentence naming it by shown: that nothing is there,
// that it is a folder, a link that leads nowhere (to nothing, or round in a circle), or
// something else that holds no file. Empty for a file (symbolic links followed).
QString WhyNotAFile(const QString &path, const QString &shown);

// The directory of the running executable, symbolic links resolved, with a trailing "/".
QString ProgramDirectory();
