#pragma once
// What the media library cannot say of a recording that went wrong: the real length of a
// Matroska or WebM file whose recorder never wrote its duration (it crashed, or wrote to a
// pipe), read from the time stamps near its end, and, for a file that cannot be read as a
// video at all, what is wrong with it in words.

#include <QByteArray>
#include <QString>

#include <optional>

// The length in seconds of a Matroska or WebM file from its first and last time stamps: the
// head (its first bytes) gives the time scale and the first cluster's time, the tail (its last
// bytes, ending at the file's end) the last whole blocks, each with one frame's duration
// added. Nothing when the head is not Matroska, the tail holds no cluster it can read, or the
// time stamps are beyond belief: beyond 115 days, ending before they start, or (given the
// whole file's size) far longer than its bytes hold at the rate of its last cluster.
std::optional<double> MatroskaSecondsFromBytes(const QByteArray &head, const QByteArray &tail,
                                               qint64 fileSize = 0);

// The same, read from the file: only its first bytes and a growing window at its end, never
// the whole file, so that a recording of many gigabytes is measured in milliseconds.
std::optional<double> MatroskaSeconds(const QString &path);

// Whether the file is a Matroska or WebM file whose time stamps are beyond belief.
bool MatroskaLengthBeyondBelief(const QString &path);

// What the file is, for a file that cannot be read as a video.
enum class RecordingTrouble {
    Unreadable, // cannot be opened
    Empty, // no bytes at all
    CutShort, // an MP4 or MOV whose index (written last) never came
    SoundOnly, // sound without a picture
    LengthBeyondBelief, // time stamps that tell a length the file cannot hold
    NotVideo, // anything else
};

// Which trouble the file has; soundOnly tells what the media library found.
RecordingTrouble DiagnoseRecording(const QString &path, bool soundOnly);

// The second line of the refusal: the file's name and what is wrong with it.
QString RecordingTroubleText(const QString &path, RecordingTrouble trouble);
