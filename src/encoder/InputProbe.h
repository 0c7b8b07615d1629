#pragma once
// What the encoder needs to know of an input file, read with ffprobe.

#include "encoder/EncoderOptions.h"

#include <QByteArray>
#include <QString>

#include <optional>

struct InputMedia
{
    QString path;

    bool hasVideo = false;
    int width = 0;
    int height = 0;
    Fraction pixelAspect {1, 1};
    Fraction frameRate; // invalid when the file names none
    double videoStart = 0; // seconds on the file's own clock
    // Length of the picture where the format states it exactly; MPEG streams and files
    // without lengths only give an estimate.
    std::optional<double> videoSeconds;
    double estimatedSeconds = 0; // best guess of the length, for progress
    QString formatName; // ffprobe's, such as "avi" or "mov,mp4,m4a,3gp,3g2,mj2"

    bool hasAudio = false;
    int sampleRate = 0;
    int channels = 0;
};

// The ffprobe arguments that ParseProbeOutput reads the answer of.
QStringList ProbeArguments(const QString &path);

// Reads ffprobe's JSON answer for path; on failure gives nothing and sets *error.
std::optional<InputMedia> ParseProbeOutput(const QString &path, const QByteArray &json,
                                           QString *error);

// Runs ffprobe (the program at ffprobePath) on the file.
std::optional<InputMedia> ProbeInput(const QString &ffprobePath, const QString &path,
                                     QString *error);
