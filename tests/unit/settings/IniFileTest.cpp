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

const QString kMissing = QStringLiteral("<default>");

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

// Runs fn as the unprivileged user "nobody" when the tests run as root, so that the rights of
// files and folders apply; otherwise runs it directly. Gives fn's answer.
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
        // Reachable by the unprivileged user of AsUnprivileged.
        QFile::setPermissions(dir.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                  | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                  | QFileDevice::ExeOther | QFileDevice::ReadGroup
                                  | QFileDevice::ExeGroup);
        path = dir.filePath(QStringLiteral("test.ini"));
    }

    QTemporaryDir dir;
    QString path;
};

// ---- Reading -----------------------------------------------------------------------------

struct ReadCase
{
    const char *name;
    const char *content;
    const char *section;
    const char *key;
    QString expected; // kMissing: the default comes back
};

class IniRead : public IniFileTest, public testing::WithParamInterface<ReadCase>
{
};

TEST_P(IniRead, FindsTheValueByTheWindowsRules)
{
    const ReadCase &c = GetParam();
    WriteBytes(path, c.content);
    const IniFile ini(path);
    EXPECT_EQ(ini.GetText(QString::fromUtf8(c.section), QString::fromUtf8(c.key), kMissing),
              c.expected);
}

const ReadCase kReadCases[] = {
    {"Plain", "[S]\r\nk=v\r\n", "S", "k", QStringLiteral("v")},
    {"SemicolonLineIsComment", "[S]\r\n;k=v\r\n", "S", ";k", kMissing},
    {"IndentedComment", "[S]\r\n  ;k=v\r\n", "S", ";k", kMissing},
    {"HashIsOrdinary", "[S]\r\n#k=v\r\n", "S", "#k", QStringLiteral("v")},
    {"NoEndOfLineComment", "[S]\r\nk=v ;x\r\n", "S", "k", QStringLiteral("v ;x")},
    {"SectionBlanksTrimmed", "[ S ]\r\nk=v\r\n", "S", "k", QStringLiteral("v")},
    {"TextAfterBracketIgnored", "[S] junk\r\nk=v\r\n", "S", "k", QStringLiteral("v")},
    {"SectionEndsAtFirstBracket", "[S]x]\r\nk=v\r\n", "S", "k", QStringLiteral("v")},
    {"KeyBeforeFirstSectionBelongsToNone", "k=v\r\n[S]\r\n", "", "k", kMissing},
    {"KeyBeforeFirstSectionNotInFirst", "k=v\r\n[S]\r\n", "S", "k", kMissing},
    {"BlanksAroundEverything", "[S]\r\n \t k \t = \t v w \t \r\n", "S", "k", QStringLiteral("v w")},
    {"LineWithoutEqualsIsNoKey", "[S]\r\nk\r\n", "S", "k", kMissing},
    {"EmptyKeyName", "[S]\r\n=v\r\n", "S", "", QStringLiteral("v")},
    {"EmptyValue", "[S]\r\nk=\r\n", "S", "k", QString()},
    {"EqualsInValue", "[S]\r\nk=a=b\r\n", "S", "k", QStringLiteral("a=b")},
    {"FirstDuplicateKeyCounts", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", QStringLiteral("1")},
    {"LaterDuplicateSectionIgnored", "[S]\r\nk=1\r\n[s]\r\nk=2\r\nj=3\r\n", "S", "j", kMissing},
    {"FirstDuplicateSectionCounts", "[S]\r\nk=1\r\n[s]\r\nk=2\r\n", "S", "k", QStringLiteral("1")},
    {"KeyOfOtherSectionNotFound", "[S]\r\n[T]\r\nk=v\r\n", "S", "k", kMissing},
    {"LowerCaseKeyFound", "[Video Codec]\r\nitems=3\r\n", "Video Codec", "Items",
     QStringLiteral("3")},
    {"LowerCaseSectionFound", "[main]\r\nVersion=1.5\r\n", "Main", "Version",
     QStringLiteral("1.5")},
    {"UnicodeCaseFolding",
     "[\xc3\x84RGER]\r\nSCHL\xc3\x9c"
     "SSEL=1\r\n",
     "\xc3\xa4rger", "schl\xc3\xbcssel", QStringLiteral("1")},
    {"DoubleQuotesRemoved", "[S]\r\nk=\"a b\"\r\n", "S", "k", QStringLiteral("a b")},
    {"SingleQuotesRemoved", "[S]\r\nk='a b'\r\n", "S", "k", QStringLiteral("a b")},
    {"QuotesKeepInnerBlanks", "[S]\r\nk=\" a \"\r\n", "S", "k", QStringLiteral(" a ")},
    {"MixedQuotesKept", "[S]\r\nk=\"a'\r\n", "S", "k", QStringLiteral("\"a'")},
    {"QuotedThenMoreKept", "[S]\r\nk=\"abc\"def\r\n", "S", "k", QStringLiteral("\"abc\"def")},
    {"LoneQuoteKept", "[S]\r\nk=\"\r\n", "S", "k", QStringLiteral("\"")},
    {"EmptyQuotes", "[S]\r\nk=''\r\n", "S", "k", QString()},
    {"LfLineEnds", "[S]\nj=1\nk=v\n", "S", "k", QStringLiteral("v")},
    {"CrLineEnds", "[S]\rj=1\rk=v\r", "S", "k", QStringLiteral("v")},
    {"NoFinalLineBreak", "[S]\r\nk=v", "S", "k", QStringLiteral("v")},
    {"ByteOrderMarkBeforeFirstSection", "\xef\xbb\xbf[S]\r\nk=v\r\n", "S", "k",
     QStringLiteral("v")},
    {"Utf8Value",
     "[S]\r\nk=Gr\xc3\xbc\xc3\x9f"
     "e \xf0\x9f\x8e\xac\r\n",
     "S", "k", QStringLiteral(u"Grüße 🎬")},
};

INSTANTIATE_TEST_SUITE_P(Rules, IniRead, testing::ValuesIn(kReadCases),
                         [](const auto &p) { return std::string(p.param.name); });

TEST_F(IniFileTest, LongValueIsCutToItsFirst2047Characters)
{
    const QString value(3000, QLatin1Char('a'));
    IniFile ini(path);
    ASSERT_TRUE(ini.PutText(QStringLiteral("S"), QStringLiteral("k"), value));
    EXPECT_EQ(ini.GetText(QStringLiteral("S"), QStringLiteral("k"), QString()), value.left(2047));

    // Counted in characters: a character outside the basic plane is never cut in two.
    const QString wide = QString(2046, QLatin1Char('a')) + QStringLiteral(u"🎬🎬");
    ASSERT_TRUE(ini.PutText(QStringLiteral("S"), QStringLiteral("k"), wide));
    EXPECT_EQ(ini.GetText(QStringLiteral("S"), QStringLiteral("k"), QString()),
              QString(2046, QLatin1Char('a')) + QStringLiteral(u"🎬"));
}

TEST_F(IniFileTest, NumbersAndFlagsFallBackToTheDefault)
{
    WriteBytes(path,
               "[S]\r\nhex=0x1A\r\nblank=  12\r\nbad=12abc\r\nempty=\r\nreal=1.5\r\n"
               "big=4294967296\r\nneg=-0x1A\r\ntwo=2\r\nminus=-1\r\nzero=0\r\n"
               "word=true\r\n");
    const IniFile ini(path);
    const struct
    {
        const char *key;
        int32_t number; // with default 77
        int flag; // with default no, and 1 - flag with default yes when it is the default
        bool isDefault;
    } cases[] = {{"hex", 26, 1, false},  {"blank", 12, 1, false}, {"bad", 77, 0, true},
                 {"empty", 77, 0, true}, {"real", 77, 0, true},   {"big", 77, 0, true},
                 {"neg", -26, 1, false}, {"two", 2, 1, false},    {"minus", -1, 1, false},
                 {"zero", 0, 0, false},  {"word", 77, 0, true},   {"missing", 77, 0, true}};
    for (const auto &c : cases) {
        const QString key = QString::fromLatin1(c.key);
        EXPECT_EQ(ini.GetNumber(QStringLiteral("S"), key, 77), c.number) << c.key;
        EXPECT_EQ(ini.GetFlag(QStringLiteral("S"), key, false), bool(c.flag)) << c.key;
        EXPECT_EQ(ini.GetFlag(QStringLiteral("S"), key, true), c.isDefault || c.flag) << c.key;
    }
}

// ---- Writing -----------------------------------------------------------------------------

struct WriteCase
{
    const char *name;
    const char *before; // nullptr: no file
    const char *section;
    const char *key;
    const char *value;
    const char *after;
};

class IniWrite : public IniFileTest, public testing::WithParamInterface<WriteCase>
{
};

TEST_P(IniWrite, ChangesOnlyTheKeysLine)
{
    const WriteCase &c = GetParam();
    if (c.before)
        WriteBytes(path, c.before);
    IniFile ini(path);
    ASSERT_TRUE(ini.PutText(QString::fromUtf8(c.section), QString::fromUtf8(c.key),
                            QString::fromUtf8(c.value)));
    EXPECT_EQ(ReadBytes(path), QByteArray(c.after));
}

const WriteCase kWriteCases[] = {
    {"NewFile", nullptr, "S", "k", "v", "[S]\r\nk=v\r\n"},
    {"EmptyFile", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
    {"ReplaceInPlaceKeepsComments", "; c\r\n[S]\r\nk = old\r\n; t\r\n", "S", "k", "new",
     "; c\r\n[S]\r\nk = new\r\n; t\r\n"},
    {"ReplaceKeepsFileSpelling", "[main]\r\nitems=1\r\n", "Main", "Items", "2",
     "[main]\r\nitems=2\r\n"},
    {"ReplaceEmptyValue", "[S]\r\nk=\r\nj=1\r\n", "S", "k", "v", "[S]\r\nk=v\r\nj=1\r\n"},
    {"NewKeyAfterLastKeyLine", "[S]\r\na=1\r\n; note\r\n\r\n[T]\r\nb=2\r\n", "S", "c", "3",
     "[S]\r\na=1\r\nc=3\r\n; note\r\n\r\n[T]\r\nb=2\r\n"},
    {"NewKeyInEmptySection", "[S]\r\n\r\n[T]\r\n", "S", "a", "1", "[S]\r\na=1\r\n\r\n[T]\r\n"},
    {"NewKeyAtEndWithoutLineBreak", "[S]\r\na=1", "S", "b", "2", "[S]\r\na=1\r\nb=2\r\n"},
    {"NewSectionAfterOneBlankLine", "[S]\r\na=1\r\n", "T", "b", "2",
     "[S]\r\na=1\r\n\r\n[T]\r\nb=2\r\n"},
    {"NewSectionWithoutLineBreak", "[S]\r\na=1", "T", "b", "2", "[S]\r\na=1\r\n\r\n[T]\r\nb=2\r\n"},
    {"NewSectionAfterExistingBlank", "[S]\r\na=1\r\n\r\n", "T", "b", "2",
     "[S]\r\na=1\r\n\r\n[T]\r\nb=2\r\n"},
    {"KeysBeforeAnySectionStay", "k=v\r\n", "S", "k", "w", "k=v\r\n\r\n[S]\r\nk=w\r\n"},
    {"WriteGoesToFirstDuplicateSection", "[S]\r\na=1\r\n[s]\r\nb=2\r\n", "S", "b", "3",
     "[S]\r\na=1\r\nb=3\r\n[s]\r\nb=2\r\n"},
    {"LfAndCrLinesBecomeCrLf", "[S]\na=1\r; x\n", "S", "a", "2", "[S]\r\na=2\r\n; x\r\n"},
    {"ByteOrderMarkKept", "\xef\xbb\xbf[S]\r\na=1\r\n", "S", "a", "2",
     "\xef\xbb\xbf[S]\r\na=2\r\n"},
    {"OtherBytesKeptExactly", "[S]\r\nlatin=\xe9t\xe9\r\na=1\r\n", "S", "a", "2",
     "[S]\r\nlatin=\xe9t\xe9\r\na=2\r\n"},
    {"LineBreaksInValueBecomeBlanks", "[S]\r\na=1\r\n", "S", "a", "x\r\ny\nz\r[Evil]\r\nk=v",
     "[S]\r\na=x y z [Evil] k=v\r\n"},
    {"LineBreaksInNamesBecomeBlanks", nullptr, "S\r\nT", "k\nx", "v", "[S T]\r\nk x=v\r\n"},
    {"Utf8Written", nullptr, "S", "k",
     "Gr\xc3\xbc\xc3\x9f"
     "e",
     "[S]\r\nk=Gr\xc3\xbc\xc3\x9f"
     "e\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Rules, IniWrite, testing::ValuesIn(kWriteCases),
                         [](const auto &p) { return std::string(p.param.name); });

TEST_F(IniFileTest, ValuesComeBackAsWritten)
{
    const struct
    {
        QString written;
        QString read;
    } cases[] = {
        {QString(), QString()},
        {QStringLiteral("plain"), QStringLiteral("plain")},
        {QStringLiteral("blanks inside"), QStringLiteral("blanks inside")},
        {QStringLiteral(u"Grüße 日本 🎬"), QStringLiteral(u"Grüße 日本 🎬")},
        {QStringLiteral("a=b;c"), QStringLiteral("a=b;c")},
        {QStringLiteral(";not a comment"), QStringLiteral(";not a comment")},
        {QStringLiteral("[not a section]"), QStringLiteral("[not a section]")},
        {QStringLiteral("C:\\out\\movie.avi"), QStringLiteral("C:\\out\\movie.avi")},
        // The file format itself trims blanks and one pair of quotes.
        {QStringLiteral("  padded  "), QStringLiteral("padded")},
        {QStringLiteral("\"quoted\""), QStringLiteral("quoted")},
        {QStringLiteral("two\nlines"), QStringLiteral("two lines")},
    };
    IniFile ini(path);
    for (const auto &c : cases) {
        ASSERT_TRUE(ini.PutText(QStringLiteral("S"), QStringLiteral("k"), c.written));
        ASSERT_TRUE(ini.PutText(QStringLiteral("S"), QStringLiteral("after"), QStringLiteral("x")));
        EXPECT_EQ(ini.GetText(QStringLiteral("S"), QStringLiteral("k"), kMissing), c.read);
        EXPECT_EQ(ini.GetText(QStringLiteral("S"), QStringLiteral("after"), kMissing),
                  QStringLiteral("x"));
    }
}

TEST_F(IniFileTest, NumbersAndFlagsAreWrittenAsDecimalText)
{
    const struct
    {
        int32_t number;
        const char *text;
    } numbers[]
        = {{-1, "-1"}, {0, "0"}, {26, "26"}, {INT32_MIN, "-2147483648"}, {INT32_MAX, "2147483647"}};
    IniFile ini(path);
    for (const auto &c : numbers) {
        ASSERT_TRUE(ini.PutNumber(QStringLiteral("S"), QStringLiteral("n"), c.number));
        EXPECT_EQ(ini.GetText(QStringLiteral("S"), QStringLiteral("n"), QString()),
                  QLatin1String(c.text));
        EXPECT_EQ(ini.GetNumber(QStringLiteral("S"), QStringLiteral("n"), 5), c.number);
    }
    ASSERT_TRUE(ini.PutFlag(QStringLiteral("S"), QStringLiteral("f"), true));
    EXPECT_EQ(ini.GetText(QStringLiteral("S"), QStringLiteral("f"), QString()),
              QStringLiteral("1"));
    ASSERT_TRUE(ini.PutFlag(QStringLiteral("S"), QStringLiteral("f"), false));
    EXPECT_EQ(ini.GetText(QStringLiteral("S"), QStringLiteral("f"), QString()),
              QStringLiteral("0"));
    EXPECT_TRUE(ini.ErrorText().isEmpty());
}

// ---- The file on disk --------------------------------------------------------------------

TEST_F(IniFileTest, ReadingAMissingFileCreatesNothing)
{
    const QString nested = dir.filePath(QStringLiteral("sub/none.ini"));
    const IniFile ini(nested);
    EXPECT_EQ(ini.GetText(QStringLiteral("Main"), QStringLiteral("k"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_EQ(ini.GetNumber(QStringLiteral("Main"), QStringLiteral("k"), 7), 7);
    EXPECT_TRUE(ini.GetFlag(QStringLiteral("Main"), QStringLiteral("k"), true));
    EXPECT_EQ(IniFile(path).GetText(QStringLiteral("Main"), QStringLiteral("k"), QString()),
              QString());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(IniFileTest, RefusedWritesLeaveTheFileAsItWas)
{
    const QByteArray content = "[S]\r\nk=v\r\n";
    const QString readOnly = dir.filePath(QStringLiteral("readonly.ini"));
    WriteBytes(readOnly, content);
    QFile::setPermissions(readOnly,
                          QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    const QString folder = dir.filePath(QStringLiteral("folder.ini"));
    QDir(dir.path()).mkdir(QStringLiteral("folder.ini"));

    const QString cases[]
        = {readOnly, dir.filePath(QStringLiteral("missing/dir.ini")), folder, QString()};
    for (const QString &target : cases) {
        IniFile ini(target);
        EXPECT_FALSE(ini.PutText(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("w")))
            << target.toStdString();
        EXPECT_EQ(ini.ErrorText(), QStringLiteral("Unable to write to ") + target);
    }
    EXPECT_EQ(ReadBytes(readOnly), content);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList {QStringLiteral("folder.ini"), QStringLiteral("readonly.ini")}));
}

TEST_F(IniFileTest, WriteReplacesTheFileKeepingItsPermissions)
{
    WriteBytes(path, "[S]\r\nk=v\r\n");
    const auto perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QFile::setPermissions(path, perms);
    const ino_t before = Inode(path);

    IniFile ini(path);
    ASSERT_TRUE(ini.PutText(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("w")));
    EXPECT_EQ(ReadBytes(path), QByteArray("[S]\r\nk=w\r\n"));
    EXPECT_EQ(QFile::permissions(path)
                  & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser),
              perms);
    // Written beside and renamed over: a reader never sees a half-written file.
    EXPECT_NE(Inode(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList {QStringLiteral("test.ini")});
}

TEST_F(IniFileTest, WriteThroughASymbolicLinkChangesItsTarget)
{
    QDir(dir.path()).mkdir(QStringLiteral("real"));
    const QString target = dir.filePath(QStringLiteral("real/target.ini"));
    WriteBytes(target, "[S]\r\nk=v\r\n");
    ASSERT_TRUE(QFile::link(QStringLiteral("real/target.ini"), path));

    IniFile ini(path);
    ASSERT_TRUE(ini.PutText(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("w")));
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(ReadBytes(target), QByteArray("[S]\r\nk=w\r\n"));
    EXPECT_EQ(ini.GetText(QStringLiteral("S"), QStringLiteral("k"), QString()),
              QStringLiteral("w"));
}

TEST_F(IniFileTest, FolderWithoutRightsRewritesAWritableFileInPlace)
{
    const QString folder = dir.filePath(QStringLiteral("locked"));
    QDir(dir.path()).mkdir(QStringLiteral("locked"));
    const QString file = folder + QStringLiteral("/prefs.ini");
    WriteBytes(file, "[S]\r\nk=v\r\n");
    const auto everyoneWrites = QFileDevice::ReadOwner | QFileDevice::WriteOwner
        | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther
        | QFileDevice::WriteOther;
    QFile::setPermissions(file, everyoneWrites);
    const auto noNewFiles = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
        | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    QFile::setPermissions(folder, noNewFiles);
    const ino_t before = Inode(file);

    const bool written = AsUnprivileged([&] {
        IniFile ini(file);
        return ini.PutText(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("w"));
    });
    // A new file in the folder is refused outright.
    const bool created = AsUnprivileged([&] {
        IniFile ini(folder + QStringLiteral("/new.ini"));
        return ini.PutText(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("w"));
    });
    QFile::setPermissions(folder, noNewFiles | QFileDevice::WriteOwner);

    EXPECT_TRUE(written);
    EXPECT_FALSE(created);
    EXPECT_EQ(ReadBytes(file), QByteArray("[S]\r\nk=w\r\n"));
    EXPECT_EQ(Inode(file), before);
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList {QStringLiteral("prefs.ini")});
}

TEST_F(IniFileTest, FileThatCannotBeReadIsNotOverwritten)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs a second user to take the rights away";
    const QByteArray content = "[S]\r\nsecret=1\r\n";
    WriteBytes(path, content);
    // Writable by everyone, readable by its owner only.
    QFile::setPermissions(path,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::WriteGroup
                              | QFileDevice::WriteOther);
    const bool written = AsUnprivileged([&] {
        IniFile ini(path);
        return ini.PutText(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("w"));
    });
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(path), content);
}

} // namespace
