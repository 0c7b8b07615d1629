#include "pipeline/job/JoinJob.h"

#include "pipeline/checks/OutputCheck.h"
#include "pipeline/job/JobFolder.h"
#include "pipeline/runs/CommandLine.h"
#include "platform/Desktop.h"
#include "platform/Paths.h"
#include "platform/RawNames.h"
#include "tasks/TimeText.h"

#include <QFile>
#include <QPointer>
#include <QRegularExpression>

#include <algorithm>
#include <numeric>
#include <utility>

#include <sys/stat.h>

namespace {

const QString kConverting = QStringLiteral("Converting");
const QString kWaiting = QStringLiteral("Waiting for joining");
const QString kJoining = QStringLiteral("Joining");
const QString kComplete = QStringLiteral("Complete");
const QString kStop = QStringLiteral("Stop");

} // namespace

JoinJob::JoinJob(JobInputs &inputs, Desktop &desktop, const QString &programDir, QObject *parent)
    : QObject(parent)
    , m_inputs(inputs)
    , m_desktop(desktop)
    , m_programDir(programDir)
    , m_workDir(programDir)
    , m_encoderPath(programDir + QStringLiteral("asapi.dll"))
{
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &JoinJob::OnTick);
    connect(&m_run, &EncoderRun::chunkRead, this, &JoinJob::OnChunk);
    connect(&m_run, &EncoderRun::ended, this, &JoinJob::OnRunEnded);
    connect(&m_run, &EncoderRun::failedToStart, this, &JoinJob::OnRunFailedToStart);
    connect(&m_check, &SourceCheck::finished, this, &JoinJob::OnCheckEnded);
}

JoinJob::~JoinJob()
{
    Abandon();
}

bool JoinJob::Start(const QString &profilePath)
{
    if (m_active)
        return false;
    m_active = true;
    m_ending = false;
    m_endAnnounced = false;
    Q_EMIT started(m_inputs.RowCount());
    m_profilePath = profilePath;
    m_outputPath.clear();
    m_fitRows.clear();
    m_fitSoundRows.clear();
    m_statusSet.clear();
    m_keptFolder.clear();
    m_keptNames.clear();
    m_gains.clear();
    m_run.SetLowPriority(m_inputs.LowPriority());
    Q_EMIT noteChanged(QString());
    if (RefuseCrossfade())
        return true;
    if (m_inputs.StreamCopy()) {
        StartCheck();
        return true;
    }
    m_videoSize = m_inputs.VideoSizeValue(profilePath);

    // The progress display replaces the profile controls.
    Q_EMIT elapsedTextChanged(QString());
    Q_EMIT remainingTextChanged(QString());
    Q_EMIT progressPanelShown(true);
    SetState(JobState::Running);
    m_clock.Reset();
    m_rowCount = m_inputs.RowCount();
    std::vector<int> rows(m_rowCount);
    std::iota(rows.begin(), rows.end(), 0);
    if (LoudnessMeter *meter = m_inputs.LoudnessToEven()) {
        StartMeasuring(*meter, rows);
        return true;
    }
    StartConversionStage(rows);
    return true;
}

void JoinJob::StartConversionStage(const std::vector<int> &rows)
{
    m_stage = Stage::Conversion;
    Q_EMIT stageTitleChanged(QStringLiteral("Prepare (Converting):"));
    Q_EMIT currentFileShown(true);
    Q_EMIT currentFileChanged(QString());
    SetBars({0, 0}, true);
    m_secondsDone = 0;
    m_timer.start();
    // A fit of the sound alone weighs on the total bar as little as it takes.
    double totalSeconds = 0;
    for (const int row : rows)
        totalSeconds += m_inputs.ReadRow(row).KeptSeconds() * RowPace(row);
    m_tracker.emplace(StageKind::Conversion, totalSeconds);
    const JobFolderResult folder = MakeJobFolder(m_inputs.TempDir(), m_workDir);
    if (folder.folder.isEmpty()) {
        FailWithoutFolder(folder.error);
        return;
    }
    m_folder = folder.folder;
    std::vector<int> todo = rows;
    if (m_fitRows.empty()) {
        RestoreKept(todo);
        m_convertRows = todo;
        m_convertIndex = 0;
        if (todo.empty()) {
            StartJoin(JoinInputList(m_folder, m_rowCount), StageKind::Joining);
            return;
        }
    }
    m_row = todo.empty() ? 0 : todo.front();
    StartConversionRow();
}

