#pragma once
// The recording facts a join keeps when asked (-keepdates): the first input's date, place and
// device stated in the output, and the last input's modification time on it.

#include "encoder/plan/EncoderOptions.h"
#include "encoder/run/OutputFile.h"

#include <QString>
#include <QStringList>

// The output options that state the first input's recording facts for muxer, with output set
// to take the last input's modification time; nothing when they are not asked for. A first
// input whose header cannot be read gives a note and no facts: the join itself goes on.
QStringList KeepRecording(const EncoderOptions &options, const QString &muxer, OutputFile *output);

// The same for a copy, whose writer reads the first input's tags itself: args (a copy's,
// whose first input is the list of files) with that file opened once more as input 1 for its
// tags alone (none of its streams is read), which costs far less than loading a reader here.
QStringList KeepRecordingInCopy(QStringList args, const EncoderOptions &options,
                                const QString &muxer, OutputFile *output);
