#include "settings/IniFile.h"

#include "settings/IniDocument.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <utility>

namespace {

// The file that a write really changes: a symbolic link is written through to its target.
QFileInfo WriteTarget(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info;
}

// A file whose write bits are all clear is read-only, also for a user whom the system would
// let write it anyway: the read-only mark is refused as the file's owner means it.
bool IsReadOnly(const QFileInfo &info)
{
    constexpr auto anyWrite
        = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return !info.isWritable() || !(info.permissions() & anyWrite);
}

// Reads the current text of an existing file; false when it cannot be read, so that a write
// never replaces content it could not see.
bool ReadExisting(const QFileInfo &target, QByteArray &data)
{
    if (!target.exists())
        return true;
    if (!target.isFile() || IsReadOnly(target))
        return false;
    QFile file(target.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    data = file.readAll();
    return file.error() == QFileDevice::NoError;
}

// Writes the whole file beside the target and renames it over the target, keeping the
// target's permissions. Where the folder allows no new file but the file itself is writable,
// the file is rewritten in place.
bool ReplaceFile(const QString &path, const QByteArray &data)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool WriteKey(const QString &path, const QString &section, const QString &key, const QString &value)
{
    if (path.isEmpty())
        return false;
    const QFileInfo target = WriteTarget(path);
    QByteArray data;
    if (!ReadExisting(target, data))
        return false;
    IniDocument doc = IniDocument::Parse(data);
    doc.Set(section, key, value);
    return ReplaceFile(target.filePath(), doc.Serialize());
}

} // namespace

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{
}

QString IniFile::GetText(const QString &section, const QString &key, const QString &def) const
{
    return IniDocument::Read(m_path).Text(section, key, def);
}

int32_t IniFile::GetNumber(const QString &section, const QString &key, int32_t def) const
{
    return IniDocument::Read(m_path).Number(section, key, def);
}

bool IniFile::GetFlag(const QString &section, const QString &key, bool def) const
{
    return GetNumber(section, key, def ? 1 : 0) != 0;
}

bool IniFile::PutText(const QString &section, const QString &key, const QString &value)
{
    if (!WriteKey(m_path, section, key, value)) {
        m_error = QStringLiteral("Unable to write to ") + m_path;
        return false;
    }
    return true;
}

bool IniFile::PutNumber(const QString &section, const QString &key, int32_t value)
{
    return PutText(section, key, QString::number(value));
}

bool IniFile::PutFlag(const QString &section, const QString &key, bool value)
{
    return PutText(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