void JoinJob::StartConversionRow()
{
    const ltvItemData row = m_inputs.ReadRow(m_row);
    m_tracker->SetBars(m_bars);
    m_tracker->BeginRun(row.KeptSeconds(), m_secondsDone, RowPace(m_row));
    SetRowStatus(m_row, kConverting);
    Q_EMIT currentFileChanged(ShownName(ExtractFileName(row.InputFile)));
    NoteTarget(RowIntermediate(m_row));
    if (!m_fitRows.empty()) {
        m_run.Start(m_encoderPath,
                    JoinCommandLine(
                        QLatin1Char(' ') + QuotePath(row.InputFile), RowIntermediate(m_row),
                        DatesOption() + m_inputs.EncoderOptions(m_profilePath)
                            + QStringLiteral(" -fit ") + FitValue(m_fitSettings, RowPart(m_row)))
                        + TrimOptions(row.Trim));
        return;
    }
    m_run.Start(m_encoderPath, RowConversion(m_row, row, IntermediateFile(m_folder, m_row)));
}

QString JoinJob::RowConversion(int index, const ltvItemData &row, const QString &target) const
{
    const double gain = size_t(index) < m_gains.size() ? m_gains[size_t(index)] : 0.0;
    return ConversionCommandLine(row.InputFile, target, m_videoSize, row.Trim, gain);
}

void JoinJob::StartJoin(const QString &inputList, StageKind kind)
{
    QString chapters;
    if (!PrepareChapters(&chapters))
        return;
    QString options = m_inputs.EncoderOptions(m_profilePath);
    // A copy takes the sound stream the check found in the files of the kept kind (their
    // default track), so that the encoder need not read a file again for it.
    const std::vector<SourceFacts> &facts = m_check.Facts();
    const int kept = KeptKind(facts);
    if ((kind == StageKind::Copying || !m_fitRows.empty()) && kept >= 0
        && facts[size_t(kept)].audioStream >= 0)
        options.prepend(QStringLiteral("-aid %1 ").arg(facts[size_t(kept)].audioStream));
    // Files of more tracks than a picture and one sound keep them all; the encoder reads them
    // from the first file. Files converted to fit hold them when the fit could make them all,
    // else the picture and one sound only.
    if ((kind == StageKind::Copying || !m_fitRows.empty()) && kept >= 0
        && HasMoreTracks(facts[size_t(kept)].tracks)
        && (m_fitRows.empty() || m_fitSettings.contains(QLatin1String("tracks="))))
        options.prepend(QStringLiteral("-alltracks "));
    // A copy keeps the first file's recording date (a converted first file carries it on).
    if (kind == StageKind::Copying || !m_fitRows.empty())
        options.prepend(DatesOption());
    // A copy that cuts encodes the frames around its cuts in the kind kept, where an encoder
    // makes it; otherwise its cuts move to keyframes.
    bool cuts = false;
    for (int n = 0; n < m_rowCount; ++n)
        cuts = cuts
            || (m_inputs.ReadRow(n).Trim
                && std::find(m_fitRows.begin(), m_fitRows.end(), n) == m_fitRows.end());
    if ((kind == StageKind::Copying || !m_fitRows.empty()) && kept >= 0 && cuts) {
        QString why;
        const QString cutKind = FitSettingsFor(facts[size_t(kept)], &why);
        if (!cutKind.isEmpty())
            options.prepend(QStringLiteral("-cutkind %1 ").arg(cutKind));
    }
    m_stage = Stage::Joining;
    Q_EMIT currentFileShown(false);
    Q_EMIT stageTitleChanged(QStringLiteral("Final Step: Joining all files..."));
    Q_EMIT progressPanelShown(true);
    SetState(JobState::Running);

    m_statusBeforeJoin.clear();
    for (int n = 0; n < m_rowCount; ++n)
        m_statusBeforeJoin << m_statusSet.value(n, m_inputs.ReadRow(n).StatusText);
    double totalSeconds = 0;
    for (int n = 0; n < m_rowCount; ++n) {
        SetRowStatus(n, kJoining);
        totalSeconds += m_inputs.ReadRow(n).KeptSeconds();
    }
    const QString crossfade = CrossfadeOption(kind);
    if (!crossfade.isEmpty())
        totalSeconds -= m_inputs.Crossfade() * (m_rowCount - 1);
    m_outputPath
        = JoinOutputPath(m_inputs.OutputFile(), m_inputs.Rename(), m_inputs.OutputExtension());
    // The bars carry on from the conversion stage.
    m_tracker.emplace(kind, totalSeconds);
    m_tracker->SetBars(m_bars);
    m_tracker->BeginRun(totalSeconds);
    NoteTarget(m_outputPath);
    m_run.Start(m_encoderPath,
                JoinCommandLine(inputList, m_outputPath, options) + chapters + crossfade);
}

