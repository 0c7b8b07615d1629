// The task list in the main window: the add commands, drops, Delete, Clear, the moves, the
// keys, the popup menu and opening a row. The rules are the model's; these prove the binding.
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
    void SetUp() override { program.Show(); }
    TMainForm &form() { return *program.form; }

    // Rows A, B, C... added with Add Files.
    QStringList Fill(int count)
    {
        QStringList files;
        for (int i = 0; i < count; ++i)
            files.append(Clip(QStringLiteral("row-%1").arg(QChar(u'A' + i))));
        program.dialogs.answers.push_back(files);
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
    // "1111" or "0000": the four list buttons always agree.
    QString ListButtons()
    {
        QString s;
        for (QPushButton *b : {form().tbtnRemove, form().tbtnClear, form().tbtnUp, form().tbtnDown})
            s += b->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }

    ProgramDir dir;
    Program program {dir};
};

TEST_F(TaskListWindow, AddFilesInTheDialogsOrderAskingAboutDuplicates)
{
    const QStringList files = {Clip(QStringLiteral("order-1")), Clip(QStringLiteral("order-2")),
                               Clip(QStringLiteral("order-3"))};
    program.dialogs.answers = {files, {files[1]}, {files[1]}};
    program.desktop.answers = {false, true};
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(form().tbtnAddFile, Qt::LeftButton);
    EXPECT_EQ(Column(form(), 0), files + QStringList {files[1]});
    EXPECT_EQ(Column(form(), 1), QStringList(4, QStringLiteral("00:00:01")));
    EXPECT_EQ(Column(form(), 2), QStringList(4, QStringLiteral("160x120")));
    EXPECT_EQ(Column(form(), 3), QStringList(4, QStringLiteral("OK")));
    EXPECT_EQ(program.dialogs.asked.first(), OpenDialogFilter());
    EXPECT_FALSE(form().panltvTask->isVisible());
    const auto asked = program.desktop.Of(QStringLiteral("question"));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].title + QLatin1Char('|') + asked[0].text,
              QStringLiteral("Already Listed|This file has been added to the Task List already. "
                             "Are you sure to add it again?"));
}

TEST_F(TaskListWindow, DeleteClearAndTheKeysSwitchTheListButtons)
{
    const QStringList files = Fill(4);
    Select({0, 2});
    QTest::mouseClick(form().tbtnRemove, Qt::LeftButton);
    EXPECT_EQ(Column(form(), 0), (QStringList {files[1], files[3]}));
    EXPECT_EQ(ListButtons(), QStringLiteral("1111"));
    Select({1});
    form().ltvTask->setFocus();
    QTest::keyClick(form().ltvTask, Qt::Key_Delete);
    EXPECT_EQ(Column(form(), 0), QStringList {files[1]});
    QTest::keyClick(form().ltvTask, Qt::Key_Backspace);
    EXPECT_EQ(form().TaskList().Count(), 0);
    EXPECT_EQ(ListButtons(), QStringLiteral("0000"));
    EXPECT_TRUE(program.desktop.calls.empty());
    // A cancelled dialog leaves them off with an empty list, an add turns them on again.
    form().tbtnAddFileClick();
    EXPECT_EQ(ListButtons(), QStringLiteral("0000"));
    Fill(1);
    QTest::mouseClick(form().tbtnClear, Qt::LeftButton);
    EXPECT_EQ(ListButtons(), QStringLiteral("0000"));
    // The welcome panel does not come back.
    EXPECT_FALSE(form().panltvTask->isVisible());
}

// The moved block stays selected: rows A, B, C with A and B selected, Move Down gives C, A, B
// with A and B selected. A selected first row moves only with the row below it.
TEST_F(TaskListWindow, MovesKeepTheBlockSelected)
{
    const QStringList rows = Fill(3);
    Select({0, 1});
    QTest::mouseClick(form().tbtnDown, Qt::LeftButton);
    EXPECT_EQ(Column(form(), 0), (QStringList {rows[2], rows[0], rows[1]}));
    EXPECT_EQ(form().SelectedRows(), (QList<int> {1, 2}));
    Select({0, 1});
    QTest::mouseClick(form().tbtnUp, Qt::LeftButton);
    EXPECT_EQ(Column(form(), 0), (QStringList {rows[0], rows[2], rows[1]}));
    EXPECT_EQ(form().SelectedRows(), QList<int> {0});
}

TEST_F(TaskListWindow, PopupEntriesAndOpen)
{
    const auto enabled = [this] {
        form().ppmTaskPopup();
        QString s;
        for (QAction *a : form().ppmTask->actions())
            s += a->isSeparator() ? QLatin1Char('-')
                : a->isEnabled()  ? QLatin1Char('1')
                                  : QLatin1Char('0');
        return s;
    };
    // Open, Add Files..., Add Directorys..., Remove, Clear.
    EXPECT_EQ(enabled(), QStringLiteral("0-11-00"));
    const QStringList files = Fill(3);
    Select({});
    EXPECT_EQ(enabled(), QStringLiteral("0-11-01"));
    form().ltvTaskDblClick();
    EXPECT_TRUE(program.desktop.calls.empty());
    Select({2, 1});
    EXPECT_EQ(enabled(), QStringLiteral("1-11-11"));
    form().Open1->trigger();
    const auto opened = program.desktop.Of(QStringLiteral("open"));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].text, files[1]);
}

// A folder's supported files by Add Dir (which then focuses the list, also when cancelled) and
// by a drop, where an unsupported file is skipped.
TEST_F(TaskListWindow, FoldersByAddDirAndByDrop)
{
    QTemporaryDir folder;
    QFile::copy(Clip(QStringLiteral("row-A")), folder.filePath(QStringLiteral("b.MPG")));
    QFile::copy(Clip(QStringLiteral("row-B")), folder.filePath(QStringLiteral("a.avi")));
    QFile::copy(Clip(QStringLiteral("row-C")), folder.filePath(QStringLiteral("c.txt")));
    const QStringList added
        = {folder.filePath(QStringLiteral("a.avi")), folder.filePath(QStringLiteral("b.MPG"))};
    program.dialogs.answers = {{folder.path()}, {}};
    for (int i = 0; i < 2; ++i) {
        form().tbtnAbout->setFocus();
        QTest::mouseClick(form().tbtnAddDir, Qt::LeftButton);
        EXPECT_TRUE(form().ltvTask->hasFocus());
    }
    EXPECT_EQ(program.dialogs.asked,
              QStringList(2, QStringLiteral("Add a directory to the Task List")));
    EXPECT_EQ(Column(form(), 0), added);

    form().tbtnClearClick();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(folder.path()),
                  QUrl::fromLocalFile(folder.filePath(QStringLiteral("c.txt"))),
                  QUrl::fromLocalFile(Clip(QStringLiteral("row-C")))});
    QDragEnterEvent enter(QPoint(50, 120), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 120), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form(), &drop);
    EXPECT_EQ(Column(form(), 0), added + QStringList {Clip(QStringLiteral("row-C"))});
}

} // namespace
