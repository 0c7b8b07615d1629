#pragma once
// The encoder's command line: input files and MEncoder-style options in any order.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// A positive fraction such as a frame rate (30000/1001) or a display aspect (16/9).
struct Fraction
{
    int64_t num = 0;
    int64_t den = 1;

    double Value() const { return den ? double(num) / double(den) : 0.0; }
    bool IsValid() const { return num > 0 && den > 0; }
    QString Text() const; // "num/den", or "num" when den is 1
    friend bool operator==(const Fraction &, const Fraction &) = default;
};

// The fraction in lowest terms; a decimal is kept to four places (1.7778 -> 17778/10000 ->
// 8889/5000).
Fraction Reduced(int64_t num, int64_t den);
std::optional<Fraction> FractionFromDecimal(double value);

enum class AudioEncoder { Mp3Lame, Lavc, Pcm };
enum class Mp3Mode { Vbr, Abr, Cbr };

// A side of "-vf scale=W:H" with MEncoder's special values.
struct ScaleSide
{
    enum Kind { Original, Display, FromOther, Fixed };
    Kind kind = Original;
    int pixels = 0; // for Fixed
    friend bool operator==(const ScaleSide &, const ScaleSide &) = default;
};

// The part of one input a join takes: "-ss" and "-endpos" after it.
struct InputCutTimes
{
    std::optional<double> start; // seconds from the picture's start
    std::optional<double> length; // seconds kept from there
    bool Any() const { return start || length; }
    friend bool operator==(const InputCutTimes &, const InputCutTimes &) = default;
};

struct EncoderOptions
{
    QStringList inputs;
    QString output;

    AudioEncoder audioEncoder = AudioEncoder::Mp3Lame;
    std::optional<Fraction> outputFps; // -ofps
    bool scale = false; // -vf scale given
    ScaleSide scaleWidth, scaleHeight; // its sides

    // -lavcopts
    QString videoCodec = QStringLiteral("mpeg4");
    std::optional<int64_t> videoBitrate; // bit/s; none = constant quality
    std::optional<int> videoQuantizer; // vqscale
    int macroblockDecision = 0; // mbd: 0 simple, 1 fewest bits, 2 rate distortion
    std::optional<int> keyInterval; // keyint
    std::optional<Fraction> aspect; // aspect=; none (or autoaspect) keeps the input's
    QString audioCodec = QStringLiteral("mp2"); // acodec, for -oac lavc
    std::optional<int> audioBitrateKbit; // abitrate

    // -lameopts
    Mp3Mode mp3Mode = Mp3Mode::Vbr;
    double mp3Quality = 2; // q, 0 best .. 9 smallest
    int mp3BitrateKbit = 128; // br, for abr and cbr

    std::optional<int> channels; // -channels
    std::optional<int> sampleRate; // -srate
    QString format; // muxer named by -of / -lavfopts format=, else empty

    bool copyVideo = false; // -ovc copy: the inputs' streams are put end to end as they are
    bool copyAudio = false; // -oac copy
    bool identify = false; // -identify: describe the inputs and write nothing
    QString chapterList; // -chapters: the program's chapter list; empty: no chapters
    // -aid: the index of the sound stream a copy takes from every input (the first input's
    // default sound, as its -identify answer states it); none: the first sound, if any.
    std::optional<int> audioStream;
    // -alltracks: a copy keeps every track of the inputs (every sound and subtitle track, the
    // data tracks and attachments the container holds), not just the picture and one sound.
    bool allTracks = false;
    // -fit: the one input converted into a file of this kind (FitSettings), to be joined by a
    // copy with files of that kind; empty for other runs.
    QString fit;
    // -keepdates: the output states the first input's recording date, place and device, and
    // takes the last input's modification time.
    bool keepDates = false;
    // -ss and -endpos: where in the one input the run starts, and how much from there it
    // encodes (InputCut.h); none: from the start, to the end.
    std::optional<double> startSeconds;
    std::optional<double> endPosSeconds;
    // -af volume: the gain of the sound in dB (0: as it is).
    double volumeDb = 0;
    // -crossfade: seconds each join point's picture dissolves and sound crossfades from one
    // input into the next, the output shorter by the overlaps; none: hard cuts.
    std::optional<double> crossfadeSeconds;
    // A copy's cuts: "-ss" and "-endpos" placed after an input apply to that input alone (the
    // same place as in a conversion's line, which has one input). One entry for each input.
    std::vector<InputCutTimes> cuts;
    // -cutkind: the kind (as -fit states it) in which a copy encodes the frames around its cuts;
    // empty: no encoder makes the kind, and the cuts move to the nearest keyframes.
    QString cutKind;

    bool AnyCut() const;
};

struct ParsedCommandLine
{
    EncoderOptions options;
    QString error; // one line naming the option or value at fault; empty when the line is good
};

// Reads the arguments (without the program name). With "-identify" only the inputs are needed.
// Values may use the program's number syntax
// ("$A0", "0x1A", "+5"). A value that the settings left empty ("vbitrate=", "abitrate=",
// "scale=:" or a "-srate" that ends the line) means "not given", so the default applies.
ParsedCommandLine ParseEncoderCommandLine(const QStringList &args);

// A decimal number ("29.97", "+5", "$1E"), parsed with "." whatever the locale.
std::optional<double> ParseDecimal(const QString &text);
