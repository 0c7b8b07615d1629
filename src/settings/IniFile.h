#pragma once
// Access to one ini file by absolute path, by the Windows private-profile rules. Made for one
// group of reads and writes and released at once; nothing is cached between groups.
// Every read opens the file as it is on disk now; every write replaces the file atomically.

#include <QString>

#include <cstdint>

class IniFile
{
public:
    explicit IniFile(QString path);

    const QString &Path() const { return m_path; }

    // The value (blanks around it trimmed, one pair of matching quotes removed, at most 2047
    // characters), or def when the file, the section or the key is missing.
    QString GetText(const QString &section, const QString &key, const QString &def) const;
    // The value by the number syntax; def when it is not a valid whole number.
    int32_t GetNumber(const QString &section, const QString &key, int32_t def) const;
    // GetNumber with 1 for yes and 0 for no as default; yes for any result other than 0.
    bool GetFlag(const QString &section, const QString &key, bool def) const;

    // Writes one key, creating the file, the section and the key as needed. False when the
    // platform refuses the write; ErrorText() then says "Unable to write to <path>".
    bool PutText(const QString &section, const QString &key, const QString &value);
    bool PutNumber(const QString &section, const QString &key, int32_t value);
    bool PutFlag(const QString &section, const QString &key, bool value);

    // The error of the last failed write, empty when none failed.
    const QString &ErrorText() const { return m_error; }

private:
    QString m_path;
    QString m_error;
};
