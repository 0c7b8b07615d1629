#pragma once
// One join from Start to its end: the conversion stage (every row into an intermediate file
// of the job's own folder), then the joining stage (all of them into the output file), then
// completion. A profile that copies the streams has one stage instead: the inputs are checked
// to fit, then joined as they are. A state machine driven by the encoder's signals: it never waits
// and never runs the event loop itself. Every effect on the window is a signal; messages go to the
// desktop.

#include "pipeline/checks/FitDecision.h"
#include "pipeline/checks/SourceCheck.h"
#include "pipeline/job/JobControl.h"
#include "pipeline/job/JobInputs.h"
#include "pipeline/runs/EncoderRun.h"
#include "pipeline/runs/Progress.h"
#include "pipeline/runs/RunFailure.h"
#include "platform/Desktop.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

// How a job ended.
enum class JobOutcome {
    Completed, // the output was written
    Stopped, // the user stopped it
    Failed, // the encoder failed, could not be started, or no folder could be made
};

// What follows a completed job. TurnOff and Exit are for the front end to carry out (TurnOff:
// the request to power off, which the user may still cancel, then the close); Message means
// the success message was shown (and the folder opened when asked for).
enum class AfterJobAction { None, TurnOff, Exit, Message };

class JoinJob : public QObject
{
    Q_OBJECT

public:
    // The encoder is programDir + "asapi.dll"; the fallback temporary folder programDir +
    // "temp/". inputs and desktop must outlive the job.
    JoinJob(JobInputs &inputs, Desktop &desktop, const QString &programDir,
            QObject *parent = nullptr);
    // Abandons a job that is still under way.
    ~JoinJob() override;

    // Starts a job whose Start checks have passed. profilePath is the profile path of Start
    // (programDir + "Profiles/" + the profile box's text + ".bpf"). False, doing nothing, while
    // an earlier job is still under way.
    bool Start(const QString &profilePath);
    // With a profile that copies the streams, asks the encoder about these files now, ahead of
    // Start, so that the answer is ready or nearly so when the job needs it; Start asks again
    // only when its rows name other files.
    void CheckEarly(const QStringList &inputFiles);

    // Stop: acts only while a stage runs (JobState Running): JobState becomes Cancelled and
    // the encoder is ended; the stage then takes its cancel path. True when it acted.
    bool Stop();

    // For a window that closes during a job: ends the encoder, deletes the job's files and
    // ends the job at once, with no message and no further signal.
    void Abandon();

    JobState State() const { return m_state; }
    // True from Start until finished() (also while a stopped job unwinds).
    bool IsActive() const { return m_active; }

    const JobClock &Clock() const { return m_clock; }
    const ProgressBars &Bars() const { return m_bars; }
    const QString &EncoderPath() const { return m_encoderPath; }
    // The folder whose "temp/" is the fallback temporary folder: the program directory unless
    // set otherwise (the user's own folder when the program directory is not writable).
    void SetWorkDir(const QString &dir) { m_workDir = dir; }
    // The job's own folder of intermediate files while the job runs ("" otherwise).
    const QString &JobFolder() const { return m_folder; }
    // The output path of the join (after the Rename policy), once the join has started.
    const QString &OutputPath() const { return m_outputPath; }

Q_SIGNALS:
    void stateChanged(JobState state);
    // labProcessTitle.
    void stageTitleChanged(const QString &title);
    // labConvertingFile: its text, and whether it is shown.
    void currentFileChanged(const QString &fileName);
    void currentFileShown(bool shown);
    // true: the progress display (panBottomLeft) replaces the profile and output controls
    // (panBottomCenter); false: the other way round.
    void progressPanelShown(bool shown);
    // pgbCurrent and pgbTotal (0..100); their labels show PercentText of the same value.
    void currentProgressChanged(int percent);
    void totalProgressChanged(int percent);
    // labElapsed and labRemaining.
    void elapsedTextChanged(const QString &text);
    void remainingTextChanged(const QString &text);
    // The Status column of a task row.
    void rowStatusChanged(int row, const QString &status);
    // A line for the user about the job as a whole: how many files were converted already
    // when the job goes on from an earlier one ("" clears it).
    void noteChanged(const QString &note);
    // A job of rowCount rows has started.
    void started(int rowCount);
    // The job's work has ended this way (before any message about it is closed); outputPath is
    // the joined file, or "" when the join had not begun. Once per job.
    void workEnded(JobOutcome outcome, const QString &outputPath);
    // The job has ended; the window returns to its idle look, or closes for TurnOff and Exit.
    void finished(JobOutcome outcome, AfterJobAction action);

private:
    enum class Stage { None, Measuring, Conversion, Checking, Joining };

