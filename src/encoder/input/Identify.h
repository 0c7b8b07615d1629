#pragma once
// "-identify": what the inputs hold, stated as ID_ lines in MEncoder's manner, one block per
// file beginning with ID_FILENAME=. The program reads them to decide whether the files can be
// put end to end without re-encoding.

#include "encoder/plan/EncoderOptions.h"

#include <QString>
#include <QStringList>

#include <vector>

struct IdentifiedFile
{
    QString path;
    QString demuxer; // ffmpeg's first format name, such as "mov" or "matroska"
    double length = 0; // seconds, 0 when unknown

    bool hasVideo = false;
    QString videoCodec; // ffmpeg's codec name: "h264", "hevc", "mpeg4"...
    QString videoProfile; // "High", "Main"...; empty when the codec has none
    int width = 0;
    int height = 0;
    QString pixelFormat;
    Fraction pixelAspect {1, 1};
    Fraction frameRate; // the nominal rate
    bool variableRate = false; // frame times that are not evenly spaced
    // Frames stored without a presentation time (AVI with reordered frames): their order of
    // display is lost to a copy.
    bool untimedFrames = false;

    bool hasAudio = false;
    QString audioCodec;
    QString audioProfile;
    int sampleRate = 0;
    int channels = 0;
    QString channelLayout; // "stereo", "5.1(side)"...; empty when the file names none
};

// True when the frame intervals (presentation times in any order) are not all alike: one
// differs from the typical one by more than a tenth of it.
bool IsVariableRate(std::vector<double> times);

// The ID_ lines of one file.
QStringList IdentifyLines(const IdentifiedFile &file);
