#pragma once
// What the encoder needs to know of an input file, read with ffprobe.

#include "encoder/plan/EncoderOptions.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <optional>

struct InputMedia
{
    QString path;

    bool hasVideo = false;
    int videoStream = 0; // ffmpeg's index of the picture's stream (cover art skipped)
    int width = 0; // as stored
    int height = 0;
    Fraction pixelAspect {1, 1};
    int rotation = 0; // quarter turns clockwise the picture is shown with: 0, 90, 180 or 270
    Fraction frameRate; // invalid when the file names none
    double videoStart = 0; // seconds on the file's own clock
    double formatStart = 0; // the file's start on its own clock; ffmpeg reads from there
    // Length of the picture where the format states it exactly; MPEG streams and files
    // without lengths only give an estimate.
    std::optional<double> videoSeconds;
    double estimatedSeconds = 0; // best guess of the length, for progress
    double formatSeconds = 0; // the whole file's length from formatStart, as stated; 0: none
    QString formatName; // ffprobe's, such as "avi" or "mov,mp4,m4a,3gp,3g2,mj2"

    bool hasAudio = false;
    int audioStream = -1; // ffmpeg's index of the sound used: the default track, else the first
    int sampleRate = 0;
    int channels = 0;

    // A cut of the input (InputCut.h): where ffmpeg starts reading, on the file's own clock
    // from its start, and how long it reads; 0 and none read it whole.
    double cutSeek = 0;
    std::optional<double> cutRead;
};

// The picture as shown: the stored size and pixel shape turned by the rotation.
struct ShownFrame
{
    int width = 0;
    int height = 0;
    Fraction pixelAspect {1, 1};
    Fraction DisplayAspect() const; // width * pixelAspect / height
};
ShownFrame Shown(const InputMedia &media);

// Where the picture's first frame lies once ffmpeg has moved the file to start at zero.
inline double PictureOffset(const InputMedia &media)
{
    return media.videoStart - media.formatStart;
}

// Why the picture's size is beyond what any codec makes, or empty when it is not.
QString SizeRefusal(const InputMedia &media);

// The ffprobe arguments that ParseProbeOutput reads the answer of.
QStringList ProbeArguments(const QString &path);

// ffprobe's numbers: "30000/1001" or "16:9" as a fraction (empty unless both parts are positive
// whole numbers), and a whole number written as a number or as text (0 when it is neither).
Fraction ParseFraction(const QString &text, QChar separator);
int Whole(const QJsonValue &v);

// Reads ffprobe's JSON answer for path; on failure gives nothing and sets *error.
std::optional<InputMedia> ParseProbeOutput(const QString &path, const QByteArray &json,
                                           QString *error);

// Runs ffprobe (the program at ffprobePath) on the file.
std::optional<InputMedia> ProbeInput(const QString &ffprobePath, const QString &path,
                                     QString *error);
