#pragma once
// "-fit": the kind a file is converted to so that it can follow files of that kind in a join
// that copies their streams. Every property a copy needs alike is stated, and the ffmpeg
// arguments make exactly that.

#include "encoder/plan/EncoderOptions.h"
#include "encoder/plan/FfmpegPlan.h"
#include "encoder/plan/FitTracks.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

struct FitSettings
{
    QString videoCodec; // "h264" or "hevc"
    QString videoProfile; // as the encoder names it: "high", "main", "main10"...; empty: any
    int level = 0; // as the codec counts it (H.264 41 is 4.1, HEVC 123 is 4.1); 0: any
    int width = 0; // stored
    int height = 0;
    Fraction fps;
    QString pixelFormat;
    Fraction pixelAspect {1, 1};
    int rotation = 0; // the kind's turn on showing: the picture is stored turned back by it
    QString primaries, transfer, matrix, range; // ffmpeg's names; empty: not stated
    int64_t videoBitrate = 0; // the kind's, bit/s; 0 when unknown
    int timescale = 0; // the picture's clock, ticks a second; 0: the writer's own
    QString audioCodec; // "aac", "ac3", "mp3", "opus"; empty: the kind has no sound
    int sampleRate = 0;
    int channels = 0;
    QString channelLayout; // ffmpeg's name; empty: the usual one of that many channels
    int64_t audioBitrate = 0; // bit/s; 0 when unknown
    // The file's picture is of the kind already: it is copied as it is, only the sound made.
    bool copyPicture = false;
    std::vector<FitTrack> tracks; // the kind's further sound and subtitle tracks, in order
    // The gain of the sound made, in dB (the run's -af volume, not part of the kind); 0: as it
    // is.
    double gainDb = 0;

    friend bool operator==(const FitSettings &, const FitSettings &) = default;
};

// Reads "key=value:key=value..." (vcodec, vprofile, level, size=WxH, fps, pix, sar, rotate,
// prim, trc, matrix, range, vbitrate, tbn, acodec, srate, channels, layout, abitrate, vcopy,
// tracks). Gives nothing and sets *error on an unknown key or a value out of range.
std::optional<FitSettings> ParseFitSettings(const QString &text, QString *error);

// The upright frame the picture is placed in (the stored frame turned by the rotation), at the
// kind's rate and with its sound, for the filter graph of one input.
OutputPlan FitPlan(const FitSettings &fit, const QString &muxer, const InputMedia &input);

// What follows the placed picture in its chain: turned back for storing, the kind's pixel
// shape, colours and pixel format.
QString FitPictureTail(const FitSettings &fit);

// The output's part of the command line: the codecs at a quality no one tells from the
// source, the kind's profile, level, colours and turn, the format and the target.
QStringList FitEncodeArguments(const FitSettings &fit, const QString &muxer, const QString &target);

// The picture's part of those: the kind's codec, quality, profile, level and colours.
QStringList FitPictureArguments(const FitSettings &fit);

// The picture's clock as the kind has it, where the container lets it be stated (MP4, MOV):
// a copy reads every file's packets on the first file's clock, as they are.
QStringList FitClockArguments(const FitSettings &fit, const QString &muxer);

// The sound's part of those: the kind's codec, bitrate, rate and layout, or none.
QStringList FitSoundArguments(const FitSettings &fit);
