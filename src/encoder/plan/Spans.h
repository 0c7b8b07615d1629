#pragma once
// A span: a stretch of one input as it goes into a join, either copied as it is or encoded in
// exactly the kind of the joined file. Fitting an odd file, converting only a file's sound,
// cutting between keyframes and making a transition each describe their spans; the routes
// encode the spans that need it (in the kind, FitSettings) and copy the rest, and the copy
// puts them end to end.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cmath>
#include <optional>
#include <vector>

struct Span
{
    int input = 0; // the input's place among the join's inputs
    double from = 0; // seconds on the input's clock, from its start
    std::optional<double> to; // where the span ends on that clock; none: the input's end
    bool encodePicture = false; // false: the picture's packets are copied as they are
    bool encodeSound = false; // false: the sound's packets are copied as they are

    bool Copied() const { return !encodePicture && !encodeSound; }
    friend bool operator==(const Span &, const Span &) = default;
};

// A keyframe of an input's picture, in seconds on the input's clock.
struct KeyFrame
{
    double time = 0; // when it is shown
    double decodeTime = 0; // when it is decoded: a copy that ends before it stops there
    // The first moment shown by the frames decoded from it on: earlier than time when pictures
    // that follow it in the file are shown before it (an open group, whose leading pictures
    // depend on the group before and cannot start a copy).
    double groupStart = 0;
    // A copy that ends at this keyframe also ends the file's other streams there (they are
    // stored in step with the picture).
    bool endsCleanly = true;
    // A decoder starts afresh on it whatever came before (an IDR picture): a copy that follows
    // an encoded piece can start there. A recovery point (H.264) or a clean random access
    // picture (HEVC) counts its pictures on from the stream before it.
    bool refreshes = true;

    bool StartsCopy() const { return groupStart >= time && refreshes; }
};

// The spans of one cut input, and how far the cut moved where no encoder makes the kind.
struct CutSpans
{
    std::vector<Span> spans;
    double startMoved = 0; // seconds the start moved, later > 0
    double endMoved = 0; // seconds the end moved, later > 0
};

// The spans that join the part [from, to) of an input (to: none, the input's end) of that
// length (0: unknown), from its keyframes in order and its frame duration. With an encoder for the
// kind: the frames from the cut to the first keyframe a copy can start on are encoded, the part
// from there to the last keyframe before the cut's end is copied, and the frames from there to the
// end are encoded; a cut on a keyframe encodes nothing there, and a part with no usable keyframe
// inside is one encoded span. Without one, the cut moves to the nearest keyframes and is copied
// whole.
CutSpans DecideCutSpans(int input, const std::vector<KeyFrame> &keys, double from,
                        std::optional<double> to, double length, double frameSeconds,
                        bool canEncode);

// The keyframes among ffprobe's packet lines ("stream_index=..|pts_time=..|dts_time=..|
// flags=.."), read in the file's order, the picture's packets being those of videoStream;
// times on the input's clock are the file's minus clockStart. delay gets how many frames a
// keyframe that starts a copy is decoded before it is shown (0 when there is none).
std::vector<KeyFrame> ParseKeyFrames(const QByteArray &packets, int videoStream, double clockStart,
                                     double frameSeconds, int *delay);

// A packet of an input as it is read, in the file's order: times in seconds on the file's clock.
struct PacketTimes
{
    bool video = false; // of the picture's stream
    bool key = false;
    double pts = NAN;
    double dts = NAN;
    bool refreshes = true; // a key picture that starts the decoder afresh (KeyFrame::refreshes)
};

// The keyframes among the packets, as ParseKeyFrames reads them.
std::vector<KeyFrame> KeyFramesOf(const std::vector<PacketTimes> &packets, double clockStart,
                                  double frameSeconds, int *delay);

// Whether the first picture of an H.264 or HEVC packet starts the decoder afresh (an IDR
// picture; in HEVC a BLA too), from its NAL units: each after a length field of lengthSize
// bytes as MP4 and Matroska store them, or after start codes for lengthSize 0. False for a
// packet without a picture.
bool FirstPictureRefreshes(QByteArrayView packet, int lengthSize, bool hevc);

// The size of the NAL units' length fields that the codec's stored configuration (avcC, hvcC)
// states; 0 when the units follow start codes.
int NalLengthSize(QByteArrayView extradata, bool hevc);
