#pragma once
// File names that are not valid UTF-8 (Latin-1 names copied from old disks onto a UTF-8
// system). Qt turns such bytes into replacement characters, after which the file cannot be
// found again. Here every byte that is not part of valid UTF-8 is kept as one character of a
// private range (U+EF80 to U+EFFF, byte 0x80 to 0xFF), so that the name travels through every
// QString, list row, command line and pipe unchanged (as UTF-8 text too: the encoder reads
// the program's command line with NameFromBytes and gets the same characters), and is turned
// back into its bytes where the file is opened. Every other name is the same text as before,
// except one that really holds a character of that private range, which no writing system
// uses: it is read as the bytes it stands for.

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QUrl>

// The name for the file system's bytes.
QString NameFromBytes(const QByteArray &bytes);
// The file system's bytes for the name.
QByteArray NameToBytes(const QString &name);
// True when the name holds bytes that are not UTF-8.
bool HoldsRawBytes(const QString &name);
// The name as the user is shown it: each byte that is not UTF-8 as the Latin-1 letter it was
// most likely written as.
QString ShownName(const QString &name);
// A path that Qt's own file classes and other programs can open: the path itself, or for a
// name holding bytes that are not UTF-8 a symbolic link to it, made once in a private folder
// of this process that is removed when the process ends. The link's name keeps the extension.
QString OpenablePath(const QString &path);
// Removes the link folders (qvj-names-*) that killed processes of this program left in the
// temporary folder: only those whose owner is known to be gone, and only their links.
void RemoveDeadNameFolders(const QString &tempPath = QDir::tempPath());

// The local file a file URL names, byte for byte: the URL's percent-encoded bytes that are not
// UTF-8 (a dropped Latin-1 name) are kept, where QUrl::toLocalFile would replace them. Empty
// for a URL that is not a local file.
QString NameFromUrl(const QUrl &url);
// The file URL of a path, its bytes percent-encoded as they are, for the desktop's opener.
QUrl UrlFromName(const QString &path);
// For a path that Qt's own classes have read from the file system (a file dialog's choice),
// whose bytes that are not UTF-8 came out as replacement characters: the path of the one
// entry of each folder that reads so, or the path unchanged where none or several do.
QString RecoverRawName(const QString &path);
// The names in a folder ("." and ".." left out), read as the file system's bytes.
QStringList FolderNames(const QString &folder);
// Deletes a file, or an empty folder, by its bytes. True when it is gone.
bool RemoveNamedFile(const QString &path);
bool RemoveEmptyFolder(const QString &path);
