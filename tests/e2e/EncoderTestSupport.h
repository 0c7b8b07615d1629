#pragma once
// Helpers of the encoder's end-to-end tests: clips that flash and beep at known times, the
// measurements of a written file, and runs of the real asapi.dll with the program's own
// command lines.

#include <QString>
#include <QStringList>

#include <vector>

namespace qvj::test {

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
    QStringList extra;
};
bool MakeSyncClip(const QString &path, const SyncClip &clip);
inline constexpr double kFlashTimes[] = {0.4, 1.2};
inline constexpr double kSyncClipSeconds = 1.6;

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
    int height = 0;
    int sampleRate = 0;
    int channels = 0;
    double seconds = 0; // of the file
};
ProbedFile ProbeFile(const QString &path);

// Frozen stretches of at least minSeconds that ffmpeg's freezedetect finds in the picture.
int CountFreezes(const QString &path, double minSeconds = 0.5);

// Decodes the whole file; true when ffmpeg reads it without an error.
bool DecodesCleanly(const QString &path);

// One program run of a batch.
struct ProgramRun
{
    QString program;
    QStringList args;
    bool keepOutput = true; // else standard output is thrown away
    int code = -1; // exit code, -1 when it did not start or crashed
    QByteArray out;
    QByteArray err;
};

// Runs every one of the batch, at most `parallel` at a time, and fills in their results.
void RunAll(std::vector<ProgramRun> &runs, int parallel = 3);

} // namespace qvj::test
