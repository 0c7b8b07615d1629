#pragma once
// The rules of job control that need no window: Start's checks, the time display's tick, the
// output name under the Rename policy.

#include "platform/Desktop.h"

#include <QString>
#include <QStringList>

#include <cstdint>

// Idle: no job runs; Running: a stage runs; Cancelled: Stop was pressed during a run, or the
// conversion stage ended without converting every row.
enum class JobState { Idle = 0, Running = 1, Cancelled = 2 };

// What Start's checks read at the moment of the click.
struct StartInputs
{
    int rowCount = 0;
    QString outputText; // the text of the output box
    QString outputExtension; // "." and the loaded profile's type; empty before any profile
    bool askOverwrite = false; // the overwrite policy "Ask me." is chosen
    QStringList inputFiles; // the rows' files, in the list's order
    bool rename = false; // the overwrite policy "Not overwrite (Rename ...)" is chosen
};

// Where the keyboard focus goes.
enum class StartFocus { Unchanged, TaskList, OutputFile };

// The outcome of Start's checks.
struct StartCheck
{
    enum class Verdict {
        Go, // start the job
        Refuse, // show the message, move the focus, end the command
        AskOverwrite, // ask the question; Yes starts the job, No moves the focus to the output
    };
    Verdict verdict = Verdict::Go;
    QString title;
    QString text;
    MessageIcon icon = MessageIcon::Information;
    StartFocus focus = StartFocus::Unchanged;
    // The output box's text after the extension check: the box shows it whatever the verdict,
    // unless the check ended before (then it equals the text checked).
    QString outputText;
};

// Start's checks in their order: at least 2 rows, an existing output folder, a file name, the
// output extension appended when it differs (clip.mpg becomes clip.mpg.avi), a name the folder
// can hold (also the <name>_1 that Rename makes of an existing output), an output that is not
// one of the inputs, and the question about an existing output under "Ask me.".
StartCheck CheckStart(const StartInputs &inputs);

// Shows the refusal or asks the question through desktop, and settles the verdict: true when
// the job is to start. check.focus then says where the focus goes (the output box after No).
bool ConfirmStart(StartCheck &check, Desktop &desktop);

// True when writing output would replace input: the same file reached through any path or
// link, or the same path up to the letter case of the extension (one file on file systems
// that ignore case).
bool IsSameFile(const QString &output, const QString &input);

// The counters of the time display, driven by a one-second tick.
struct JobClock
{
    int32_t elapsedSeconds = 0;
    int32_t remainingSeconds = 0;

    void Reset() { *this = JobClock(); }
    // One tick with the total bar at totalBar: one second more, and the estimate
    // E / (p / 100) - E (halves to even) while p is not 0. Both stay within 0..INT32_MAX
    // rather than wrap, however long the job or small the bar.
    void Tick(int totalBar);
};

// The output path of the join: the path itself, unless renaming is asked for and a file of
// that path exists; then the first of <folder>/<name without extension>_1<extension>, _2, ...
// that names nothing existing.
QString JoinOutputPath(const QString &outputText, bool rename, const QString &outputExtension);

// The output file proposed while the user has named none: in folder, the first input's name
// without its extension followed by " joined" and the output extension ("joined" alone without
// inputs); when a file of that name exists, " 2", " 3"... before the extension, the first that
// names nothing.
QString ProposedOutputFile(const QString &folder, const QString &firstInput,
                           const QString &outputExtension);
