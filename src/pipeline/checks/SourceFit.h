#pragma once
// Whether input files can be joined by copying their streams: the facts the encoder states
// with "-identify", and the comparison of every file with the first.

#include "pipeline/checks/TrackLayout.h"

#include <QString>
#include <QStringList>

#include <vector>

// What the encoder said of one input file.
struct SourceFacts
{
    QString file; // as the encoder named it (ID_FILENAME)
    QString error; // ID_ERROR: the file could not be read

    bool hasVideo = false;
    QString videoFormat; // ID_VIDEO_FORMAT: "H264", "HEVC", "MPEG4", "AV1"...
    QString videoProfile;
    QString videoSetup; // a digest of an HEVC file's parameter sets
    int width = 0;
    int height = 0;
    QString frameRate; // exact, "30000/1001"
    double fps = 0;
    bool variableRate = false;
    bool untimedFrames = false;
    QString pixelFormat;
    QString pixelAspect; // "1:1"

    bool hasAudio = false;
    QString audioFormat; // ID_AUDIO_FORMAT: "AAC", "AC3", "MP3"...
    QString audioProfile;
    int sampleRate = 0;
    int channels = 0;
    QString channelLayout;

    // How the picture is shown, what its colours mean, and which streams a copy takes.
    int rotation = 0; // quarter turns clockwise: 0, 90, 180, 270
    QString fieldOrder; // "progressive", "tt", "bb", "tb", "bt"; empty when not stated
    QString colorPrimaries; // empty when unspecified
    QString colorTransfer;
    QString colorMatrix;
    QString colorRange; // "tv", "pc"; empty when unspecified
    int videoLevel = 0;
    qint64 videoBitrate = 0;
    int videoTimescale = 0; // ID_VIDEO_TIMESCALE: ticks a second of the picture's clock
    int videoStream = -1;
    int audioStream = -1;
    qint64 audioBitrate = 0;
    int audioTimescale = 0; // ID_AUDIO_TIMESCALE: ticks a second of the sound's clock
    double length = 0; // ID_LENGTH, seconds
    // Every track besides the picture (ID_AUDIO_ID=, ID_SUBTITLE_ID=...), the sound above
    // among them.
    std::vector<SourceTrack> tracks;

    friend bool operator==(const SourceFacts &, const SourceFacts &) = default;
};

// The facts of every file in the encoder's "-identify" answer, in its order; other text
// (status lines, blank lines) is passed over.
std::vector<SourceFacts> ParseIdentifyOutput(const QString &text);

// The file whose kind is kept: of the kinds (every property a copy needs alike), the one with
// the greatest total length, then the most files, then the earliest; -1 when no file has
// readable video.
int KeptKind(const std::vector<SourceFacts> &facts);

// What makes f differ from kind in a copy, each part naming f's value and the kind's; empty
// when f can follow files of that kind unchanged.
QStringList Differences(const SourceFacts &f, const SourceFacts &kind);

// Why f cannot go into a file of that extension by a copy at all, whatever the other files.
QStringList ContainerMisfits(const SourceFacts &f, const QString &extension);

// One line for each file that cannot follow the kept kind (KeptKind) in a copy into a file of
// the given extension (".mp4", ".mkv"...), each naming the file and what differs; empty when
// they fit. names are the files' names as the user knows them, in the same order as facts.
QStringList SourceMisfits(const std::vector<SourceFacts> &facts, const QStringList &names,
                          const QString &outputExtension);

// The message that refuses a copy: the lines of SourceMisfits and the hint to re-encode.
QString MisfitMessage(const QStringList &misfits);
