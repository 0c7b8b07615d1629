#pragma once
// Helpers of the join pipeline's end-to-end tests: tiny generated clips and runs of
// quintor-join from the program directory.

#include "common/TestSupport.h"

#include <QString>
#include <QStringList>

namespace qvj::test {

// A clip of one second, small enough to keep the tests quick.
ClipSpec TinyClip(int width = 160, int height = 120, const char *fps = "25", bool audio = true,
                  int sampleRate = 44100, int channels = 2);

// Entries of a folder (files and folders), empty when it is missing.
QStringList FolderEntries(const QString &folder);

struct CliResult
{
    int exitCode = -1; // -1: crashed or never ended
    bool interrupted = false;
    QString out;
    QString err;
};

// Runs quintor-join of the program directory to its end. With interruptWhen, a Ctrl-C is sent
// as soon as standard error shows that text.
CliResult RunQuintorJoin(const QStringList &arguments, const QString &interruptWhen = {});

} // namespace qvj::test
