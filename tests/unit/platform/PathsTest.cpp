#include "platform/Paths.h"
#include "common/TestSupport.h"
#include "platform/Desktop.h"

#include <gtest/gtest.h>

namespace {

// "/" is the only separator; "\" is an ordinary character of a name.
TEST(Paths, PartsOfAPath)
{
    const struct
    {
        const char *path, *name, *dir, *ext;
        const char *withoutExt; // RemoveExtension of the name
    } cases[] = {{"/home/u/movie.avi", "movie.avi", "/home/u", ".avi", "movie"},
                 {"/movie.avi", "movie.avi", "/", ".avi", "movie"},
                 {"/", "", "/", "", ""},
                 {"movie", "movie", "", "", "movie"},
                 {"/home/u.d/movie", "movie", "/home/u.d", "", "movie"},
                 {"/u/archive.tar.gz", "archive.tar.gz", "/u", ".gz", "archive.tar"},
                 {"/home/u/.hidden", ".hidden", "/home/u", ".hidden", ""},
                 {"C:\\out\\movie.avi", "C:\\out\\movie.avi", "", ".avi", "C:\\out\\movie"}};
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
        = {{"/tmp", "/tmp/"}, {"/tmp/", "/tmp/"}, {"", ""}, {"C:\\t\\", "C:\\t\\/"}};
    for (const auto &[in, out] : cases)
        EXPECT_EQ(AddTrailingBackslash(QLatin1String(in)), QLatin1String(out)) << in;
}

// A period is added when the last character comes after "." in the character code.
TEST(GeneralErrorText, PeriodRule)
{
    const std::pair<const char *, const char *> cases[]
        = {{"Unable to write to /x.ini", "Unable to write to /x.ini."},
           {"Ends with a period.", "Ends with a period."},
           {"dash-", "dash-"},
           {"slash/", "slash/."},
           {"é", "é."},
           {"", ""}};
    for (const auto &[error, shown] : cases)
        EXPECT_EQ(GeneralErrorText(QString::fromUtf8(error)), QString::fromUtf8(shown)) << error;
}

} // namespace
