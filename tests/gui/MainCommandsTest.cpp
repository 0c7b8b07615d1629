// The main window's own commands: the column-width rule as the list is resized, the look states
// of the Start and Stop pictures, the output box's buttons, the profile box and the dialogs.
#include "MainFormSupport.h"

#include "app/ImageButton.h"
#include "app/MainFormRules.h"
#include "profiles/ProfileSettings.h"
#include "ui/TAboutForm.h"
#include "ui/TSettingForm.h"
#include "ui/TopSettingForm.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>

#include <cstring>

using namespace qvj::mainwin;

namespace {

class MainCommands : public ::testing::Test
{
protected:
    void SetUp() override { program.Show(); }
    TMainForm &form() { return *program.form; }
    QString Widths()
    {
        QStringList w;
        for (int i = 0; i < 4; ++i)
            w.append(QString::number(form().ltvTask->header()->sectionSize(i)));
        return w.join(u' ');
    }
    void ResizeWindowBy(int dx)
    {
        const int listWidth = form().ltvTask->width() + dx;
        form().resize(form().width() + dx, form().height());
        ASSERT_TRUE(QTest::qWaitFor([&] { return form().LastListWidth() == listWidth; }));
    }

    ProgramDir dir;
    Program program {dir};
};

TEST_F(MainCommands, ColumnsFollowTheListsWidth)
{
    ResizeWindowBy(100);
    EXPECT_EQ(Widths(), QStringLiteral("399 107 95 169"));
    // Widths set by dragging a border are the starting point of the next change.
    const int start[] = {350, 90, 80, 150};
    for (int i = 0; i < 4; ++i)
        form().ltvTask->header()->resizeSection(i, start[i]);
    ResizeWindowBy(-10); // 345.1, 88.3, 78.5 and 148.1
    EXPECT_EQ(Widths(), QStringLiteral("345 88 78 148"));
}

// The real dialogs: the open dialog takes several existing files, the save dialog adds "avi"
// and leaves the overwrite question to Start; both open on their first filter. The first pair's
// patterns lose their semicolons, its own bracket group is not repeated, "*.*" becomes "*".
TEST(FileDialogs, OptionsAndFilters)
{
    const std::unique_ptr<QFileDialog> open(MakeOpenDialog(nullptr, OpenDialogFilter()));
    EXPECT_EQ(open->fileMode(), QFileDialog::ExistingFiles);
    const QStringList filters = open->nameFilters();
    ASSERT_EQ(filters.size(), 10);
    EXPECT_EQ(open->selectedNameFilter(), filters.first());
    EXPECT_EQ(filters.first(),
              QStringLiteral("All Support Files (*.avi *.mpg *.mpeg *.mp4 *.wmv "
                             "*.mov *.vob *.asf)"));
    EXPECT_EQ(filters.last(), QStringLiteral("All Files (*)"));
    const std::unique_ptr<QFileDialog> save(MakeSaveDialog(nullptr, BuildSaveDialogFilter()));
    EXPECT_EQ(save->defaultSuffix(), QStringLiteral("avi"));
    EXPECT_TRUE(save->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(save->selectedNameFilter(), QStringLiteral("AVI Files (*.avi)"));
}

// Steps of a script, each some actions then the looks (state and picture of imgStart, then of
// imgStop): m/M mouse move over Start/Stop, p/r press/release on Start (the right button, which
// clicks nothing), b move over the panel's background, s swap which of the two is shown.
TEST_F(MainCommands, LookStatesOfTheStartAndStopPictures)
{
    TImageButton *start = form().imgStart, *stop = form().imgStop;
    const auto move = [](QWidget *w) {
        QMouseEvent e(QEvent::MouseMove, QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    const auto act = [&](char a) {
        if (a == 'm' || a == 'M' || a == 'b')
            move(a == 'm' ? start : a == 'M' ? static_cast<QWidget *>(stop) : form().Image1);
        else if (a == 'p')
            QTest::mousePress(start, Qt::RightButton);
        else if (a == 'r')
            QTest::mouseRelease(start, Qt::RightButton);
        else if (a == 's') {
            start->setVisible(!start->isVisible());
            stop->setVisible(!stop->isVisible());
        }
    };
    for (const char *step : {"m 1100", "m 1100", "p 2200", "m 2200", "r 1100", "b 0000", "p 2200",
                             "b 0000", "r 0000", "sM 0011", "sm 1111", "b 0011"}) {
        for (const char *a = step; *a != ' '; ++a)
            act(*a);
        const int looks[]
            = {start->State(), start->PictureIndex(), stop->State(), stop->PictureIndex()};
        QString shown;
        for (int n : looks)
            shown += QString::number(n);
        EXPECT_EQ(shown, QLatin1String(std::strchr(step, ' ') + 1)) << step;
    }
    EXPECT_TRUE(program.desktop.calls.empty());
}

TEST_F(MainCommands, BrowserAndOpenForTheOutputFile)
{
    program.dialogs.answers = {{QStringLiteral("/chosen/joined.avi")}, {}};
    for (int i = 0; i < 2; ++i) // the second is cancelled
        QTest::mouseClick(form().bbtnBrowser, Qt::LeftButton);
    EXPECT_EQ(form().edtOutputFile->text(), QStringLiteral("/chosen/joined.avi"));
    EXPECT_EQ(program.dialogs.asked.first(), form().SaveDialogFilter());
    EXPECT_EQ(program.dialogs.owners.front(), &form());

    const QString clip = Clip(QStringLiteral("open-me"));
    const QString folder = QFileInfo(clip).path();
    const struct
    {
        QString output, opened;
    } cases[] = {{clip, clip},
                 {folder + QStringLiteral("/missing.avi"), folder},
                 {QStringLiteral("/no/such/folder/x.avi"), QString()},
                 {QStringLiteral("bare.avi"), QString()}};
    for (const auto &c : cases) {
        program.desktop.calls.clear();
        form().edtOutputFile->setText(c.output);
        QTest::mouseClick(form().bbtnOpen, Qt::LeftButton);
        const auto opened = program.desktop.Of(QStringLiteral("open"));
        EXPECT_EQ(opened.empty() ? QString() : opened[0].text, c.opened) << c.output.toStdString();
    }
}

TEST_F(MainCommands, ChoosingAProfileLoadsItAlsoTheSameOneAgain)
{
    int loads = 0;
    QObject::connect(&form().Profile(), &ProfileSettings::loaded, [&] { ++loads; });
    QComboBox *box = form().cmbProfile;
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->currentIndex(), 1);
    EXPECT_EQ(form().Profile().ProfilePath(), form().ProfilePath());
    Q_EMIT box->activated(1);
    EXPECT_EQ(loads, 2);
}

TEST_F(MainCommands, ToolbarAndSettingButtons)
{
    QTest::mouseClick(form().tbtnHelp, Qt::LeftButton);
    const auto opened = program.desktop.Of(QStringLiteral("open"));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].text, dir.Path() + QStringLiteral("Joinhelp.html"));
    // Each dialog shows without a modal loop and keeps the main window from input meanwhile.
    const struct
    {
        QAbstractButton *button;
        QWidget *dialog;
    } cases[] = {{form().tbtnSetting, form().SettingForm},
                 {form().tbtnAbout, form().AboutForm},
                 {form().bbtnSetting, form().OpSettingForm}};
    for (const auto &c : cases) {
        QTest::mouseClick(c.button, Qt::LeftButton);
        EXPECT_TRUE(c.dialog->isVisible()) << c.button->objectName().toStdString();
        EXPECT_EQ(QApplication::activeModalWidget(), c.dialog);
        c.dialog->hide();
    }
}

} // namespace