void JoinJob::OnChunk(const QByteArray &chunk)
{
    if (!m_active || !m_tracker)
        return;
    if (m_tracker->Feed(chunk))
        SetBars(m_tracker->Bars());
}

void JoinJob::OnRunEnded()
{
    if (!m_active || m_ending)
        return;
    if (m_stage == Stage::Conversion) {
        if (m_state == JobState::Cancelled)
            ConversionCancelled();
        else if (RunFailed(RowIntermediate(m_row)))
            ConversionFailed();
        else
            ConversionRowDone();
    } else if (m_stage == Stage::Joining) {
        if (m_state == JobState::Cancelled)
            JoinCancelled();
        else if (RunFailed(m_outputPath))
            JoinFailed();
        else
            Complete();
    }
}

void JoinJob::OnRunFailedToStart()
{
    if (m_active && !m_ending)
        FailToStartEncoder();
}

void JoinJob::OnTick()
{
    m_clock.Tick(m_bars.total);
    Q_EMIT elapsedTextChanged(SecondsToTimeText(m_clock.elapsedSeconds));
    Q_EMIT remainingTextChanged(SecondsToTimeText(m_clock.remainingSeconds));
}

void JoinJob::ConversionRowDone()
{
    m_secondsDone += m_inputs.ReadRow(m_row).KeptSeconds() * RowPace(m_row);
    SetRowStatus(m_row, kWaiting);
    const bool fitting = !m_fitRows.empty();
    if (!fitting)
        KeepRow();
    const bool last
        = fitting ? m_fitIndex + 1 >= m_fitRows.size() : m_convertIndex + 1 >= m_convertRows.size();
    if (!last)
        SetBars({0, m_bars.total});
    m_run.Terminate();
    if (last) {
        StartJoin(fitting ? CopyInputList() : JoinInputList(m_folder, m_rowCount),
                  StageKind::Joining);
        return;
    }
    m_row = fitting ? m_fitRows[++m_fitIndex] : m_convertRows[++m_convertIndex];
    StartConversionRow();
}

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

QString JoinJob::MovedCutLines(const QStringList &encoderLines)
{
    // "Note: no encoder makes the kind of <file>: its cut moves to keyframes, by <s> s at its
    // start and <s> s at its end"
    static const QRegularExpression moved(
        QStringLiteral("^Note: no encoder makes the kind of (.*): its cut moves to keyframes, by "
                       "(-?[0-9.]+) s at its start and (-?[0-9.]+) s at its end$"));
    QString lines;
    for (const QString &line : encoderLines)
        if (const auto m = moved.match(line); m.hasMatch())
            lines += QLatin1Char('\n')
                + tr("No encoder makes the kind of %1, so its cut moved to the nearest keyframes: "
                     "by %2 s at its start and %3 s at its end.")
                      .arg(ShownName(ExtractFileName(m.captured(1))), m.captured(2), m.captured(3));
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
        text += MovedCutLines(m_run.LastLines());
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

void JoinJob::SetState(JobState state)
{
    if (m_state == state)
        return;
    m_state = state;
    Q_EMIT stateChanged(state);
}

void JoinJob::SetBars(ProgressBars bars, bool announce)
{
    const ProgressBars old = m_bars;
    m_bars = bars;
    if (announce || bars.current != old.current)
        Q_EMIT currentProgressChanged(bars.current);
    if (announce || bars.total != old.total)
        Q_EMIT totalProgressChanged(bars.total);
}

void JoinJob::SetRowStatus(int row, const QString &status)
{
    m_statusSet.insert(row, status);
    Q_EMIT rowStatusChanged(row, status);
}

void JoinJob::SetRowsStatus(const QString &status)
{
    for (int n = 0; n < m_rowCount; ++n)
        SetRowStatus(n, status);
}

void JoinJob::StopTimer()
{
    m_timer.stop();
}

void JoinJob::RemoveFolder()
{
    RemoveJobFolder(m_folder, m_rowCount);
    m_folder.clear();
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

void JoinJob::End(JobOutcome outcome, AfterJobAction action)
{
    Ending(outcome);
    m_stage = Stage::None;
    m_tracker.reset();
    m_active = false;
    m_ending = false;
    Q_EMIT finished(outcome, action);
}
