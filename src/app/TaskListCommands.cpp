// The task list in the window: the add commands, drops, Delete, Clear, the moves, opening a
// row, the keys and the popup menu. The rules are the task list model's.
#include "app/FileDialogs.h"
#include "app/TMainForm.h"
#include "app/TTrimForm.h"
#include "platform/Desktop.h"
#include "platform/RawNames.h"
#include "settings/Preferences.h"
#include "tasks/TaskList.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

QList<int> TMainForm::SelectedRows() const
{
    QList<int> rows;
    if (!ltvTask->selectionModel())
        return rows;
    for (const QModelIndex &index : ltvTask->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TMainForm::SelectRows(const QList<int> &rows)
{
    QItemSelection selection;
    for (int row : rows) {
        const QModelIndex first = m_tasks->index(row, 0);
        const QModelIndex last = m_tasks->index(row, m_tasks->columnCount() - 1);
        selection.select(first, last);
    }
    ltvTask->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!rows.isEmpty())
        ltvTask->selectionModel()->setCurrentIndex(m_tasks->index(rows.first(), 0),
                                                   QItemSelectionModel::NoUpdate);
}

// The rows an add appended are selected, the first of them current, so that the moves and
// Delete act on what was just added.
static QList<int> RowsFrom(int first, int count)
{
    QList<int> rows;
    for (int row = first; row < count; ++row)
        rows.append(row);
    return rows;
}

void TMainForm::tbtnAddFileClick()
{
    // The dialog gives the files in the order the user sees them; they are added so.
    const int before = m_tasks->Count();
    m_tasks->AddChosenFiles(m_dialogs.ChooseInputFiles(this, m_openFilter));
    if (m_tasks->Count() > before)
        SelectRows(RowsFrom(before, m_tasks->Count()));
}

void TMainForm::tbtnAddDirClick()
{
    const int before = m_tasks->Count();
    m_tasks->AddChosenDirectory(
        m_dialogs.BrowseForFolder(this, QStringLiteral("Add a directory to the Task List")));
    if (m_tasks->Count() > before)
        SelectRows(RowsFrom(before, m_tasks->Count()));
    ltvTask->setFocus();
}

QList<int> TMainForm::RowsToMove() const
{
    const QList<int> selected = SelectedRows();
    if (!selected.isEmpty() || !ltvTask->currentIndex().isValid())
        return selected;
    return {ltvTask->currentIndex().row()};
}

void TMainForm::tbtnRemoveClick()
{
    m_tasks->Delete(SelectedRows());
}

void TMainForm::tbtnClearClick()
{
    m_tasks->Clear();
}

void TMainForm::tbtnUpClick()
{
    const QList<int> selected = RowsToMove();
    if (!selected.isEmpty())
        SelectRows(m_tasks->MoveUp(selected));
}

void TMainForm::tbtnDownClick()
{
    const QList<int> selected = RowsToMove();
    if (!selected.isEmpty())
        SelectRows(m_tasks->MoveDown(selected));
}

void TMainForm::ltvTaskDblClick()
{
    m_tasks->Open(SelectedRows());
}

bool TMainForm::ltvTaskKeyDown(int key)
{
    if (key == Qt::Key_Backspace) {
        tbtnClearClick();
        return true;
    }
    if (key == Qt::Key_Delete) {
        tbtnRemoveClick();
        return true;
    }
    return false;
}

void TMainForm::ppmTaskPopup()
{
    const bool selected = !SelectedRows().isEmpty();
    Open1->setEnabled(selected);
    Remove1->setEnabled(selected);
    Clear1->setEnabled(m_tasks->Count() > 0);
    Trim1->setEnabled(RowsToMove().size() == 1 && m_tasks->ListEnabled());
    for (QAction *sort : {SortByName1, SortByTime1})
        sort->setEnabled(m_tasks->Count() > 1);
}

void TMainForm::Trim1Click()
{
    const QList<int> rows = RowsToMove();
    if (rows.size() != 1 || !m_tasks->ListEnabled())
        return;
    ltvItemData rec;
    m_tasks->ReadTaskRow(rows.first(), AllColumns, rec);
    TTrimForm form(rec.InputFile, rec.LengthSeconds, ProbeFrameRate(rec.InputFile).value_or(25),
                   rec.Trim, this);
    if (form.exec() != QDialog::Accepted)
        return;
    if (const QString refusal = m_tasks->SetTrim(rows.first(), form.Result()); !refusal.isEmpty())
        m_desktop.ShowError(refusal);
}

void TMainForm::ShowTaskListPopup(const QPoint &position)
{
    if (!ltvTask->isEnabled())
        return;
    ppmTaskPopup();
    ppmTask->popup(ltvTask->viewport()->mapToGlobal(position));
}

void TMainForm::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls() && m_tasks->ListEnabled())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls()) {
        // Byte for byte: a name that is not UTF-8 comes percent-encoded as it is.
        if (url.isLocalFile())
            paths.append(NameFromUrl(url));
    }
    event->acceptProposedAction();
    m_tasks->DropPaths(paths);
}

void TMainForm::ConnectTaskList()
{
    ltvTask->setModel(m_tasks);
    connect(m_tasks, &TaskListModel::hideWelcomePanel, panltvTask, &QWidget::hide);
    connect(m_tasks, &TaskListModel::listButtonsEnabledChanged, this, [this](bool enabled) {
        for (QPushButton *button : {tbtnRemove, tbtnClear, tbtnUp, tbtnDown})
            button->setEnabled(enabled);
    });
    connect(m_tasks, &TaskListModel::listEnabledChanged, ltvTask, &QWidget::setEnabled);
    connect(ltvTask, &QTreeView::doubleClicked, this, &TMainForm::ltvTaskDblClick);
    connect(ltvTask, &QWidget::customContextMenuRequested, this, &TMainForm::ShowTaskListPopup);
    connect(tbtnAddFile, &QToolButton::clicked, this, &TMainForm::tbtnAddFileClick);
    connect(tbtnAddDir, &QToolButton::clicked, this, &TMainForm::tbtnAddDirClick);
    connect(tbtnRemove, &QPushButton::clicked, this, &TMainForm::tbtnRemoveClick);
    connect(tbtnClear, &QPushButton::clicked, this, &TMainForm::tbtnClearClick);
    connect(tbtnUp, &QPushButton::clicked, this, &TMainForm::tbtnUpClick);
    connect(tbtnDown, &QPushButton::clicked, this, &TMainForm::tbtnDownClick);
    connect(Open1, &QAction::triggered, this, &TMainForm::ltvTaskDblClick);
    connect(AddFiles1, &QAction::triggered, this, &TMainForm::tbtnAddFileClick);
    connect(AddDirectorys1, &QAction::triggered, this, &TMainForm::tbtnAddDirClick);
    connect(Remove1, &QAction::triggered, this, &TMainForm::tbtnRemoveClick);
    connect(Clear1, &QAction::triggered, this, &TMainForm::tbtnClearClick);
    // The files are measured while they are listed, when their loudness is to be evened out.
    connect(m_prefs, &PreferencesModel::changed, m_tasks,
            [this] { m_tasks->SetMeasureLoudness(m_prefs->EvenLoudness()); });
}
