#pragma once
// The chapter list the program hands its encoder with a join: one line per input, in join
// order, holding the chapter title (the input's name without its extension) and the path of
// the original input, whose own chapters the encoder keeps. The join's inputs may be
// intermediate files that carry no chapters, so the original is named here.
//
// Text form (UTF-8): each line is the title, a tab, the path. Backslash, tab, line feed and
// carriage return inside a field are written as \\, \t, \n and \r, so any name fits on its line.

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

struct ChapterListEntry
{
    QString title;
    QString source; // the original input file
    friend bool operator==(const ChapterListEntry &, const ChapterListEntry &) = default;
};

// The list's text: one line per entry, each ending in a line feed.
QByteArray ChapterListText(const std::vector<ChapterListEntry> &entries);

// The entries of a list's text; nothing, with *error set, when a line has no tab.
std::optional<std::vector<ChapterListEntry>> ParseChapterList(const QByteArray &text,
                                                              QString *error);
