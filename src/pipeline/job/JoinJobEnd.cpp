// The end of a join: complete, stopped, cancelled or abandoned, and the message it ends with.
#include "pipeline/job/JoinJob.h"

#include "pipeline/checks/OutputCheck.h"
#include "platform/Desktop.h"
#include "platform/Paths.h"
#include "platform/RawNames.h"
#include "tasks/TimeText.h"

#include <QPointer>
#include <QRegularExpression>

#include <utility>

#include <sys/stat.h>

namespace {

const QString kComplete = QStringLiteral("Complete");
const QString kStop = QStringLiteral("Stop");

} // namespace

void JoinJob::ConversionCancelled()
{
    Ending(JobOutcome::Stopped);
    StopTimer();
    SetRowStatus(m_row, kStop);
    RemoveFolder();
    ShowMessageThen(QStringLiteral("Cancel"), QStringLiteral("The Coversion is canceled."),
                    MessageIcon::Information, [this] {
                        Q_EMIT progressPanelShown(false);
                        // JobState stays Cancelled: it has no effect until the next Start.
                        End(JobOutcome::Stopped, AfterJobAction::None);
                    });
}

void JoinJob::JoinCancelled()
{
    Ending(JobOutcome::Stopped);
    StopTimer();
    SetRowsStatus(kStop);
    RemoveFolder();
    ShowMessageThen(QStringLiteral("Cancel"), QStringLiteral("The Joining is canceled."),
                    MessageIcon::Information, [this] { EndIdle(JobOutcome::Stopped); });
}

QString JoinJob::NoteLines(const QStringList &encoderLines)
{
    // The encoder's notes on what a finished join left out or moved, in the encoder's words:
    // "Note: no encoder makes the kind of <file>: its cut moves to keyframes, by <s> s at its
    // start and <s> s at its end", "Note: a copy with cuts keeps the picture and the main
    // sound; ...", "Note: the recording date is not kept: <why>" and "Note: No chapters from
    // <file> on: its length is not known".
    static const QRegularExpression moved(
        QStringLiteral("^Note: no encoder makes the kind of (.*): its cut moves to keyframes, by "
                       "(-?[0-9.]+) s at its start and (-?[0-9.]+) s at its end$"));
    static const QRegularExpression tracks(
        QStringLiteral("^Note: a copy with cuts keeps the picture and the main sound"));
    static const QRegularExpression date(
        QStringLiteral("^Note: the recording date is not kept: (.*)$"));
    static const QRegularExpression chapters(
        QStringLiteral("^Note: No chapters from (.*) on: its length is not known$"));
    QString lines;
    for (const QString &line : encoderLines) {
        QString said;
        if (const auto m = moved.match(line); m.hasMatch())
            said
                = tr("No encoder makes the kind of %1, so its cut moved to the nearest "
                     "keyframes: by %2 s at its start and %3 s at its end.")
                      .arg(ShownName(ExtractFileName(m.captured(1))), m.captured(2), m.captured(3));
        else if (tracks.match(line).hasMatch())
            said = tr("The trimmed files keep their picture and main sound only: their other "
                      "tracks are left out.");
        else if (const auto d = date.match(line); d.hasMatch())
            said = tr("The recording date is not kept: %1").arg(d.captured(1));
        else if (const auto c = chapters.match(line); c.hasMatch())
            said = tr("There are no chapters from %1 on, since its length is not known.")
                       .arg(ShownName(ExtractFileName(c.captured(1))));
        if (!said.isEmpty())
            lines += QLatin1Char('\n') + said;
    }
    return lines;
}

