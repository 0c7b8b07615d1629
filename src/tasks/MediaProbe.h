#pragma once
// The media probe: the duration and frame size of an input file, read with libmediainfo when
// the file is added to the task list.

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

// What one probe found: on success the Length text (a time text) and the Size text
// ("<Width>x<Height>" as the library gives them, "x" alone without a video stream); on failure
// the error text and no texts.
struct MediaProbeResult
{
    bool ok = false;
    QString lengthText;
    QString sizeText;
    QString error;
    // The longest of the play time and the first video and sound streams' durations, in
    // seconds to the millisecond (-1 when unknown). A transport stream's play time is that of
    // its clock, a frame or more short of its picture, and its sound often runs longer still:
    // summed over hundreds of camera clips, only this agrees with the length of their join.
    double longestSeconds = -1;
    // The time the file states it was recorded (Recorded_Date, else Encoded_Date), when it
    // states one: the list is sorted by it without opening the file again.
    std::optional<QDateTime> statedTime = std::nullopt;
    // On a failure that error explains in words: the library's own words, shown only to whoever
    // asks for the details.
    QString details;
};

// A probe as the task list calls it; tests put their own in place of ProbeMedia.
using MediaProber = std::function<MediaProbeResult(const QString &path)>;

// Probes a file: "PlayTime" of the General stream (milliseconds, read with "." as the decimal
// separator in every locale) and "Width" and "Height" of the first video stream. A Matroska or
// WebM file without a duration is measured from its last time stamps. A file that cannot be
// opened, has no duration or no picture fails with an error that names the file and says why,
// and "'<PlayTime>' is not a valid floating point value." as its details (RefusedRecording).
// Blocks until the library has read the file.
MediaProbeResult ProbeMedia(const QString &path);

// The refusal of a file that cannot be read as a video: the file's name and what is wrong with
// it (cut short, sound only, empty...), with the play time's error as the details.
MediaProbeResult RefusedRecording(const QString &path, const QString &playTime, bool soundOnly);

// Readies the process for probes on several threads at once (the character locale the library
// needs is set here, once, rather than by each probe).
void PrepareMediaProbes();

// The time a file states it was recorded (or else encoded), nothing when it states none.
std::optional<QDateTime> ReadStatedTime(const QString &path);

// The result for the texts the library reported; width, height and the streams' durations
// (milliseconds) are only looked at when the play time is a number.
MediaProbeResult MediaProbeResultFromTexts(const QString &playTime, const QString &width,
                                           const QString &height,
                                           const QString &videoDuration = QString(),
                                           const QString &audioDuration = QString());

// The error of a text that is not a decimal number.
QString InvalidFloatingPointText(const QString &text);
