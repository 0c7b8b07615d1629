// The shown main window: its task list (the rules are the model's; this proves the binding), the
// column-width rule as the list is resized, the look states of the Start and Stop pictures and
// the profile box.
#include "MainFormSupport.h"

#include "profiles/ProfileSettings.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>

#include <cstring>

using namespace qvj;
using namespace qvj::mainwin;

namespace {

class MainWindow : public WindowTest
{
protected:
    void SetUp() override { Start(); }
    static QString Row(char name) { return Clip(QStringLiteral("row-") + QLatin1Char(name)); }
    // The rows by the last letter of their names, e.g. "ABC".
    QString Rows()
    {
        QString rows;
        for (const QString &path : Column(*form, 0))
            rows += QFileInfo(path).completeBaseName().back();
        return rows;
    }
    // The popup's entries (Open, Add Files..., Add Directorys..., Remove, Clear; "-" a separator)
    // and the four list buttons, "1" enabled, "0" not.
    QString State()
    {
        form->ppmTaskPopup();
        QString s;
        for (QAction *a : form->ppmTask->actions())
            s += a->isSeparator() ? QLatin1Char('-') : QLatin1Char(a->isEnabled() ? '1' : '0');
        s += QLatin1Char(' ');
        for (QPushButton *b : {form->tbtnRemove, form->tbtnClear, form->tbtnUp, form->tbtnDown})
            s += QLatin1Char(b->isEnabled() ? '1' : '0');
        return s;
    }
    QString Widths()
    {
        const QHeaderView *h = form->ltvTask->header();
        return QString::asprintf("%d %d %d %d", h->sectionSize(0), h->sectionSize(1),
                                 h->sectionSize(2), h->sectionSize(3));
    }
    void ResizeWindowBy(int dx)
    {
        const int listWidth = form->ltvTask->width() + dx;
        form->resize(form->width() + dx, form->height());
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->LastListWidth() == listWidth; }));
    }
};

TEST_F(MainWindow, TaskListCommandsKeysAndPopup)
{
    // Add Files keeps the dialog's order; a file already listed is added only after Yes.
    dialogs.answers = {{Row('A'), Row('B'), Row('C')}, {Row('B')}, {Row('B')}, {}, {Row('A')}};
    desktop.answers = {false, true};
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(form->tbtnAddFile, Qt::LeftButton);
    EXPECT_EQ(Rows(), QStringLiteral("ABCB"));
    EXPECT_EQ(Column(*form, 1) + Column(*form, 2) + Column(*form, 3),
              QStringList(4, QStringLiteral("00:00:01")) + QStringList(4, QStringLiteral("160x120"))
                  + QStringList(4, QStringLiteral("OK")));
    const QString asked = QStringLiteral("question|Already Listed|This file has been added to "
                                         "the Task List already. Are you sure to add it again?");
    EXPECT_EQ(Calls(), QStringList(2, asked));

    // Each step selects rows, checks the popup and the buttons, acts, then checks the rows and
    // the selection. A moved block stays selected; a selected first row moves only with the row
    // below it. Open opens the first selected row. An empty list turns the buttons off.
    const auto click
        = [](QAbstractButton *b) { return [b] { QTest::mouseClick(b, Qt::LeftButton); }; };
    const auto key = [this](Qt::Key k) {
        return [this, k] {
            form->ltvTask->setFocus();
            QTest::keyClick(form->ltvTask, k);
        };
    };
    const std::function<void()> add = [this] { form->tbtnAddFileClick(); };
    const struct
    {
        QList<int> select;
        QString state;
        std::function<void()> act;
        QString rows;
        QList<int> selected;
    } steps[] = {
        {{0, 1}, "1-11-11 1111", click(form->tbtnDown), "CABB", {1, 2}},
        {{0, 1}, "1-11-11 1111", click(form->tbtnUp), "ACBB", {0}},
        {{}, "0-11-01 1111", [this] { form->ltvTaskDblClick(); }, "ACBB", {}},
        {{2, 1}, "1-11-11 1111", [this] { form->Open1->trigger(); }, "ACBB", {}},
        {{0, 2}, "1-11-11 1111", click(form->tbtnRemove), "CB", {}},
        {{1}, "1-11-11 1111", key(Qt::Key_Delete), "C", {}},
        {{}, "0-11-01 1111", key(Qt::Key_Backspace), "", {}},
        {{}, "0-11-00 0000", add, "", {}}, // cancelled
        {{}, "0-11-00 0000", add, "A", {}},
        {{}, "0-11-01 1111", click(form->tbtnClear), "", {}},
    };
    for (const auto &step : steps) {
        QItemSelection selection;
        for (int r : step.select)
            selection.select(form->TaskList().index(r, 0), form->TaskList().index(r, 3));
        form->ltvTask->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        EXPECT_EQ(State(), step.state) << step.rows.toStdString();
        step.act();
        EXPECT_EQ(Rows(), step.rows);
        if (!step.selected.isEmpty()) {
            EXPECT_EQ(form->SelectedRows(), step.selected) << step.rows.toStdString();
        }
    }
    EXPECT_EQ(State(), QStringLiteral("0-11-00 0000"));
    EXPECT_FALSE(form->panltvTask->isVisible()); // the welcome panel does not come back
    EXPECT_EQ(Calls(), QStringList(2, asked) << "open||" + Row('C'));
}

