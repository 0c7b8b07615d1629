// The window from the keyboard and for assistive technology: the shortcuts of its commands
// (shown in their tooltips and in the popup menu), the order Tab takes, the names and
// descriptions a screen reader reads, and the list's own order (the popup's sorts, rows
// dragged to a new place).
#include "app/ImageButton.h"
#include "app/TMainForm.h"
#include "pipeline/job/JoinJob.h"
#include "tasks/TaskList.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

namespace {

QString WithKeys(const QString &tip, const QKeySequence &keys)
{
    return QStringLiteral("%1 (%2)").arg(tip, keys.toString(QKeySequence::NativeText));
}

} // namespace

void TMainForm::BuildKeys()
{
    // Commands of the whole window: their keys work wherever the focus is in it.
    const auto command = [this](const char *name, const QString &text,
                                const QList<QKeySequence> &keys, auto slot) {
        auto *action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    actMoveUp = command("actMoveUp", QStringLiteral("Move Up"),
                        {QKeySequence(Qt::CTRL | Qt::Key_Up)}, &TMainForm::tbtnUpClick);
    actMoveDown = command("actMoveDown", QStringLiteral("Move Down"),
                          {QKeySequence(Qt::CTRL | Qt::Key_Down)}, &TMainForm::tbtnDownClick);
    actStart
        = command("actStart", QStringLiteral("Start"),
                  {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)},
                  &TMainForm::imgStartClick);
    actStop = command("actStop", QStringLiteral("Stop"), {QKeySequence(Qt::Key_Escape)},
                      &TMainForm::imgStopClick);
    actHelp = command("actHelp", QStringLiteral("Help"), {QKeySequence(Qt::Key_F1)},
                      &TMainForm::tbtnHelpClick);
    actQuit = command("actQuit", QStringLiteral("Quit"), {QKeySequence(Qt::CTRL | Qt::Key_Q)},
                      &QWidget::close);
    // Escape stops only while a job runs; elsewhere it keeps its usual meaning.
    actStop->setEnabled(false);
    connect(m_tasks, &TaskListModel::listEnabledChanged, actStop,
            [this](bool idle) { actStop->setEnabled(!idle); });

    // The popup's add commands work from the whole window too; the list's keys (Delete,
    // Backspace) are the list's own and act from the popup while it is open.
    AddFiles1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    AddDirectorys1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    addAction(AddFiles1);
    addAction(AddDirectorys1);
    Remove1->setShortcut(QKeySequence(Qt::Key_Delete));
    Clear1->setShortcut(QKeySequence(Qt::Key_Backspace));
    // Trim... acts on the selected row from anywhere in the window.
    Trim1 = new QAction(tr("Trim..."), this);
    Trim1->setObjectName(QStringLiteral("Trim1"));
    Trim1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    Trim1->setShortcutContext(Qt::WindowShortcut);
    ppmTask->insertAction(Remove1, Trim1);
    addAction(Trim1);
    connect(Trim1, &QAction::triggered, this, &TMainForm::Trim1Click);
    // No adding or trimming while a job runs, whatever the focus.
    connect(m_tasks, &TaskListModel::listEnabledChanged, this, [this](bool enabled) {
        for (QAction *action : {AddFiles1, AddDirectorys1, actMoveUp, actMoveDown, Trim1})
            action->setEnabled(enabled);
    });

    ppmTask->addSeparator();
    SortByName1 = ppmTask->addAction(QStringLiteral("Sort by Name"));
    SortByName1->setObjectName(QStringLiteral("SortByName1"));
    SortByTime1 = ppmTask->addAction(QStringLiteral("Sort by Recording Time"));
    SortByTime1->setObjectName(QStringLiteral("SortByTime1"));
    connect(SortByName1, &QAction::triggered, this, &TMainForm::SortByName1Click);
    connect(SortByTime1, &QAction::triggered, this, &TMainForm::SortByTime1Click);

    // Rows are dragged to a new place in the list; files dropped from outside still go to the
    // window, which adds them.
    ltvTask->setDragDropMode(QAbstractItemView::InternalMove);
    ltvTask->setDefaultDropAction(Qt::MoveAction);
    ltvTask->setDragDropOverwriteMode(false);
    ltvTask->setDropIndicatorShown(true);

    const auto tip = [](QWidget *w, const QString &text, const QAction *action = nullptr) {
        w->setToolTip(action ? WithKeys(text, action->shortcut()) : text);
    };
    tip(tbtnAddFile, QStringLiteral("Add video files to the task list"), AddFiles1);
    tip(tbtnAddDir, QStringLiteral("Add the video files of a folder"), AddDirectorys1);
    tip(tbtnSetting, QStringLiteral("Preferences: output file, temporary folder, after the job"));
    tip(tbtnAbout, QStringLiteral("About this program"));
    tip(tbtnHelp, QStringLiteral("Open the help page"), actHelp);
    tip(tbtnRemove, QStringLiteral("Remove the selected files from the list"), Remove1);
    tip(tbtnClear, QStringLiteral("Remove every file from the list"), Clear1);
    tip(tbtnUp, QStringLiteral("Move the selected files up"), actMoveUp);
    tip(tbtnDown, QStringLiteral("Move the selected files down"), actMoveDown);
    tip(imgStart, QStringLiteral("Start joining the listed videos"), actStart);
    tip(imgStop, QStringLiteral("Stop the running job"), actStop);
    tip(bbtnSetting, QStringLiteral("The video and audio settings of the output"));
    tip(bbtnBrowser, QStringLiteral("Choose the output file"));
    tip(bbtnOpen, QStringLiteral("Open the output file, or its folder"));

    // Tab goes from the top of the window to its bottom, left to right.
    const QList<QWidget *> order
        = {tbtnAddFile,   tbtnAddDir,  tbtnSetting, tbtnAbout, tbtnHelp,   ltvTask,
           tbtnRemove,    tbtnClear,   tbtnUp,      tbtnDown,  cmbProfile, bbtnSetting,
           edtOutputFile, bbtnBrowser, bbtnOpen,    imgStart,  imgStop};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    ltvTask->setFocus();
    NameControls();
}

