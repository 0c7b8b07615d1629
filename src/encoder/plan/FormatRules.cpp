#include "encoder/plan/FormatRules.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

struct FormatRule
{
    const char *muxer;
    QStringList video; // empty: every video codec
    QStringList audio; // empty: every audio codec
};

// What each format holds, as ffmpeg writes and reads it back.
const std::vector<FormatRule> &FormatRules()
{
    static const std::vector<FormatRule> rules {
        {"avi", {}, {"libmp3lame", "pcm_s16le", "ac3", "mp2", "aac", "wmav2", "wmav1"}},
        {"mpeg",
         {"mpeg4", "mpeg1video", "mpeg2video", "libx264"},
         {"libmp3lame", "pcm_s16be", "ac3", "mp2"}},
        {"vob",
         {"mpeg4", "mpeg1video", "mpeg2video", "libx264"},
         {"libmp3lame", "pcm_s16be", "ac3", "mp2"}},
        {"mp4",
         {"mpeg4", "mjpeg", "mpeg1video", "mpeg2video", "libx264"},
         {"libmp3lame", "ac3", "mp2", "aac"}},
        {"mov", {}, {"libmp3lame", "pcm_s16le", "ac3", "mp2", "aac"}},
        {"asf", {}, {"libmp3lame", "pcm_s16le", "ac3", "mp2", "aac", "wmav2", "wmav1"}},
        {"flv", {"flv", "libx264"}, {"libmp3lame", "pcm_s16le", "aac"}},
        {"matroska", {}, {}},
    };
    return rules;
}

const FormatRule &RuleFor(const QString &muxer)
{
    for (const FormatRule &r : FormatRules())
        if (muxer == QLatin1String(r.muxer))
            return r;
    return FormatRules().front();
}

} // namespace

int CodecDelaySamples(const QString &muxer, const QString &audioCodec)
{
    // Measured with ffmpeg's decoders.
    if (muxer != u"avi" && muxer != u"mpeg" && muxer != u"vob")
        return 0;
    if (audioCodec == u"libmp3lame")
        return 1105;
    if (audioCodec == u"aac")
        return 1024;
    if (audioCodec == u"mp2")
        return 481;
    if (audioCodec == u"ac3")
        return 256;
    if (audioCodec == u"wmav2" || audioCodec == u"wmav1")
        return 2048;
    return 0;
}

const QList<Fraction> &MpegFrameRates()
{
    static const QList<Fraction> rates {{24000, 1001}, {24, 1}, {25, 1},       {30000, 1001},
                                        {30, 1},       {50, 1}, {60000, 1001}, {60, 1}};
    return rates;
}

Fraction Nearest(const Fraction &rate, const QList<Fraction> &choices)
{
    return *std::min_element(
        choices.begin(), choices.end(), [&](const Fraction &a, const Fraction &b) {
            return std::abs(a.Value() - rate.Value()) < std::abs(b.Value() - rate.Value());
        });
}

int Nearest(int value, const QList<int> &choices)
{
    return *std::min_element(choices.begin(), choices.end(), [&](int a, int b) {
        return std::abs(a - value) < std::abs(b - value);
    });
}

QList<int> SampleRatesFor(const QString &codec, const QString &muxer)
{
    if ((codec == u"libmp3lame" || codec.startsWith(u"pcm_")) && muxer == u"flv")
        return {11025, 22050, 44100};
    if (codec == u"libmp3lame")
        return {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    if (codec == u"mp2")
        return {16000, 22050, 24000, 32000, 44100, 48000};
    if (codec == u"ac3")
        return {32000, 44100, 48000};
    if (codec == u"aac")
        return {7350,  8000,  11025, 12000, 16000, 22050, 24000,
                32000, 44100, 48000, 64000, 88200, 96000};
    if (codec.startsWith(u"wmav"))
        return {8000, 11025, 16000, 22050, 32000, 44100, 48000};
    return {};
}

int MaxChannels(const QString &codec, const QString &muxer)
{
    if (muxer == u"flv" && codec != u"aac")
        return 2;
    if (codec == u"ac3")
        return 6;
    if (codec == u"aac" || codec.startsWith(u"pcm_"))
        return 8;
    return 2;
}

int AudioBitrate(const QString &codec, int kbit, int sampleRate)
{
    if (codec == u"mp2") {
        if (sampleRate < 32000)
            return Nearest(kbit, {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160});
        return Nearest(kbit, {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384});
    }
    if (codec == u"ac3")
        return Nearest(kbit,
                       {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 448,
                        512, 576, 640});
    if (codec.startsWith(u"wmav"))
        return std::max(kbit, 24);
    if (codec == u"libmp3lame")
        return std::clamp(kbit, 8, 320);
    return kbit;
}

QString MuxerFor(const EncoderOptions &options)
{
    if (!options.format.isEmpty())
        return options.format;
    const QString ext = QFileInfo(options.output).suffix().toLower();
    static const QList<std::pair<QString, QString>> byExtension {
        {QStringLiteral("avi"), QStringLiteral("avi")},
        {QStringLiteral("mpg"), QStringLiteral("mpeg")},
        {QStringLiteral("mpeg"), QStringLiteral("mpeg")},
        {QStringLiteral("vob"), QStringLiteral("vob")},
        {QStringLiteral("mp4"), QStringLiteral("mp4")},
        {QStringLiteral("m4v"), QStringLiteral("mp4")},
        {QStringLiteral("mov"), QStringLiteral("mov")},
        {QStringLiteral("wmv"), QStringLiteral("asf")},
        {QStringLiteral("asf"), QStringLiteral("asf")},
        {QStringLiteral("flv"), QStringLiteral("flv")},
        {QStringLiteral("mkv"), QStringLiteral("matroska")}};
    for (const auto &[e, muxer] : byExtension)
        if (ext == e)
            return muxer;
    return QStringLiteral("avi");
}

QString AudioCodecFor(const EncoderOptions &o, const QString &muxer)
{
    switch (o.audioEncoder) {
    case AudioEncoder::Mp3Lame:
        return QStringLiteral("libmp3lame");
    case AudioEncoder::Pcm:
        return muxer == u"mpeg" || muxer == u"vob" ? QStringLiteral("pcm_s16be")
                                                   : QStringLiteral("pcm_s16le");
    case AudioEncoder::Lavc:
        break;
    }
    return o.audioCodec;
}

QString FormatRefusal(const EncoderOptions &o)
{
    const QString muxer = MuxerFor(o);
    const QString audioCodec = AudioCodecFor(o, muxer);
    const FormatRule &rule = RuleFor(muxer);
    if (!rule.video.isEmpty() && !rule.video.contains(o.videoCodec))
        return QStringLiteral("The %1 format cannot hold %2 video").arg(muxer, o.videoCodec);
    if (!rule.audio.isEmpty() && !rule.audio.contains(audioCodec))
        return QStringLiteral("The %1 format cannot hold %2 sound").arg(muxer, audioCodec);
    return {};
}
