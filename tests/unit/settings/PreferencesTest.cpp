#include "settings/Preferences.h"
#include "common/TestSupport.h"
#include "settings/IniFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Snapshot = PreferencesModel::Snapshot;

class PreferencesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_ini = m_dir.filePath(QStringLiteral("Preferences.ini"));
        m_programDir = m_dir.path() + QLatin1Char('/');
    }

    void WriteIni(const char *text)
    {
        QFile f(m_ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

    QByteArray IniBytes() const
    {
        QFile f(m_ini);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The policy as one letter: A(sk), O(verwrite), R(ename), - (none); "?" when several.
    static char Policy(const PreferencesModel &p)
    {
        const int marked = int(p.Ask()) + int(p.OverWrite()) + int(p.Rename());
        if (marked == 0)
            return '-';
        if (marked > 1)
            return '?';
        return p.Ask() ? 'A' : p.OverWrite() ? 'O' : 'R';
    }

    QTemporaryDir m_dir;
    QString m_ini;
    QString m_programDir;
    PreferencesModel prefs;
};

TEST_F(PreferencesTest, MissingFileGivesTheDefaultsAndCreatesNothing)
{
    prefs.SetOutputFile(QStringLiteral("/keep/out.avi"));
    prefs.SetOpenDir(false);
    prefs.SetExit(true);
    prefs.SetRename(true);
    prefs.LoadPreferences(m_ini, m_programDir);
    EXPECT_EQ(prefs.TempDir(), m_programDir + QStringLiteral("temp/"));
    EXPECT_TRUE(prefs.OpenDir());
    EXPECT_FALSE(prefs.Exit());
    EXPECT_FALSE(prefs.TurnOff());
    EXPECT_EQ(Policy(prefs), 'A');
    EXPECT_EQ(prefs.OutputFile(), QStringLiteral("/keep/out.avi")); // not kept in this read
    EXPECT_FALSE(QFile::exists(m_ini));
}

// The last policy flag that is set wins on load, and saving then writes one choice.
TEST_F(PreferencesTest, PolicyFlagsLoadAndSaveAsOneChoice)
{
    struct Case
    {
        const char *flags; // Ask=, Overwrite=, Rename= lines
        char policy;
    };
    const Case cases[] = {
        {"Ask=1\r\nOverwrite=0\r\nRename=0\r\n", 'A'},
        {"Ask=0\r\nOverwrite=1\r\nRename=1\r\n", 'R'},
        {"Ask=1\r\nOverwrite=1\r\nRename=0\r\n", 'O'},
        {"Ask=0\r\nOverwrite=0\r\nRename=0\r\n", '-'},
        {"Ask=0\r\n", '-'},
        {"Ask=-1\r\nOverwrite=x\r\n", 'A'},
    };
    const IniFile ini(m_ini);
    for (const Case &c : cases) {
        WriteIni(QByteArray(QByteArray("[Main]\r\n") + c.flags).constData());
        PreferencesModel p;
        p.SetOverWrite(true); // loading sets every button, whatever was marked before
        p.LoadPreferences(m_ini, m_programDir);
        EXPECT_EQ(Policy(p), c.policy) << c.flags;
        ASSERT_EQ(p.SavePreferences(m_ini), QString());
        QString saved;
        for (const char *key : {"Ask", "Overwrite", "Rename"})
            saved += ini.GetText(QStringLiteral("Main"), QLatin1String(key), QString());
        EXPECT_EQ(saved,
                  QLatin1String(c.policy == 'A'       ? "100"
                                    : c.policy == 'O' ? "010"
                                    : c.policy == 'R' ? "001"
                                                      : "000"))
            << c.flags;
    }
}

TEST_F(PreferencesTest, SaveWritesTheEightKeysInOrderAndLoadReadsThemBack)
{
    WriteIni("[Main]\r\nVersion=2.0\r\nProfile=3\r\n\r\n[Default]\r\nAsk=1\r\n");
    prefs.SetOutputFile(QString());
    prefs.SetTempDir(QStringLiteral("/tmp/Ünïcode work/"));
    prefs.SetOpenDir(false);
    prefs.SetExit(true);
    prefs.SetTurnOff(false);
    prefs.SetOverWrite(true);
    EXPECT_EQ(prefs.SavePreferences(m_ini), QString());

    EXPECT_EQ(IniBytes(),
              QByteArray("[Main]\r\nVersion=2.0\r\nProfile=3\r\nOutput File=\r\n"
                         "Temp Dir=/tmp/Ünïcode work/\r\nAuto Open Dir=0\r\n"
                         "Auto Exit=1\r\nAuto Turn Off=0\r\nAsk=0\r\nOverwrite=1\r\n"
                         "Rename=0\r\n\r\n[Default]\r\nAsk=1\r\n"));

    PreferencesModel loaded;
    loaded.LoadPreferences(m_ini, m_programDir);
    Snapshot expected = prefs.TakeSnapshot();
    expected.OutputFile = loaded.OutputFile();
    EXPECT_EQ(loaded.TakeSnapshot(), expected);
}

TEST_F(PreferencesTest, LoadDefaultReadsTheDefaultSectionOnly)
{
    struct Case
    {
        const char *file;
        Snapshot expected; // TempDir is the one set before, never read
    };
    const QString temp = QStringLiteral("/chosen/temp/");
    const Case cases[] = {
        {"[Main]\r\nOutput File=/main.avi\r\nAuto Open Dir=1\r\nAuto Exit=1\r\n",
         {QString(), temp, false, false, false, true, false, false}},
        {"[Default]\r\nOutput File=/v/joined.mpg\r\nAuto Open Dir=1\r\nAuto Exit=1\r\n"
         "Auto Turn Off=1\r\nAsk=0\r\nOverwrite=0\r\nRename=1\r\n",
         {QStringLiteral("/v/joined.mpg"), temp, true, true, true, false, false, true}},
        {"[Default]\r\nAsk=0\r\n", {QString(), temp, false, false, false, false, false, false}},
    };
    for (const Case &c : cases) {
        WriteIni(c.file);
        const QByteArray before = IniBytes();
        PreferencesModel p;
        p.SetOutputFile(QStringLiteral("/before.avi"));
        p.SetTempDir(temp);
        p.SetExit(true);
        p.LoadDefaultPreferences(m_ini);
        EXPECT_EQ(p.TakeSnapshot(), c.expected) << c.file;
        EXPECT_EQ(IniBytes(), before);
    }
}

TEST_F(PreferencesTest, RefusedWriteGivesTheErrorAndChangesNothing)
{
    WriteIni("[Main]\r\nTemp Dir=/old/\r\n");
    ASSERT_TRUE(
        QFile::setPermissions(m_ini, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QByteArray before = IniBytes();
    prefs.SetTempDir(QStringLiteral("/new/"));
    EXPECT_EQ(prefs.SavePreferences(m_ini), QStringLiteral("Unable to write to ") + m_ini);
    EXPECT_EQ(IniBytes(), before);
    EXPECT_EQ(prefs.TempDir(), QStringLiteral("/new/")); // the edited values stay

    const QString nowhere = m_dir.filePath(QStringLiteral("missing/Preferences.ini"));
    EXPECT_EQ(prefs.SavePreferences(nowhere), QStringLiteral("Unable to write to ") + nowhere);
    EXPECT_FALSE(QFile::exists(nowhere));
}

TEST_F(PreferencesTest, SnapshotRestoresEveryValueAndChangesAreSignalled)
{
    int changes = 0;
    QObject::connect(&prefs, &PreferencesModel::changed, [&] { ++changes; });
    prefs.LoadPreferences(m_ini, m_programDir);
    const Snapshot shown = prefs.TakeSnapshot();
    changes = 0;

    prefs.SetOutputFile(QStringLiteral("/o.avi"));
    prefs.SetOutputFile(QStringLiteral("/o.avi")); // no change, no signal
    prefs.SetTempDir(QStringLiteral("/t/"));
    prefs.SetOpenDir(false);
    prefs.SetExit(true);
    prefs.SetTurnOff(true);
    prefs.SetRename(true);
    prefs.SetAsk(false); // clearing another button touches nothing
    EXPECT_EQ(Policy(prefs), 'R');
    prefs.SetRename(false); // all three may be clear
    EXPECT_EQ(Policy(prefs), '-');
    EXPECT_EQ(changes, 7);

    prefs.RestoreSnapshot(shown);
    EXPECT_EQ(prefs.TakeSnapshot(), shown);
    EXPECT_EQ(changes, 8);
}

} // namespace
