#include "settings/IniFile.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kDefault = QStringLiteral("<default>");
const QString kS = QStringLiteral("S");
const QString kK = QStringLiteral("k");

QByteArray ReadBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void WriteBytes(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(data);
}

ino_t Inode(const QString &path)
{
    struct stat st = {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// Runs fn as the user "nobody" when the tests run as root, so that the rights of files and
// folders apply; otherwise runs it directly. Gives fn's answer.
bool AsUnprivileged(const std::function<bool()> &fn)
{
    if (::geteuid() != 0)
        return fn();
    const struct passwd *nobody = ::getpwnam("nobody");
    if (!nobody)
        return false;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)
            ::_exit(2);
        ::_exit(fn() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class IniFileTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // Reachable by the user of AsUnprivileged.
        QFile::setPermissions(dir.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                  | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                  | QFile::ExeOther);
        path = dir.filePath(QStringLiteral("test.ini"));
    }
    QStringList Entries(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QTemporaryDir dir;
    QString path;
};

TEST_F(IniFileTest, ReadsByTheWindowsRules)
{
    const struct
    {
        const char *content;
        const char *section;
        const char *key;
        const char *value; // nullptr: the default comes back
    } cases[] = {
        {"[S]\r\n  ;k=v\r\n", "S", ";k", nullptr},
        {"[S]\r\n#k=v\r\n", "S", "#k", "v"},
        {"[S]\r\nk=v ;x\r\n", "S", "k", "v ;x"},
        {"[ S ] junk\r\nk=v\r\n", "S", "k", "v"},
        {"[S]x]\r\nk=v\r\n", "S", "k", "v"},
        {"k=v\r\n[S]\r\n", "S", "k", nullptr},
        {"[S]\r\n[T]\r\nk=v\r\n", "S", "k", nullptr},
        {"[S]\r\n \t k \t = \t v w \t \r\n", "S", "k", "v w"},
        {"[S]\r\nk\r\n", "S", "k", nullptr},
        {"[S]\r\n=v\r\n", "S", "", "v"},
        {"[S]\r\nk=a=b\r\n", "S", "k", "a=b"},
        {"[S]\r\nk=1\r\nk=2\r\n[s]\r\nk=3\r\nj=4\r\n", "S", "k", "1"},
        {"[S]\r\nk=1\r\nk=2\r\n[s]\r\nk=3\r\nj=4\r\n", "S", "j", nullptr},
        {"[main]\r\nitems=3\r\n", "Main", "Items", "3"},
        {"[ÄRGER]\r\nSCHLÜSSEL=1\r\n", "ärger", "schlüssel", "1"},
        {"[S]\r\nk=\"a b\"\r\n", "S", "k", "a b"},
        {"[S]\r\nk=' a '\r\n", "S", "k", " a "},
        {"[S]\r\nk=\"a'\r\n", "S", "k", "\"a'"},
        {"[S]\r\nk=\"abc\"def\r\n", "S", "k", "\"abc\"def"},
        {"[S]\r\nk=\"\r\n", "S", "k", "\""},
        {"[S]\r\nk=''\r\n", "S", "k", ""},
        {"[S]\nj=1\nk=v\n", "S", "k", "v"},
        {"[S]\rj=1\rk=v\r", "S", "k", "v"},
        {"[S]\r\nk=v", "S", "k", "v"},
        {"\xef\xbb\xbf[S]\r\nk=v\r\n", "S", "k", "v"},
        {"[S]\r\nk=Grüße 🎬\r\n", "S", "k", "Grüße 🎬"},
    };
    for (const auto &c : cases) {
        WriteBytes(path, c.content);
        EXPECT_EQ(
            IniFile(path).GetText(QString::fromUtf8(c.section), QString::fromUtf8(c.key), kDefault),
            c.value ? QString::fromUtf8(c.value) : kDefault)
            << c.content;
    }
}

// A value is cut to 2047 characters, never inside a character outside the basic plane.
TEST_F(IniFileTest, LongValueIsCutToItsFirst2047Characters)
{
    IniFile ini(path);
    const QString value(3000, QLatin1Char('a'));
    ASSERT_TRUE(ini.PutText(kS, kK, value));
    EXPECT_EQ(ini.GetText(kS, kK, QString()), value.left(2047));
    const QString a2046(2046, QLatin1Char('a'));
    ASSERT_TRUE(ini.PutText(kS, kK, a2046 + QStringLiteral(u"🎬🎬")));
    EXPECT_EQ(ini.GetText(kS, kK, QString()), a2046 + QStringLiteral(u"🎬"));
}

// GetFlag is GetNumber with 1 or 0 as default: yes for any number but 0.
TEST_F(IniFileTest, NumbersAndFlags)
{
    const struct
    {
        const char *value;
        int32_t number; // with default 77
        int flag; // -1: the default
    } cases[] = {{"0x1A", 26, 1}, {"  12", 12, 1},  {"-0x1A", -26, 1},     {"2", 2, 1},
                 {"-1", -1, 1},   {"0", 0, 0},      {"12abc", 77, -1},     {"", 77, -1},
                 {"1.5", 77, -1}, {"true", 77, -1}, {"4294967296", 77, -1}};
    for (const auto &c : cases) {
        WriteBytes(path, QByteArray("[S]\r\nk=") + c.value + "\r\n");
        const IniFile ini(path);
        EXPECT_EQ(ini.GetNumber(kS, kK, 77), c.number) << c.value;
        EXPECT_EQ(ini.GetFlag(kS, kK, false), c.flag == 1) << c.value;
        EXPECT_EQ(ini.GetFlag(kS, kK, true), c.flag != 0) << c.value;
    }
}

TEST_F(IniFileTest, WritesChangeOnlyTheirKeysLine)
{
    const struct
    {
        const char *before; // nullptr: no file
        const char *section;
        const char *key;
        const char *value;
        const char *after;
    } cases[] = {
        {nullptr, "S", "k", "v", "[S]\r\nk=v\r\n"},
        {"", "S", "k", "v", "[S]\r\nk=v\r\n"},
        {"; c\r\n[S]\r\nk = old\r\n; t\r\n", "S", "k", "new", "; c\r\n[S]\r\nk = new\r\n; t\r\n"},
        {"[main]\r\nitems=1\r\n", "Main", "Items", "2", "[main]\r\nitems=2\r\n"},
        {"[S]\r\na=1\r\n; note\r\n\r\n[T]\r\nb=2\r\n", "S", "c", "3",
         "[S]\r\na=1\r\nc=3\r\n; note\r\n\r\n[T]\r\nb=2\r\n"},
        {"[S]\r\n\r\n[T]\r\n", "S", "a", "1", "[S]\r\na=1\r\n\r\n[T]\r\n"},
        {"[S]\r\na=1", "S", "b", "2", "[S]\r\na=1\r\nb=2\r\n"},
        {"[S]\r\na=1\r\n", "T", "b", "2", "[S]\r\na=1\r\n\r\n[T]\r\nb=2\r\n"},
        {"[S]\r\na=1\r\n\r\n", "T", "b", "2", "[S]\r\na=1\r\n\r\n[T]\r\nb=2\r\n"},
        {"k=v\r\n", "S", "k", "w", "k=v\r\n\r\n[S]\r\nk=w\r\n"},
        {"[S]\r\na=1\r\n[s]\r\nb=2\r\n", "S", "b", "3", "[S]\r\na=1\r\nb=3\r\n[s]\r\nb=2\r\n"},
        {"[S]\na=1\r; x\n", "S", "a", "2", "[S]\r\na=2\r\n; x\r\n"},
        {"\xef\xbb\xbf[S]\r\na=1\r\n", "S", "a", "2", "\xef\xbb\xbf[S]\r\na=2\r\n"},
        {"[S]\r\nlatin=\xe9t\xe9\r\na=1\r\n", "S", "a", "2", "[S]\r\nlatin=\xe9t\xe9\r\na=2\r\n"},
        // No write can add lines, keys or sections of its own.
        {"[S]\r\na=1\r\n", "S", "a", "x\r\ny\nz\r[Evil]\r\nk=v", "[S]\r\na=x y z [Evil] k=v\r\n"},
        {nullptr, "S\r\nT", "k\nx", "v", "[S T]\r\nk x=v\r\n"},
    };
    for (const auto &c : cases) {
        QFile::remove(path);
        if (c.before)
            WriteBytes(path, c.before);
        IniFile ini(path);
        ASSERT_TRUE(ini.PutText(QString::fromUtf8(c.section), QString::fromUtf8(c.key),
                                QString::fromUtf8(c.value)));
        EXPECT_EQ(ReadBytes(path), QByteArray(c.after)) << c.before;
    }
}

TEST_F(IniFileTest, ValuesComeBackAsWritten)
{
    IniFile ini(path);
    for (const QString &value : {QString(), QStringLiteral("a=b;c"), QStringLiteral(";no comment"),
                                 QStringLiteral("[no section]"), QStringLiteral(u"Grüße 日本 🎬")}) {
        ASSERT_TRUE(ini.PutText(kS, kK, value));
        EXPECT_EQ(ini.GetText(kS, kK, kDefault), value);
    }
    const std::pair<int32_t, const char *> numbers[]
        = {{-1, "-1"}, {0, "0"}, {INT32_MIN, "-2147483648"}, {INT32_MAX, "2147483647"}};
    for (const auto &[number, text] : numbers) {
        ASSERT_TRUE(ini.PutNumber(kS, kK, number));
        EXPECT_EQ(ini.GetText(kS, kK, kDefault), QLatin1String(text));
    }
    ASSERT_TRUE(ini.PutFlag(kS, kK, true) && ini.PutFlag(kS, QStringLiteral("f"), false));
    EXPECT_EQ(ini.GetText(kS, kK, kDefault) + ini.GetText(kS, QStringLiteral("f"), kDefault),
              QStringLiteral("10"));
    EXPECT_TRUE(ini.ErrorText().isEmpty());
}

TEST_F(IniFileTest, ReadingAMissingFileCreatesNothing)
{
    const IniFile ini(dir.filePath(QStringLiteral("sub/none.ini")));
    EXPECT_EQ(ini.GetText(kS, kK, kDefault), kDefault);
    EXPECT_EQ(ini.GetNumber(kS, kK, 7), 7);
    EXPECT_TRUE(ini.GetFlag(kS, kK, true));
    EXPECT_EQ(IniFile(path).GetText(kS, kK, kDefault), kDefault);
    EXPECT_TRUE(Entries(dir.path()).isEmpty());
}

// A read-only file, a missing folder, a folder in the file's place: refused, nothing changed.
TEST_F(IniFileTest, RefusedWritesLeaveEverythingAsItWas)
{
    const QString readOnly = dir.filePath(QStringLiteral("readonly.ini"));
    WriteBytes(readOnly, "[S]\r\nk=v\r\n");
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.ini")));
    for (const QString &target : {readOnly, dir.filePath(QStringLiteral("missing/dir.ini")),
                                  dir.filePath(QStringLiteral("folder.ini")), QString()}) {
        IniFile ini(target);
        EXPECT_FALSE(ini.PutText(kS, kK, QStringLiteral("w"))) << target.toStdString();
        EXPECT_EQ(ini.ErrorText(), QStringLiteral("Unable to write to ") + target);
    }
    EXPECT_EQ(ReadBytes(readOnly), QByteArray("[S]\r\nk=v\r\n"));
    EXPECT_EQ(Entries(dir.path()), QStringList({"folder.ini", "readonly.ini"}));
}

// Written beside and renamed over, so a reader never sees a half-written file; through a
// symbolic link to its target, keeping the target's permissions.
TEST_F(IniFileTest, WriteReplacesTheTargetKeepingItsPermissions)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("real")));
    const QString target = dir.filePath(QStringLiteral("real/target.ini"));
    WriteBytes(target, "[S]\r\nk=v\r\n");
    const auto perms = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QFile::setPermissions(target, perms);
    ASSERT_TRUE(QFile::link(QStringLiteral("real/target.ini"), path));
    const ino_t before = Inode(target);
    ASSERT_TRUE(IniFile(path).PutText(kS, kK, QStringLiteral("w")));
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(ReadBytes(target), QByteArray("[S]\r\nk=w\r\n"));
    EXPECT_EQ(QFile::permissions(target) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
              perms);
    EXPECT_NE(Inode(target), before);
    EXPECT_EQ(Entries(dir.filePath(QStringLiteral("real"))), QStringList {"target.ini"});
}

// As on Windows: a writable file in a folder that takes no new file is rewritten in place.
TEST_F(IniFileTest, FolderWithoutRightsRewritesAWritableFileInPlace)
{
    const QString folder = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("locked")));
    const QString file = folder + QStringLiteral("/prefs.ini");
    WriteBytes(file, "[S]\r\nk=v\r\n");
    QFile::setPermissions(
        file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther);
    const auto noNewFiles = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(folder, noNewFiles);
    const ino_t before = Inode(file);
    const bool written
        = AsUnprivileged([&] { return IniFile(file).PutText(kS, kK, QStringLiteral("w")); });
    QFile::setPermissions(folder, noNewFiles | QFile::WriteOwner);
    EXPECT_TRUE(written);
    EXPECT_EQ(ReadBytes(file), QByteArray("[S]\r\nk=w\r\n"));
    EXPECT_EQ(Inode(file), before);
    EXPECT_EQ(Entries(folder), QStringList {"prefs.ini"});
}

} // namespace
