#include "settings/IniFile.h"
#include "common/TestSupport.h"
#include "settings/NumberSyntax.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <optional>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using qvj::test::ReadFile;
using qvj::test::WriteFile;

const QString kDefault = QStringLiteral("<default>");
const QString kS = QStringLiteral("S");
const QString kK = QStringLiteral("k");

ino_t Inode(const QString &path)
{
    struct stat st = {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

QStringList Entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
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
                                  | QFile::ReadOther | QFile::ExeOther);
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("test.ini"));
};

TEST_F(IniFileTest, ReadsByTheWindowsRules)
{
    const struct
    {
        const char *content, *section, *key;
        const char *value; // nullptr: the default comes back
    } cases[] = {
        {"[S]\r\n  ;k=v\r\n", "S", ";k", nullptr},
        {"[S]\r\n#k=v\r\n", "S", "#k", "v"},
        {"[S]\r\nk=v ;x\r\n", "S", "k", "v ;x"},
        {"[ S ]x] junk\r\nk=v\r\n", "S", "k", "v"},
        {"k=v\r\n[S]\r\n", "S", "k", nullptr},
        {"[S]\r\n \t k \t = \t v w \t \r\n", "S", "k", "v w"},
        {"[S]\r\nk\r\n", "S", "k", nullptr},
        {"[S]\r\n=v\r\n", "S", "", "v"},
        {"[S]\r\nk=1\r\nk=2\r\n[s]\r\nk=3\r\nj=4\r\n", "S", "k", "1"},
        {"[S]\r\nk=1\r\nk=2\r\n[s]\r\nk=3\r\nj=4\r\n", "S", "j", nullptr},
        {"[ÄRGER]\r\nSCHLÜSSEL=1\r\n", "ärger", "schlüssel", "1"},
        {"[S]\r\nk=\"a b\"\r\n", "S", "k", "a b"},
        {"[S]\r\nk=\"abc\"def\r\n", "S", "k", "\"abc\"def"},
        {"[S]\r\nk=\"\r\n", "S", "k", "\""},
        {"[S]\nj=1\nk=v\n", "S", "k", "v"},
        {"[S]\rj=1\rk=v", "S", "k", "v"},
        {"\xef\xbb\xbf[S]\r\nk=v\r\n", "S", "k", "v"},
    };
    for (const auto &c : cases) {
        WriteFile(path, c.content);
        EXPECT_EQ(
            IniFile(path).GetText(QString::fromUtf8(c.section), QString::fromUtf8(c.key), kDefault),
            c.value ? QString::fromUtf8(c.value) : kDefault)
            << c.content;
    }
}

// The number syntax reads the whole text as one number: decimal within 32 bits; hexadecimal
// behind $, x, X, 0x or 0X with up to eight digits taken as a 32-bit pattern. GetNumber gives the
// default (77 here) for anything else; GetFlag is GetNumber with 1 or 0 as default.
TEST_F(IniFileTest, NumbersAndFlags)
{
    const auto check = [&](const char *text, std::optional<int32_t> number) {
        EXPECT_EQ(ParseWholeNumber(QString::fromUtf8(text)), number) << text;
        WriteFile(path, QByteArray("[S]\r\nk=") + text + "\r\n");
        const IniFile ini(path);
        EXPECT_EQ(ini.GetNumber(kS, kK, 77), number.value_or(77)) << text;
        EXPECT_EQ(ini.GetFlag(kS, kK, false), number.value_or(0) != 0) << text;
        EXPECT_EQ(ini.GetFlag(kS, kK, true), number.value_or(1) != 0) << text;
    };
    const std::pair<const char *, int32_t> numbers[]
        = {{"12", 12},        {"+12", 12},       {" \t-12", -12}, {"$1A", 26},
           {"x1A", 26},       {"X1a", 26},       {"0X1a", 26},    {"-0x1A", -26},
           {"$FFFFFFFF", -1}, {"-$FFFFFFFF", 1}, {"0", 0}};
    for (const auto &[text, number] : numbers)
        check(text, number);
    check("$80000000", INT32_MIN);
    check("2147483647", INT32_MAX);
    check("-2147483648", INT32_MIN);
    for (const char *text :
         {"2147483648", "-2147483649", "4294967296", "$00000000A", "$1G", "0x+1", "", "12abc",
          "1.5", "- 1", "--1", "0x", "true", "\xef\xbc\x91\xef\xbc\x92"})
        check(text, std::nullopt);
}

