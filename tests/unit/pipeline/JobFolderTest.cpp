#include "pipeline/JobFolder.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

TEST(JobFolder, IsAFreshFolderInTheTemporaryFolderOrElseInTheProgramsTemp)
{
    QTemporaryDir dir;
    const QString root = dir.path() + S("/");
    const QString program = root + S("program/");
    const QString fallback = program + S("temp/");
    QDir().mkdir(program);
    QDir().mkdir(root + S("existing"));
    qvj::test::WriteFile(root + S("a file"), "x");
    const std::vector<std::pair<QString, QString>> cases {
        // setting, where the folder lies
        {root + S("existing"), root + S("existing/")},
        {root + S("new ü"), root + S("new ü/")},
        {root + S("missing/parent"), fallback},
        {root + S("a file"), fallback},
        {S(""), fallback}};
    QStringList made;
    for (const auto &[setting, parent] : cases) {
        const JobFolderResult result = MakeJobFolder(setting, program);
        ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
        EXPECT_TRUE(result.folder.endsWith(S("/")));
        EXPECT_EQ(QFileInfo(result.folder.chopped(1)).path() + S("/"), parent);
        EXPECT_TRUE(QFileInfo(result.folder).isDir());
        EXPECT_FALSE(made.contains(result.folder));
        made << result.folder;
    }
    EXPECT_FALSE(QFileInfo::exists(root + S("missing")));
}

TEST(JobFolder, RemovingDeletesOnlyTheIntermediateFilesAndThenAnEmptyFolder)
{
    QTemporaryDir dir;
    for (const bool extra : {false, true}) {
        const QString folder = MakeJobFolder(dir.path(), dir.path()).folder;
        for (const char *name : {"0.avi", "2.avi", "5.avi", "notes.txt"})
            if (extra || name[0] < '3')
                qvj::test::WriteFile(folder + S(name), "x");
        RemoveJobFolder(folder, 3);
        const QStringList left = extra ? QStringList {S("5.avi"), S("notes.txt")} : QStringList();
        EXPECT_EQ(QDir(folder).entryList(QDir::Files), left);
        EXPECT_EQ(QFileInfo::exists(folder), extra);
    }
}

} // namespace
