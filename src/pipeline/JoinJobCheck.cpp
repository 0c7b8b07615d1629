// The job of a profile that copies the streams: before its one stage, the encoder says what
// each input holds, and inputs that cannot follow one another are refused with the reasons.
#include "pipeline/JoinJob.h"

#include "pipeline/CommandLine.h"
#include "platform/Paths.h"

void JoinJob::CheckEarly(const QStringList &inputFiles)
{
    if (!m_active && m_inputs.StreamCopy())
        m_check.StartEarly(m_encoderPath, inputFiles);
}

void JoinJob::StartCheck()
{
    // One stage: the progress display shows the join from the start, the check included.
    m_stage = Stage::Checking;
    Q_EMIT stageTitleChanged(QStringLiteral("Final Step: Joining all files..."));
    Q_EMIT currentFileShown(false);
    Q_EMIT elapsedTextChanged(QString());
    Q_EMIT remainingTextChanged(QString());
    SetBars({0, 0}, true);
    Q_EMIT progressPanelShown(true);
    SetState(JobState::Running);
    m_clock.Reset();
    m_timer.start();
    m_rowCount = m_inputs.RowCount();
    QStringList inputs;
    for (int i = 0; i < m_rowCount; ++i)
        inputs << m_inputs.ReadRow(i).InputFile;
    m_check.Start(m_encoderPath, inputs);
}

void JoinJob::OnCheckEnded()
{
    if (!m_active || m_ending || m_stage != Stage::Checking)
        return;
    if (m_state == JobState::Cancelled) {
        JoinCancelled();
    } else if (m_check.FailedToStart()) {
        FailToStartEncoder();
    } else if (!m_check.Error().isEmpty()) {
        m_ending = true;
        StopTimer();
        ShowMessageThen(
            QStringLiteral("Error"), m_check.Error(), MessageIcon::Error,
            [this] { EndIdle(JobOutcome::Failed); }, m_check.ErrorDetails());
    } else {
        QStringList names;
        QStringList inputs;
        for (int i = 0; i < m_rowCount; ++i) {
            names << ExtractFileName(m_inputs.ReadRow(i).InputFile);
            inputs << QLatin1Char(' ') + QuotePath(m_inputs.ReadRow(i).InputFile);
        }
        const QStringList misfits
            = SourceMisfits(m_check.Facts(), names, m_inputs.OutputExtension());
        if (!misfits.isEmpty())
            RefuseMisfits(misfits);
        else
            StartJoin(inputs.join(QString()), StageKind::Copying);
    }
}

void JoinJob::RefuseMisfits(const QStringList &misfits)
{
    // Nothing was written and the rows keep their status.
    m_ending = true;
    StopTimer();
    ShowMessageThen(QStringLiteral("Cannot Join Without Re-encoding"), MisfitMessage(misfits),
                    MessageIcon::Information, [this] { EndIdle(JobOutcome::Failed); });
}
