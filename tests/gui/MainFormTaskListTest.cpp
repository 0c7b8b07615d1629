// The task list in the main window: the add commands, drops, Delete, Clear, the moves, the
// keys, the popup menu and opening a row.
#include "MainFormSupport.h"

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>

using namespace qvj::mainwin;

namespace {

class TaskListWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        program = std::make_unique<Program>(dir);
        program->Show();
    }
    TMainForm &form() { return *program->form; }
    ScriptedDialogs &dialogs() { return program->dialogs; }
    qvj::test::RecordingDesktop &desktop() { return program->desktop; }

    // Rows A, B, C... made of generated clips.
    QStringList Fill(int count)
    {
        QStringList files;
        for (int i = 0; i < count; ++i)
            files.append(Clips::Get(QStringLiteral("row-%1").arg(QChar(u'A' + i))));
        dialogs().inputFiles.push_back(files);
        form().tbtnAddFileClick();
        return files;
    }
    void Select(const QList<int> &rows)
    {
        QItemSelection selection;
        for (int r : rows)
            selection.select(form().TaskList().index(r, 0), form().TaskList().index(r, 3));
        form().ltvTask->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    }
    bool ListButtonsEnabled()
    {
        bool all = true, none = true;
        for (QPushButton *b :
             {form().tbtnRemove, form().tbtnClear, form().tbtnUp, form().tbtnDown}) {
            all &= b->isEnabled();
            none &= !b->isEnabled();
        }
        EXPECT_TRUE(all || none) << "the four list buttons disagree";
        return all;
    }

    ProgramDir dir;
    std::unique_ptr<Program> program;
};

TEST_F(TaskListWindow, AddFilesAddsThemInTheOrderTheDialogGives)
{
    const QString a = Clips::Get(QStringLiteral("order-1"));
    const QString b = Clips::Get(QStringLiteral("order-2"));
    const QString c = Clips::Get(QStringLiteral("order-3"));
    dialogs().inputFiles.push_back({a, b, c});
    QTest::mouseClick(form().tbtnAddFile, Qt::LeftButton);
    EXPECT_EQ(RowPaths(form()), (QStringList {a, b, c}));
    EXPECT_EQ(dialogs().openFilters, QStringList {OpenDialogFilter()});
    EXPECT_FALSE(form().panltvTask->isVisible());
    EXPECT_EQ(RowStatuses(form()), (QStringList(3, QStringLiteral("OK"))));
    const QModelIndex length = form().TaskList().index(0, 1);
    EXPECT_EQ(form().TaskList().data(length).toString(), QStringLiteral("00:00:01"));
    EXPECT_EQ(form().TaskList().data(form().TaskList().index(0, 2)).toString(),
              QStringLiteral("160x120"));
}

TEST_F(TaskListWindow, DuplicatesAreAskedAbout)
{
    const QStringList files = Fill(1);
    desktop().answers = {false, true};
    dialogs().inputFiles.push_back(files);
    form().tbtnAddFileClick();
    EXPECT_EQ(form().TaskList().Count(), 1);
    dialogs().inputFiles.push_back(files);
    form().tbtnAddFileClick();
    EXPECT_EQ(RowPaths(form()), (QStringList {files[0], files[0]}));
    const auto asked = desktop().Of(QStringLiteral("question"));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].title, QStringLiteral("Already Listed"));
    EXPECT_EQ(asked[0].text,
              QStringLiteral("This file has been added to the Task List already. "
                             "Are you sure to add it again?"));
}

TEST_F(TaskListWindow, DeleteAndClearDisableTheListButtonsWhenTheListEmpties)
{
    Fill(3);
    EXPECT_TRUE(ListButtonsEnabled());
    Select({0, 2});
    QTest::mouseClick(form().tbtnRemove, Qt::LeftButton);
    EXPECT_EQ(RowPaths(form()), QStringList {Clips::Get(QStringLiteral("row-B"))});
    EXPECT_TRUE(ListButtonsEnabled());
    QTest::mouseClick(form().tbtnClear, Qt::LeftButton);
    EXPECT_EQ(form().TaskList().Count(), 0);
    EXPECT_FALSE(ListButtonsEnabled());
    // A cancelled dialog leaves them off with an empty list, an add turns them on again.
    form().tbtnAddFileClick();
    EXPECT_FALSE(ListButtonsEnabled());
    Fill(1);
    EXPECT_TRUE(ListButtonsEnabled());
    // The welcome panel does not come back.
    EXPECT_FALSE(form().panltvTask->isVisible());
}

struct MoveCase
{
    const char *name;
    bool up;
    QList<int> selected;
    const char *order; // the rows after the move, by letter
    QList<int> selectedAfter;
};

void PrintTo(const MoveCase &c, std::ostream *os)
{
    *os << c.name;
}

class Moves : public TaskListWindow, public ::testing::WithParamInterface<MoveCase>
{
};

