#pragma once
// What a join job reads from its surroundings. Each value is asked for at the moment the job
// needs it, so a change made while the job runs counts from then on, as it would when the
// job read the window's controls itself.

#include "tasks/TaskList.h"

class LoudnessMeter;

#include <QString>

class JobInputs
{
public:
    virtual ~JobInputs() = default;

    // The task rows. The list does not change while a job runs.
    virtual int RowCount() const = 0;
    // The whole row (ReadTaskRow with AllColumns).
    virtual ltvItemData ReadRow(int index) const = 0;

    // The temporary-folder setting as it stands; read when the job starts.
    virtual QString TempDir() const = 0;
    // The output box's text; read when the join starts and for the folder to open.
    virtual QString OutputFile() const = 0;
    // "." and the loaded profile's type; read for the Rename policy.
    virtual QString OutputExtension() const = 0;
    // The overwrite policy "Not overwrite (Rename ...)"; read before the join.
    virtual bool Rename() const = 0;
    // The after-job choices, read after a successful join in this order of precedence.
    virtual bool TurnOff() const = 0;
    virtual bool Exit() const = 0;
    virtual bool OpenDir() const = 0;

    // The frame size "W:H" of the current output settings; read when the job starts.
    virtual QString VideoSizeValue(const QString &profilePath) const = 0;
    // The option string of the current output settings; read when the join starts.
    virtual QString EncoderOptions(const QString &profilePath) const = 0;
    // True when the loaded profile joins by copying the inputs' streams: one stage, after a
    // check that the inputs fit. Read when the job starts.
    virtual bool StreamCopy() const { return false; }
    // A chapter at the start of each joined file, where the output can hold chapters; read
    // when the join starts.
    virtual bool Chapters() const { return false; }
    // Converted files are kept beyond a job that did not complete, and a Start finds them;
    // read when the job starts.
    virtual bool KeepConverted() const { return false; }
    // The most the kept converted files may take, in bytes.
    virtual qint64 KeptLimitBytes() const { return qint64(20) * 1000 * 1000 * 1000; }
    // The encoder runs at a lower scheduling and I/O priority; read when the job starts.
    virtual bool LowPriority() const { return false; }
    // The first file's recording date, place and device kept in a copy's output, which takes
    // the last file's modification time; read when the check starts.
    virtual bool KeepDates() const { return false; }
    // The meter of the rows' loudness when their sound is to be evened out, else none; read
    // when the job starts. The job waits for it to have measured every row.
    virtual LoudnessMeter *LoudnessToEven() const { return nullptr; }
    // Seconds over which each file dissolves into the next in a join that encodes (0: hard
    // cuts); read when the job starts.
    virtual double Crossfade() const { return 0; }
};
