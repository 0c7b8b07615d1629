#include "profiles/ProfileCatalogue.h"

#include "platform/Paths.h"

#include <QDir>

#include <algorithm>

QStringList ListFilesWithExtension(const QString &directory, const QString &extension)
{
    const QString wanted = extension.toLower();
    QStringList names;
    // Without QDir::Hidden and QDir::System: no dot files, sockets, devices or dangling links.
    const QStringList entries = QDir(directory).entryList(QDir::Files, QDir::Unsorted);
    for (const QString &name : entries)
        if (ExtractFileExt(name).toLower() == wanted)
            names.append(name);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

ProfileCatalogue ProfileCatalogue::List(const QString &programDir)
{
    ProfileCatalogue catalogue;
    catalogue.m_directory = AddTrailingBackslash(programDir) + QStringLiteral("Profiles/");
    catalogue.m_files = ListFilesWithExtension(catalogue.m_directory, QStringLiteral(".bpf"));
    return catalogue;
}

QStringList ProfileCatalogue::Names() const
{
    QStringList names;
    for (const QString &file : m_files)
        names.append(RemoveExtension(file));
    return names;
}

QString ProfileCatalogue::PathOf(int index) const
{
    if (index >= 0 && index < Count())
        return m_directory + m_files.at(index);
    return m_directory + QStringLiteral(".bpf");
}

int ProfileCatalogue::RememberedIndex(const QString &name, int index) const
{
    const QStringList names = Names();
    if (!name.isEmpty()) {
        qsizetype found = names.indexOf(name);
        for (qsizetype i = 0; i < names.size() && found < 0; ++i)
            if (names.at(i).compare(name, Qt::CaseInsensitive) == 0)
                found = i;
        if (found >= 0)
            return int(found);
    }
    return index >= 0 && index < names.size() ? index : -1;
}
