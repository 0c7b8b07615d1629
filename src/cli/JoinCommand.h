#pragma once
// quintor-join's work: the same program directory, preferences, profiles, task list, Start
// checks and join job as the window, driven from the command line.

#include "cli/CliDesktop.h"
#include "cli/CliOptions.h"
#include "cli/ProgressLine.h"
#include "pipeline/job/JoinJob.h"
#include "pipeline/job/ModelJobInputs.h"
#include "platform/SleepInhibitor.h"
#include "profiles/ProfileSettings.h"
#include "settings/Preferences.h"
#include "tasks/TaskList.h"

#include <QMap>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <utility>

class ProfileCatalogue;

// The profile file for --profile NAME (its name without ".bpf", exact or else without regard
// to case), or without a name the remembered index, else the first. Empty with *error set
// when there is none.
QString ResolveProfilePath(const ProfileCatalogue &catalogue, const QString &name,
                           int rememberedIndex, QString *error);

class JoinCommand : public QObject
{
    Q_OBJECT

public:
    static constexpr int ExitCompleted = 0;
    static constexpr int ExitFailed = 1;
    static constexpr int ExitUsage = 2;
    // The join completed, and --keep-going left out inputs that could not be joined.
    static constexpr int ExitLeftOut = 3;
    static constexpr int ExitInterrupted = 130;

    // arguments: those after the program name.
    JoinCommand(const QStringList &arguments, const QString &programDir, bool terminal,
                QObject *parent = nullptr);

    // Everything up to the start of the job. The exit status when the command has already
    // ended (help, a wrong command line, a refusal), or -1 when the job runs: done() follows.
    int Begin();

    // Ctrl-C: stops the job (the encoder ends and the intermediate files are removed).
    void Interrupt();

Q_SIGNALS:
    void done(int exitStatus);

private:
    // A line on standard error after the program's name; Fail says it and gives ExitFailed.
    void Say(const QString &text);
    int Fail(const QString &text);
    int Prepare(const CliOptions &options);
    void SetUpPreferences(const CliOptions &options, const QString &workDir);
    // The inputs of the command line with those of --list in their place, and their cuts.
    int GatherInputs(const CliOptions &options, QStringList &inputs, QList<CliOptions::Cut> &cuts);
    // The task list's rows; with keepGoing an input that cannot be joined is left out.
    int AddInputs(bool keepGoing, const QStringList &inputs, const QList<CliOptions::Cut> &cuts);
    void LeaveOut(qsizetype place, const QString &input);
    // The row whose conversion failed, left out; false when there is none or no other row.
    bool LeaveOutFailedRow();
    QString OutputText(const QString &asked);
    void OnFinished(JobOutcome outcome, AfterJobAction action);
    void ConnectProgress();
    void FlushProgress();

    QStringList m_arguments;
    QString m_programDir;
    CliDesktop m_desktop;
    ProgressLine m_line;
    QTimer m_refresh;
    PreferencesModel m_preferences;
    ProfileSettings m_settings;
    TaskListModel m_tasks;
    QString m_outputText;
    QString m_profilePath;
    ModelJobInputs m_inputs;
    JoinJob m_job;
    // The machine does not sleep while the job works.
    SleepInhibitor m_inhibitor;
    bool m_keepGoing = false;
    // Per row of the task list: its place among the inputs and the input as given.
    QList<std::pair<qsizetype, QString>> m_rowInputs;
    QMap<qsizetype, QString> m_leftOut; // the inputs --keep-going left out, by their place
    bool m_interrupted = false;
    int m_status = ExitFailed;
};
