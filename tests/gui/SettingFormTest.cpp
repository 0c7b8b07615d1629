// The Preferences dialog: Load Default, Cancel, Escape, the close box and OK, on the live
// preferences and Preferences.ini, and on the user's copy of an installed program.
#include "MainFormSupport.h"

#include "platform/UserFiles.h"
#include "settings/Preferences.h"
#include "ui/TSettingForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QRadioButton>

using namespace qvj;
using namespace qvj::mainwin;

namespace {

const QString kMainOutput = QStringLiteral("/main/window.avi");
const QString kOpened = kMainOutput + QStringLiteral("|/tmp/qvj-temp/|1001001");

class SettingDialog : public WindowTest
{
protected:
    void SetUp() override
    {
        test::WriteFile(Ini(),
                        "[Main]\r\nOutput File=/stored/out.avi\r\nTemp Dir=/tmp/qvj-temp/\r\n"
                        "Auto Open Dir=1\r\nAuto Exit=0\r\nAuto Turn Off=0\r\nAsk=1\r\n"
                        "[Default]\r\nOutput File=/default/out.avi\r\nAuto Open Dir=0\r\n"
                        "Auto Exit=1\r\nAsk=0\r\nRename=1\r\n");
        Start();
        form->edtOutputFile->setText(kMainOutput);
    }
    TSettingForm &dialog() { return *form->SettingForm; }

    // Each showing copies the main window's output file and takes the snapshot.
    void Open()
    {
        QTest::mouseClick(form->tbtnSetting, Qt::LeftButton);
        ASSERT_TRUE(dialog().isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), &dialog());
        before = test::ReadFile(Ini());
    }
    // The controls as one text: output, temp, three check boxes, three radio buttons, chapters.
    QString Shown()
    {
        QString s = dialog().edtOutputFile->text() + QLatin1Char('|') + dialog().edtTempDir->text()
            + QLatin1Char('|');
        for (QAbstractButton *b : std::initializer_list<QAbstractButton *> {
                 dialog().chkOpenDir, dialog().chkExit, dialog().chkTurnoff, dialog().rdbAsk,
                 dialog().rdbOverWrite, dialog().rdbRename, dialog().chkChapters})
            s += QLatin1Char(b->isChecked() ? '1' : '0');
        return s;
    }
    // Edits every control: the two paths, Turn off on, then Overwrite and Rename clicked (a
    // marked policy clicked again stays marked; marking another clears the first), chapters off.
    void Edit()
    {
        for (QLineEdit *edit : {dialog().edtTempDir, dialog().edtOutputFile}) {
            edit->selectAll();
            QTest::keyClicks(edit,
                             edit == dialog().edtTempDir ? "/tmp/elsewhere/" : "/new/out.avi");
        }
        dialog().chkTurnoff->setChecked(false);
        for (QAbstractButton *b :
             std::initializer_list<QAbstractButton *> {dialog().chkTurnoff, dialog().rdbOverWrite,
                                                       dialog().rdbRename, dialog().rdbRename})
            QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2));
        dialog().chkChapters->setChecked(true);
        dialog().chkChapters->click();
        dialog().chkKeepConverted->setChecked(true);
        dialog().chkKeepConverted->click();
    }

    QByteArray before;
};

// Each way of ending the dialog after the same edits. Cancel (also after Load Default) and Escape
// bring back what it opened with; the close box keeps the edits in the live preferences, which the
// next showing takes as its snapshot; only OK writes and sets the main output. A failed write shows
// its error and keeps the dialog open.
TEST_F(SettingDialog, EndingTheDialog)
{
    const QString edited = QStringLiteral("/new/out.avi|/tmp/elsewhere/|1010010");
    const struct
    {
        std::function<void()> end;
        QString after, mainOutput;
    } cases[] = {
        {[this, edited] { // Load Default asks first; Yes loads all but the temporary folder
             desktop.answers = {false, true};
             QString shown;
             for (int i = 0; i < 2; ++i) {
                 QTest::mouseClick(dialog().btnDefault, Qt::LeftButton);
                 shown += Shown() + QLatin1Char(' ');
             }
             EXPECT_EQ(shown,
                       edited + QStringLiteral(" /default/out.avi|/tmp/elsewhere/|0100011 "));
             QTest::mouseClick(dialog().btnCancel, Qt::LeftButton);
         },
         kOpened, kMainOutput},
        {[this] { QTest::keyClick(&dialog(), Qt::Key_Escape); }, kOpened, kMainOutput},
        {[this] { dialog().close(); }, edited, kMainOutput},
        {[this] {
             QFile::setPermissions(Ini(), QFile::ReadOwner);
             QTest::mouseClick(dialog().btnOK, Qt::LeftButton);
             QFile::setPermissions(Ini(), QFile::ReadOwner | QFile::WriteOwner);
             EXPECT_TRUE(dialog().isVisible());
             QTest::mouseClick(dialog().btnOK, Qt::LeftButton);
         },
         edited, QStringLiteral("/new/out.avi")},
    };
    for (const auto &c : cases) {
        Open();
        Edit();
        c.end();
        EXPECT_FALSE(dialog().isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(Shown(), c.after);
        EXPECT_EQ(form->edtOutputFile->text(), c.mainOutput);
        EXPECT_EQ(test::ReadFile(Ini()) == before, c.mainOutput == kMainOutput);
    }
    EXPECT_EQ(Calls(),
              QStringList(2,
                          QStringLiteral("question|Load Default|Are you sure to load "
                                         "the default preferences?"))
                  << "error|Quintor Video Joiner|Unable to write to " + Ini() + ".");
    const QByteArray ini = test::ReadFile(Ini());
    for (const char *line :
         {"Output File=/new/out.avi", "Temp Dir=/tmp/elsewhere/", "Auto Open Dir=1", "Auto Exit=0",
          "Auto Turn Off=1", "Ask=0", "Overwrite=0", "Rename=1", "Add Chapters=0",
          "Keep Converted=0", "Lower Priority=1"})
        EXPECT_TRUE(ini.contains(line)) << line;
}

// An installed program: the preferences are the user's copy, the version and the program's
// files the program directory's.
using InstalledProgram = WindowTest;
TEST_F(InstalledProgram, KeepsThePreferencesInTheUsersFolder)
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
