#pragma once
// The encoder's routes besides encoding: describing the inputs ("-identify") and putting
// their streams end to end as they are ("-ovc copy -oac copy").

#include "encoder/input/Identify.h"
#include "encoder/plan/EncoderOptions.h"
#include "encoder/routes/Encoder.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// Prints the ID_ lines of every input and writes nothing. Exit 0 when every input could be
// read; a file that cannot be read gets ID_FILENAME= and ID_ERROR= and the exit code is 1.
int RunIdentify(const EncoderOptions &options, const EncoderEnvironment &environment);

// Joins the inputs without re-encoding into options.output, with the same "Pos:" lines, exit
// codes, watchdog and nameless output as an encoding run. The streams are taken as they are:
// whether they fit one another is for the caller to ask first (-identify), whose answer also
// names the sound stream to take (-aid): a second look at any input here would add a tenth of
// a second to a copy that takes well under a second.
int RunStreamCopy(const EncoderOptions &options, const EncoderEnvironment &environment);

// Converts the one input into options.output as a file of the kind options.fit states, so
// that a copy can join it with files of that kind; the same status lines and exit codes as an
// encoding run.
int RunFit(const EncoderOptions &options, const EncoderEnvironment &environment);

// ffmpeg's concat list of the files (absolute paths, by their bytes). A file whose name holds a
// line break is opened and named by its descriptor, added to *keptFds for the reader to keep
// (and for the caller to close); empty, with *error, when such a file cannot be opened.
QByteArray ConcatList(const QStringList &paths, std::vector<int> *keptFds, QString *error);

// The ffmpeg arguments that copy the listed files' first video stream and their sound stream
// of that index (the first one, if any, for -1) into target with the muxer, reporting progress
// on standard output; with trackArguments (TrackPlan), the tracks they map instead.
QStringList StreamCopyArguments(const QString &listPath, const QString &muxer,
                                const QString &target, int audioStream = -1,
                                const QStringList &trackArguments = {});
