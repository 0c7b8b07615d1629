// How a job ends when it fails: the encoder could not be started, a run wrote nothing, or no
// folder could be made for the intermediate files. The message says why first, in words; the
// encoder's own lines follow as details.
#include "pipeline/job/JoinJob.h"

#include "pipeline/runs/CommandLine.h"
#include "pipeline/runs/RunFailure.h"
#include "platform/Paths.h"

namespace {

const QString kFailed = QStringLiteral("Failed");

} // namespace

void JoinJob::ConversionFailed()
{
    Ending(JobOutcome::Failed);
    StopTimer();
    SetRowStatus(m_row, kFailed);
    const FailureMessage message = DescribeFailedRun(
        RunFailure::Stage::Converting, m_inputs.ReadRow(m_row).InputFile, RowIntermediate(m_row));
    RemoveFolder();
    ShowMessageThen(
        QStringLiteral("Error"), message.text, MessageIcon::Error,
        [this] { EndIdle(JobOutcome::Failed); }, message.details);
}

void JoinJob::JoinFailed()
{
    Ending(JobOutcome::Failed);
    StopTimer();
    // The inputs are as good as before: each row shows again what it had reached.
    for (int n = 0; n < m_statusBeforeJoin.size(); ++n)
        SetRowStatus(n, m_statusBeforeJoin[n]);
    const FailureMessage message
        = DescribeFailedRun(RunFailure::Stage::Joining, QString(), m_outputPath);
    RemoveFolder();
    ShowMessageThen(
        QStringLiteral("Error"), message.text, MessageIcon::Error,
        [this] { EndIdle(JobOutcome::Failed); }, message.details);
}

FailureMessage JoinJob::DescribeFailedRun(RunFailure::Stage stage, const QString &input,
                                          const QString &target) const
{
    RunFailure failure;
    failure.stage = stage;
    failure.input = input;
    failure.target = target;
    failure.targetExisted = m_targetBefore.exists;
    failure.crashed = m_run.Crashed();
    failure.exitCode = m_run.ExitCode();
    failure.lastLines = m_run.LastLines();
    return DescribeRunFailure(failure);
}

void JoinJob::FailToStartEncoder()
{
    Ending(JobOutcome::Failed);
    StopTimer();
    RemoveFolder();
    const QString why = m_stage == Stage::Checking ? m_check.StartError() : m_run.StartError();
    ShowMessageThen(
        QString::fromLatin1(kProductName),
        QStringLiteral("Error. Please re-install ") + QString::fromLatin1(kProductName),
        MessageIcon::Error,
        [this] {
            Q_EMIT progressPanelShown(false);
            // After the conversion stage JobState is left Cancelled so that no join follows.
            SetState(m_stage == Stage::Conversion ? JobState::Cancelled : JobState::Idle);
            End(JobOutcome::Failed, AfterJobAction::None);
        },
        QStringLiteral("The encoder %1 could not be started: %2").arg(m_encoderPath, why));
}

void JoinJob::FailWithoutFolder(const QString &error)
{
    Ending(JobOutcome::Failed);
    StopTimer();
    ShowMessageThen(QStringLiteral("Error"), error, MessageIcon::Error,
                    [this] { EndIdle(JobOutcome::Failed); });
}
