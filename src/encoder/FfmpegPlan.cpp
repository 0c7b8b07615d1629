#include "encoder/FfmpegPlan.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdlib>

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

// Formats without per-packet time stamps for sound play a codec's start-up delay as a late
// start; so many samples are cut from the start there (measured with ffmpeg's decoders).
int CodecDelaySamples(const QString &muxer, const QString &audioCodec)
{
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

// A frame rate close to a usual one becomes exactly that; any other is kept to 1/1000.
Fraction TidyFrameRate(const Fraction &rate)
{
    static const QList<Fraction> usual {
        {24000, 1001}, {24, 1}, {25, 1}, {30000, 1001}, {30, 1}, {50, 1}, {60000, 1001},
        {60, 1},       {15, 1}, {12, 1}, {10, 1},       {20, 1}, {48, 1}, {120, 1}};
    const Fraction near = Nearest(rate, usual);
    if (std::abs(near.Value() - rate.Value()) <= near.Value() * 0.002)
        return near;
    return Reduced(std::max<int64_t>(1, std::llround(rate.Value() * 1000)), 1000);
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

QString ChannelLayout(int channels)
{
    static const char *names[] = {"mono", "stereo", "2.1", "4.0", "5.0", "5.1", "6.1", "7.1"};
    return QLatin1String(names[std::clamp(channels, 1, 8) - 1]);
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

int RoundToMultiple(int value, int multiple)
{
    return std::max(multiple, (value + multiple / 2) / multiple * multiple);
}

// The frame size of "-vf scale" (or of the first input when there is none).
void ResolveSize(const EncoderOptions &o, const InputMedia &first, OutputPlan &plan)
{
    const double pixelAspect = first.pixelAspect.Value() > 0 ? first.pixelAspect.Value() : 1.0;
    const double inputAspect = first.width * pixelAspect / first.height;
    auto side = [&](const ScaleSide &s, int original, int display) {
        switch (s.kind) {
        case ScaleSide::Fixed:
            return s.pixels;
        case ScaleSide::Display:
            return display;
        default:
            return original;
        }
    };
    const int displayWidth = int(std::lround(first.width * pixelAspect));
    int w = o.scale ? side(o.scaleWidth, first.width, displayWidth) : first.width;
    int h = o.scale ? side(o.scaleHeight, first.height, first.height) : first.height;
    if (o.scale && o.scaleWidth.kind == ScaleSide::FromOther
        && o.scaleHeight.kind != ScaleSide::FromOther)
        w = int(std::lround(h * inputAspect));
    else if (o.scale && o.scaleHeight.kind == ScaleSide::FromOther
             && o.scaleWidth.kind != ScaleSide::FromOther)
        h = int(std::lround(w / inputAspect));

    // Chroma subsampling wants even sizes; H.263+ wants multiples of 4 up to 2048x1152.
    const int multiple = plan.videoCodec == u"h263p" ? 4 : 2;
    int rw = RoundToMultiple(w, multiple), rh = RoundToMultiple(h, multiple);
    if (plan.videoCodec == u"h263p") {
        rw = std::min(rw, 2048);
        rh = std::min(rh, 1152);
    }
    if (rw != w || rh != h)
        plan.notes << QStringLiteral("Frame size %1x%2 becomes %3x%4 for %5")
                          .arg(w)
                          .arg(h)
                          .arg(rw)
                          .arg(rh)
                          .arg(plan.videoCodec);
    plan.width = rw;
    plan.height = rh;
    plan.displayAspect = o.aspect ? *o.aspect
                                  : Reduced(int64_t(first.width) * first.pixelAspect.num,
                                            int64_t(first.height) * first.pixelAspect.den);
}

void ResolveFrameRate(const EncoderOptions &o, const InputMedia &first, OutputPlan &plan)
{
    Fraction fps = o.outputFps      ? *o.outputFps
        : first.frameRate.IsValid() ? TidyFrameRate(first.frameRate)
                                    : Fraction {25, 1};
    if (plan.videoCodec == u"mpeg1video" || plan.videoCodec == u"mpeg2video") {
        const Fraction allowed = Nearest(fps, MpegFrameRates());
        if (!(allowed == fps))
            plan.notes << QStringLiteral("Frame rate %1 becomes %2 for %3")
                              .arg(fps.Text(), allowed.Text(), plan.videoCodec);
        fps = allowed;
    }
    plan.fps = fps;
}

void ResolveAudio(const EncoderOptions &o, const std::vector<InputMedia> &inputs, OutputPlan &plan)
{
    const auto withSound = std::find_if(inputs.begin(), inputs.end(),
                                        [](const InputMedia &m) { return m.hasAudio; });
    int rate = o.sampleRate.value_or(withSound != inputs.end() ? withSound->sampleRate : 44100);
    if (const QList<int> rates = SampleRatesFor(plan.audioCodec, plan.muxer); !rates.isEmpty()) {
        const int allowed = Nearest(rate, rates);
        if (allowed != rate && o.sampleRate)
            plan.notes << QStringLiteral("Sample rate %1 becomes %2 for %3")
                              .arg(rate)
                              .arg(allowed)
                              .arg(plan.audioCodec);
        rate = allowed;
    }
    plan.sampleRate = rate;

    int channels = o.channels.value_or(withSound != inputs.end() ? withSound->channels : 2);
    const int most = MaxChannels(plan.audioCodec, plan.muxer);
    if (channels > most && o.channels)
        plan.notes << QStringLiteral("%1 channels become %2 for %3")
                          .arg(channels)
                          .arg(most)
                          .arg(plan.audioCodec);
    channels = std::min(channels, most);
    if (plan.audioCodec == u"aac" && channels == 7)
        channels = 6;
    plan.channels = channels;

    const int wanted = o.audioEncoder == AudioEncoder::Mp3Lame ? o.mp3BitrateKbit
                                                               : o.audioBitrateKbit.value_or(224);
    plan.audioBitrateKbit = AudioBitrate(plan.audioCodec, wanted, rate);
    if (plan.audioBitrateKbit != wanted && !plan.audioCodec.startsWith(u"pcm_")
        && (o.audioEncoder == AudioEncoder::Lavc || o.mp3Mode != Mp3Mode::Vbr))
        plan.notes << QStringLiteral("Audio bitrate %1 becomes %2 for %3")
                          .arg(wanted)
                          .arg(plan.audioBitrateKbit)
                          .arg(plan.audioCodec);
    plan.audioLeadSamples = CodecDelaySamples(plan.muxer, plan.audioCodec);
}

QString FormatSeconds(double s)
{
    return QString::number(s, 'f', 3);
}

} // namespace

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

namespace {

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

} // namespace

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

std::optional<OutputPlan> PlanOutput(const EncoderOptions &o, const std::vector<InputMedia> &inputs,
                                     QString *error)
{
    OutputPlan plan;
    plan.muxer = MuxerFor(o);
    plan.videoCodec = o.videoCodec;
    plan.audioCodec = AudioCodecFor(o, plan.muxer);
    *error = FormatRefusal(o);
    if (!error->isEmpty())
        return std::nullopt;
    if (inputs.empty()) {
        *error = QStringLiteral("No input file given");
        return std::nullopt;
    }

    plan.pixelFormat
        = plan.videoCodec == u"mjpeg" ? QStringLiteral("yuvj420p") : QStringLiteral("yuv420p");
    ResolveSize(o, inputs.front(), plan);
    ResolveFrameRate(o, inputs.front(), plan);
    ResolveAudio(o, inputs, plan);

    for (const InputMedia &m : inputs) {
        int64_t frames = 0;
        if (m.videoSeconds) {
            frames = std::max<int64_t>(1, std::llround(*m.videoSeconds * plan.fps.Value()));
            plan.totalSeconds += double(frames) / plan.fps.Value();
        } else {
            plan.totalSeconds += m.estimatedSeconds;
        }
        plan.segmentFrames.push_back(frames);
    }
    plan.lengthUnknown = plan.segmentFrames.back() == 0;
    return plan;
}

QString BuildFilterGraph(const OutputPlan &plan, const std::vector<InputMedia> &inputs)
{
    QStringList chains;
    QString concatInputs;
    const QString layout = ChannelLayout(plan.channels);
    for (size_t i = 0; i < inputs.size(); ++i) {
        const InputMedia &m = inputs[i];
        const int64_t frames = plan.segmentFrames[i];
        // Picture: from its first frame, at the output's rate and size, cut to its frame count.
        QString video
            = QStringLiteral("[%1:v:0]setpts=PTS-STARTPTS,fps=%2,scale=%3:%4,setdar=%5,format=%6")
                  .arg(i)
                  .arg(plan.fps.Text())
                  .arg(plan.width)
                  .arg(plan.height)
                  .arg(plan.displayAspect.Text(), plan.pixelFormat);
        if (frames > 0)
            video += QStringLiteral(",trim=end_frame=%1").arg(frames);
        chains << video + QStringLiteral("[v%1]").arg(i);

        // Sound: on the picture's clock (silence where it starts late), then cut or padded to
        // exactly the picture's length, so that the next input starts in sync.
        const int64_t samples
            = (frames * plan.sampleRate * plan.fps.den + plan.fps.num / 2) / plan.fps.num;
        QString audio;
        if (m.hasAudio) {
            audio = QStringLiteral("[%1:a:0]asetpts=PTS-%2/TB,aresample=%3:first_pts=0,"
                                   "aformat=sample_rates=%3:channel_layouts=%4")
                        .arg(i)
                        .arg(FormatSeconds(m.videoStart))
                        .arg(plan.sampleRate)
                        .arg(layout);
            if (frames > 0)
                audio += QStringLiteral(",apad=whole_len=%1,atrim=end_sample=%1").arg(samples);
        } else {
            // Silence as long as the picture; for a picture of unknown length none at all, and
            // the concatenation fills it with silence (the final padding does for the last).
            audio = QStringLiteral("anullsrc=r=%1:cl=%2,atrim=end_sample=%3")
                        .arg(plan.sampleRate)
                        .arg(layout)
                        .arg(samples);
        }
        chains << audio + QStringLiteral("[a%1]").arg(i);
        concatInputs += QStringLiteral("[v%1][a%1]").arg(i);
    }
    size_t segments = inputs.size();
    if (plan.lengthUnknown) {
        // The concatenation pads every segment's sound up to its picture except the last one's;
        // an empty closing segment makes the last input one of the padded.
        chains << QStringLiteral(
                      "color=c=black:s=%1x%2:r=%3,setdar=%4,format=%5,trim=end_frame=0[vend]")
                      .arg(plan.width)
                      .arg(plan.height)
                      .arg(plan.fps.Text(), plan.displayAspect.Text(), plan.pixelFormat);
        chains << QStringLiteral("anullsrc=r=%1:cl=%2,atrim=end_sample=0[aend]")
                      .arg(plan.sampleRate)
                      .arg(layout);
        concatInputs += QStringLiteral("[vend][aend]");
        ++segments;
    }
    QString join = concatInputs + QStringLiteral("concat=n=%1:v=1:a=1[vout]").arg(segments);
    if (plan.audioLeadSamples > 0)
        join += QStringLiteral(
                    "[acat];[acat]atrim=start_sample=%1,asetpts=PTS-STARTPTS,apad=pad_len=%1[aout]")
                    .arg(plan.audioLeadSamples);
    else
        join += QStringLiteral("[aout]");
    chains << join;
    return chains.join(QLatin1Char(';'));
}

QStringList BuildFfmpegArguments(const EncoderOptions &o, const OutputPlan &plan,
                                 const std::vector<InputMedia> &inputs, const QString &target)
{
    QStringList args {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"),
                      QStringLiteral("-loglevel"),    QStringLiteral("error"),
                      QStringLiteral("-y"),           QStringLiteral("-progress"),
                      QStringLiteral("pipe:1"),       QStringLiteral("-stats_period"),
                      QStringLiteral("0.05"),         QStringLiteral("-nostats")};
    for (const InputMedia &m : inputs)
        args << QStringLiteral("-i") << QStringLiteral("file:") + m.path;
    args << QStringLiteral("-filter_complex") << BuildFilterGraph(plan, inputs)
         << QStringLiteral("-map") << QStringLiteral("[vout]") << QStringLiteral("-map")
         << QStringLiteral("[aout]");

    args << QStringLiteral("-c:v") << plan.videoCodec;
    const bool x264 = plan.videoCodec == u"libx264";
    if (o.videoBitrate)
        args << QStringLiteral("-b:v") << QString::number(*o.videoBitrate);
    else if (o.videoQuantizer)
        args << (x264 ? QStringLiteral("-qp") : QStringLiteral("-q:v"))
             << QString::number(*o.videoQuantizer);
    else // constant high quality, as befits a file that is encoded again later
        args << (x264 ? QStringLiteral("-crf") : QStringLiteral("-q:v"))
             << (x264 ? QStringLiteral("18") : QStringLiteral("2"));
    if (o.macroblockDecision > 0 && !x264)
        args << QStringLiteral("-mbd")
             << (o.macroblockDecision == 2 ? QStringLiteral("rd") : QStringLiteral("bits"));
    if (o.keyInterval)
        args << QStringLiteral("-g") << QString::number(*o.keyInterval);
    if (x264 && plan.muxer == u"avi")
        args << QStringLiteral("-bf") << QStringLiteral("0"); // AVI keeps no reordered times

    args << QStringLiteral("-c:a") << plan.audioCodec;
    if (plan.audioCodec == u"libmp3lame" && o.mp3Mode == Mp3Mode::Vbr)
        args << QStringLiteral("-q:a") << QString::number(o.mp3Quality);
    else if (!plan.audioCodec.startsWith(u"pcm_"))
        args << QStringLiteral("-b:a") << QStringLiteral("%1k").arg(plan.audioBitrateKbit);
    if (plan.audioCodec == u"libmp3lame" && o.mp3Mode == Mp3Mode::Abr)
        args << QStringLiteral("-abr") << QStringLiteral("1");

    if (plan.muxer == u"avi") // sound start-up delay is made up for in the filter graph
        args << QStringLiteral("-avoid_negative_ts") << QStringLiteral("disabled");
    args << QStringLiteral("-f") << plan.muxer << target;
    return args;
}
