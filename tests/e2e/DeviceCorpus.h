#pragma once
// Clips shaped like the files cameras, phones and discs write, made with ffmpeg's test
// sources. Each shows a dark frame with a grey square (square on the screen, whatever the
// storage), moving so that a frozen picture shows, with a white flash and a beep at the same
// moments of the picture's clock.

#include <QString>
#include <QStringList>

#include <vector>

namespace qvj::test {

struct DeviceClip
{
    QString name; // the file name; its extension picks the container
    int width = 320; // as stored
    int height = 240;
    int sarNum = 1, sarDen = 1; // the stored pixel's shape
    int rotation = 0; // 90: shown turned a quarter clockwise (written into the track header)
    QString fps = QStringLiteral("25");
    double seconds = 2.4; // the picture's length
    double soundDelay = 0; // the sound's first sample against the picture's; negative: earlier
    double soundShort = 0; // the sound ends this much before the picture; negative: after it
    bool sound = true;
    int sampleRate = 48000;
    int channels = 2;
    bool variableRate = false; // every other frame dropped after 1.2 s, and jittered times
    bool decoyTrack = false; // a first sound track of a constant hum, not marked default
    bool coverArt = false; // a still picture stored before the video
    QStringList codecs {}; // ffmpeg output options: codecs, flags, container
};

// The flashes and beeps, in seconds of the picture's clock.
std::vector<double> FlashTimes(const DeviceClip &clip);

// The picture's shape on screen: width over height after rotation and pixel shape.
double ShownAspect(const DeviceClip &clip);

// Device-like clips of every kind the encoder reads.
std::vector<DeviceClip> DeviceCorpus();

// Writes the clip into dir; false (with ffmpeg's complaint printed) when it cannot.
bool MakeDeviceClip(const QString &dir, const DeviceClip &clip);

// The corpus made once into a folder of the build tree and kept for later runs; gives the
// clips' paths in corpus order, or none when making one failed.
std::vector<QString> CorpusFiles();

} // namespace qvj::test
