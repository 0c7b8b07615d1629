#include "common/TestSupport.h"
#include "platform/Paths.h"
#include "profiles/ProfileCatalogue.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Plain visible files of the extension (in any case), by name without regard to case, ties by
// the exact name; a name ending in "/" is made as a folder.
TEST(ListFilesWithExtension, KeepsPlainVisibleFilesOfTheExtensionInOrder)
{
    const std::pair<QStringList, QStringList> cases[]
        = {{{"b.bpf", "A.BPF", "c.txt", "d.bpf.bak", "xbpf"}, {"A.BPF", "b.bpf"}},
           {{"a.bpf", "A.bpf", "B.bpf"}, {"A.bpf", "a.bpf", "B.bpf"}},
           {{".hidden.bpf", ".bpf", "folder.bpf/", "ok.bpf"}, {"ok.bpf"}},
           {{"été.bpf", "ÉTÉ 2.bpf", "zz.bpf"}, {"zz.bpf", "ÉTÉ 2.bpf", "été.bpf"}}};
    for (const auto &[files, listed] : cases) {
        QTemporaryDir dir;
        for (const QString &f : files) {
            if (f.endsWith(QLatin1Char('/')))
                ASSERT_TRUE(QDir(dir.path()).mkdir(f.chopped(1)));
            else
                qvj::test::WriteFile(dir.filePath(f), "");
        }
        EXPECT_EQ(ListFilesWithExtension(dir.path(), QStringLiteral(".BPF")), listed);
    }
}

// The catalogue gives each entry's real file, so "A.BPF" is loaded from "A.BPF"; an index that
// names no entry gives a path that names no file.
TEST(ProfileCatalogue, NamesAndTheRealFileOfEachEntry)
{
    QTemporaryDir dir;
    const QString programDir = AddTrailingBackslash(dir.path());
    EXPECT_TRUE(ProfileCatalogue::List(programDir).Names().isEmpty());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Profiles")));
    for (const char *f : {"b.bpf", "A.BPF", "x.y.bpf"})
        qvj::test::WriteFile(programDir + QStringLiteral("Profiles/") + QLatin1String(f), "");
    const ProfileCatalogue catalogue = ProfileCatalogue::List(programDir);
    EXPECT_EQ(catalogue.Names(), QStringList({"A", "b", "x.y"}));
    EXPECT_EQ(catalogue.PathOf(0), programDir + QStringLiteral("Profiles/A.BPF"));
    EXPECT_EQ(catalogue.PathOf(2), programDir + QStringLiteral("Profiles/x.y.bpf"));
    for (int index : {-1, 3})
        EXPECT_FALSE(FileExists(catalogue.PathOf(index))) << index;
}

} // namespace
