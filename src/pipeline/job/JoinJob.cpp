#include "pipeline/job/JoinJob.h"

#include "pipeline/job/JobFolder.h"
#include "pipeline/runs/CommandLine.h"
#include "platform/Desktop.h"
#include "platform/Paths.h"
#include "platform/RawNames.h"
#include "tasks/TimeText.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace {

const QString kConverting = QStringLiteral("Converting");
const QString kWaiting = QStringLiteral("Waiting for joining");
const QString kJoining = QStringLiteral("Joining");

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
        // The files' loudness is measured while the encoder reads what they hold; the job
        // waits for what is left of it once the check has ended.
        if (LoudnessMeter *meter = m_inputs.LoudnessToEven()) {
            QStringList paths;
            for (int i = 0; i < m_inputs.RowCount(); ++i)
                paths << m_inputs.ReadRow(i).InputFile;
            meter->Measure(paths);
        }
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
                        + TrimOptions(row.Trim) + GainOption(RowGain(m_row)));
        return;
    }
    m_run.Start(m_encoderPath, RowConversion(m_row, row, IntermediateFile(m_folder, m_row)));
}

QString JoinJob::RowConversion(int index, const ltvItemData &row, const QString &target) const
{
    return ConversionCommandLine(row.InputFile, target, m_videoSize, row.Trim, RowGain(index));
}

double JoinJob::RowGain(int row) const
{
    return size_t(row) < m_gains.size() ? m_gains[size_t(row)] : 0.0;
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
    const bool copy = kind == StageKind::Copying || !m_fitRows.empty();
    if (copy && kept >= 0 && cuts && MadePictureJoins(facts[size_t(kept)])) {
        QString why;
        const QString cutKind = FitSettingsFor(facts[size_t(kept)], &why);
        if (!cutKind.isEmpty())
            options.prepend(QStringLiteral("-cutkind %1 ").arg(cutKind));
    }
    // The pieces a copy encodes around its cuts live in the job's folder, which the next start
    // of the program clears should the job be killed; without one, in the system's.
    if (copy && cuts && m_folder.isEmpty())
        m_folder = MakeJobFolder(m_inputs.TempDir(), m_workDir).folder;
    m_run.SetTemporaryFolder(copy && cuts ? m_folder : QString());
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
    // The total bar takes in the whole file even when the run was too short to report.
    m_tracker->CompleteRun();
    const int total = std::max(m_bars.total, m_tracker->Bars().total);
    SetRowStatus(m_row, kWaiting);
    const bool fitting = !m_fitRows.empty();
    if (!fitting)
        KeepRow();
    const bool last
        = fitting ? m_fitIndex + 1 >= m_fitRows.size() : m_convertIndex + 1 >= m_convertRows.size();
    SetBars({last ? m_bars.current : 0, total});
    m_run.Terminate();
    if (last) {
        StartJoin(fitting ? CopyInputList() : JoinInputList(m_folder, m_rowCount),
                  StageKind::Joining);
        return;
    }
    m_row = fitting ? m_fitRows[++m_fitIndex] : m_convertRows[++m_convertIndex];
    StartConversionRow();
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

void JoinJob::End(JobOutcome outcome, AfterJobAction action)
{
    Ending(outcome);
    m_stage = Stage::None;
    m_tracker.reset();
    m_active = false;
    m_ending = false;
    Q_EMIT finished(outcome, action);
}
