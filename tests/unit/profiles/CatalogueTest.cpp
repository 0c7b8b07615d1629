#include "common/TestSupport.h"
#include "platform/Paths.h"
#include "profiles/ProfileCatalogue.h"
#include "unit/profiles/ProfileFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ListCase
{
    const char *name;
    QStringList files; // a name ending in "/" is a folder
    QStringList listed;
};

class ListProfiles : public testing::TestWithParam<ListCase>
{
};

QStringList Names(std::initializer_list<const char *> texts)
{
    QStringList out;
    for (const char *t : texts)
        out.append(QString::fromUtf8(t));
    return out;
}

TEST_P(ListProfiles, KeepsPlainVisibleFilesOfTheExtensionInOrder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QString &f : GetParam().files) {
        if (f.endsWith(QLatin1Char('/')))
            ASSERT_TRUE(QDir(dir.path()).mkdir(f.chopped(1)));
        else
            qvj::test::WriteFile(dir.filePath(f), "[Main]\r\n");
    }
    EXPECT_EQ(ListFilesWithExtension(dir.path(), QStringLiteral(".bpf")), GetParam().listed);
    // The extension asked for is lower-cased too.
    EXPECT_EQ(ListFilesWithExtension(dir.path() + QLatin1Char('/'), QStringLiteral(".BPF")),
              GetParam().listed);
}

const ListCase kListCases[] = {
    {"CaseBlindOrderAndOnlyTheExtension", Names({"b.bpf", "A.BPF", "c.txt", "d.bpf.bak"}),
     Names({"A.BPF", "b.bpf"})},
    {"DotsInsideTheName", Names({"x.y.bpf", "x.bpf", "xbpf"}), Names({"x.bpf", "x.y.bpf"})},
    {"TiesBrokenByExactName", Names({"a.bpf", "A.bpf", "B.bpf"}),
     Names({"A.bpf", "a.bpf", "B.bpf"})},
    {"HiddenFilesAndFoldersSkipped", Names({".hidden.bpf", ".bpf", "folder.bpf/", "ok.bpf"}),
     Names({"ok.bpf"})},
    {"UnicodeNames", Names({"\xc3\xa9t\xc3\xa9.bpf", "\xc3\x89T\xc3\x89 2.bpf", "zz.bpf"}),
     Names({"zz.bpf", "\xc3\x89T\xc3\x89 2.bpf", "\xc3\xa9t\xc3\xa9.bpf"})}, // by code
    {"Nothing", {}, {}},
};

INSTANTIATE_TEST_SUITE_P(Rules, ListProfiles, testing::ValuesIn(kListCases),
                         [](const auto &p) { return std::string(p.param.name); });

TEST(ListFilesWithExtension, LinksAndReadOnlyFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qvj::test::WriteFile(dir.filePath(QStringLiteral("target.txt")), "x");
    qvj::test::WriteFile(dir.filePath(QStringLiteral("locked.bpf")), "x");
    QFile::setPermissions(dir.filePath(QStringLiteral("locked.bpf")), QFileDevice::ReadOwner);
    ASSERT_TRUE(
        QFile::link(QStringLiteral("target.txt"), dir.filePath(QStringLiteral("link.bpf"))));
    ASSERT_TRUE(
        QFile::link(QStringLiteral("nowhere"), dir.filePath(QStringLiteral("dangling.bpf"))));
    EXPECT_EQ(ListFilesWithExtension(dir.path(), QStringLiteral(".bpf")),
              Names({"link.bpf", "locked.bpf"}));
    EXPECT_TRUE(ListFilesWithExtension(dir.filePath(QStringLiteral("none")), QStringLiteral(".bpf"))
                    .isEmpty());
}

TEST(ProfileCatalogue, NamesAndTheRealFileOfEachEntry)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString programDir = AddTrailingBackslash(dir.path());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Profiles")));
    for (const char *f : {"b.bpf", "A.BPF", "x.y.bpf"})
        qvj::test::WriteFile(programDir + QStringLiteral("Profiles/") + QLatin1String(f), "");

    const ProfileCatalogue catalogue = ProfileCatalogue::List(programDir);
    EXPECT_EQ(catalogue.Names(), Names({"A", "b", "x.y"}));
    EXPECT_EQ(catalogue.Count(), 3);
    // Loaded from the name it really has, not from "A.bpf".
    EXPECT_EQ(catalogue.PathOf(0), programDir + QStringLiteral("Profiles/A.BPF"));
    EXPECT_TRUE(FileExists(catalogue.PathOf(0)));
    EXPECT_EQ(catalogue.PathOf(2), programDir + QStringLiteral("Profiles/x.y.bpf"));
    // No selection, or a remembered index past the end, names no file.
    for (int index : {-1, 3, 100}) {
        EXPECT_EQ(catalogue.PathOf(index), programDir + QStringLiteral("Profiles/.bpf"));
        EXPECT_FALSE(FileExists(catalogue.PathOf(index)));
    }
}

TEST(ProfileCatalogue, MissingFolderGivesAnEmptyCatalogue)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ProfileCatalogue catalogue = ProfileCatalogue::List(AddTrailingBackslash(dir.path()));
    EXPECT_TRUE(catalogue.Names().isEmpty());
    EXPECT_EQ(catalogue.PathOf(0),
              AddTrailingBackslash(dir.path()) + QStringLiteral("Profiles/.bpf"));
}

} // namespace
