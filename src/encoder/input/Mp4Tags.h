#pragma once
// The recording facts an MP4 or MOV file states in its movie header, read from its boxes
// directly: no library is loaded and no stream is looked at, so a copy pays next to nothing.

#include "encoder/plan/RecordingTags.h"

#include <QIODevice>

#include <optional>

// The tags under ffmpeg's names: creation_time from the movie header, location (QuickTime
// text or the 3GPP place box), make and model, and every named key ("mdta") with a text
// value. Nothing when the file holds no movie header (another format, or cut short).
std::optional<FileTags> ReadMp4Tags(QIODevice &file);
