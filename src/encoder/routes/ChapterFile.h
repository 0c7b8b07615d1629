#pragma once
// The chapters of a join's output, as the writing ffmpeg takes them: an ffmetadata text made
// from the program's chapter list (-chapters) and the places where the segments land, handed
// over in memory.

#include "encoder/plan/Chapters.h"
#include "encoder/plan/EncoderOptions.h"
#include "encoder/plan/FfmpegPlan.h"
#include "encoder/run/HandedText.h"

#include <QString>
#include <QStringList>

#include <future>
#include <optional>
#include <vector>

class ChapterFile
{
public:
    // Re-encoding: each segment starts where the plan puts its first frame. False, with
    // *error, when the list cannot be read or does not match the inputs.
    bool PrepareFromPlan(const EncoderOptions &options, const OutputPlan &plan, QString *error);
    // Copying: each segment starts where ffmpeg's concat demuxer puts it (after the lengths
    // of the files before it, as it counts them) plus the gap before its first frame.
    // A cut input (its entry in cutSeconds) takes the seconds it keeps, its picture from its
    // start, without the chapters of its own.
    bool PrepareForCopy(const EncoderOptions &options, const QString &muxer, QString *error,
                        const std::vector<std::optional<double>> &cutSeconds = {});

    // Whether the program's chapter list of options (if any) can be read and matches the
    // inputs; false with *error when not.
    static bool CheckList(const EncoderOptions &options, QString *error);

    // The ffmetadata text's name for the writer, or empty when the output gets no chapters.
    QString Path() const { return m_text.Path(); }
    // The descriptor the writer must keep for it, or -1.
    int Descriptor() const { return m_text.Descriptor(); }
    // Lines worth a "Note:" (inputs whose place could not be told).
    const QStringList &Notes() const { return m_notes; }
    // The chapters prepared (none when the output gets none).
    const std::vector<Chapter> &Chapters() const { return m_chapters; }

private:
    bool Write(const QByteArray &text, QString *error);

    HandedText m_text;
    QStringList m_notes;
    std::vector<Chapter> m_chapters;
};

// The chapters of an MP4 or MOV copy, put into the finished file's header (see
// Mp4ChapterList.h): given as a second input, ffmpeg would read every packet through a queue
// between threads, which costs a join of many files a third more processor time. The inputs
// are read for them while ffmpeg copies, so that the copy waits for nothing.
class ChaptersAfterCopy
{
public:
    // Starts reading for the chapters of options' list, if it names one; false with *error
    // when the list cannot be read or does not match the inputs.
    bool Start(const EncoderOptions &options, const QString &muxer, QString *error);
    // Writes the chapters into the finished file at path (true when there are none); false
    // with *error when they cannot be read or written. Says the notes of the reading.
    bool WriteInto(const QByteArray &path, bool quickTime, QString *error);
    bool Started() const { return m_prepared.valid(); }

private:
    ChapterFile m_file;
    QString m_error;
    std::future<bool> m_prepared; // ends (waited for) before the members above go
};

// The writer's arguments with the chapters of metadataPath, read as one more input after the
// last one; with no path, without any chapters (ffmpeg would otherwise copy an input's).
QStringList WithChapters(QStringList args, const QString &metadataPath);
