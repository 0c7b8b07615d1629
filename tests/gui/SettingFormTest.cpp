// The Preferences dialog: showing, OK, Cancel, the close box, Load Default and the browse
// buttons, on the live preferences and Preferences.ini.
#include "MainFormSupport.h"

#include "settings/Preferences.h"
#include "ui/TAboutForm.h"
#include "ui/TSettingForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

using namespace qvj::mainwin;

namespace {

class SettingDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir.WriteIni("[Main]\r\nOutput File=/stored/out.avi\r\nTemp Dir=/tmp/qvj-temp/\r\n"
                     "Auto Open Dir=1\r\nAuto Exit=0\r\nAuto Turn Off=0\r\nAsk=1\r\n"
                     "[Default]\r\nOutput File=/default/out.avi\r\nAuto Open Dir=0\r\n"
                     "Auto Exit=1\r\nAsk=0\r\nRename=1\r\n");
        program = std::make_unique<Program>(dir);
        program->Show();
        form().edtOutputFile->setText(QStringLiteral("/main/window.avi"));
    }
    TMainForm &form() { return *program->form; }
    TSettingForm &dialog() { return *form().SettingForm; }
    PreferencesModel &prefs() { return form().Preferences(); }
    qvj::test::RecordingDesktop &desktop() { return program->desktop; }

    void Open()
    {
        QTest::mouseClick(form().tbtnSetting, Qt::LeftButton);
        ASSERT_TRUE(dialog().isVisible());
    }
    // The controls as one text: output, temp, three check boxes, three radio buttons.
    QString Shown()
    {
        QString s = dialog().edtOutputFile->text() + QLatin1Char('|') + dialog().edtTempDir->text()
            + QLatin1Char('|');
        for (QAbstractButton *b : std::initializer_list<QAbstractButton *> {
                 dialog().chkOpenDir, dialog().chkExit, dialog().chkTurnoff, dialog().rdbAsk,
                 dialog().rdbOverWrite, dialog().rdbRename})
            s += b->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }
    // Clicks a check box or radio button on its indicator (the middle of a wide button is
    // outside the part that takes clicks).
    static void Tick(QAbstractButton *button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    // Types into a box as a user does.
    static void Type(QLineEdit *edit, const QString &text)
    {
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    ProgramDir dir;
    std::unique_ptr<Program> program;
};

TEST_F(SettingDialog, ItsControlsAndCaptions)
{
    EXPECT_EQ(dialog().windowTitle(), QStringLiteral("Settings"));
    EXPECT_EQ(dialog().size(), QSize(391, 380));
    EXPECT_EQ(dialog().edtOutputFile->width(), 225);
    EXPECT_EQ(dialog().edtTempDir->width(), 225);
    EXPECT_EQ(dialog().chkOpenDir->text(),
              QStringLiteral("Open the output directory when the task is completed. "));
    EXPECT_EQ(dialog().chkExit->text(),
              QStringLiteral("Exit the program when the task is completed."));
    EXPECT_EQ(dialog().chkTurnoff->text(),
              QStringLiteral("Turn off the computer when the task is completed."));
    EXPECT_EQ(dialog().gpbOverWrite->title(), QStringLiteral("Output File Overwrite"));
    EXPECT_EQ(dialog().rdbAsk->text(), QStringLiteral("Ask me."));
    EXPECT_EQ(dialog().rdbOverWrite->text(), QStringLiteral("Overwrite"));
    EXPECT_EQ(dialog().rdbRename->text(),
              QStringLiteral("Not overwrite (Rename to <Filename> + Index"));
    EXPECT_EQ(dialog().btnDefault->text(), QStringLiteral("&Load Default"));
    EXPECT_EQ(dialog().btnOK->text(), QStringLiteral("&OK"));
    EXPECT_EQ(dialog().btnCancel->text(), QStringLiteral("&Cancel"));
    // Loaded at creation, from section Main.
    EXPECT_EQ(prefs().TempDir(), QStringLiteral("/tmp/qvj-temp/"));
}

TEST_F(SettingDialog, ShowingCopiesTheMainOutputAndBlocksTheMainWindow)
{
    Open();
    EXPECT_EQ(Shown(), QStringLiteral("/main/window.avi|/tmp/qvj-temp/|100100"));
    EXPECT_EQ(QApplication::activeModalWidget(), &dialog());
    // A click on the main window does not reach it.
    QTest::mouseClick(form().windowHandle(), Qt::LeftButton, {},
                      form().tbtnAbout->mapTo(&form(), form().tbtnAbout->rect().center()));
    EXPECT_FALSE(form().AboutForm->isVisible());
}

TEST_F(SettingDialog, OkStoresEverythingAndSetsTheMainOutput)
{
    Open();
    Type(dialog().edtTempDir, QStringLiteral("/tmp/elsewhere/"));
    Tick(dialog().chkExit);
    Tick(dialog().rdbRename);
    Type(dialog().edtOutputFile, QStringLiteral("/new/out.avi"));
    QTest::mouseClick(dialog().btnOK, Qt::LeftButton);

    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(form().edtOutputFile->text(), QStringLiteral("/new/out.avi"));
    const QByteArray ini = dir.ReadIni();
    for (const char *line :
         {"Output File=/new/out.avi", "Temp Dir=/tmp/elsewhere/", "Auto Open Dir=1", "Auto Exit=1",
          "Auto Turn Off=0", "Ask=0", "Overwrite=0", "Rename=1"})
        EXPECT_TRUE(ini.contains(line)) << line;
    EXPECT_TRUE(prefs().Rename());
    EXPECT_TRUE(prefs().Exit());
}

TEST_F(SettingDialog, CancelBringsBackWhatTheDialogOpenedWith)
{
    Open();
    const QByteArray before = dir.ReadIni();
    Type(dialog().edtTempDir, QStringLiteral("/tmp/elsewhere/"));
    Type(dialog().edtOutputFile, QStringLiteral("/new/out.avi"));
    Tick(dialog().chkTurnoff);
    Tick(dialog().rdbOverWrite);
    QTest::mouseClick(dialog().btnCancel, Qt::LeftButton);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(Shown(), QStringLiteral("/main/window.avi|/tmp/qvj-temp/|100100"));
    EXPECT_EQ(prefs().TempDir(), QStringLiteral("/tmp/qvj-temp/"));
    EXPECT_EQ(form().edtOutputFile->text(), QStringLiteral("/main/window.avi"));
    EXPECT_EQ(dir.ReadIni(), before);

    // Escape is Cancel too.
    Open();
    Type(dialog().edtTempDir, QStringLiteral("/tmp/x/"));
    QTest::keyClick(&dialog(), Qt::Key_Escape);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(prefs().TempDir(), QStringLiteral("/tmp/qvj-temp/"));
}

TEST_F(SettingDialog, TheCloseBoxKeepsTheEditsAndWritesNothing)
{
    Open();
    const QByteArray before = dir.ReadIni();
    Tick(dialog().chkExit);
    Type(dialog().edtOutputFile, QStringLiteral("/new/out.avi"));
    EXPECT_TRUE(dialog().close());
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(prefs().Exit());
    EXPECT_EQ(form().edtOutputFile->text(), QStringLiteral("/main/window.avi"));
    EXPECT_EQ(dir.ReadIni(), before);
    // Enter confirms nothing either.
    Open();
    QTest::keyClick(dialog().edtTempDir, Qt::Key_Return);
    EXPECT_TRUE(dialog().isVisible());
    // The next showing takes the kept edits as its snapshot.
    QTest::mouseClick(dialog().btnCancel, Qt::LeftButton);
    EXPECT_TRUE(prefs().Exit());
}

TEST_F(SettingDialog, LoadDefaultAsksFirst)
{
    Open();
    desktop().answers = {false, true};
    QTest::mouseClick(dialog().btnDefault, Qt::LeftButton);
    EXPECT_EQ(Shown(), QStringLiteral("/main/window.avi|/tmp/qvj-temp/|100100"));
    QTest::mouseClick(dialog().btnDefault, Qt::LeftButton);
    // The temporary folder is not part of the defaults.
    EXPECT_EQ(Shown(), QStringLiteral("/default/out.avi|/tmp/qvj-temp/|010001"));
    const auto asked = desktop().Of(QStringLiteral("question"));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].title, QStringLiteral("Load Default"));
    EXPECT_EQ(asked[0].text, QStringLiteral("Are you sure to load the default preferences?"));
    // Nothing is written until OK; Cancel brings the opening values back.
    QTest::mouseClick(dialog().btnCancel, Qt::LeftButton);
    EXPECT_EQ(Shown(), QStringLiteral("/main/window.avi|/tmp/qvj-temp/|100100"));
}

