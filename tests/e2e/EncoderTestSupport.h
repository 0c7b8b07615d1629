#pragma once
// Helpers of the encoder's end-to-end tests: clips that flash and beep at known times, the
// measurements of a written file, and runs of the real asapi.dll.

#include "common/TestSupport.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <csignal>
#include <string>
#include <vector>

namespace qvj::test {

struct ProgramRun
{
    QString program;
    QStringList args;
    int code = -1; // exit code, -1 when it did not start or crashed
    QByteArray out {};
    QByteArray err {};
};

// The encoder as the program starts it, and a run of it with a command line in the program's
// form, split as the program splits it.
QString EncoderProgram();
ProgramRun RunEncoderLine(const QString &commandLine);

// A run of quintor-join to its end (at most four minutes; code -1 when it crashed or did not
// end). A Ctrl-C (or interruptSignal) goes to it as soon as standard error shows interruptWhen,
// or once the file interruptFile exists.
struct JoinRun
{
    int code = -1;
    QString out, err;
    qint64 ms = 0;
};
struct JoinRunSettings
{
    QString programDir = BuildProgramDirectory();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString workDir {};
    QString interruptWhen {};
    QString interruptFile {};
    int interruptSignal = SIGINT;
    QByteArray input {}; // written to standard input, which then ends
};
JoinRun RunQuintorJoin(const QStringList &args, const JoinRunSettings &settings = {});

// Where the flashes of a join of device clips start in the file (its first white frames), in
// seconds of its clock.
std::vector<double> FlashTimesIn(const QString &path);

// The checksum of every decoded picture of the file's first picture stream, in order.
QStringList FrameSums(const QString &path);

// The number of video frames stored in the file, counted packet by packet.
qint64 VideoFrames(const QString &path);

// A 1.6 s clip whose picture flashes white and whose sound beeps at the same moments, 0.4 s
// and 1.2 s in, over a moving test picture. Codecs by extension unless extra says otherwise.
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

// Compares a file joined from clips of MakeSyncClip's with them: every beep as far from its
// flash as in its input, the length their sum (within 0.1 s an input), no freeze, a clean
// decode. Raises *worstSync and *worstLength (seconds) to the figures found.
void CheckJoined(const QString &output, const std::vector<QString> &inputs, const std::string &what,
                 double *worstSync, double *worstLength);

struct ProbedFile // what ffprobe says of a file
{
    QString format; // format_name
    QString videoCodec;
    QString audioCodec;
    double seconds = 0;
    int width = 0, height = 0; // the picture's, as stored
    double displayAspect = 0; // as shown
    double fps = 0;
};
ProbedFile ProbeFile(const QString &path);

// One input of a joined file: its picture's length and shape on screen, and where its
// flashes are on its picture's clock.
struct JoinedInput
{
    QString path;
    double seconds = 0;
    double shownAspect = 1;
    std::vector<double> flashes;
};

// The worst figures found: seconds for sync, length and the place of the flashes, fractions
// for the shapes of the square and of the picture within its bars.
struct JoinFigures
{
    double sync = 0, length = 0, timeline = 0, square = 0, picture = 0;
};

// Checks, in one decode of output, a join of device clips that show a grey square on black
// and flash and beep together: every beep as far from its flash as in its input (within
// 40 ms), the flashes where the inputs put them, the square square and each picture of its
// own shape (within 3 %), the length the inputs' sum within one output frame each, no frozen
// picture and a clean decode. Raises *worst to what it finds.
void CheckCorpusJoin(const QString &output, const std::vector<JoinedInput> &inputs,
                     const std::string &what, JoinFigures *worst);

// A clip of 30 frames a second whose frames show their numbers in eight black or white
// stripes and whose sound is silent but for a beep from beepAt on: 3 s of H.264 with B-frames
// and a keyframe every second, unless codec gives other encoder options (and seconds another
// length).
bool MakeCountingClip(const QString &path, double beepAt, const QStringList &codec = {},
                      double seconds = 3);

// The number each decoded frame of the file shows, in order.
QList<int> FrameNumbers(const QString &path);

// Where the sound of the file starts after each silence, in seconds.
QList<double> BeepStarts(const QString &path);

} // namespace qvj::test
