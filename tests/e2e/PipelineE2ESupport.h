#pragma once
// Helpers of the join pipeline's end-to-end tests: tiny generated clips, measurements of the
// written file with ffprobe, and runs of quintor-join from the program directory.

#include "common/TestSupport.h"

#include <QString>
#include <QStringList>

namespace qvj::test {

// A clip of one second, small enough to keep the tests quick.
ClipSpec TinyClip(int width = 160, int height = 120, const QString &fps = QStringLiteral("25"),
                  bool audio = true, int sampleRate = 44100, int channels = 2);

// The duration ffprobe gives for a file's container, -1 when it cannot read it.
double ProbeSeconds(const QString &path);
// The kinds of stream ffprobe finds ("audio", "video"), each once, sorted.
QStringList ProbeStreamTypes(const QString &path);

// Entries of a folder (files and folders), empty when it is missing.
QStringList FolderEntries(const QString &folder);

struct CliResult
{
    int exitCode = -1; // -1: crashed or never ended
    QString out;
    QString err;
};

// Runs quintor-join of the program directory with arguments, to its end.
CliResult RunQuintorJoin(const QStringList &arguments);

} // namespace qvj::test
