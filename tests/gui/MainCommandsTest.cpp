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
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>

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

// Each column takes its share of the change, rounded half to even: 0.15 x 10 = 1.5 makes
// 81.5 go up to 82 and 80.5 down to 80.
TEST(ColumnWidthRule, SharesAreRoundedHalfToEven)
{
    EXPECT_EQ(AdjustColumnWidths({10, 10, 80, 10}, 10), (ColumnWidths {15, 12, 82, 12}));
    EXPECT_EQ(AdjustColumnWidths({10, 10, 79, 10}, 10), (ColumnWidths {15, 12, 80, 12}));
    EXPECT_EQ(AdjustColumnWidths({0, 0, 0, 0}, -10), (ColumnWidths {-5, -2, -2, -2}));
}

// The save dialog offers the output types, then all files. The first pair's patterns lose their
// semicolons, the description's own bracket group is not repeated, a pair without a pattern
// offers nothing.
TEST(DialogFilters, PairsBecomeQtNameFilters)
{
    EXPECT_EQ(ToQtNameFilters(BuildSaveDialogFilter()).join(u'|'),
              QStringLiteral("AVI Files (*.avi)|MPG Files (*.mpg)|MP4 Files (*.mp4)|WMV Files "
                             "(*.wmv)|MOV Files (*.mov)|VOB Files (*.vob)|ASF Files (*.asf)|FLV "
                             "Files (*.flv)|All Files (*)"));
    EXPECT_EQ(ToQtNameFilters(QStringLiteral(
                  "All Support Files(*.avi;*.mpg;)|*.avi;*.mpg;|Empty||Plain|*.txt|Dangling")),
              (QStringList {QStringLiteral("All Support Files (*.avi *.mpg)"),
                            QStringLiteral("Plain (*.txt)")}));
}

TEST_F(MainCommands, LookStatesOfTheStartAndStopPictures)
{
    TImageButton *start = form().imgStart, *stop = form().imgStop;
    const auto move = [](QWidget *w) {
        QMouseEvent e(QEvent::MouseMove, QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    const auto swap = [&] {
        start->setVisible(!start->isVisible());
        stop->setVisible(!stop->isVisible());
    };
    const struct
    {
        const char *step;
        std::function<void()> act;
        const char *looks; // state and picture of imgStart, then of imgStop
    } steps[] = {
        {"move over Start", [&] { move(start); }, "1100"},
        {"press (any button)", [&] { QTest::mousePress(start, Qt::RightButton); }, "2200"},
        {"move while pressed", [&] { move(start); }, "2200"},
        {"release", [&] { QTest::mouseRelease(start, Qt::RightButton); }, "1100"},
        {"move over the panel", [&] { move(form().Image1); }, "0000"},
        {"press from normal", [&] { QTest::mousePress(start, Qt::RightButton); }, "2200"},
        {"panel resets pressed", [&] { move(form().Image1); }, "0000"},
        {"release when not pressed", [&] { QTest::mouseRelease(start, Qt::RightButton); }, "0000"},
        {"Stop shown, hover",
         [&] {
             swap();
             move(stop);
         },
         "0011"},
        {"Stop hidden keeps it",
         [&] {
             swap();
             move(start);
         },
         "1111"},
        {"panel resets the visible", [&] { move(form().Image1); }, "0011"},
    };
    for (const auto &s : steps) {
        s.act();
        const QString looks = QString::number(start->State())
            + QString::number(start->PictureIndex()) + QString::number(stop->State())
            + QString::number(stop->PictureIndex());
        EXPECT_EQ(looks, QLatin1String(s.looks)) << s.step;
    }
    EXPECT_TRUE(program.desktop.calls.empty()); // a right-button press and release is no click
}

TEST_F(MainCommands, BrowserAndOpenForTheOutputFile)
{
    program.dialogs.outputFiles = {{QStringLiteral("/chosen/joined.avi")}, {}};
    for (int i = 0; i < 2; ++i) // the second is cancelled
        QTest::mouseClick(form().bbtnBrowser, Qt::LeftButton);
    EXPECT_EQ(form().edtOutputFile->text(), QStringLiteral("/chosen/joined.avi"));
    EXPECT_EQ(program.dialogs.filters.first(), form().SaveDialogFilter());
    EXPECT_EQ(program.dialogs.saveOwners.front(), &form());

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
