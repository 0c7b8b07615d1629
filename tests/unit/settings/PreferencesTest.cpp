#include "settings/Preferences.h"
#include "common/TestSupport.h"
#include "settings/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using qvj::test::ReadFile;
using qvj::test::WriteFile;
using Snapshot = PreferencesModel::Snapshot;

// The overwrite policy as the three flags Ask, Overwrite, Rename: "100", "010", ...
QString Policy(const PreferencesModel &p)
{
    return QString::number(p.Ask()) + QString::number(p.OverWrite()) + QString::number(p.Rename());
}

class PreferencesTest : public testing::Test
{
protected:
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("Preferences.ini"));
    QString programDir = dir.path() + QLatin1Char('/');
    PreferencesModel prefs;
};

// The output file is the main window's to read, so a load leaves it.
TEST_F(PreferencesTest, MissingFileGivesTheDefaultsAndCreatesNothing)
{
    prefs.SetOutputFile(QStringLiteral("/keep/out.avi"));
    prefs.SetOpenDir(false);
    prefs.SetRename(true);
    prefs.LoadPreferences(ini, programDir);
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
           {"Ask=0\r\nOverwrite=0\r\nRename=0", "000"},
           {"Ask=-1\r\nOverwrite=x", "100"}};
    for (const auto &[flags, policy] : cases) {
        WriteFile(ini, QByteArray("[Main]\r\n") + flags + "\r\n");
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

TEST_F(PreferencesTest, SaveWritesEveryKeyInOrderAndLoadReadsThemBack)
{
    WriteFile(ini,
              "[Main]\r\nVersion=2.0\r\nProfile=3\r\nKept Files Limit=5\r\n\r\n"
              "[Default]\r\nAsk=1\r\n");
    prefs.SetTempDir(QStringLiteral("/tmp/Ünïcode work/"));
    prefs.SetOpenDir(false);
    prefs.SetExit(true);
    prefs.SetOverWrite(true);
    prefs.SetChapters(false);
    prefs.SetLowPriority(false);
    prefs.SetKeepDates(false);
    prefs.SetEvenLoudness(true);
    prefs.SetCrossfade(1.5);
    EXPECT_EQ(prefs.KeptLimitBytes(), 20'000'000'000);
    EXPECT_EQ(prefs.SavePreferences(ini), QString());
    EXPECT_EQ(ReadFile(ini),
              QByteArray("[Main]\r\nVersion=2.0\r\nProfile=3\r\nKept Files Limit=5\r\n"
                         "Output File=\r\nTemp Dir=/tmp/Ünïcode work/\r\nAuto Open Dir=0\r\n"
                         "Auto Exit=1\r\nAuto Turn Off=0\r\nAsk=0\r\nOverwrite=1\r\nRename=0\r\n"
                         "Add Chapters=0\r\nKeep Converted=1\r\nLower Priority=0\r\n"
                         "Keep Dates=0\r\nEven Loudness=1\r\nCrossfade=1.5\r\n\r\n"
                         "[Default]\r\nAsk=1\r\n"));
    PreferencesModel loaded;
    loaded.LoadPreferences(ini, programDir);
    EXPECT_EQ(loaded.TakeSnapshot(), prefs.TakeSnapshot());
    EXPECT_EQ(loaded.KeptLimitBytes(), 5'000'000'000);
    // Chapters, keeping, the lower priority and the dates are on where a file says nothing of
    // them, and Load Default restores them.
    loaded.LoadDefaultPreferences(ini);
    EXPECT_TRUE(loaded.Chapters());
    EXPECT_TRUE(loaded.KeepConverted());
    EXPECT_TRUE(loaded.LowPriority());
    EXPECT_TRUE(loaded.KeepDates());
    EXPECT_FALSE(loaded.EvenLoudness());
    EXPECT_EQ(loaded.Crossfade(), 0);
}

// A crossfade's length as the ini file or the command line gives it: none (0), or 0.2 to 5
// seconds written with a point; anything else is no length.
TEST(CrossfadeSeconds, ReadsNoneOrALengthInRangeAndNothingElse)
{
    const std::pair<const char *, std::optional<double>> cases[]
        = {{"1.5", 1.5}, {" 0.2 ", 0.2}, {"5", 5.0},  {"0", 0.0},  {"0.1", {}}, {"5.5", {}},
           {"-1", {}},   {"1,5", {}},    {"nan", {}}, {"inf", {}}, {"", {}},    {"1.5s", {}}};
    for (const auto &[text, seconds] : cases)
        EXPECT_EQ(ParseCrossfadeSeconds(QLatin1String(text)), seconds) << text;
}

// Without a "Default" section every value is the default, "Auto Open Dir" no among them; the
// temporary folder is never read or changed, and nothing is written.
TEST_F(PreferencesTest, LoadDefaultWithoutTheDefaultSection)
{
    const QByteArray file = "[Main]\r\nOutput File=/main.avi\r\nAuto Open Dir=1\r\nAsk=0\r\n";
    WriteFile(ini, file);
    prefs.SetOutputFile(QStringLiteral("/before.avi"));
    prefs.SetTempDir(QStringLiteral("/chosen/temp/"));
    prefs.SetExit(true);
    prefs.LoadDefaultPreferences(ini);
    EXPECT_EQ(prefs.TakeSnapshot(),
              (Snapshot {QString(), QStringLiteral("/chosen/temp/"), false, false, false, true,
                         false, false}));
    EXPECT_EQ(ReadFile(ini), file);
}

} // namespace
