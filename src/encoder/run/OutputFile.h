#pragma once
// The file being written: never under its real name until it is finished, so that a run that
// fails or is stopped leaves neither a stub nor a half-written file, and an older file of that
// name stays whole until the new one replaces it in one rename. Where the file system can make
// nameless files the writer gets one; elsewhere it writes a hidden sibling that is renamed at
// the end and removed on failure.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <ctime>

class OutputFile
{
public:
    OutputFile() = default;
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;
    ~OutputFile(); // discards a file that was not committed

    // Prepares the file at path; false with *error when its folder cannot take it.
    bool Open(const QString &path, QString *error);
    // Open, refused first when one of inputs is the file at path under any name: writing it
    // would lose that input, whichever way the output is written.
    bool OpenBeside(const QString &path, const QStringList &inputs, QString *error);

    // What the writer is given: "/proc/self/fd/N" of the nameless file, or the hidden sibling.
    QString Target() const;
    // The file being written as this process opens it again (to mend what the writer left):
    // "/proc/self/fd/N" of the nameless file, or the hidden sibling's bytes.
    QByteArray LocalPath() const;
    // The descriptor the writer must inherit (the nameless file, or the hidden sibling's lock),
    // or -1.
    int InheritedDescriptor() const { return m_fd >= 0 ? m_fd : m_lockFd; }
    bool IsNameless() const { return m_fd >= 0; }

    int64_t Size() const;
    // The file gets the modification time of the file at path when it is committed; false
    // when that file cannot be read (the file then keeps the time of its writing).
    bool KeepModifiedTimeOf(const QString &path);
    // Gives the finished file its name (replacing any file of that name).
    bool Commit(QString *error);
    // Removes what was written.
    void Discard();

    // The hidden sibling's name for a file name: "." + name + "." + tag + ".part", with the
    // name cut (on a character boundary) so that the whole stays within nameMax bytes.
    static QByteArray HiddenName(const QByteArray &fileName, const QByteArray &tag, long nameMax);

    // Removes the hidden siblings in the folder that a killed job left: those whose tag names a
    // process that is gone and whose lock no process holds, and that are this user's files.
    static void RemoveLeftovers(const QByteArray &dir);

private:
    // Creates a hidden sibling with a fresh random tag; link != nullptr links the nameless
    // file under it instead of creating an empty one. Returns the path, empty with errno set.
    QByteArray MakeHiddenSibling(const char *link);
    void CloseLock();

    QString m_path;
    QByteArray m_dir; // the folder, encoded
    QByteArray m_name; // the file name, encoded
    long m_nameMax = 255;
    int m_fd = -1;
    QByteArray m_hidden; // the hidden sibling being written, when there is no nameless file
    int m_lockFd = -1; // holds the hidden sibling's lock while it is written
    bool m_done = false;
    bool m_keepModified = false;
    timespec m_modified {};
};

// The end of a writer's command line that writes target. The target is always a file just made
// empty, so the writer must not truncate it: on ext4, a file truncated and written anew is
// flushed to disk as it is closed, which costs a large output a quarter of a second or more.
QStringList WriterArguments(const QString &target);
// args, which end in WriterArguments, with options placed before that end.
QStringList WithOutputOptions(QStringList args, const QStringList &options);

// The first of inputs that is the output itself under another name (a link, another path), or
// empty when none is: writing the output would destroy that input.
QString InputBeingReplaced(const QStringList &inputs, const QString &output);
