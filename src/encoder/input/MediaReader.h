#pragma once
// What a file holds, read in this process with ffmpeg's own libraries. A separate ffprobe for
// every file costs most of a tenth of a second just to start (it loads some two hundred
// libraries), which a check of hundreds of clips, or of a few before a copy that takes under a
// second, cannot afford. The libraries are loaded on first use only, so that the encoder's
// other runs start as quickly as before.

#include "encoder/input/Identify.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The facts of one file, as ffprobe would state them, with the frame times of its first
// packets (for a variable rate, and frames without times). Gives nothing and sets *error when
// the file cannot be read, has no video, takes longer than a minute, or a stop signal came.
std::optional<IdentifiedFile> ReadMediaFacts(const QString &path, QString *error);

// ReadMediaFacts of every file, several at once; errors gets each failed file's reason.
std::vector<std::optional<IdentifiedFile>> ReadMediaFacts(const QStringList &paths,
                                                          QStringList *errors);
