#include "platform/Paths.h"
#include "common/TestSupport.h"
#include "platform/Desktop.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// "/" is the only separator; "\" and ":" are ordinary characters of a name.
TEST(Paths, PartsOfAPath)
{
    const struct
    {
        const char *path;
        const char *name;
        const char *dir;
        const char *ext;
        const char *withoutExt; // RemoveExtension of the name
    } cases[] = {{"/home/u/movie.avi", "movie.avi", "/home/u", ".avi", "movie"},
                 {"/movie.avi", "movie.avi", "/", ".avi", "movie"},
                 {"/", "", "/", "", ""},
                 {"movie", "movie", "", "", "movie"},
                 {"/home/u/dir/", "", "/home/u/dir", "", ""},
                 {"/home/u.d/movie", "movie", "/home/u.d", "", "movie"},
                 {"/u/archive.tar.gz", "archive.tar.gz", "/u", ".gz", "archive.tar"},
                 {"/home/u/.hidden", ".hidden", "/home/u", ".hidden", ""},
                 {"/home/u/name.", "name.", "/home/u", ".", "name"},
                 {"C:\\out\\movie.avi", "C:\\out\\movie.avi", "", ".avi", "C:\\out\\movie"},
                 {"/a/b:c\\d.mp4", "b:c\\d.mp4", "/a", ".mp4", "b:c\\d"}};
    for (const auto &c : cases) {
        const QString path = QString::fromUtf8(c.path);
        EXPECT_EQ(ExtractFileName(path), QLatin1String(c.name)) << c.path;
        EXPECT_EQ(ExtractFileDir(path), QLatin1String(c.dir)) << c.path;
        EXPECT_EQ(ExtractFileExt(path), QLatin1String(c.ext)) << c.path;
        EXPECT_EQ(RemoveExtension(ExtractFileName(path)), QLatin1String(c.withoutExt)) << c.path;
    }
}

TEST(Paths, TrailingSeparator)
{
    const std::pair<const char *, const char *> cases[]
        = {{"/tmp", "/tmp/"}, {"/tmp/", "/tmp/"}, {"/", "/"}, {"", ""}, {"C:\\t\\", "C:\\t\\/"}};
    for (const auto &[in, out] : cases)
        EXPECT_EQ(AddTrailingBackslash(QLatin1String(in)), QLatin1String(out)) << in;
}

// A file exists when it is no folder; links are followed. The program directory is the
// executable's folder with a separator.
TEST(Paths, ExistenceOfFilesAndFolders)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.avi"));
    const QString dangling = dir.filePath(QStringLiteral("dangling"));
    QFile(file).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("gone")), dangling));
    EXPECT_TRUE(FileExists(file) && !DirectoryExists(file));
    EXPECT_TRUE(!FileExists(dir.path()) && DirectoryExists(dir.path() + QLatin1Char('/')));
    EXPECT_FALSE(FileExists(dangling) || DirectoryExists(dangling));
    EXPECT_FALSE(FileExists(QString()) || DirectoryExists(QString()));
    const QString programDir = ProgramDirectory();
    EXPECT_TRUE(programDir.endsWith(QLatin1Char('/')));
    EXPECT_TRUE(FileExists(programDir + QCoreApplication::applicationFilePath().section(u'/', -1)));
}

// A period is added when the last character comes after "." in the character code.
TEST(GeneralErrorText, PeriodRule)
{
    const std::pair<const char *, const char *> cases[]
        = {{"Unable to write to /x.ini", "Unable to write to /x.ini."},
           {"Ends with a period.", "Ends with a period."},
           {"dash-", "dash-"},
           {"blank ", "blank "},
           {"slash/", "slash/."},
           {"digit 5", "digit 5."},
           {"question?", "question?."},
           {"é", "é."},
           {"", ""}};
    for (const auto &[error, shown] : cases)
        EXPECT_EQ(GeneralErrorText(QString::fromUtf8(error)), QString::fromUtf8(shown)) << error;
}

} // namespace
