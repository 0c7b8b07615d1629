#pragma once
// The global tags of a file (its recording date, place, device and the like), read from its
// header alone in this process with ffmpeg's libraries: no stream is probed, so it costs a
// copy a few milliseconds whatever the file's length.

#include "encoder/plan/RecordingTags.h"

#include <QString>

#include <optional>

// The file's global tags as ffmpeg names them; nothing, with *error, when it cannot be read.
std::optional<FileTags> ReadFileTags(const QString &path, QString *error);