TEST_F(IniFileTest, WritesChangeOnlyTheirKeysLine)
{
    const struct
    {
        const char *before; // nullptr: no file
        const char *section, *key, *value, *after;
    } cases[] = {
        {nullptr, "S", "k", "v", "[S]\r\nk=v\r\n"},
        {"; c\r\n[s]\r\nK = old\r\n; t\r\n", "S", "k", "new", "; c\r\n[s]\r\nK = new\r\n; t\r\n"},
        {"[S]\r\na=1\r\n; note\r\n\r\n[T]\r\nb=2\r\n", "S", "c", "3",
         "[S]\r\na=1\r\nc=3\r\n; note\r\n\r\n[T]\r\nb=2\r\n"},
        {"[S]\r\n\r\n[T]\r\n", "S", "a", "1", "[S]\r\na=1\r\n\r\n[T]\r\n"},
        {"[S]\r\na=1", "S", "b", "2", "[S]\r\na=1\r\nb=2\r\n"},
        {"[S]\r\na=1\r\n\r\n", "T", "b", "2", "[S]\r\na=1\r\n\r\n[T]\r\nb=2\r\n"},
        {"k=v\r\n", "S", "k", "w", "k=v\r\n\r\n[S]\r\nk=w\r\n"},
        {"[S]\r\na=1\r\n[s]\r\nb=2\r\n", "S", "b", "3", "[S]\r\na=1\r\nb=3\r\n[s]\r\nb=2\r\n"},
        {"\xef\xbb\xbf[S]\na=1\r; x\n", "S", "a", "2", "\xef\xbb\xbf[S]\r\na=2\r\n; x\r\n"},
        {"[S]\r\nlatin=\xe9t\xe9\r\na=1\r\n", "S", "a", "2", "[S]\r\nlatin=\xe9t\xe9\r\na=2\r\n"},
        // No write can add lines, keys or sections of its own.
        {"[S]\r\na=1\r\n", "S", "a", "x\r\ny\nz\r[Evil]\r\nk=v", "[S]\r\na=x y z [Evil] k=v\r\n"},
        {nullptr, "S\r\nT", "k\nx", "v", "[S T]\r\nk x=v\r\n"},
    };
    for (const auto &c : cases) {
        QFile::remove(path);
        if (c.before)
            WriteFile(path, c.before);
        ASSERT_TRUE(IniFile(path).PutText(QString::fromUtf8(c.section), QString::fromUtf8(c.key),
                                          QString::fromUtf8(c.value)));
        EXPECT_EQ(ReadFile(path), QByteArray(c.after)) << c.before;
    }
}

// A value comes back as written, cut to 2047 characters but never inside a character outside
// the basic plane.
TEST_F(IniFileTest, ValuesComeBackAsWritten)
{
    IniFile ini(path);
    const QString a2046(2046, QLatin1Char('a'));
    const std::pair<QString, QString> texts[]
        = {{QString(), QString()},
           {QStringLiteral("a=b;c"), QStringLiteral("a=b;c")},
           {QStringLiteral(u"Grüße 🎬"), QStringLiteral(u"Grüße 🎬")},
           {QString(3000, QLatin1Char('a')), QString(2047, QLatin1Char('a'))},
           {a2046 + QStringLiteral(u"🎬🎬"), a2046 + QStringLiteral(u"🎬")}};
    for (const auto &[written, read] : texts) {
        ASSERT_TRUE(ini.PutText(kS, kK, written));
        EXPECT_EQ(ini.GetText(kS, kK, kDefault), read);
    }
    ASSERT_TRUE(ini.PutNumber(kS, kK, -1) && ini.PutFlag(kS, QStringLiteral("f"), true));
    EXPECT_EQ(ini.GetText(kS, kK, kDefault) + ini.GetText(kS, QStringLiteral("f"), kDefault),
              QStringLiteral("-11"));
}

// A read of a missing file creates nothing; a write to a read-only file, a missing folder or a
// folder in the file's place is refused and changes nothing.
TEST_F(IniFileTest, FailedAccessLeavesEverythingAsItWas)
{
    EXPECT_EQ(IniFile(dir.filePath(QStringLiteral("sub/none.ini"))).GetText(kS, kK, kDefault),
              kDefault);
    const QString readOnly = dir.filePath(QStringLiteral("readonly.ini"));
    WriteFile(readOnly, "[S]\r\nk=v\r\n");
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadOther);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.ini")));
    for (const QString &target : {readOnly, dir.filePath(QStringLiteral("missing/dir.ini")),
                                  dir.filePath(QStringLiteral("folder.ini"))}) {
        IniFile ini(target);
        EXPECT_FALSE(ini.PutText(kS, kK, QStringLiteral("w"))) << target.toStdString();
        EXPECT_EQ(ini.ErrorText(), QStringLiteral("Unable to write to ") + target);
    }
    EXPECT_EQ(ReadFile(readOnly), QByteArray("[S]\r\nk=v\r\n"));
    EXPECT_EQ(Entries(dir.path()), QStringList({"folder.ini", "readonly.ini"}));
}

// Written beside and renamed over, so a reader never sees a half-written file; through a
// symbolic link to its target, keeping the target's permissions.
TEST_F(IniFileTest, WriteReplacesTheTargetKeepingItsPermissions)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("real")));
    const QString target = dir.filePath(QStringLiteral("real/target.ini"));
    WriteFile(target, "[S]\r\nk=v\r\n");
    const auto perms = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QFile::setPermissions(target, perms);
    ASSERT_TRUE(QFile::link(QStringLiteral("real/target.ini"), path));
    const ino_t before = Inode(target);
    ASSERT_TRUE(IniFile(path).PutText(kS, kK, QStringLiteral("w")));
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(ReadFile(target), QByteArray("[S]\r\nk=w\r\n"));
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
    WriteFile(file, "[S]\r\nk=v\r\n");
    QFile::setPermissions(
        file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther);
    const auto noNewFiles = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(folder, noNewFiles);
    const ino_t before = Inode(file);
    const bool written
        = AsUnprivileged([&] { return IniFile(file).PutText(kS, kK, QStringLiteral("w")); });
    QFile::setPermissions(folder, noNewFiles | QFile::WriteOwner);
    EXPECT_TRUE(written);
    EXPECT_EQ(ReadFile(file), QByteArray("[S]\r\nk=w\r\n"));
    EXPECT_EQ(Inode(file), before);
    EXPECT_EQ(Entries(folder), QStringList {"prefs.ini"});
}

} // namespace
