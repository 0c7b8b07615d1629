#pragma once
// The profile catalogue: the profile files of the "Profiles" folder beside the program.

#include <QString>
#include <QStringList>

// The names (with extension) of the plain files of directory whose extension, lower-cased,
// is extension lower-cased. Hidden files (names beginning with "."), folders and special
// files are skipped. Sorted by name without regard to case (character codes compared after
// Unicode case folding), ties broken by the exact name, so that an index stays stable.
QStringList ListFilesWithExtension(const QString &directory, const QString &extension);

// The key of Preferences.ini's section "Main" that remembers the chosen profile by its name,
// beside "Profile", which remembers its index.
inline constexpr char kProfileNameKey[] = "Profile Name";

class ProfileCatalogue
{
public:
    ProfileCatalogue() = default;

    // Lists programDir + "Profiles/" for ".bpf" files; empty when the folder is missing.
    static ProfileCatalogue List(const QString &programDir);

    // What the profile box shows, in order: each file name without its extension.
    QStringList Names() const;
    int Count() const { return int(m_files.size()); }

    // The real file of entry index, as listed (so "A.BPF" stays "A.BPF"). For an index that
    // names no entry (-1: none selected): the folder followed by ".bpf", which names no
    // listed profile.
    QString PathOf(int index) const;

    // The entry to choose at start-up for the remembered name and index: the entry of that name
    // (exactly, else without regard to case) when there is one, so that profiles added or
    // removed since leave the choice alone; else index when it names an entry (a file written
    // before names were kept); else -1.
    int RememberedIndex(const QString &name, int index) const;

    // programDir + "Profiles/".
    const QString &Directory() const { return m_directory; }

private:
    QString m_directory;
    QStringList m_files;
};
