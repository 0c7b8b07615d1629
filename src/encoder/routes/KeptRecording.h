#pragma once
// The recording facts a join keeps when asked (-keepdates): the first input's date, place and
// device stated in the output, and the last input's modification time on it.

#include "encoder/plan/EncoderOptions.h"
#include "encoder/run/OutputFile.h"

#include <QString>
#include <QStringList>

// The output options that state the first input's recording facts for muxer (an MP4 or MOV
// header read box by box, any other file with the libraries), with output set
// to take the last input's modification time; nothing when they are not asked for. A first
// input whose header cannot be read gives a note and no facts: the join itself goes on.
QStringList KeepRecording(const EncoderOptions &options, const QString &muxer, OutputFile *output);

// The same for a copy, which must stay cheap: an MP4 or MOV first input's header is read here
// box by box; any other first input is opened once more by the writer as input 1 of args (a
// copy's, whose input 0 is the list of files) for its tags alone, which costs less than
// loading the libraries here.
QStringList KeepRecordingInCopy(QStringList args, const EncoderOptions &options,
                                const QString &muxer, OutputFile *output);
