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

// The writer's arguments with the chapters of metadataPath, read as one more input after the
// last one; with no path, without any chapters (ffmpeg would otherwise copy an input's).
QStringList WithChapters(QStringList args, const QString &metadataPath);