TEST_F(MainWindow, ColumnsFollowTheListsWidth)
{
    ResizeWindowBy(100);
    EXPECT_EQ(Widths(), QStringLiteral("399 107 95 169"));
    // Widths set by dragging a border are the starting point of the next change.
    const int start[] = {350, 90, 80, 150};
    for (int i = 0; i < 4; ++i)
        form->ltvTask->header()->resizeSection(i, start[i]);
    ResizeWindowBy(-10); // 345.1, 88.3, 78.5 and 148.1
    EXPECT_EQ(Widths(), QStringLiteral("345 88 78 148"));
}

// Steps of a script, each some actions then the looks (state and picture of imgStart, then of
// imgStop): m/M mouse move over Start/Stop, p/r press/release on Start (the right button, which
// clicks nothing), b move over the panel's background, s swap which of the two is shown.
TEST_F(MainWindow, LookStatesOfTheStartAndStopPictures)
{
    TImageButton *start = form->imgStart, *stop = form->imgStop;
    const auto move = [](QWidget *w) {
        QMouseEvent e(QEvent::MouseMove, QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    const auto act = [&](char a) {
        if (a == 'm' || a == 'M' || a == 'b')
            move(a == 'm' ? start : a == 'M' ? static_cast<QWidget *>(stop) : form->Image1);
        else if (a == 'p')
            QTest::mousePress(start, Qt::RightButton);
        else if (a == 'r')
            QTest::mouseRelease(start, Qt::RightButton);
        else if (a == 's') {
            start->setVisible(!start->isVisible());
            stop->setVisible(!stop->isVisible());
        }
    };
    for (const char *step : {"m 1100", "p 2200", "m 2200", "r 1100", "b 0000", "p 2200", "b 0000",
                             "r 0000", "sM 0011", "sm 1111", "b 0011"}) {
        for (const char *a = step; *a != ' '; ++a)
            act(*a);
        const QString shown = QString::asprintf("%d%d%d%d", start->State(), start->PictureIndex(),
                                                stop->State(), stop->PictureIndex());
        EXPECT_EQ(shown, QLatin1String(std::strchr(step, ' ') + 1)) << step;
    }
    EXPECT_TRUE(desktop.calls.empty());
}

TEST_F(MainWindow, ChoosingAProfileLoadsItAlsoTheSameOneAgain)
{
    int loads = 0;
    QObject::connect(&form->Profile(), &ProfileSettings::loaded, [&] { ++loads; });
    QComboBox *box = form->cmbProfile;
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->currentIndex(), 1);
    EXPECT_EQ(form->Profile().ProfilePath(), form->ProfilePath());
    Q_EMIT box->activated(1);
    EXPECT_EQ(loads, 2);
}

} // namespace
