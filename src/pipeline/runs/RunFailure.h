#pragma once
// Why an encoder run failed, told to the user: a first line in words that says what happened
// and what to do about it, made from what the encoder printed last; the encoder's own lines
// follow as details for whoever wants them.

#include <QString>
#include <QStringList>

// What is known about one failed run.
struct RunFailure
{
    enum class Stage {
        Converting, // one input into an intermediate file of the temporary folder
        Joining, // the intermediate files (or the inputs, copied) into the output file
        Reading, // the encoder's look at the inputs before a join without re-encoding
    };
    Stage stage = Stage::Joining;
    QString input; // Converting: the input's path
    // The file the run was to write: the output, or an intermediate file of the job's own
    // folder inside the temporary folder.
    QString target;
    bool targetExisted = false; // the output was there before the run
    bool crashed = false; // the encoder died of a signal
    int exitCode = 0;
    QStringList lastLines; // the encoder's last lines, oldest first
};

struct FailureMessage
{
    QString text; // what happened and what the user can do, in words
    QString details; // the encoder's technical lines
};

// The message of a failed run. The first line is the reason found in the encoder's last
// lines (a full disk, a folder that cannot be written, a name too long, an input that is
// missing or cannot be read, an encoder that hung, was killed or could not start ffmpeg),
// else what the run did and its exit status; the details are the encoder's lines.
FailureMessage DescribeRunFailure(const RunFailure &failure);
