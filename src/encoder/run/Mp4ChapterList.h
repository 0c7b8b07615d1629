#pragma once
// The chapters of a finished MP4 or MOV file, put in after the writer is done: the movie's
// chapter list (a "chpl" box in the movie header's user data, which holds 255) and a chapter
// track of text samples that every track refers to, as QuickTime's players read them. Only the
// movie header is rewritten and the few samples added: the sample data stays where it is, so
// the cost does not grow with the file.

#include "encoder/plan/Chapters.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The most chapters the chapter list can hold: it counts them in one byte. The chapter track
// holds every one.
constexpr size_t kMp4ChapterListMost = 255;

// The "chpl" box of the first kMp4ChapterListMost chapters: each start in units of 100 ns and
// its title.
QByteArray Mp4ChapterListBox(const std::vector<Chapter> &chapters);

// The box of the chapter track's samples ("mdat"): each title, in order.
QByteArray ChapterData(const std::vector<Chapter> &chapters);

// The movie header box `moov` (whole, with its header) with the chapters: the chapter list in
// its user data (replacing one it held), a chapter track whose samples begin at dataAt (in the
// file; ChapterData's content), and a reference to it from every track. quickTime writes the
// handler as a MOV file has it. Empty when moov is no well-formed movie header.
QByteArray MovieHeaderWithChapters(const QByteArray &moov, const std::vector<Chapter> &chapters,
                                   qint64 dataAt, bool quickTime);

// Writes the chapters into the MP4 or MOV file at path. A movie header at the end of the file
// is rewritten in place; one elsewhere becomes free space and its new form is added at the end.
// False, with *error, when the file has no movie header or cannot be written.
bool WriteMp4ChapterList(const QByteArray &path, const std::vector<Chapter> &chapters,
                         bool quickTime, QString *error);
