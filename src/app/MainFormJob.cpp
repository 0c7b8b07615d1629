// Job control in the window: Start with its checks, Stop, the two looks of the window, the
// progress display and what follows the end of a job. The job itself is the pipeline's.
#include "app/ImageButton.h"
#include "app/JobDesktop.h"
#include "app/TMainForm.h"
#include "pipeline/job/JobControl.h"
#include "pipeline/job/JobPresence.h"
#include "pipeline/job/JoinJob.h"
#include "pipeline/job/ModelJobInputs.h"
#include "pipeline/runs/Progress.h"
#include "platform/DesktopNotifier.h"
#include "platform/SleepInhibitor.h"
#include "profiles/ProfileSettings.h"
#include "settings/Preferences.h"
#include "tasks/TaskList.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>

#include <utility>

void TMainForm::CreateJob()
{
    m_jobInputs = std::make_unique<ModelJobInputs>(*m_tasks, *m_prefs, *m_profile,
                                                   [this] { return edtOutputFile->text(); });
    m_jobDesktop = std::make_unique<JobDesktop>(m_desktop, [this] {
        // Turning the computer off: the close's stores are made before the request.
        FormClose();
        m_storedForClose = true;
    });
    // Stop cannot be pressed while the fit box is open: it is shown inactive until the answer.
    m_jobDesktop->asking = [this](bool open) { imgStop->setEnabled(!open); };
    m_job = new JoinJob(*m_jobInputs, *m_jobDesktop, m_programDir, this);
    ConnectRowStatus(*m_job, *m_tasks);
    connect(m_job, &JoinJob::stageTitleChanged, labProcessTitle, &QLabel::setText);
    connect(m_job, &JoinJob::currentFileChanged, labConvertingFile, &QLabel::setText);
    connect(m_job, &JoinJob::currentFileShown, labConvertingFile, &QWidget::setVisible);
    connect(m_job, &JoinJob::progressPanelShown, this, [this](bool shown) {
        panBottomCenter->setVisible(!shown);
        panBottomLeft->setVisible(shown);
    });
    connect(m_job, &JoinJob::currentProgressChanged, this, [this](int percent) {
        pgbCurrent->setValue(percent);
        labCurProgress->setText(PercentText(percent));
    });
    connect(m_job, &JoinJob::totalProgressChanged, this, [this](int percent) {
        pgbTotal->setValue(percent);
        labTotalProgress->setText(PercentText(percent));
    });
    connect(m_job, &JoinJob::elapsedTextChanged, labElapsed, &QLabel::setText);
    connect(m_job, &JoinJob::remainingTextChanged, labRemaining, &QLabel::setText);
    connect(m_job, &JoinJob::finished, this, &TMainForm::JobFinished);
    // How much of an earlier job is used again: in the line under the list while the job runs,
    // and on the stage title and the total bar.
    connect(m_job, &JoinJob::noteChanged, this, [this](const QString &note) {
        m_jobNote = note;
        labProcessTitle->setToolTip(note);
        pgbTotal->setToolTip(note);
        labConvertingFile->setToolTip(note);
        UpdateListSummary();
    });
    // The desktop hears of the job: no sleep while it works, its progress on the taskbar, and a
    // notification of its end while the window is in the background.
    auto *inhibitor = new SleepInhibitor(QDBusConnection::systemBus(), this);
    auto *notifier = new DesktopNotifier(QDBusConnection::sessionBus(),
                                         QStringLiteral("quintor-video-joiner.desktop"), this);
    auto *presence = new JobPresence(
        *m_job, *inhibitor, *notifier, [this] { return isActiveWindow(); }, this);
    connect(presence, &JobPresence::windowWanted, this, [this] {
        if (isMinimized())
            showNormal();
        raise();
        activateWindow();
    });
    connect(imgStart, &TImageButton::clicked, this, &TMainForm::imgStartClick);
    connect(imgStop, &TImageButton::clicked, this, &TMainForm::imgStopClick);
}

JoinJob &TMainForm::Job() const
{
    return *m_job;
}

void TMainForm::imgStartClick()
{
    // A stopped job may still be ending; a second one waits until it has.
    if (m_job->IsActive())
        return;
    StartInputs inputs;
    inputs.rowCount = m_tasks->Count();
    inputs.outputText = edtOutputFile->text();
    inputs.outputExtension = m_profile->OutputExtension();
    inputs.askOverwrite = m_prefs->Ask();
    inputs.rename = m_prefs->Rename();
    inputs.inputFiles = m_tasks->InputFiles();
    StartCheck check = CheckStart(inputs);
    if (check.focus != StartFocus::Unchanged)
        ltvTask->setFocus();
    if (check.outputText != edtOutputFile->text())
        edtOutputFile->setText(check.outputText);
    const bool go = ConfirmStart(check, m_desktop);
    if (check.focus == StartFocus::OutputFile)
        edtOutputFile->setFocus();
    if (!go)
        return;
    KeepProposalForTheRun();
    SetRunningState();
    m_job->Start(ProfilePath());
}

void TMainForm::imgStopClick()
{
    if (m_job->State() != JobState::Running)
        return;
    m_focusToStart = imgStop->hasFocus();
    imgStop->hide();
    imgStart->show();
    // Start stays inert until the stopped job has ended.
    imgStart->setEnabled(false);
    m_job->Stop();
}

void TMainForm::SetRunningState()
{
    for (QWidget *w : std::initializer_list<QWidget *> {tbtnAddFile, tbtnAddDir, tbtnSetting})
        w->setEnabled(false);
    m_tasks->SetListButtonsEnabled(false);
    m_tasks->SetListEnabled(false);
    imgStart->hide();
    imgStop->show();
    // Everything else but About and Help is off now: the focus goes to Stop.
    KeepFocusOnStartStop(true, imgStop);
}

void TMainForm::SetIdleState()
{
    for (QWidget *w : std::initializer_list<QWidget *> {tbtnAddFile, tbtnAddDir, tbtnSetting})
        w->setEnabled(true);
    m_tasks->SetListButtonsEnabled(true);
    m_tasks->SetListEnabled(true);
    imgStart->setEnabled(true);
    const bool stopFocused = std::exchange(m_focusToStart, false) || imgStop->hasFocus();
    imgStart->show();
    imgStop->hide();
    KeepFocusOnStartStop(stopFocused, imgStart);
}

void TMainForm::JobFinished(JobOutcome outcome, AfterJobAction action)
{
    Q_UNUSED(outcome);
    m_jobNote.clear();
    UpdateListSummary();
    SetIdleState();
    if (action == AfterJobAction::TurnOff)
        AskTurnOff();
    else if (action == AfterJobAction::Exit)
        close();
}
