// What a new user meets first: the save dialogs start with the profile's type, the output box
// proposes a file until the user names one, the profile is remembered by its name, and a path
// the desktop cannot open is reported in a box.
#include "MainFormSupport.h"

#include "app/MainFormRules.h"
#include "app/QtDesktop.h"
#include "pipeline/job/JobControl.h"
#include "platform/UserFiles.h"
#include "profiles/ProfileSettings.h"
#include "ui/TAboutForm.h"
#include "ui/TSettingForm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QToolButton>

using namespace qvj;
using namespace qvj::mainwin;
using qvj::test::S;

namespace {

// The extension rule: the filter entry of the profile's type and its extension as default
// suffix; a type the list does not offer starts on "All Files".
TEST(SaveDialog, StartsWithTheFilterAndExtensionOfTheProfilesType)
{
    const QString pairs = BuildSaveDialogFilter();
    // profile's extension, filter selected, default suffix
    for (const auto &[extension, filter, suffix] :
         std::vector<std::tuple<const char *, const char *, const char *>> {
             {".mp4", "MP4 Files (*.mp4)", "mp4"},
             {".avi", "AVI Files (*.avi)", "avi"},
             {".FLV", "FLV Files (*.flv)", "flv"},
             {".mkv", "All Files (*)", "mkv"},
             {"", "AVI Files (*.avi)", "avi"}}) {
        SCOPED_TRACE(extension);
        const SaveDialogStart start = SaveDialogStartFor(pairs, QLatin1String(extension));
        EXPECT_EQ(ToQtNameFilters(pairs).value(start.filterIndex), QLatin1String(filter));
        EXPECT_EQ(start.defaultSuffix, QLatin1String(suffix));
        // The real dialog: the list itself is unchanged, the entry selected, and a typed name
        // without an extension gets the profile's.
        QTemporaryDir dir;
        std::unique_ptr<QFileDialog> dialog(
            MakeSaveDialog(nullptr, pairs, QLatin1String(extension)));
        EXPECT_EQ(dialog->nameFilters(), ToQtNameFilters(pairs));
        EXPECT_EQ(dialog->selectedNameFilter(), QLatin1String(filter));
        dialog->setDirectory(dir.path());
        dialog->show();
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        QTest::keyClicks(name, QStringLiteral("holiday"));
        QTest::keyClick(name, Qt::Key_Return);
        EXPECT_EQ(dialog->selectedFiles(),
                  QStringList {dir.filePath(QStringLiteral("holiday.") + QLatin1String(suffix))});
    }
}

class FirstJoin : public WindowTest
{
protected:
    QString Proposal(const QString &first, const QString &extension)
    {
        return ProposedOutputFile(VideosFolder(), first, extension);
    }
    void ChooseProfile(const QString &name)
    {
        form->cmbProfile->setCurrentIndex(form->cmbProfile->findText(name));
        form->cmbProfileChange();
    }
};

// With no output file stored, the box proposes one in the videos folder, named after the first
// row and the profile's type, until the user types or chooses a name. Browser starts with the
// profile's type. The close stores a name the user gave, never a proposal.
TEST_F(FirstJoin, TheOutputIsProposedUntilTheUserNamesOne)
{
    const QString a = Clip(QStringLiteral("first-a")), b = Clip(QStringLiteral("first-b"));
    Start(); // the shipped Preferences.ini: the MP4 profile, no output file
    EXPECT_EQ(form->cmbProfile->currentText(), QStringLiteral("MP4 - H.264 Video"));
    EXPECT_EQ(form->edtOutputFile->text(), Proposal({}, S(".mp4")));
    dialogs.answers << QStringList {a, b};
    form->tbtnAddFileClick();
    EXPECT_EQ(form->edtOutputFile->text(), Proposal(a, S(".mp4")));
    form->ltvTask->setCurrentIndex(form->TaskList().index(1, 0));
    form->tbtnUpClick();
    EXPECT_EQ(form->edtOutputFile->text(), Proposal(b, S(".mp4")));
    ChooseProfile(S("AVI - MPEG-4 Video"));
    EXPECT_EQ(form->edtOutputFile->text(), Proposal(b, S(".avi")));
    form->TaskList().Clear();
    EXPECT_EQ(form->edtOutputFile->text(), Proposal({}, S(".avi")));

    // Browser and the Preferences dialog's browse start for the profile's type; cancelling
    // them keeps the proposal.
    form->bbtnBrowserClick();
    form->SettingForm->ShowDialog();
    form->SettingForm->SpeedButton1->click();
    form->SettingForm->close();
    EXPECT_EQ(dialogs.outputExtensions, (QStringList {S(".avi"), S(".avi")}));
    EXPECT_EQ(form->edtOutputFile->text(), Proposal({}, S(".avi")));

    // A typed name ends the proposal.
    form->edtOutputFile->selectAll();
    QTest::keyClicks(form->edtOutputFile, QStringLiteral("/v/mine"));
    dialogs.answers << QStringList {b};
    form->tbtnAddFileClick();
    ChooseProfile(S("MP4 - H.264 Video"));
    EXPECT_EQ(form->edtOutputFile->text(), S("/v/mine"));
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(test::ReadFile(Ini()).contains("Output File=/v/mine\r\n"));

    // A stored output file is shown as it is; a chosen one is never replaced.
    Start();
    EXPECT_EQ(form->edtOutputFile->text(), S("/v/mine"));
    test::WriteFile(Ini(), "[Main]\r\nProfile=1\r\n");
    Start();
    dialogs.answers << QStringList {S("/v/chosen.avi")};
    form->bbtnBrowserClick();
    dialogs.answers << QStringList {a};
    form->tbtnAddFileClick();
    EXPECT_EQ(form->edtOutputFile->text(), S("/v/chosen.avi"));
}

// The profile is remembered by its name as well as its index; the name wins while that profile
// exists, so an upgrade that adds profiles keeps the choice. Both are stored at the close.
TEST_F(FirstJoin, TheProfileIsRememberedByItsName)
{
    // stored keys, profile chosen
    for (const auto &[keys, chosen] : std::vector<std::pair<QByteArray, const char *>> {
             {"Profile=0\r\nProfile Name=MP4 - H.264 Video", "MP4 - H.264 Video"},
             {"Profile=1\r\nProfile Name=mov - h.264 video", "MOV - H.264 Video"},
             {"Profile=1\r\nProfile Name=Gone", "AVI - MPEG-4 Video"},
             {"Profile=1", "AVI - MPEG-4 Video"},
             {"Profile=99\r\nProfile Name=Gone", ""}}) {
        SCOPED_TRACE(keys.constData());
        test::WriteFile(Ini(), "[Main]\r\n" + keys + "\r\n");
        Start();
        EXPECT_EQ(form->cmbProfile->currentText(), QLatin1String(chosen));
        EXPECT_TRUE(form->close());
        const QByteArray stored = test::ReadFile(Ini());
        const QByteArray name = QByteArray("\r\nProfile Name=") + chosen + "\r\n";
        const QByteArray index = QByteArray("\r\nProfile=")
            + QByteArray::number(form->cmbProfile->currentIndex()) + "\r\n";
        EXPECT_TRUE(stored.contains(name) && stored.contains(index)) << stored.constData();
    }
}

// Help, the About box's links, the list's Open and the output's Open: when the desktop cannot
// open the path, a box names it and says why.
TEST_F(FirstJoin, APathTheDesktopCannotOpenIsReportedInABox)
{
    const QString a = Clip(QStringLiteral("first-a"));
    test::WriteFile(Path() + QStringLiteral("Joinhelp.html"), "<html></html>");
    Start({a});
    desktop.openAnswer = S("The desktop has no program set up to open this kind of file.");
    form->edtOutputFile->setText(a);
    const std::vector<std::pair<std::function<void()>, QString>> cases {
        {[this] {
             form->ltvTask->setCurrentIndex(form->TaskList().index(0, 0));
             form->Open1->trigger();
         },
         S("The file ") + a},
        {[this] { form->tbtnHelpClick(); }, S("The help page ") + Path() + S("Joinhelp.html")},
        {[this] {
             form->AboutForm->show();
             auto *link = form->AboutForm->findChild<QLabel *>(QStringLiteral("labWebsite"));
             QTest::mouseClick(link, Qt::LeftButton);
             form->AboutForm->close();
         },
         S("The link ") + QLatin1String(TAboutForm::kWebSite)},
        {[this] { form->bbtnOpenClick(); }, S("The file ") + a},
        {[this, a] {
             form->edtOutputFile->setText(a + S(".gone"));
             form->bbtnOpenClick();
         },
         S("The folder ") + QFileInfo(a).path()},
    };
    for (const auto &[act, which] : cases) {
        SCOPED_TRACE(which.toStdString());
        desktop.calls.clear();
        act();
        const auto messages = desktop.Of(S("message"));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].title, S("Cannot Open"));
        EXPECT_EQ(messages[0].text, which + S(" could not be opened.\n") + desktop.openAnswer);
    }
    // An opened path brings no box.
    desktop.openAnswer.clear();
    desktop.calls.clear();
    form->tbtnHelpClick();
    EXPECT_TRUE(desktop.Of(S("message")).empty());
}

