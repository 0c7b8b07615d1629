// The main window: start-up, the first showing and the close, its task list (the rules are the
// model's; this proves the binding) and its total length, the column-width rule as the list is
// resized, the look states of the Start and Stop pictures and the profile box.
#include "MainFormSupport.h"

#include "profiles/ProfileSettings.h"
#include "settings/Preferences.h"

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
    static QString Row(char name) { return Clip(QStringLiteral("row-") + QLatin1Char(name)); }
    // The rows by the last letter of their names, e.g. "ABC".
    QString Rows()
    {
        QString rows;
        for (const QString &path : Column(*form, 0))
            rows += QFileInfo(path).completeBaseName().back();
        return rows;
    }
    // The popup's entries (Open, Add Files..., Add Directorys..., Remove, Clear, the two sorts;
    // "-" a separator)
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
    QString TotalLength()
    {
        QCoreApplication::processEvents();
        return form->labTotalLength->text();
    }
    void ResizeWindowBy(int dx)
    {
        const int listWidth = form->ltvTask->width() + dx;
        form->resize(form->width() + dx, form->height());
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->LastListWidth() == listWidth; }));
    }
};

// Without Preferences.ini: the defaults, the first profile at the first showing and the start-up
// column widths for a list 770 wide. The first showing's work runs once (Qt shows the window
// again after an un-minimise); the close stores the profile and the output file.
TEST_F(MainWindow, StartsWithoutPreferences)
{
    QFile::remove(Ini());
    Start({}, QDir::currentPath(), false);
    EXPECT_EQ(form->cmbProfile->currentIndex(), -1);
    Show();
    EXPECT_EQ(form->cmbProfile->currentIndex(), 0);
    EXPECT_EQ(form->Profile().ProfilePath(), form->ProfilePath());
    // No output file is stored: one is proposed (a test of its own follows the proposal).
    EXPECT_TRUE(form->edtOutputFile->text().endsWith(QStringLiteral("/joined.asf")));
    EXPECT_EQ(form->Preferences().TempDir(), Path() + QStringLiteral("temp/"));
    EXPECT_EQ(form->LastListWidth(), 770);
    EXPECT_EQ(Widths(), QStringLiteral("350 90 80 150"));

    form->cmbProfile->setCurrentIndex(1);
    form->edtOutputFile->setText(QStringLiteral("/v/a b.avi"));
    form->hide();
    Show();
    EXPECT_EQ(form->cmbProfile->currentText() + form->edtOutputFile->text(),
              form->cmbProfile->itemText(1) + QStringLiteral("/v/a b.avi"));
    EXPECT_TRUE(form->close());
    const QByteArray stored = test::ReadFile(Ini());
    EXPECT_TRUE(stored.contains("Profile=1\r\n") && stored.contains("Output File=/v/a b.avi\r\n"));
}

TEST_F(MainWindow, AFailedStoreAtCloseIsShownAndTheWindowStillCloses)
{
    Start();
    QFile::setPermissions(Ini(), QFile::ReadOwner);
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(Calls(),
              QStringList {"error|Quintor Video Joiner|Unable to write to " + Ini() + "."});
}

// The remembered profile (by index, in and out of range), the output file and the paths named
// at start-up, made absolute against the current folder. A list file that cannot be read or a
// file that cannot be probed is reported, and start-up goes on.
TEST_F(MainWindow, StartsWithPreferencesAndPaths)
{
    const QString a = Clip(QStringLiteral("start-a")), b = Clip(QStringLiteral("start-b"));
    QTemporaryDir work;
    const QString broken = work.filePath(QStringLiteral("broken.avi"));
    test::WriteFile(broken, "not a video at all");
    const QString named = work.filePath(QString::fromUtf8("\xC3\xA9t\xC3\xA9.AVI"));
    const QString bare = QFileInfo(named).fileName();
    QFile::copy(a, named);
    // UTF-8 with a byte order mark; lines end at CR, LF or both; empty lines are skipped.
    test::WriteFile(work.filePath(QStringLiteral("list.TMP")),
                    "\xEF\xBB\xBF" + (b + "\r\n\r\n" + named + "\r" + a + "\n").toUtf8());
    const QString missing = work.filePath(QStringLiteral("missing.tmp"));
    const struct
    {
        QByteArray ini;
        QStringList arguments, rows;
        QString error, shown; // a text the error names; the profile's index and the title's version
    } cases[] = {
        // A bare name is found in the current folder; a duplicate is added again after Yes.
        {"Profile=1", {b, bare, named, "/x.avi"}, {b, named, named}, {}, "1 V1.5"},
        // Only the first argument names a list file; the others are ignored then.
        {"Version=2.0\r\nProfile=2", {"list.TMP", b}, {b, named, a}, {}, "2 V2.0"},
        {"Profile=50", {missing}, {}, missing, "-1 V1.5"},
        {"Profile=1", {broken, b}, {b}, broken, "1 V1.5"},
        // An empty argument names nothing, not the current folder.
        {"Profile=1", {"", b}, {b}, {}, "1 V1.5"},
    };
    for (const auto &c : cases) {
        test::WriteFile(Ini(), "[Main]\r\n" + c.ini + "\r\nOutput File=/v/out.avi\r\n");
        desktop.calls.clear();
        Start(c.arguments, work.path());
        EXPECT_EQ(Column(*form, 0), c.rows);
        const auto errors = desktop.Of(QStringLiteral("error"));
        EXPECT_TRUE(c.error.isEmpty() ? errors.empty()
                                      : errors.size() == 1 && errors[0].text.contains(c.error));
        EXPECT_EQ(form->panltvTask->isVisible(), c.rows.isEmpty());
        EXPECT_TRUE(form->tbtnClear->isEnabled() && form->acceptDrops());
        EXPECT_EQ(QString::number(form->cmbProfile->currentIndex()) + QLatin1Char(' ')
                      + form->windowTitle().section(QLatin1Char(' '), -1),
                  c.shown);
        EXPECT_EQ(form->Profile().ProfilePath(),
                  c.shown[0] != u'-' ? form->ProfilePath() : QString());
        EXPECT_EQ(form->edtOutputFile->text(), QStringLiteral("/v/out.avi"));
    }
}

