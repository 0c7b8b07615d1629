#pragma once
// The chapters of a joined file: one per input, named after it and starting at its first
// frame in the output, or the input's own chapters moved to where the input lands.

#include <QString>

#include <cstdint>
#include <vector>

// A chapter an input holds itself, in microseconds from the input's first frame.
struct OwnChapter
{
    int64_t startUs = 0;
    QString title;
    friend bool operator==(const OwnChapter &, const OwnChapter &) = default;
};

// What one input gives: its title (the file's name without its extension), its own chapters
// (maybe none), and where its first frame and its end fall in the output (microseconds).
struct ChapterInput
{
    QString title;
    std::vector<OwnChapter> own {};
    int64_t startUs = 0;
    int64_t endUs = 0;
};

struct Chapter
{
    int64_t startUs = 0;
    int64_t endUs = 0;
    QString title;
    friend bool operator==(const Chapter &, const Chapter &) = default;
};

// The most bytes of UTF-8 a title keeps: MP4's chapter list stores a title's length in one byte.
constexpr int kChapterTitleBytes = 255;

// The output's chapters, in order of their strictly rising starts. An input that adds nothing
// to the output (its end not after its start) gets none. An input without chapters of its own
// gets one with its title; one with its own gets those, the first moved to the input's first
// frame, those past its end dropped, an untitled one named after the input. Each chapter ends
// where the next begins, the last at outputEndUs (or at its own start, when that is later).
// Titles lose zero characters and are cut to kChapterTitleBytes at a character's boundary.
std::vector<Chapter> BuildChapters(const std::vector<ChapterInput> &inputs, int64_t outputEndUs);

// The chapters as an ffmetadata file, times in microseconds; '=', ';', '#', '\' and line
// breaks in titles are escaped.
QByteArray FfmetadataText(const std::vector<Chapter> &chapters);

// Whether the muxer can hold chapters (Matroska, MP4, QuickTime).
bool MuxerHoldsChapters(const QString &muxer);
