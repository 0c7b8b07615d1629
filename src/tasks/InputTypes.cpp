#include "tasks/InputTypes.h"

#include "platform/Paths.h"
#include "platform/RawNames.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

namespace {

QString UpperExtensionName(const char *extension)
{
    return QString::fromLatin1(extension + 1).toUpper();
}

} // namespace

QString SupportedMask()
{
    QString mask;
    for (const char *extension : InputExtensions)
        mask += QLatin1Char('*') + QLatin1String(extension) + QLatin1Char(';');
    return mask;
}

QString OpenDialogFilter()
{
    const QString mask = SupportedMask();
    QString filter = QStringLiteral("All Support Files(") + mask + QStringLiteral(")|") + mask
        + QLatin1Char('|');
    for (const char *extension : InputExtensions) {
        filter += UpperExtensionName(extension) + QStringLiteral(" Files (*")
            + QLatin1String(extension) + QStringLiteral(")|*") + QLatin1String(extension)
            + QLatin1Char('|');
    }
    return filter + QStringLiteral("All Files (*.*)|*.*");
}

bool HasInputExtension(const QString &path)
{
    const QString extension = ExtractFileExt(path).toLower();
    return std::any_of(InputExtensions.begin(), InputExtensions.end(),
                       [&](const char *e) { return extension == QLatin1String(e); });
}

QStringList ListSupportedFiles(const QString &folder)
{
    if (folder.isEmpty())
        return {};
    // Read as the file system's bytes, so that names that are not UTF-8 are kept. Names
    // beginning with "." (hidden), subfolders, sockets, pipes, devices and broken links are
    // left out.
    QStringList names;
    const QByteArray dir = NameToBytes(AddTrailingBackslash(folder));
    if (DIR *d = ::opendir(dir.constData())) {
        while (const dirent *entry = ::readdir(d)) {
            struct stat st;
            if (entry->d_name[0] != '.'
                && ::stat(QByteArray(dir + entry->d_name).constData(), &st) == 0
                && S_ISREG(st.st_mode))
                names << NameFromBytes(QByteArray(entry->d_name));
        }
        ::closedir(d);
    }
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const QString &name) { return !HasInputExtension(name); }),
                names.end());
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}
