// The Preferences dialog: OK, Cancel, the close box and Load Default, on the live preferences and
// Preferences.ini.
#include "MainFormSupport.h"

#include "settings/Preferences.h"
#include "ui/TSettingForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

using namespace qvj;
using namespace qvj::mainwin;

namespace {

const QString kOpened = QStringLiteral("/main/window.avi|/tmp/qvj-temp/|100100");

class SettingDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::WriteFile(dir.Ini(),
                        "[Main]\r\nOutput File=/stored/out.avi\r\nTemp Dir=/tmp/qvj-temp/\r\n"
                        "Auto Open Dir=1\r\nAuto Exit=0\r\nAuto Turn Off=0\r\nAsk=1\r\n"
                        "[Default]\r\nOutput File=/default/out.avi\r\nAuto Open Dir=0\r\n"
                        "Auto Exit=1\r\nAsk=0\r\nRename=1\r\n");
        program = std::make_unique<Program>(dir);
        program->Show();
        form().edtOutputFile->setText(QStringLiteral("/main/window.avi"));
    }
    TMainForm &form() { return *program->form; }
    TSettingForm &dialog() { return *form().SettingForm; }

    // Each showing copies the main window's output file and takes the snapshot.
    void Open()
    {
        QTest::mouseClick(form().tbtnSetting, Qt::LeftButton);
        ASSERT_TRUE(dialog().isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), &dialog());
        before = test::ReadFile(dir.Ini());
    }
    // The controls as one text: output, temp, three check boxes, three radio buttons.
    QString Shown()
    {
        QString s = dialog().edtOutputFile->text() + QLatin1Char('|') + dialog().edtTempDir->text()
            + QLatin1Char('|');
        for (QAbstractButton *b : std::initializer_list<QAbstractButton *> {
                 dialog().chkOpenDir, dialog().chkExit, dialog().chkTurnoff, dialog().rdbAsk,
                 dialog().rdbOverWrite, dialog().rdbRename})
            s += QLatin1Char(b->isChecked() ? '1' : '0');
        return s;
    }
    // Clicks a check box or radio button on its indicator.
    static void Tick(QAbstractButton *button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    void Edit()
    {
        for (QLineEdit *edit : {dialog().edtTempDir, dialog().edtOutputFile}) {
            edit->selectAll();
            QTest::keyClicks(edit,
                             edit == dialog().edtTempDir ? "/tmp/elsewhere/" : "/new/out.avi");
        }
        Tick(dialog().chkTurnoff);
    }

    ProgramDir dir;
    std::unique_ptr<Program> program;
    QByteArray before;
};

// A failed write shows its error and keeps the dialog open; the next OK stores everything.
TEST_F(SettingDialog, OkStoresEverythingAndSetsTheMainOutput)
{
    Open();
    Edit();
    // A marked policy clicked again stays marked; marking another clears the first.
    for (QRadioButton *b : {dialog().rdbOverWrite, dialog().rdbRename, dialog().rdbRename})
        Tick(b);
    EXPECT_EQ(Shown(), QStringLiteral("/new/out.avi|/tmp/elsewhere/|101001"));
    QFile::setPermissions(dir.Ini(), QFile::ReadOwner);
    QTest::mouseClick(dialog().btnOK, Qt::LeftButton);
    QFile::setPermissions(dir.Ini(), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(program->desktop.Of(QStringLiteral("error")).at(0).text,
              QStringLiteral("Unable to write to ") + dir.Ini() + QLatin1Char('.'));
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_EQ(form().edtOutputFile->text(), QStringLiteral("/new/out.avi"));

    QTest::mouseClick(dialog().btnOK, Qt::LeftButton);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    const QByteArray ini = test::ReadFile(dir.Ini());
    for (const char *line :
         {"Output File=/new/out.avi", "Temp Dir=/tmp/elsewhere/", "Auto Open Dir=1", "Auto Exit=0",
          "Auto Turn Off=1", "Ask=0", "Overwrite=0", "Rename=1"})
        EXPECT_TRUE(ini.contains(line)) << line;
}

// Cancel and Escape bring back what the dialog opened with; the close box keeps the edits in the
// live preferences. None writes, none changes the main output; Enter confirms nothing.
TEST_F(SettingDialog, ClosingWithoutOk)
{
    const struct
    {
        std::function<void(TSettingForm &)> close;
        QString after;
    } cases[] = {
        {[](TSettingForm &d) { QTest::mouseClick(d.btnCancel, Qt::LeftButton); }, kOpened},
        {[](TSettingForm &d) { QTest::keyClick(&d, Qt::Key_Escape); }, kOpened},
        {[](TSettingForm &d) { d.close(); }, QStringLiteral("/new/out.avi|/tmp/elsewhere/|101010")},
    };
    for (const auto &c : cases) {
        Open();
        QTest::keyClick(dialog().edtTempDir, Qt::Key_Return);
        EXPECT_TRUE(dialog().isVisible());
        Edit();
        Tick(dialog().rdbOverWrite);
        c.close(dialog());
        EXPECT_FALSE(dialog().isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(Shown(), c.after);
        EXPECT_EQ(form().edtOutputFile->text(), QStringLiteral("/main/window.avi"));
        EXPECT_EQ(test::ReadFile(dir.Ini()), before);
    }
    Open(); // the next showing takes the kept edits as its snapshot
    QTest::mouseClick(dialog().btnCancel, Qt::LeftButton);
    EXPECT_TRUE(form().Preferences().TurnOff() && form().Preferences().OverWrite());
}

TEST_F(SettingDialog, LoadDefaultAsksFirst)
{
    Open();
    program->desktop.answers = {false, true};
    QTest::mouseClick(dialog().btnDefault, Qt::LeftButton);
    EXPECT_EQ(Shown(), kOpened);
    QTest::mouseClick(dialog().btnDefault, Qt::LeftButton);
    // The temporary folder is not part of the defaults.
    EXPECT_EQ(Shown(), QStringLiteral("/default/out.avi|/tmp/qvj-temp/|010001"));
    EXPECT_EQ(program->desktop.Of(QStringLiteral("question")).at(1).text,
              QStringLiteral("Are you sure to load the default preferences?"));
    // Nothing is written until OK; Cancel brings the opening values back.
    QTest::mouseClick(dialog().btnCancel, Qt::LeftButton);
    EXPECT_EQ(Shown(), kOpened);
    EXPECT_EQ(test::ReadFile(dir.Ini()), before);
}

} // namespace