void TMainForm::NameControls()
{
    ltvTask->setAccessibleName(QStringLiteral("Task List"));
    ltvTask->setAccessibleDescription(
        QStringLiteral("The files to join, in the order of the joined video, each with a "
                       "picture from a tenth into it, its length, frame size and status"));
    imgStart->setAccessibleName(QStringLiteral("Start"));
    imgStop->setAccessibleName(QStringLiteral("Stop"));
    pgbCurrent->setAccessibleName(QStringLiteral("Current Progress"));
    pgbTotal->setAccessibleName(QStringLiteral("Total Progress"));
    labElapsed->setAccessibleDescription(QStringLiteral("Time Elapsed"));
    labRemaining->setAccessibleDescription(QStringLiteral("Time Remaining"));
    if (auto *clear = edtOutputFile->findChild<QToolButton *>())
        clear->setAccessibleName(QStringLiteral("Clear the output file"));
    // The toolbar's own button for the commands a narrow window cannot show.
    if (auto *more = ToolBar1->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("More commands"));
    // The current bar tells which stage and which file it measures.
    const auto describe = [this] {
        const QString file
            = labConvertingFile->isVisibleTo(panBottomLeft) ? labConvertingFile->text() : QString();
        pgbCurrent->setAccessibleDescription(
            QString(labProcessTitle->text() + QLatin1Char(' ') + file).trimmed());
    };
    connect(&Job(), &JoinJob::stageTitleChanged, this, describe);
    connect(&Job(), &JoinJob::currentFileChanged, this, describe);
    connect(&Job(), &JoinJob::currentFileShown, this, describe);
}

void TMainForm::KeepFocusOnStartStop(bool hadFocus, TImageButton *to)
{
    // Start and Stop take each other's place, and the focus goes with them; a focus left on
    // a control that was turned off or hidden goes there too.
    const QWidget *focus = QApplication::focusWidget();
    const bool lost
        = !focus || focus->window() != this || !focus->isEnabled() || !focus->isVisible();
    if (hadFocus || (lost && isActiveWindow()))
        to->setFocus(Qt::TabFocusReason);
}

void TMainForm::SortByName1Click()
{
    m_tasks->SortByName(SelectedRows());
    ltvTask->scrollTo(ltvTask->currentIndex());
}

void TMainForm::SortByTime1Click()
{
    if (!m_tasks->ListEnabled())
        return;
    // The times come from the add; only a file changed since is read again.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto times = m_tasks->RecordingTimesOfRows();
    QApplication::restoreOverrideCursor();
    m_tasks->SortByTime(SelectedRows(), times);
    ltvTask->scrollTo(ltvTask->currentIndex());
}
