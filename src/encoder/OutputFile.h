#pragma once
// The file being written: nameless until it is finished, so that a run that fails or is
// killed leaves neither a stub nor a half-written file, and an older file of that name stays
// whole until the new one is complete.

#include <QString>

#include <cstdint>

class OutputFile
{
public:
    OutputFile() = default;
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;
    ~OutputFile(); // discards a file that was not committed

    // Prepares the file at path; false with *error when its folder cannot take it.
    bool Open(const QString &path, QString *error);

    // What the writer is given: "/proc/self/fd/N" of the nameless file, or the path itself on
    // file systems that cannot make nameless files.
    QString Target() const;
    // The descriptor the writer must inherit, or -1.
    int InheritedDescriptor() const { return m_fd; }
    bool IsNameless() const { return m_fd >= 0; }

    int64_t Size() const;
    // Gives the finished file its name (replacing any file of that name).
    bool Commit(QString *error);
    // Removes what was written.
    void Discard();

private:
    QString m_path;
    int m_fd = -1;
    bool m_done = false;
    // For the named fallback: the file that was there before, so that it is not removed when
    // the writer never touched it.
    bool m_existed = false;
    int64_t m_oldSize = -1;
    int64_t m_oldMtimeNs = -1;
};
