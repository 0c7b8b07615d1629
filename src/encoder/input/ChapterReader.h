#pragma once
// What the chapters of a join read of its inputs, in this process with ffmpeg's libraries.

#include "encoder/plan/Chapters.h"

#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// What the chapters of a join need of one file: its own chapters, from its video's first
// frame; and, when times are asked for, its length as ffmpeg's concat demuxer counts it (the
// container's) and where its video's first frame lies after the container's start.
struct ChapterFacts
{
    std::vector<OwnChapter> chapters;
    int64_t durationUs = -1; // unknown
    int64_t firstFrameUs = 0;
    // How far the earliest packet of the first video and sound lies before the file's start
    // (a sound codec's priming): ffmpeg moves a copy's whole output by that much of its first
    // file's.
    int64_t leadUs = 0;
};

// ChapterFacts of every file, several at once; a file that cannot be read gives nothing,
// with its reason in errors.
std::vector<std::optional<ChapterFacts>> ReadChapterFacts(const QStringList &paths, bool times,
                                                          QStringList *errors);