    // Before a conversion stage (or a copy's fit) that evens out the loudness: every row's file
    // is measured (those not measured yet), then each row's gain is decided
    // (JoinJobLoudness.cpp).
    void StartMeasuring(LoudnessMeter &meter, const std::vector<int> &rows);
    void OnMeasured(const std::vector<int> &rows);
    void MeasuringCancelled();
    void EndMeasuring();
    // The conversion stage over these rows (in this order), into the job's own folder.
    void StartConversionStage(const std::vector<int> &rows);
    // Puts the kept conversions of the job's rows into its folder (when keeping is on) and
    // removes their rows from rows; their seconds count as done.
    void RestoreKept(std::vector<int> &rows);
    // Keeps the conversion of the row just done, when keeping is on.
    void KeepRow();
    // The kept conversions of a completed job are no longer needed.
    void ForgetKept();
    void StartConversionRow();
    // The conversion command line of row index into target, trim and gain and all: the one that
    // runs, and with target "-" the recipe a kept conversion is found by.
    QString RowConversion(int index, const ltvItemData &row, const QString &target) const;
    // The gain of a row's sound in dB, 0 when it is left as it is.
    double RowGain(int row) const;
    void StartJoin(const QString &inputList, StageKind kind);
    // The option naming the chapter list, written into the job's folder, or "" when the output
    // gets no chapters. False when the list cannot be written: the job has then failed.
    bool PrepareChapters(QString *option);
    void StartCheck();
    void OnCheckEnded();
    // The copy's course once its files are known (and measured, when the loudness is evened
    // out): joined as they are, or some converted first, asked about when some differ.
    void DecideCopy();
    void AskToFit(const FitDecision &fit, int soundOnly, const QStringList &names);
    void RefuseMisfits(const QStringList &misfits, const QStringList &refusals = {});
    // The copy's files that differ are converted first (the conversion stage over those rows
    // alone), then every file is joined by the copy.
    void StartFit(const FitDecision &fit);
    // The file the conversion of a row writes.
    QString RowIntermediate(int row) const;
    // The copy's inputs: each row's file, or its conversion.
    QString CopyInputList() const;
    // "-keepdates " when the copy and its conversions keep the recording date, else empty.
    QString DatesOption() const;
    // Ends the job with a message when it cannot crossfade as asked: a copy, or a file shorter
    // than two fades. False when it can, or when no crossfade is asked.
    bool RefuseCrossfade();
    // " -crossfade <seconds>" for a join that encodes with fades, else empty.
    QString CrossfadeOption(StageKind kind) const;
    void OnChunk(const QByteArray &chunk);
    void OnRunEnded();
    void OnRunFailedToStart();
    void OnTick();

    void ConversionRowDone();
    void ConversionCancelled();
    void ConversionFailed();
    void JoinCancelled();
    void JoinFailed();
    // The completion message's lines for what the join moved or left out (cuts moved to
    // keyframes, tracks, the recording date, chapters), from the encoder's last lines.
    static QString NoteLines(const QStringList &encoderLines);
    void Complete();
    void FailToStartEncoder();
    void FailWithoutFolder(const QString &error);

    // Notes the file a run is to write as it is before the run.
    void NoteTarget(const QString &file);
    bool RunFailed(const QString &outputFile) const;
    // The message of the latest run, which failed while it was to write target.
    FailureMessage DescribeFailedRun(RunFailure::Stage stage, const QString &input,
                                     const QString &target) const;
    void SetState(JobState state);
    void SetBars(ProgressBars bars, bool announce = false);
    void SetRowStatus(int row, const QString &status);
    void SetRowsStatus(const QString &status);
    void StopTimer();
    void RemoveFolder();
    // Shows a message (with details behind it when given); the job's ending goes on in then
    // once the user has closed it.
    void ShowMessageThen(const QString &title, const QString &text, MessageIcon icon,
                         std::function<void()> then, const QString &details = QString());
    // The job ends with JobState Idle and the progress panel gone.
    void EndIdle(JobOutcome outcome, AfterJobAction action = AfterJobAction::None);
    void End(JobOutcome outcome, AfterJobAction action);
    // The job's ending has begun: workEnded() is said, once.
    void Ending(JobOutcome outcome);

    JobInputs &m_inputs;
    Desktop &m_desktop;
    QString m_programDir;
    QString m_workDir;
    QString m_encoderPath;
    EncoderRun m_run;
    SourceCheck m_check;
    QTimer m_timer;
    JobClock m_clock;

    JobState m_state = JobState::Idle;
    bool m_active = false;
    bool m_ending = false;
    bool m_endAnnounced = false;
    Stage m_stage = Stage::None;
    QString m_profilePath;
    QString m_videoSize;
    QString m_folder;
    QString m_outputPath;
    int m_rowCount = 0;
    int m_row = 0;
    double m_secondsDone = 0;
    ProgressBars m_bars;
    std::optional<ProgressTracker> m_tracker;
    // The file the latest run was to write, as it was before the run (an output replaced
    // under the overwrite policy must really have been written again).
    struct FileStamp
    {
        bool exists = false;
        quint64 device = 0, inode = 0;
        qint64 size = 0, modifiedNs = 0;
        friend bool operator==(const FileStamp &, const FileStamp &) = default;
    };
    static FileStamp StampOf(const QString &file);
    FileStamp m_targetBefore;
    // The rows a copy converts first (empty for every other job), the encoder's "-fit" value
    // for them, and the place of the row being converted among them.
    std::vector<int> m_fitRows;
    QString m_fitSettings;
    size_t m_fitIndex = 0;
    std::vector<int> m_fitSoundRows; // of those, the ones whose sound alone is converted
    // What of the row a conversion converts: all of it but for a fit of its sound alone; and
    // the share of a whole conversion's time that takes.
    FitPart RowPart(int row) const;
    double RowPace(int row) const;
    // The statuses this job gave the rows, and each row's status as the join stage began: a
    // join that fails leaves the rows where they were, since no input failed.
    QHash<int, QString> m_statusSet;
    QStringList m_statusBeforeJoin;
    // The rows the conversion stage converts, in order, and the place of the current one.
    std::vector<int> m_convertRows;
    size_t m_convertIndex = 0;
    // The kept folder of this job and each row's kept name ("" for a row never kept); empty
    // while keeping is off.
    QString m_keptFolder;
    QStringList m_keptNames;
    // The meter the job waits for while it measures, and each row's gain in dB (empty when the
    // loudness is not evened out).
    LoudnessMeter *m_meter = nullptr;
    QMetaObject::Connection m_measuredConnection;
    std::vector<double> m_gains;
};
