#pragma once
// Helpers of the encoder's end-to-end tests: clips that flash and beep at known times, the
// measurements of a written file, and runs of the real asapi.dll with the program's own
// command lines.

#include "common/TestSupport.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace qvj::test {

// A clip of MakeClip's of this length and size.
inline ClipSpec SizedClip(double seconds, int width, int height)
{
    ClipSpec spec;
    spec.seconds = seconds;
    spec.width = width;
    spec.height = height;
    return spec;
}

// The encoder as the program starts it.
QString EncoderProgram();

// Runs asapi.dll with a command line in the program's form (beginning with a blank, paths in
// double quotes), split as the program splits it. Gives the exit code; its standard output
// and standard error go to *out and *err when given.
int RunEncoderLine(const QString &commandLine, QString *out = nullptr, QString *err = nullptr);

// A clip whose picture flashes white and whose sound beeps (1 kHz) at the same moments,
// 0.4 s and 1.2 s into its 1.6 s, over a moving test picture. Codecs by extension unless
// extra says otherwise.
struct SyncClip
{
    QString fps = QStringLiteral("25");
    int width = 160;
    int height = 120;
    int sampleRate = 44100;
    int channels = 2;
    bool audio = true;
    bool variableRate = false; // frame times jitter around the rate
    QStringList extra {};
};
bool MakeSyncClip(const QString &path, const SyncClip &clip);

// Where flashes start (first bright frame, on the decoded file's clock) and beeps start.
struct AvEvents
{
    std::vector<double> flashes;
    std::vector<double> beeps;
};
AvEvents MeasureEvents(const QString &path);

// What ffprobe says of a file.
struct ProbedFile
{
    QString format; // format_name
    QString videoCodec;
    QString audioCodec;
    int width = 0;
    int sampleRate = 0;
    int channels = 0;
    double seconds = 0; // of the file
};
ProbedFile ProbeFile(const QString &path);

// Frozen stretches of at least half a second that ffmpeg's freezedetect finds in the picture.
int CountFreezes(const QString &path);

// One program run of a batch.
struct ProgramRun
{
    QString program;
    QStringList args;
    bool keepOutput = true; // else standard output is thrown away
    int code = -1; // exit code, -1 when it did not start or crashed
    QByteArray out {};
    QByteArray err {};
};

// Runs every one of the batch, `parallel` at a time, and fills in their results.
void RunAll(std::vector<ProgramRun> &runs, int parallel = 3);

// The ffmpeg run that decodes the whole file, and the complaints it made once finished (empty
// for a clean file); or both at once.
ProgramRun DecodeRun(const QString &path);
QString DecodeComplaints(const ProgramRun &finishedDecode);
QString DecodeComplaints(const QString &path);

} // namespace qvj::test