void JoinJob::Complete()
{
    Ending(JobOutcome::Completed);
    SetBars({100, 100}, true);
    StopTimer();
    // The estimate of the last tick may be seconds old: a finished job has none left.
    m_clock.remainingSeconds = 0;
    Q_EMIT remainingTextChanged(SecondsToTimeText(0));
    SetRowsStatus(kComplete);
    RemoveFolder();
    ForgetKept();
    // The after-job choices are read now, in their order of precedence.
    AfterJobAction action = AfterJobAction::Message;
    if (m_inputs.TurnOff()) {
        action = AfterJobAction::TurnOff;
    } else if (m_inputs.Exit()) {
        action = AfterJobAction::Exit;
    } else {
        // The next lines say where the file is, and whether its length is not what the
        // inputs add up to.
        QString text = QStringLiteral("The joining is completed successfully.\n")
            + JoinedFileLine(m_outputPath);
        const QString lengthLine = CheckOutputLength(m_outputPath, m_inputs);
        if (!lengthLine.isEmpty())
            text += QLatin1Char('\n') + lengthLine;
        text += NoteLines(m_run.LastLines());
        ShowMessageThen(QStringLiteral("Complete"), text, MessageIcon::Information, [this] {
            // The window is idle again before the folder opens (or a box says why not).
            const bool open = m_inputs.OpenDir();
            const QString folder = ExtractFileDir(m_inputs.OutputFile());
            Desktop &desktop = m_desktop;
            EndIdle(JobOutcome::Completed, AfterJobAction::Message);
            if (open)
                OpenOrSay(desktop, QStringLiteral("The output folder"), folder);
        });
        return;
    }
    EndIdle(JobOutcome::Completed, action);
}

JoinJob::FileStamp JoinJob::StampOf(const QString &file)
{
    struct stat st = {};
    if (::stat(NameToBytes(file).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return {true, quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

void JoinJob::NoteTarget(const QString &file)
{
    m_targetBefore = StampOf(file);
}

bool JoinJob::RunFailed(const QString &outputFile) const
{
    if (m_run.Crashed() || m_run.ExitCode() != 0)
        return true;
    // Missing, empty, or exactly the file that was there before the run: nothing was written.
    const FileStamp after = StampOf(outputFile);
    return !after.exists || after.size == 0 || (m_targetBefore.exists && after == m_targetBefore);
}

bool JoinJob::Stop()
{
    if (m_state != JobState::Running)
        return false;
    SetState(JobState::Cancelled);
    m_run.Terminate();
    m_check.Terminate();
    if (m_stage == Stage::Measuring)
        MeasuringCancelled();
    return true;
}

void JoinJob::Abandon()
{
    if (!m_active || m_ending)
        return;
    m_ending = true;
    m_state = JobState::Cancelled;
    m_timer.stop();
    EndMeasuring();
    // The encoder must be gone before its files are deleted; whatever it reports while it
    // ends is ignored, as the job is ending.
    m_run.Terminate();
    m_check.Terminate();
    m_run.WaitForEnd(5000);
    m_check.WaitForEnd(5000);
    RemoveFolder();
    m_state = JobState::Idle;
    m_stage = Stage::None;
    m_tracker.reset();
    m_active = false;
    m_ending = false;
}

void JoinJob::ShowMessageThen(const QString &title, const QString &text, MessageIcon icon,
                              std::function<void()> then, const QString &details)
{
    // The job goes on when the box is closed; a job that is gone by then does nothing. Names
    // that are not UTF-8 are shown with their letters.
    auto goOn = [self = QPointer<JoinJob>(this), then = std::move(then)] {
        if (self)
            then();
    };
    if (details.isEmpty())
        m_desktop.ShowMessageThen(title, ShownName(text), icon, std::move(goOn));
    else
        m_desktop.ShowDetailedMessageThen(title, ShownName(text), ShownName(details), icon,
                                          std::move(goOn));
}

void JoinJob::EndIdle(JobOutcome outcome, AfterJobAction action)
{
    SetState(JobState::Idle);
    Q_EMIT progressPanelShown(false);
    End(outcome, action);
}

void JoinJob::Ending(JobOutcome outcome)
{
    m_ending = true;
    if (std::exchange(m_endAnnounced, true))
        return;
    Q_EMIT workEnded(outcome, m_outputPath);
}
