// Where the preferences and the fallback temporary folder live: beside a program directory the
// user may write, else in the user's own configuration and cache folders; the parts of a path;
// the period of an error text.
#include "platform/UserFiles.h"
#include "common/TestSupport.h"
#include "platform/Desktop.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace qvj::test;

TEST(UserFiles, BesideTheProgramOrInTheUsersFolders)
{
    struct Case
    {
        bool writable;
        const char *configHome; // "" unset
        const char *cacheHome;
        const char *preferences; // expected, with <p> the program dir, <h> the home
        const char *workDir;
    };
    const Case cases[] = {
        {true, "/xdg/config", "/xdg/cache", "<p>Preferences.ini", "<p>"},
        {false, "", "", "<h>.config/quintor-video-joiner/Preferences.ini",
         "<h>.cache/quintor-video-joiner/"},
        {false, "<h>conf", "<h>cache/", "<h>conf/quintor-video-joiner/Preferences.ini",
         "<h>cache/quintor-video-joiner/"},
        // A relative value is not a base folder: the home's is taken.
        {false, "conf", "cache", "<h>.config/quintor-video-joiner/Preferences.ini",
         "<h>.cache/quintor-video-joiner/"},
    };
    for (const Case &c : cases) {
        QTemporaryDir program, home;
        const QString p = program.path() + S("/"), h = home.path() + S("/");
        const auto expand
            = [&](const char *text) { return S(text).replace(S("<p>"), p).replace(S("<h>"), h); };
        WriteFile(p + S("Preferences.ini"), "[Main]\r\nVersion=1.5\r\n");
        QProcessEnvironment env;
        env.insert(S("HOME"), h);
        if (*c.configHome)
            env.insert(S("XDG_CONFIG_HOME"), expand(c.configHome));
        if (*c.cacheHome)
            env.insert(S("XDG_CACHE_HOME"), expand(c.cacheHome));
        const ProgramFiles files = LocateProgramFiles(program.path(), env, c.writable);
        SCOPED_TRACE(c.preferences);
        EXPECT_EQ(files.preferences, expand(c.preferences));
        EXPECT_EQ(files.workDir, expand(c.workDir));
        EXPECT_EQ(files.perUser, !c.writable);
        // The user's copy is the shipped file, and the folder that holds "temp/" exists.
        EXPECT_EQ(ReadFile(files.preferences), QByteArray("[Main]\r\nVersion=1.5\r\n"));
        EXPECT_TRUE(QDir(files.workDir).exists());
    }
}

// The copy is made once: what the user saved is never replaced by the shipped file, and no
// partial file is left beside it. Without a shipped file nothing is made up.
TEST(UserFiles, TheUsersCopyIsMadeOnceAndIsTheirsToWrite)
{
    QTemporaryDir program, home;
    QProcessEnvironment env;
    env.insert(S("HOME"), home.path());
    const QString shipped = program.filePath(S("Preferences.ini"));

    const ProgramFiles none = LocateProgramFiles(program.path(), env, false);
    EXPECT_FALSE(QFile::exists(none.preferences));

    WriteFile(shipped, "[Main]\r\nProfile=4\r\n");
    QFile::setPermissions(shipped, QFile::ReadOwner | QFile::ReadOther);
    const ProgramFiles first = LocateProgramFiles(program.path(), env, false);
    ASSERT_EQ(ReadFile(first.preferences), QByteArray("[Main]\r\nProfile=4\r\n"));
    EXPECT_TRUE(QFileInfo(first.preferences).permissions() & QFile::WriteOwner);

    WriteFile(first.preferences, "[Main]\r\nProfile=1\r\n");
    const ProgramFiles again = LocateProgramFiles(program.path(), env, false);
    EXPECT_EQ(ReadFile(again.preferences), QByteArray("[Main]\r\nProfile=1\r\n"));
    EXPECT_EQ(QDir(QFileInfo(again.preferences).path()).entryList(QDir::Files),
              QStringList {S("Preferences.ini")});
}

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
