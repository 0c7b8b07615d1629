#pragma once
// The held-back set of recordings that went wrong, and of odd names, made with ffmpeg and cut
// with code: crashed Matroska and WebM without duration or index, MP4 and MOV cut off before
// their index, a fragmented MP4, a transport stream cut mid-packet, sound only, an empty
// file, and a name in Latin-1 bytes. Each either joins completely or is refused in words.

#include <QString>
#include <QStringList>

#include <vector>

namespace qvj::test {

struct BrokenRecording
{
    QString path; // may hold bytes that are not UTF-8 (see platform/RawNames.h)
    // Empty for a file that joins; else a word of the second line of its refusal.
    QString refusal;
};

// Makes the set in dir (ending in "/"); fails the test and gives less when a file cannot be
// made. Every joinable file lasts about seconds.
std::vector<BrokenRecording> MakeBrokenRecordings(const QString &dir, double seconds = 3);

// Removes the files whose names Qt cannot remove (names that are not UTF-8), so that the
// temporary folder holding them can be removed.
void RemoveRawNamedFiles(const QStringList &paths);

// The length of what ffmpeg can decode of the file's picture: its frames times their spacing.
double DecodableSeconds(const QString &path);

} // namespace qvj::test
