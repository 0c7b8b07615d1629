// An installed program: the preferences are the user's copy, the version and the program's
// files the program directory's.
#include "MainFormSupport.h"

#include "platform/UserFiles.h"
#include "settings/Preferences.h"
#include "ui/TSettingForm.h"

#include <QApplication>
#include <QRadioButton>

using namespace qvj;
using namespace qvj::mainwin;

namespace {

class UserPreferences : public WindowTest
{
};

TEST_F(UserPreferences, AnInstalledProgramKeepsThePreferencesInTheUsersFolder)
{
    const QByteArray shipped = "[Main]\r\nVersion=2.0\r\nProfile=4\r\n[Default]\r\n"
                               "Output File=/shipped/out.avi\r\nAsk=1\r\n";
    test::WriteFile(Ini(), shipped);
    QTemporaryDir home;
    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), home.path());
    const ProgramFiles files = LocateProgramFiles(Path(), env, false);
    ASSERT_EQ(test::ReadFile(files.preferences), shipped);
    // The user's copy is theirs: a [Default] of their own, read by Load Default.
    test::WriteFile(files.preferences,
                    "[Main]\r\nVersion=1.0\r\nProfile=1\r\n[Default]\r\n"
                    "Output File=/mine/out.avi\r\nRename=1\r\n");

    form = std::make_unique<TMainForm>(MainFormSetup {
        Path(), {}, QDir::currentPath(), &desktop, &dialogs, files.preferences, files.workDir});
    form->CreateDialogs();
    Show();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quintor Video Joiner V2.0"));
    EXPECT_EQ(form->cmbProfile->currentIndex(), 1);
    EXPECT_EQ(form->Preferences().TempDir(),
              home.path() + QStringLiteral("/.cache/quintor-video-joiner/temp/"));

    QTest::mouseClick(form->tbtnSetting, Qt::LeftButton);
    QTest::mouseClick(form->SettingForm->btnDefault, Qt::LeftButton);
    EXPECT_EQ(form->SettingForm->edtOutputFile->text(), QStringLiteral("/mine/out.avi"));
    EXPECT_TRUE(form->SettingForm->rdbRename->isChecked());
    QTest::mouseClick(form->SettingForm->btnOK, Qt::LeftButton);

    form->cmbProfile->setCurrentIndex(2);
    EXPECT_TRUE(form->close());
    const QByteArray mine = test::ReadFile(files.preferences);
    EXPECT_TRUE(mine.contains("Profile=2\r\n")) << mine.constData();
    EXPECT_TRUE(mine.contains("Rename=1\r\n")) << mine.constData();
    EXPECT_EQ(test::ReadFile(Ini()), shipped);
    EXPECT_EQ(Calls(),
              QStringList {QStringLiteral("question|Load Default|Are you sure to load "
                                          "the default preferences?")});
}

} // namespace