TEST_F(SettingDialog, BrowseButtons)
{
    Open();
    ScriptedDialogs &dialogs = program->dialogs;
    dialogs.outputFiles = {QStringLiteral("/chosen/file.avi")};
    QTest::mouseClick(dialog().SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(dialog().edtOutputFile->text(), QStringLiteral("/chosen/file.avi"));
    EXPECT_EQ(dialogs.saveFilters, QStringList {form().SaveDialogFilter()});
    ASSERT_EQ(dialogs.saveOwners.size(), 1u);
    EXPECT_EQ(dialogs.saveOwners[0], &dialog());
    // The main window's box changes only with OK.
    EXPECT_EQ(form().edtOutputFile->text(), QStringLiteral("/main/window.avi"));
    QTest::mouseClick(dialog().SpeedButton1, Qt::LeftButton); // cancelled
    EXPECT_EQ(dialog().edtOutputFile->text(), QStringLiteral("/chosen/file.avi"));

    const struct
    {
        QString chosen;
        QString shown;
    } folders[] = {{QStringLiteral("/work"), QStringLiteral("/work/")},
                   {QStringLiteral("/"), QStringLiteral("/")},
                   {QString(), QStringLiteral("/")}}; // cancelled: unchanged
    for (const auto &f : folders) {
        dialogs.folders = {f.chosen};
        QTest::mouseClick(dialog().SpeedButton2, Qt::LeftButton);
        EXPECT_EQ(dialog().edtTempDir->text(), f.shown) << f.chosen.toStdString();
    }
    EXPECT_EQ(dialogs.folderTitles.first(), QStringLiteral("Select the output directory."));
}

TEST_F(SettingDialog, AFailedSaveIsShownAndTheDialogStaysOpen)
{
    Open();
    Type(dialog().edtOutputFile, QStringLiteral("/new/out.avi"));
    QFile::setPermissions(dir.Ini(), QFile::ReadOwner);
    QTest::mouseClick(dialog().btnOK, Qt::LeftButton);
    QFile::setPermissions(dir.Ini(), QFile::ReadOwner | QFile::WriteOwner);
    const auto errors = desktop().Of(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].text, QStringLiteral("Unable to write to ") + dir.Ini() + QLatin1Char('.'));
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_EQ(form().edtOutputFile->text(), QStringLiteral("/new/out.avi"));
}

TEST_F(SettingDialog, MarkingAPolicyTwiceKeepsItMarked)
{
    Open();
    Tick(dialog().rdbAsk);
    EXPECT_TRUE(dialog().rdbAsk->isChecked());
    EXPECT_TRUE(prefs().Ask());
    Tick(dialog().rdbOverWrite);
    std::cerr << "DBG ask=" << prefs().Ask() << " ow=" << prefs().OverWrite()
              << " shownask=" << dialog().rdbAsk->isChecked()
              << " ow=" << dialog().rdbOverWrite->isChecked() << "\n";
    EXPECT_FALSE(dialog().rdbAsk->isChecked());
    EXPECT_TRUE(dialog().rdbOverWrite->isChecked());
}

} // namespace