// Help opens the page; a missing page is named in a box of the program's own.
TEST_F(MainWindow, HelpOpensThePageOrNamesTheMissingOne)
{
    Start();
    const QString page = Path() + QStringLiteral("Joinhelp.html");
    for (const bool present : {false, true}) {
        QFile::remove(page);
        if (present)
            test::WriteFile(page, "<html></html>");
        desktop.calls.clear();
        QTest::mouseClick(form->tbtnHelp, Qt::LeftButton);
        const QString expected = present
            ? QString(QStringLiteral("open||") + page)
            : QString(QStringLiteral("error|Quintor Video Joiner|The help file ") + page
                      + QStringLiteral(" is missing."));
        EXPECT_EQ(Calls(), QStringList {expected});
    }
}

TEST_F(MainWindow, TaskListCommandsKeysAndPopup)
{
    Start();
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
        {{0, 1}, "1-11-011-11 1111", click(form->tbtnDown), "CABB", {1, 2}},
        {{0, 1}, "1-11-011-11 1111", click(form->tbtnUp), "ACBB", {0}},
        {{}, "0-11-101-11 1111", [this] { form->ltvTaskDblClick(); }, "ACBB", {}},
        {{2, 1}, "1-11-011-11 1111", [this] { form->Open1->trigger(); }, "ACBB", {}},
        {{0, 2}, "1-11-011-11 1111", click(form->tbtnRemove), "CB", {}},
        {{1}, "1-11-111-11 1111", key(Qt::Key_Delete), "C", {}},
        {{}, "0-11-101-00 1111", key(Qt::Key_Backspace), "", {}},
        {{}, "0-11-000-00 0000", add, "", {}}, // cancelled
        {{}, "0-11-000-00 0000", add, "A", {}},
        {{}, "0-11-101-00 1111", click(form->tbtnClear), "", {}},
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
    EXPECT_EQ(State(), QStringLiteral("0-11-000-00 0000"));
    EXPECT_FALSE(form->panltvTask->isVisible()); // the welcome panel does not come back
    EXPECT_EQ(Calls(), QStringList(2, asked) << "open||" + Row('C'));
}

// The count and total length beside the list buttons follow every change of the list.
TEST_F(MainWindow, TheTotalLengthFollowsEveryChange)
{
    Start();
    EXPECT_EQ(TotalLength(), QString());
    const QString a = Clip(QStringLiteral("info-a"), 1.0), b = Clip(QStringLiteral("info-b"), 2.0);
    form->TaskList().AddChosenFiles({a, b});
    EXPECT_EQ(TotalLength(), QStringLiteral("2 files, 00:00:03 in all"));
    EXPECT_TRUE(form->labTotalLength->isVisible());
    // A row whose length text is not a time counts as 0.
    ltvItemData unknown;
    unknown.LengthText = QStringLiteral("unknown");
    form->TaskList().WriteTaskRow(0, 0, unknown);
    EXPECT_EQ(TotalLength(), QStringLiteral("2 files, at least 00:00:02 in all"));
    form->TaskList().Delete({1});
    EXPECT_EQ(TotalLength(), QStringLiteral("1 file, at least 00:00:00 in all"));
    form->TaskList().Clear();
    EXPECT_EQ(TotalLength(), QString());
}

TEST_F(MainWindow, ColumnsFollowTheListsWidth)
{
    Start();
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
    Start();
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
    Start();
    int loads = 0;
    QObject::connect(&form->Profile(), &ProfileSettings::loaded, [&] { ++loads; });
    QComboBox *box = form->cmbProfile;
    box->setFocus();
    // The shipped preferences choose the MP4 profile; the next one is chosen by key.
    const int next = box->currentIndex() + 1;
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->currentIndex(), next);
    EXPECT_EQ(form->Profile().ProfilePath(), form->ProfilePath());
    Q_EMIT box->activated(next);
    EXPECT_EQ(loads, 2);
}

} // namespace