TEST_P(Moves, MoveTheSelectedBlockAndKeepItSelected)
{
    const MoveCase &c = GetParam();
    Fill(3);
    Select(c.selected);
    QTest::mouseClick(c.up ? form().tbtnUp : form().tbtnDown, Qt::LeftButton);
    QStringList expected;
    for (const char *p = c.order; *p; ++p)
        expected.append(Clips::Get(QStringLiteral("row-%1").arg(QLatin1Char(*p))));
    EXPECT_EQ(RowPaths(form()), expected);
    EXPECT_EQ(form().SelectedRows(), c.selectedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Moves,
    ::testing::Values(MoveCase {"last_up", true, {2}, "ACB", {1}},
                      MoveCase {"first_two_up", true, {0, 1}, "BAC", {0}},
                      MoveCase {"first_two_down", false, {0, 1}, "CAB", {1, 2}},
                      MoveCase {"last_down_stays", false, {2}, "ABC", {2}},
                      MoveCase {"nothing_selected", true, {}, "ABC", {}}),
    [](const ::testing::TestParamInfo<MoveCase> &param) { return std::string(param.param.name); });

TEST_F(TaskListWindow, KeysOfTheList)
{
    Fill(3);
    Select({1});
    form().ltvTask->setFocus();
    QTest::keyClick(form().ltvTask, Qt::Key_Delete);
    EXPECT_EQ(form().TaskList().Count(), 2);
    EXPECT_TRUE(desktop().calls.empty());
    QTest::keyClick(form().ltvTask, Qt::Key_Backspace);
    EXPECT_EQ(form().TaskList().Count(), 0);
    EXPECT_FALSE(ListButtonsEnabled());
    EXPECT_TRUE(desktop().calls.empty());
}

TEST_F(TaskListWindow, PopupEntriesFollowTheList)
{
    const auto enabled = [this] {
        form().ppmTaskPopup();
        QString s;
        for (QAction *a :
             {form().Open1, form().AddFiles1, form().AddDirectorys1, form().Remove1, form().Clear1})
            s += a->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    };
    // Open, Add Files..., Add Directorys..., Remove, Clear.
    EXPECT_EQ(enabled(), QStringLiteral("01100"));
    Fill(2);
    Select({});
    EXPECT_EQ(enabled(), QStringLiteral("01101"));
    Select({1});
    EXPECT_EQ(enabled(), QStringLiteral("11111"));

    QStringList captions;
    for (QAction *a : form().ppmTask->actions())
        captions.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(
        captions,
        (QStringList {QStringLiteral("Open"), QStringLiteral("-"), QStringLiteral("Add Files..."),
                      QStringLiteral("Add Directorys..."), QStringLiteral("-"),
                      QStringLiteral("Remove"), QStringLiteral("Clear")}));
}

TEST_F(TaskListWindow, OpenTakesTheFirstSelectedRow)
{
    const QStringList files = Fill(3);
    form().ltvTaskDblClick();
    EXPECT_TRUE(desktop().Of(QStringLiteral("open")).empty());
    Select({2, 1});
    form().Open1->trigger();
    const auto opened = desktop().Of(QStringLiteral("open"));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].text, files[1]);
}

TEST_F(TaskListWindow, AddDirAsksForAFolderAndFocusesTheList)
{
    QTemporaryDir folder;
    QFile::copy(Clips::Get(QStringLiteral("row-A")), folder.filePath(QStringLiteral("b.MPG")));
    QFile::copy(Clips::Get(QStringLiteral("row-B")), folder.filePath(QStringLiteral("a.avi")));
    QFile::copy(Clips::Get(QStringLiteral("row-C")), folder.filePath(QStringLiteral("c.txt")));
    QDir(folder.path()).mkdir(QStringLiteral("e"));
    QFile::copy(Clips::Get(QStringLiteral("row-C")), folder.filePath(QStringLiteral("e/f.avi")));
    dialogs().folders.push_back(folder.path());
    form().tbtnAbout->setFocus();
    QTest::mouseClick(form().tbtnAddDir, Qt::LeftButton);
    EXPECT_EQ(dialogs().folderTitles,
              QStringList {QStringLiteral("Add a directory to the Task List")});
    EXPECT_EQ(RowPaths(form()),
              (QStringList {folder.filePath(QStringLiteral("a.avi")),
                            folder.filePath(QStringLiteral("b.MPG"))}));
    EXPECT_TRUE(form().ltvTask->hasFocus());

    // Cancelled: nothing added, the focus still goes to the list.
    form().tbtnAbout->setFocus();
    form().AddDirectorys1->trigger();
    EXPECT_EQ(form().TaskList().Count(), 2);
    EXPECT_TRUE(form().ltvTask->hasFocus());
}

TEST_F(TaskListWindow, DroppedFilesAndFoldersAreAdded)
{
    QTemporaryDir folder;
    QFile::copy(Clips::Get(QStringLiteral("row-A")), folder.filePath(QStringLiteral("x.avi")));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(folder.path()),
                  QUrl::fromLocalFile(folder.filePath(QStringLiteral("notes.txt"))),
                  QUrl::fromLocalFile(Clips::Get(QStringLiteral("row-B")))});
    QDragEnterEvent enter(QPoint(50, 120), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 120), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form(), &drop);
    EXPECT_EQ(RowPaths(form()),
              (QStringList {folder.filePath(QStringLiteral("x.avi")),
                            Clips::Get(QStringLiteral("row-B"))}));
    EXPECT_FALSE(form().panltvTask->isVisible());
}

} // namespace
