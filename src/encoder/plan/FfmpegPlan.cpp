#include "encoder/plan/FfmpegPlan.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

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

int RoundToMultiple(int value, int multiple)
{
    return std::max(multiple, (value + multiple / 2) / multiple * multiple);
}

// The frame size of "-vf scale" (or of the first input as shown when there is none), and the
// display aspect: the one asked for, else the frame size's shape when "-vf scale" names a
// size, else the first input's.
void ResolveSize(const EncoderOptions &o, const InputMedia &first, OutputPlan &plan)
{
    const ShownFrame shown = Shown(first);
    const double inputAspect = shown.DisplayAspect().Value();
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
    // Derived sides stay within what the codecs take, whatever the input's header says.
    auto bounded = [](double pixels) { return int(std::clamp(std::lround(pixels), 2L, 16384L)); };
    const int displayWidth = bounded(shown.width * shown.pixelAspect.Value());
    int w = o.scale ? side(o.scaleWidth, shown.width, displayWidth) : shown.width;
    int h = o.scale ? side(o.scaleHeight, shown.height, shown.height) : shown.height;
    w = bounded(w);
    h = bounded(h);
    if (o.scale && o.scaleWidth.kind == ScaleSide::FromOther
        && o.scaleHeight.kind != ScaleSide::FromOther)
        w = bounded(h * inputAspect);
    else if (o.scale && o.scaleHeight.kind == ScaleSide::FromOther
             && o.scaleWidth.kind != ScaleSide::FromOther)
        h = bounded(w / inputAspect);

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
    plan.displayAspect = o.aspect ? *o.aspect : o.scale ? Reduced(rw, rh) : shown.DisplayAspect();
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

// The fade's length in whole frames of the output; every input must be long enough for a fade
// in and a fade out, and of a known length, since each fade starts where the input before it
// ends less the fade. The output is shorter by the overlaps.
bool PlanCrossfade(double seconds, const std::vector<InputMedia> &inputs, OutputPlan &plan,
                   QString *error)
{
    plan.crossfadeFrames = std::max<int64_t>(1, std::llround(seconds * plan.fps.Value()));
    for (size_t i = 0; i < inputs.size(); ++i) {
        if (plan.segmentFrames[i] == 0) {
            *error = QStringLiteral("The length of %1 is not known; it cannot be crossfaded")
                         .arg(inputs[i].path);
            return false;
        }
        if (plan.segmentFrames[i] < 2 * plan.crossfadeFrames) {
            *error = QStringLiteral("%1 is shorter than two crossfades of %2 s")
                         .arg(inputs[i].path)
                         .arg(seconds);
            return false;
        }
    }
    plan.totalSeconds
        -= double(plan.crossfadeFrames) * double(inputs.size() - 1) / plan.fps.Value();
    return true;
}

} // namespace

std::optional<OutputPlan> PlanOutput(const EncoderOptions &o, const std::vector<InputMedia> &inputs,
                                     QString *error)
{
    OutputPlan plan;
    plan.muxer = MuxerFor(o);
    plan.videoCodec = o.videoCodec;
    plan.audioCodec = AudioCodecFor(o, plan.muxer);
    plan.volumeDb = o.volumeDb;
    *error = FormatRefusal(o);
    if (!error->isEmpty())
        return std::nullopt;
    if (inputs.empty()) {
        *error = QStringLiteral("No input file given");
        return std::nullopt;
    }

    for (const InputMedia &m : inputs)
        if (*error = SizeRefusal(m); !error->isEmpty())
            return std::nullopt;
    plan.pixelFormat
        = plan.videoCodec == u"mjpeg" ? QStringLiteral("yuvj420p") : QStringLiteral("yuv420p");
    ResolveSize(o, inputs.front(), plan);
    ResolveFrameRate(o, inputs.front(), plan);
    ResolveAudio(o, inputs, plan);

    for (const InputMedia &m : inputs) {
        int64_t frames = 0;
        // A length beyond any real file's is not believed: the input is read to its end.
        if (m.videoSeconds && std::isfinite(*m.videoSeconds) && *m.videoSeconds <= 1e7) {
            frames = std::max<int64_t>(1, std::llround(*m.videoSeconds * plan.fps.Value()));
            plan.totalSeconds += double(frames) / plan.fps.Value();
        } else {
            plan.totalSeconds += m.estimatedSeconds;
        }
        plan.segmentFrames.push_back(frames);
    }
    plan.lengthUnknown = plan.segmentFrames.back() == 0;
    if (o.crossfadeSeconds && !PlanCrossfade(*o.crossfadeSeconds, inputs, plan, error))
        return std::nullopt;
    return plan;
}
