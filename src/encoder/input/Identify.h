#pragma once
// "-identify": what the inputs hold, stated as ID_ lines in MEncoder's manner, one block per
// file beginning with ID_FILENAME=. The program reads them to decide whether the files can be
// put end to end without re-encoding.

#include "encoder/plan/EncoderOptions.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// A stream besides the picture: a sound, subtitle or data track, or an attachment (a font of
// an MKV file).
struct IdentifiedTrack
{
    enum class Kind { Sound, Subtitle, Data, Attachment };
    Kind kind = Kind::Sound;
    int stream = -1; // ffmpeg's index
    QString codec; // ffmpeg's codec name ("aac", "subrip", "mov_text"); a data track's tag
    QString profile; // sound only: "LC"...
    QString language; // "eng"; empty when the file states none
    QString name; // the title (an MP4 track's handler name when it is not a generic one)
    bool isDefault = false;
    int sampleRate = 0; // sound only
    int channels = 0;
    QString channelLayout;
};

struct IdentifiedFile
{
    QString path;
    QString demuxer; // ffmpeg's first format name, such as "mov" or "matroska"
    double length = 0; // seconds, 0 when unknown

    bool hasVideo = false;
    QString videoCodec; // ffmpeg's codec name: "h264", "hevc", "mpeg4"...
    QString videoProfile; // "High", "Main"...; empty when the codec has none
    // A digest of the HEVC parameter sets the container states (its hvcC); empty otherwise.
    QString videoSetup;
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

    // How the picture is shown and what its colours mean, and which streams a copy takes:
    // files that differ in any of these cannot follow one another unchanged.
    int rotation = 0; // quarter turns clockwise the picture is shown with: 0, 90, 180, 270
    QString fieldOrder; // "progressive", "tt", "bb", "tb", "bt"; empty when the file says not
    QString colorPrimaries; // ffmpeg's names ("bt709", "bt2020"...); empty when unspecified
    QString colorTransfer;
    QString colorMatrix;
    QString colorRange; // "tv" or "pc"
    int videoLevel = 0; // as the codec counts it (H.264 41 is 4.1); 0 when unknown
    int64_t videoBitrate = 0; // bit/s, 0 when unknown
    // The picture's clock in ticks a second (its stream's time base 1/N); 0 when it is not 1/N.
    // A copy puts the files' packets end to end on the first file's clock as they are.
    int videoTimescale = 0;
    int videoStream = -1; // ffmpeg's index of the picture's stream
    int audioStream = -1; // of the sound's: the default track, else the first
    int64_t audioBitrate = 0;
    int audioTimescale = 0; // the sound's clock, as videoTimescale
    // Every stream besides the picture, in the file's order (the sound above among them).
    std::vector<IdentifiedTrack> tracks;
};

// True when the frame intervals (presentation times in any order) are not all alike: one
// differs from the typical one by more than a tenth of it.
bool IsVariableRate(std::vector<double> times);

// The ID_ lines of one file.
QStringList IdentifyLines(const IdentifiedFile &file);