// The real desktop's reasons, and a failure's details behind "Show Details".
TEST(Desktop, SaysWhyItCannotOpenAndKeepsTheDetailsBehindTheText)
{
    QtDesktop desktop;
    EXPECT_EQ(desktop.OpenPath(S("/no/such/file.avi")),
              S("It does not exist: it may have been moved, renamed or deleted."));
    // link, folder, opener installed, reason starts with
    for (const auto &[link, folder, installed, reason] :
         std::vector<std::tuple<bool, bool, bool, const char *>> {
             {false, false, false, "The desktop's opener, xdg-open, is not installed"},
             {true, false, true, "No web browser"},
             {false, true, true, "No file manager"},
             {false, false, true, "The desktop has no program"}})
        EXPECT_TRUE(OpenFailureReason(link, folder, installed).startsWith(QLatin1String(reason)));

    QWidget owner;
    owner.show();
    desktop.SetOwner(&owner);
    int done = 0;
    desktop.ShowDetailedMessageThen(S("Error"), S("The disk that holds /x is full."),
                                    S("Encoder: 2 input file(s)\nNo space left on device"),
                                    MessageIcon::Error, [&done] { ++done; });
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), S("The disk that holds /x is full."));
    EXPECT_EQ(box->detailedText(), S("Encoder: 2 input file(s)\nNo space left on device"));
    box->button(QMessageBox::Ok)->click();
    QTest::qWait(0);
    EXPECT_EQ(done, 1);
}

} // namespace
