#include "settings/Preferences.h"
#include "common/TestSupport.h"
#include "settings/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Snapshot = PreferencesModel::Snapshot;

class PreferencesTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    void WriteIni(const QByteArray &text)
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    QByteArray IniBytes() const
    {
        QFile f(ini);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The overwrite policy as the three flags Ask, Overwrite, Rename: "100", "010", ...
    static QString Policy(const PreferencesModel &p)
    {
        return QString::number(p.Ask()) + QString::number(p.OverWrite())
            + QString::number(p.Rename());
    }

    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("Preferences.ini"));
    QString programDir = dir.path() + QLatin1Char('/');
    PreferencesModel prefs;
};

TEST_F(PreferencesTest, MissingFileGivesTheDefaultsAndCreatesNothing)
{
    prefs.SetOutputFile(QStringLiteral("/keep/out.avi"));
    prefs.SetOpenDir(false);
    prefs.SetExit(true);
    prefs.SetRename(true);
    prefs.LoadPreferences(ini, programDir);
    // The output file is the main window's to read.
    EXPECT_EQ(prefs.TakeSnapshot(),
              (Snapshot {QStringLiteral("/keep/out.avi"), programDir + QStringLiteral("temp/"),
                         true, false, false, true, false, false}));
    EXPECT_FALSE(QFile::exists(ini));
}

// The last policy flag that is set wins on load; all clear marks none; saving writes one choice.
TEST_F(PreferencesTest, PolicyFlagsLoadAndSaveAsOneChoice)
{
    const std::pair<const char *, const char *> cases[]
        = {{"Ask=1\r\nOverwrite=0\r\nRename=0", "100"},
           {"Ask=0\r\nOverwrite=1\r\nRename=1", "001"},
           {"Ask=1\r\nOverwrite=1\r\nRename=0", "010"},
           {"Ask=0\r\nOverwrite=0\r\nRename=0", "000"},
           {"Ask=0", "000"},
           {"Ask=-1\r\nOverwrite=x", "100"}};
    for (const auto &[flags, policy] : cases) {
        WriteIni(QByteArray("[Main]\r\n") + flags + "\r\n");
        PreferencesModel p;
        p.SetOverWrite(true);
        p.LoadPreferences(ini, programDir);
        EXPECT_EQ(Policy(p), QLatin1String(policy)) << flags;
        ASSERT_EQ(p.SavePreferences(ini), QString());
        const IniFile file(ini);
        QString saved;
        for (const char *key : {"Ask", "Overwrite", "Rename"})
            saved += file.GetText(QStringLiteral("Main"), QLatin1String(key), QString());
        EXPECT_EQ(saved, QLatin1String(policy)) << flags;
    }
}

TEST_F(PreferencesTest, SaveWritesTheEightKeysInOrderAndLoadReadsThemBack)
{
    WriteIni("[Main]\r\nVersion=2.0\r\nProfile=3\r\n\r\n[Default]\r\nAsk=1\r\n");
    prefs.SetTempDir(QStringLiteral("/tmp/Ünïcode work/"));
    prefs.SetOpenDir(false);
    prefs.SetExit(true);
    prefs.SetOverWrite(true);
    EXPECT_EQ(prefs.SavePreferences(ini), QString());
    EXPECT_EQ(IniBytes(),
              QByteArray("[Main]\r\nVersion=2.0\r\nProfile=3\r\nOutput File=\r\n"
                         "Temp Dir=/tmp/Ünïcode work/\r\nAuto Open Dir=0\r\nAuto Exit=1\r\n"
                         "Auto Turn Off=0\r\nAsk=0\r\nOverwrite=1\r\nRename=0\r\n\r\n"
                         "[Default]\r\nAsk=1\r\n"));
    PreferencesModel loaded;
    loaded.LoadPreferences(ini, programDir);
    EXPECT_EQ(loaded.TakeSnapshot(), prefs.TakeSnapshot());
}

// "Auto Open Dir" falls back to no here; the temporary folder is never read or changed.
TEST_F(PreferencesTest, LoadDefaultReadsTheDefaultSectionOnly)
{
    const QString temp = QStringLiteral("/chosen/temp/");
    const std::pair<const char *, Snapshot> cases[]
        = {{"[Main]\r\nOutput File=/main.avi\r\nAuto Open Dir=1\r\nAuto Exit=1\r\n",
            {QString(), temp, false, false, false, true, false, false}},
           {"[Default]\r\nOutput File=/v/j.mpg\r\nAuto Open Dir=1\r\nAuto Exit=1\r\n"
            "Auto Turn Off=1\r\nAsk=0\r\nOverwrite=0\r\nRename=1\r\n",
            {QStringLiteral("/v/j.mpg"), temp, true, true, true, false, false, true}}};
    for (const auto &[file, expected] : cases) {
        WriteIni(file);
        PreferencesModel p;
        p.SetOutputFile(QStringLiteral("/before.avi"));
        p.SetTempDir(temp);
        p.SetExit(true);
        p.LoadDefaultPreferences(ini);
        EXPECT_EQ(p.TakeSnapshot(), expected) << file;
        EXPECT_EQ(IniBytes(), QByteArray(file));
    }
}

TEST_F(PreferencesTest, RefusedWriteGivesTheErrorAndKeepsTheFile)
{
    WriteIni("[Main]\r\nTemp Dir=/old/\r\n");
    ASSERT_TRUE(QFile::setPermissions(ini, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    prefs.SetTempDir(QStringLiteral("/new/"));
    EXPECT_EQ(prefs.SavePreferences(ini), QStringLiteral("Unable to write to ") + ini);
    EXPECT_EQ(IniBytes(), QByteArray("[Main]\r\nTemp Dir=/old/\r\n"));
    EXPECT_EQ(prefs.TempDir(), QStringLiteral("/new/"));
}

// Marking a policy button clears the other two; clearing one touches nothing else.
TEST_F(PreferencesTest, PolicyIsOneChoiceOrNone)
{
    prefs.SetRename(true);
    prefs.SetAsk(false);
    EXPECT_EQ(Policy(prefs), QStringLiteral("001"));
    prefs.SetRename(false);
    EXPECT_EQ(Policy(prefs), QStringLiteral("000"));
    prefs.SetOverWrite(true);
    EXPECT_EQ(Policy(prefs), QStringLiteral("010"));
}

} // namespace
