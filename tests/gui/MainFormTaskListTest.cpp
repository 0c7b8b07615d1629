// The task list in the main window: Add Files, the duplicate question, Delete, Clear, the moves,
// the keys, the popup menu and opening a row. The rules are the model's; this proves the binding.
#include "MainFormSupport.h"

#include <QAction>
#include <QMenu>

using namespace qvj;
using namespace qvj::mainwin;

namespace {

class TaskListWindow : public WindowTest
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
};

TEST_F(TaskListWindow, CommandsKeysAndPopup)
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
    const auto asked = desktop.Of(QStringLiteral("question"));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].title + QLatin1Char('|') + asked[0].text,
              QStringLiteral("Already Listed|This file has been added to the Task List already. "
                             "Are you sure to add it again?"));

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
    EXPECT_EQ(desktop.Of(QStringLiteral("open")).at(0).text, Row('C'));
}

} // namespace
