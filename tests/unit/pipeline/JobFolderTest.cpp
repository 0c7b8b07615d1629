#include "pipeline/JobFolder.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

void Touch(const QString &path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write("x");
}

class JobFolderTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        root = dir.path() + QLatin1Char('/');
        programDir = root + S("program/");
        ASSERT_TRUE(QDir().mkdir(programDir));
    }

    void TearDown() override
    {
        // Let the temporary directory clean up even where a test took permissions away.
        QFile::setPermissions(programDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QTemporaryDir dir;
    QString root;
    QString programDir;
};

TEST_F(JobFolderTest, MakesAUniqueFolderInsideTheTemporaryFolder)
{
    struct Case
    {
        QString tempText;
        QString parent; // where the job's folder must lie
    };
    QDir(root).mkdir(S("existing"));
    Touch(root + S("a file"));
    const std::vector<Case> cases {
        {root + S("existing"), root + S("existing/")},
        {root + S("existing/"), root + S("existing/")},
        {root + S("new ü folder"), root + S("new ü folder/")},
        {root + S("missing/parent"), programDir + S("temp/")},
        {root + S("a file"), programDir + S("temp/")},
        {S(""), programDir + S("temp/")},
    };
    for (const Case &c : cases) {
        const JobFolderResult result = MakeJobFolder(c.tempText, programDir);
        ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
        EXPECT_TRUE(result.folder.startsWith(c.parent)) << result.folder.toStdString();
        EXPECT_TRUE(result.folder.endsWith(QLatin1Char('/')));
        EXPECT_EQ(QFileInfo(result.folder.chopped(1)).path() + QLatin1Char('/'), c.parent);
        EXPECT_TRUE(QFileInfo(result.folder).isDir());
    }
    EXPECT_FALSE(QFileInfo::exists(root + S("missing")));
}

TEST_F(JobFolderTest, EveryJobGetsAFolderOfItsOwn)
{
    const JobFolderResult a = MakeJobFolder(root, programDir);
    const JobFolderResult b = MakeJobFolder(root, programDir);
    ASSERT_FALSE(a.folder.isEmpty());
    EXPECT_NE(a.folder, b.folder);
}

TEST_F(JobFolderTest, AFolderThatCannotHoldTheJobFallsBackToTheProgramsTemp)
{
    const QString locked = root + S("locked/");
    ASSERT_TRUE(QDir().mkdir(locked));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    if (QFileInfo(locked).isWritable())
        GTEST_SKIP() << "running with permissions that ignore the folder's mode";
    const JobFolderResult result = MakeJobFolder(locked, programDir);
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(result.folder.startsWith(programDir + S("temp/")));
}

TEST_F(JobFolderTest, NamesTheFolderAndTheReasonWhenNothingWorks)
{
    // A program directory that is a file: nothing can be created below it.
    const QString notAFolder = root + S("plain file");
    Touch(notAFolder);
    Touch(root + S("also a file"));
    const JobFolderResult result = MakeJobFolder(root + S("also a file"), notAFolder + S("/"));
    EXPECT_TRUE(result.folder.isEmpty());
    EXPECT_TRUE(result.error.contains(notAFolder + S("/temp/"))) << result.error.toStdString();
    EXPECT_TRUE(result.error.contains(S("Not a directory"))) << result.error.toStdString();
}

TEST_F(JobFolderTest, RemovesOnlyTheIntermediateFiles)
{
    const QString folder = MakeJobFolder(root, programDir).folder;
    Touch(root + S("0.avi")); // the user's file beside the job's folder stays
    Touch(folder + S("0.avi"));
    Touch(folder + S("2.avi"));
    RemoveJobFolder(folder, 3);
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(QFileInfo::exists(root + S("0.avi")));

    const QString kept = MakeJobFolder(root, programDir).folder;
    Touch(kept + S("0.avi"));
    Touch(kept + S("5.avi"));
    Touch(kept + S("notes.txt"));
    RemoveJobFolder(kept, 2);
    EXPECT_FALSE(QFileInfo::exists(kept + S("0.avi")));
    EXPECT_TRUE(QFileInfo::exists(kept + S("5.avi")));
    EXPECT_TRUE(QFileInfo::exists(kept + S("notes.txt")));
}

} // namespace
