#pragma once
// The media probe: the duration and frame size of an input file, read with libmediainfo when
// the file is added to the task list.

#include <QString>

#include <functional>

// What one probe found: on success the Length text (a time text) and the Size text
// ("<Width>x<Height>" as the library gives them, "x" alone without a video stream); on failure
// the error text and no texts.
struct MediaProbeResult
{
    bool ok = false;
    QString lengthText;
    QString sizeText;
    QString error;
};

// A probe as the task list calls it; tests put their own in place of ProbeMedia.
using MediaProber = std::function<MediaProbeResult(const QString &path)>;

// Probes a file: "PlayTime" of the General stream (milliseconds, read with "." as the decimal
// separator in every locale) and "Width" and "Height" of the first video stream. A file that
// cannot be opened or has no duration fails with "'<PlayTime>' is not a valid floating point
// value". Blocks until the library has read the file.
MediaProbeResult ProbeMedia(const QString &path);

// The result for the texts the library reported; width and height are only looked at when
// the play time is a number.
MediaProbeResult MediaProbeResultFromTexts(const QString &playTime, const QString &width,
                                           const QString &height);

// The error of a text that is not a decimal number.
QString InvalidFloatingPointText(const QString &text);
