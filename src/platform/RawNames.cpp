#include "platform/RawNames.h"

#include "platform/ProcessOwner.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char16_t kFirstRaw = 0xEF80;
// The record of the process whose links a name folder holds, so that a later process can tell
// the folder of a killed one from that of one still running.
constexpr char kNameFolderOwner[] = ".owner";
constexpr char16_t kLastRaw = 0xEFFF;

bool IsRaw(QChar c)
{
    return c.unicode() >= kFirstRaw && c.unicode() <= kLastRaw;
}

// The length of the valid UTF-8 sequence at i (0 when it is not one) and its code point.
int Utf8Sequence(const QByteArray &b, qsizetype i, char32_t *code)
{
    const auto byte = [&](qsizetype k) { return uint8_t(b.at(k)); };
    const uint8_t first = byte(i);
    int length = 0;
    char32_t c = 0, least = 0;
    if (first < 0x80)
        length = 1, c = first;
    else if ((first & 0xE0) == 0xC0)
        length = 2, c = first & 0x1F, least = 0x80;
    else if ((first & 0xF0) == 0xE0)
        length = 3, c = first & 0x0F, least = 0x800;
    else if ((first & 0xF8) == 0xF0)
        length = 4, c = first & 0x07, least = 0x10000;
    else
        return 0;
    if (i + length > b.size())
        return 0;
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        c = c << 6 | (byte(i + k) & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    *code = c;
    return length;
}

} // namespace

QString NameFromBytes(const QByteArray &bytes)
{
    QString name;
    name.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t c = 0;
        const int length = Utf8Sequence(bytes, i, &c);
        if (length == 0) {
            name += QChar(char16_t(kFirstRaw + (uint8_t(bytes.at(i)) - 0x80)));
            ++i;
            continue;
        }
        name += QString::fromUcs4(&c, 1);
        i += length;
    }
    return name;
}

QByteArray NameToBytes(const QString &name)
{
    if (!HoldsRawBytes(name))
        return name.toUtf8();
    QByteArray bytes;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !IsRaw(name.at(i)))
            continue;
        bytes += QStringView(name).mid(from, i - from).toUtf8();
        if (i < name.size())
            bytes += char(0x80 + (name.at(i).unicode() - kFirstRaw));
        from = i + 1;
    }
    return bytes;
}

bool HoldsRawBytes(const QString &name)
{
    return std::any_of(name.begin(), name.end(), IsRaw);
}

QString ShownName(const QString &name)
{
    QString shown = name;
    for (QChar &c : shown)
        if (IsRaw(c))
            c = QChar(char16_t(0x80 + (c.unicode() - kFirstRaw)));
    return shown;
}

QString OpenablePath(const QString &path)
{
    if (!HoldsRawBytes(path))
        return path;
    static std::mutex mutex;
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/qvj-names-XXXXXX"));
    static QHash<QString, QString> links;
    const std::lock_guard lock(mutex);
    if (const auto it = links.constFind(path); it != links.constEnd())
        return *it;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    QString extension = dot > path.lastIndexOf(QLatin1Char('/')) ? path.mid(dot) : QString();
    if (HoldsRawBytes(extension))
        extension.clear();
    static const bool owned
        = folder.isValid() && WriteProcessOwner(folder.filePath(QLatin1String(kNameFolderOwner)));
    const QString link = folder.filePath(QString::number(links.size()) + extension);
    if (!owned
        || ::symlink(NameToBytes(path).constData(), QFile::encodeName(link).constData()) != 0)
        return path;
    links.insert(path, link);
    return link;
}

QString NameFromUrl(const QUrl &url)
{
    if (!url.isLocalFile())
        return QString();
    if (!url.host().isEmpty())
        return url.toLocalFile();
    return NameFromBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QUrl UrlFromName(const QString &path)
{
    if (!HoldsRawBytes(path))
        return QUrl::fromLocalFile(path);
    return QUrl::fromEncoded(QByteArray("file://") + NameToBytes(path).toPercentEncoding("/"),
                             QUrl::StrictMode);
}

QString RecoverRawName(const QString &path)
{
    if (!path.contains(QChar::ReplacementCharacter))
        return path;
    const QStringList parts = path.split(QLatin1Char('/'));
    QString done;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QString part = parts.at(i);
        if (part.contains(QChar::ReplacementCharacter)) {
            const QString folder
                = i == 0 ? QStringLiteral(".") : (done.isEmpty() ? QStringLiteral("/") : done);
            QStringList matches;
            for (const QString &name : FolderNames(folder))
                if (QString::fromUtf8(NameToBytes(name)) == part)
                    matches << name;
            if (matches.size() == 1)
                part = matches.front();
        }
        done = i == 0 ? part : done + QLatin1Char('/') + part;
    }
    return done;
}

QStringList FolderNames(const QString &folder)
{
    QStringList names;
    DIR *d = ::opendir(NameToBytes(folder).constData());
    if (!d)
        return names;
    while (const dirent *entry = ::readdir(d)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names << NameFromBytes(name);
    }
    ::closedir(d);
    return names;
}

bool RemoveNamedFile(const QString &path)
{
    return ::unlink(NameToBytes(path).constData()) == 0 || errno == ENOENT;
}

bool RemoveEmptyFolder(const QString &path)
{
    return ::rmdir(NameToBytes(path).constData()) == 0 || errno == ENOENT;
}

void RemoveDeadNameFolders(const QString &tempPath)
{
    const QString parent = tempPath.endsWith(QLatin1Char('/')) ? tempPath : tempPath + u'/';
    for (const QString &name : FolderNames(parent)) {
        if (!name.startsWith(QLatin1String("qvj-names-")))
            continue;
        const QString folder = parent + name + u'/';
        const QByteArray owner = ReadProcessOwner(folder + QLatin1String(kNameFolderOwner));
        if (owner.isNull() || ProcessOwnerAlive(owner))
            continue;
        // Only a folder of nothing but the links this program makes goes.
        const QStringList entries = FolderNames(folder);
        const bool onlyLinks = std::all_of(entries.begin(), entries.end(), [&](const QString &e) {
            struct stat info
            {
            };
            return e == QLatin1String(kNameFolderOwner)
                || (::lstat(NameToBytes(folder + e).constData(), &info) == 0
                    && S_ISLNK(info.st_mode));
        });
        if (!onlyLinks)
            continue;
        for (const QString &entry : entries)
            RemoveNamedFile(folder + entry);
        RemoveEmptyFolder(folder);
    }
}
