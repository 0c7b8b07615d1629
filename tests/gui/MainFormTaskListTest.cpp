// The task list in the main window: Add Files, the duplicate question, Delete, Clear, the moves,
// the keys, the popup menu and opening a row. The rules are the model's; this proves the binding.
#include "MainFormSupport.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QMenu>
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
    static QString Row(char name) { return Clip(QStringLiteral("row-") + QLatin1Char(name)); }
    // The rows by the last letter of their names, e.g. "ABC".
    QString Rows()
    {
        QString rows;
        for (const QString &path : Column(form(), 0))
            rows += QFileInfo(path).completeBaseName().back();
        return rows;
    }
    // Open, Add Files..., Add Directorys..., Remove, Clear: "1" enabled, "0" not, "-" a separator.
    QString Popup()
    {
        form().ppmTaskPopup();
        QString s;
        for (QAction *a : form().ppmTask->actions())
            s += a->isSeparator() ? QLatin1Char('-')
                : a->isEnabled()  ? QLatin1Char('1')
                                  : QLatin1Char('0');
        return s;
    }
    // "1" or "0" for the four list buttons, which always agree.
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

TEST_F(TaskListWindow, CommandsKeysAndPopup)
{
    // Add Files keeps the dialog's order; a file already listed is added only after Yes.
    program.dialogs.answers = {{Row('A'), Row('B'), Row('C')}, {Row('B')}, {Row('B')}};
    program.desktop.answers = {false, true};
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(form().tbtnAddFile, Qt::LeftButton);
    EXPECT_EQ(Rows(), QStringLiteral("ABCB"));
    EXPECT_EQ(Column(form(), 1) + Column(form(), 2) + Column(form(), 3),
              QStringList(4, QStringLiteral("00:00:01")) + QStringList(4, QStringLiteral("160x120"))
                  + QStringList(4, QStringLiteral("OK")));
    const auto asked = program.desktop.Of(QStringLiteral("question"));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].title + QLatin1Char('|') + asked[0].text,
              QStringLiteral("Already Listed|This file has been added to the Task List already. "
                             "Are you sure to add it again?"));
    EXPECT_FALSE(form().panltvTask->isVisible());

    // Each step selects rows, checks the popup, acts, then checks the rows and the selection.
    // A moved block stays selected; a selected first row moves only with the row below it.
    const auto click
        = [](QAbstractButton *b) { return [b] { QTest::mouseClick(b, Qt::LeftButton); }; };
    const auto key = [this](Qt::Key k) {
        return [this, k] {
            form().ltvTask->setFocus();
            QTest::keyClick(form().ltvTask, k);
        };
    };
    const struct
    {
        QList<int> select;
        QString popup;
        std::function<void()> act;
        QString rows;
        QList<int> selected;
    } steps[] = {
        {{0, 1}, QStringLiteral("1-11-11"), click(form().tbtnDown), QStringLiteral("CABB"), {1, 2}},
        {{0, 1}, QStringLiteral("1-11-11"), click(form().tbtnUp), QStringLiteral("ACBB"), {0}},
        {{},
         QStringLiteral("0-11-01"),
         [this] { form().ltvTaskDblClick(); },
         QStringLiteral("ACBB"),
         {}},
        {{2, 1},
         QStringLiteral("1-11-11"),
         [this] { form().Open1->trigger(); },
         QStringLiteral("ACBB"),
         {}},
        {{0, 2}, QStringLiteral("1-11-11"), click(form().tbtnRemove), QStringLiteral("CB"), {}},
        {{1}, QStringLiteral("1-11-11"), key(Qt::Key_Delete), QStringLiteral("C"), {}},
        {{}, QStringLiteral("0-11-01"), key(Qt::Key_Backspace), QString(), {}},
    };
    for (const auto &step : steps) {
        QItemSelection selection;
        for (int r : step.select)
            selection.select(form().TaskList().index(r, 0), form().TaskList().index(r, 3));
        form().ltvTask->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        EXPECT_EQ(Popup(), step.popup) << step.rows.toStdString();
        step.act();
        EXPECT_EQ(Rows(), step.rows);
        if (!step.selected.isEmpty()) {
            EXPECT_EQ(form().SelectedRows(), step.selected) << step.rows.toStdString();
        }
    }
    // Open opened the first selected row only, and only then.
    const auto opened = program.desktop.Of(QStringLiteral("open"));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].text, Row('C'));

    // An empty list turns the list buttons off; a cancelled dialog leaves them off, an add turns
    // them on, Clear off again. The welcome panel does not come back.
    EXPECT_EQ(Popup(), QStringLiteral("0-11-00"));
    QString buttons = ListButtons();
    form().tbtnAddFileClick();
    buttons += ListButtons();
    program.dialogs.answers = {{Row('A')}};
    form().tbtnAddFileClick();
    buttons += ListButtons();
    QTest::mouseClick(form().tbtnClear, Qt::LeftButton);
    EXPECT_EQ(buttons + ListButtons(), QStringLiteral("0000000011110000"));
    EXPECT_FALSE(form().panltvTask->isVisible());
}

} // namespace
