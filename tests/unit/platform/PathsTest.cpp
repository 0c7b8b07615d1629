#include "platform/Paths.h"
#include "common/TestSupport.h"
#include "platform/Desktop.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct PathCase
{
    const char *path;
    const char *fileName;
    const char *fileDir;
    const char *fileExt;
};

// "/" is the only separator; "\" and ":" are ordinary characters of a name.
TEST(Paths, PartsOfAPath)
{
    const PathCase cases[] = {
        {"/home/u/movie.avi", "movie.avi", "/home/u", ".avi"},
        {"/movie.avi", "movie.avi", "/", ".avi"},
        {"/", "", "/", ""},
        {"movie.avi", "movie.avi", "", ".avi"},
        {"", "", "", ""},
        {"/home/u/dir/", "", "/home/u/dir", ""},
        {"/home/u.d/movie", "movie", "/home/u.d", ""},
        {"/home/u/archive.tar.gz", "archive.tar.gz", "/home/u", ".gz"},
        {"/home/u/.hidden", ".hidden", "/home/u", ".hidden"},
        {"/home/u/name.", "name.", "/home/u", "."},
        {"C:\\out\\movie.avi", "C:\\out\\movie.avi", "", ".avi"},
        {"/a/b:c\\d.mp4", "b:c\\d.mp4", "/a", ".mp4"},
    };
    for (const PathCase &c : cases) {
        const QString path = QString::fromUtf8(c.path);
        EXPECT_EQ(ExtractFileName(path), QString::fromUtf8(c.fileName)) << c.path;
        EXPECT_EQ(ExtractFileDir(path), QString::fromUtf8(c.fileDir)) << c.path;
        EXPECT_EQ(ExtractFileExt(path), QString::fromUtf8(c.fileExt)) << c.path;
    }
}

TEST(Paths, NamesAndTrailingSeparators)
{
    const struct
    {
        const char *in;
        const char *withoutExtension;
        const char *withSeparator;
    } cases[] = {{"movie.avi", "movie", "movie.avi/"},
                 {"archive.tar.gz", "archive.tar", "archive.tar.gz/"},
                 {"noext", "noext", "noext/"},
                 {".hidden", "", ".hidden/"},
                 {"name.", "name", "name./"},
                 {"/tmp/", "/tmp/", "/tmp/"},
                 {"/", "/", "/"},
                 {"", "", ""},
                 {"C:\\temp\\", "C:\\temp\\", "C:\\temp\\/"}};
    for (const auto &c : cases) {
        EXPECT_EQ(RemoveExtension(QString::fromUtf8(c.in)), QString::fromUtf8(c.withoutExtension))
            << c.in;
        EXPECT_EQ(AddTrailingBackslash(QString::fromUtf8(c.in)), QString::fromUtf8(c.withSeparator))
            << c.in;
    }
}

TEST(Paths, ExistenceOfFilesAndFolders)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("a.avi"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    ASSERT_TRUE(QFile::link(file, dir.filePath(QStringLiteral("link.avi"))));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("gone")),
                            dir.filePath(QStringLiteral("dangling.avi"))));
    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath(QStringLiteral("folderlink"))));

    const struct
    {
        QString path;
        bool file;
        bool folder;
    } cases[] = {{file, true, false},
                 {dir.filePath(QStringLiteral("link.avi")), true, false},
                 {dir.filePath(QStringLiteral("dangling.avi")), false, false},
                 {dir.filePath(QStringLiteral("folderlink")), false, true},
                 {dir.path(), false, true},
                 {dir.path() + QLatin1Char('/'), false, true},
                 {dir.filePath(QStringLiteral("missing")), false, false},
                 {QString(), false, false}};
    for (const auto &c : cases) {
        EXPECT_EQ(FileExists(c.path), c.file) << c.path.toStdString();
        EXPECT_EQ(DirectoryExists(c.path), c.folder) << c.path.toStdString();
    }
}

TEST(Paths, ProgramDirectoryIsTheExecutablesFolderWithASeparator)
{
    const QString dir = ProgramDirectory();
    EXPECT_TRUE(dir.endsWith(QLatin1Char('/')));
    EXPECT_TRUE(DirectoryExists(dir));
    EXPECT_TRUE(FileExists(dir + QCoreApplication::applicationFilePath().section(u'/', -1)));
}

// A period is added when the last character comes after "." in the character code.
TEST(GeneralErrorText, PeriodRule)
{
    const struct
    {
        const char *error;
        const char *shown;
    } cases[]
        = {{"Unable to write to /x/Preferences.ini", "Unable to write to /x/Preferences.ini."},
           {"Ends with a period.", "Ends with a period."},
           {"Ends with a dash-", "Ends with a dash-"},
           {"Ends with a comma,", "Ends with a comma,"},
           {"Ends with a blank ", "Ends with a blank "},
           {"Ends with a slash/", "Ends with a slash/."},
           {"Ends with a digit 5", "Ends with a digit 5."},
           {"Ends with a question?", "Ends with a question?."},
           {"Ends with an e acute \xc3\xa9", "Ends with an e acute \xc3\xa9."},
           {"", ""}};
    for (const auto &c : cases)
        EXPECT_EQ(GeneralErrorText(QString::fromUtf8(c.error)), QString::fromUtf8(c.shown))
            << c.error;
}

} // namespace
