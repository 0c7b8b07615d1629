#pragma once
// Helpers shared by every test program.

#include "pipeline/job/JobInputs.h"
#include "platform/Desktop.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <ostream>
#include <vector>

// Lets GoogleTest print Qt strings in failure messages.
void PrintTo(const QString &s, std::ostream *os);
void PrintTo(const QStringList &l, std::ostream *os);

namespace qvj::test {

inline QString S(const char *text)
{
    return QString::fromUtf8(text);
}

// Locale and environment as the program sets them at start-up.
void PrepareProcess();

// The program directory laid out by the build (executables, asapi.dll, Profiles/...), with "/".
QString BuildProgramDirectory();
// For the benchmarks: BuildProgramDirectory() when quintor-join and the encoder are built there;
// otherwise empty, after saying so on standard error.
QString BuiltProgramDirectory();

// A desktop that records every call and answers questions from a queue (then defaultAnswer).
class RecordingDesktop : public Desktop
{
public:
    struct Call
    {
        QString kind; // "error", "message", "question", "open", "poweroff"
        QString title;
        QString text;
        MessageIcon icon = MessageIcon::Information;
    };

    void ShowError(const QString &error) override;
    void ShowMessage(const QString &title, const QString &text, MessageIcon icon) override;
    bool AskQuestion(const QString &title, const QString &text) override;
    // As a question box, unless holdFit: then the answer waits in heldFit for the test to give.
    void AskToFitThen(const QString &question, const QString &refusal, int count,
                      std::function<void(bool)> then) override;
    QString OpenPath(const QString &path) override;
    QString PowerOff() override;

    // The calls of one kind, in order.
    std::vector<Call> Of(const QString &kind) const;

    std::vector<Call> calls;
    std::deque<bool> answers;
    bool defaultAnswer = true;
    bool holdFit = false;
    std::function<void(bool)> heldFit;
    // What OpenPath answers: "" when the desktop opens the path, else why not.
    QString openAnswer;
    // What PowerOff answers: "" for an accepted request, else the refusal.
    QString powerOffAnswer;
};

// A generated clip: a moving test picture and, unless silent, a tone.
struct ClipSpec
{
    double seconds = 2.0;
    int width = 320;
    int height = 240;
    QString fps = QStringLiteral("25");
    bool audio = true;
    int sampleRate = 44100;
    int channels = 2;
    // Extra ffmpeg output arguments (codec choices); by default ffmpeg picks by extension.
    QStringList extra {};
};

// Makes the clip at path with the ffmpeg executable; returns false (and prints why) on failure.
bool MakeClip(const QString &path, const ClipSpec &clip = {});

// For the benchmarks: one run of a program, its output thrown away.
struct JobFigures
{
    bool ok = false; // exit code 0
    double wallSeconds = 0;
    double cpuSeconds = 0; // user and system time of the program and its child processes
    double peakMb = 0; // of the largest single process among them
};
JobFigures RunMeasured(const QString &program, const QStringList &args);

// Writes data to path, replacing what was there; fails the test when it cannot.
void WriteFile(const QString &path, const QByteArray &data);

// The bytes of the file at path, empty when it cannot be read.
QByteArray ReadFile(const QString &path);

// Runs a program to its end and gives its exit code (-1 when it could not start or crashed);
// its merged output goes to *output when given.
int RunProgram(const QString &program, const QStringList &args, QString *output = nullptr,
               int timeoutMs = 300000);

// Writes a shell script (body after "#!/bin/sh") to path and makes it executable.
void WriteScript(const QString &path, const QByteArray &body);

// Runs the event loop until done() holds; false when ms pass first.
bool WaitFor(const std::function<bool()> &done, int ms);

// Makes the C library's numbers use a decimal comma, as a German user's start-up does; a system
// without such a locale gets one compiled into dir. False when neither works.
bool SetCommaLocale(const QString &dir);

// What a join job reads, as plain fields.
struct FakeJobInputs : JobInputs
{
    std::vector<ltvItemData> rows;
    QString tempDir, outputFile, extension = QStringLiteral(".avi");
    QString options = QStringLiteral(" -ovc lavc -oac pcm");
    bool turnOff = false, exit = false, openDir = false, copy = false;

    int RowCount() const override { return int(rows.size()); }
    ltvItemData ReadRow(int index) const override { return rows.at(size_t(index)); }
    QString TempDir() const override { return tempDir; }
    QString OutputFile() const override { return outputFile; }
    QString OutputExtension() const override { return extension; }
    bool Rename() const override { return false; }
    bool TurnOff() const override { return turnOff; }
    bool Exit() const override { return exit; }
    bool OpenDir() const override { return openDir; }
    QString VideoSizeValue(const QString &) const override { return QStringLiteral("320:240"); }
    QString EncoderOptions(const QString &) const override { return options; }
    bool StreamCopy() const override { return copy; }
    bool chapters = false;
    bool Chapters() const override { return chapters; }
    bool keep = false;
    bool KeepConverted() const override { return keep; }
};

} // namespace qvj::test
