#include "encoder/plan/FilterGraph.h"

#include <algorithm>
#include <cmath>

QString ChannelLayout(int channels)
{
    static const char *names[] = {"mono", "stereo", "2.1", "4.0", "5.0", "5.1", "6.1", "7.1"};
    return QLatin1String(names[std::clamp(channels, 1, 8) - 1]);
}

Placement PlaceInFrame(const OutputPlan &plan, const Fraction &shownAspect)
{
    const double ratio = shownAspect.Value() / plan.displayAspect.Value();
    if (!std::isfinite(ratio) || ratio <= 0 || std::abs(ratio - 1) <= 0.01)
        return {plan.width, plan.height, 0, 0};
    auto even = [](double pixels, int most) {
        return int(std::clamp<long>(std::lround(pixels / 2) * 2, 2, most));
    };
    Placement p {plan.width, plan.height, 0, 0};
    if (ratio > 1)
        p.height = even(plan.height / ratio, plan.height);
    else
        p.width = even(plan.width * ratio, plan.width);
    p.x = (plan.width - p.width) / 4 * 2;
    p.y = (plan.height - p.height) / 4 * 2;
    return p;
}

namespace {

// The sound samples that last as long as that many frames of the output's picture.
int64_t SamplesOf(const OutputPlan &plan, int64_t frames)
{
    // Wide enough for any frame count times any rate; the result fits in 64 bits.
    return int64_t((__int128(frames) * plan.sampleRate * plan.fps.den + plan.fps.num / 2)
                   / plan.fps.num);
}

// Frames [from, to) of a picture chain and the sound that lasts as long, both from zero.
QStringList Piece(const OutputPlan &plan, const QString &video, const QString &audio, int64_t from,
                  int64_t to, const QString &label)
{
    return {video
                + QStringLiteral("trim=start_frame=%1:end_frame=%2,setpts=PTS-STARTPTS[v%3]")
                      .arg(from)
                      .arg(to)
                      .arg(label),
            audio
                + QStringLiteral("atrim=start_sample=%1:end_sample=%2,asetpts=PTS-STARTPTS[a%3]")
                      .arg(SamplesOf(plan, from))
                      .arg(SamplesOf(plan, to))
                      .arg(label)};
}

// The inputs' chains "[vi]" and "[ai]" joined with a fade at each join point into "[vjoin]" and
// "[ajoin]": each input's closing frames and the next one's opening frames become one piece,
// the next picture laid over the last with a rising opacity and the sound crossfaded over the
// same time, and the pieces are put end to end, so every frame keeps its place on the clock.
QStringList FadeJoin(const OutputPlan &plan, size_t count)
{
    const int64_t fade = plan.crossfadeFrames;
    QStringList chains, order;
    for (size_t i = 0; i < count; ++i) {
        const int64_t length = plan.segmentFrames[i];
        const bool fadeIn = i > 0, fadeOut = i + 1 < count || plan.fadeIntoNext;
        // The previous feed's last input gives only its closing frames.
        const bool body = !(i == 0 && plan.fadeFromPrevious);
        const int parts = int(fadeIn) + int(fadeOut && i + 1 < count) + int(body);
        QString video = QStringLiteral("[v%1]").arg(i), audio = QStringLiteral("[a%1]").arg(i);
        QStringList vparts {video}, aparts {audio};
        if (parts > 1) {
            vparts.clear();
            aparts.clear();
            for (int k = 0; k < parts; ++k) {
                vparts << QStringLiteral("[v%1s%2]").arg(i).arg(k);
                aparts << QStringLiteral("[a%1s%2]").arg(i).arg(k);
            }
            chains << video + QStringLiteral("split=%1").arg(parts) + vparts.join(QString())
                   << audio + QStringLiteral("asplit=%1").arg(parts) + aparts.join(QString());
        }
        int k = 0;
        const auto piece = [&](int64_t from, int64_t to, const QString &name) {
            chains << Piece(plan, vparts[k], aparts[k], from, to, QString::number(i) + name);
            ++k;
        };
        if (fadeIn)
            piece(0, fade, QStringLiteral("in"));
        if (body)
            piece(fadeIn ? fade : 0, fadeOut ? length - fade : length, QStringLiteral("body"));
        if (fadeOut && i + 1 < count)
            piece(length - fade, length, QStringLiteral("out"));
        if (fadeIn) {
            // Frame k of n shows (k + 1) / (n + 1) of the next picture: the fade is alike at
            // both ends, its middle frame half of each, and neither end a repeated frame.
            const double frame = double(plan.fps.den) / plan.fps.num;
            chains << QStringLiteral("[v%1in]setpts=PTS+%2/TB,format=yuva420p,"
                                     "fade=t=in:st=0:d=%3:alpha=1,setpts=PTS-STARTPTS[v%1over];"
                                     "[v%4out][v%1over]overlay=eof_action=pass,format=%5[v%1fade]")
                          .arg(i)
                          .arg(QString::number(frame, 'f', 9),
                               QString::number(frame * double(fade + 1), 'f', 9))
                          .arg(i - 1)
                          .arg(plan.pixelFormat)
                   << QStringLiteral("[a%1out][a%2in]acrossfade=ns=%3:c1=tri:c2=tri[a%2fade]")
                          .arg(i - 1)
                          .arg(i)
                          .arg(SamplesOf(plan, fade));
            order << QStringLiteral("[v%1fade][a%1fade]").arg(i);
        }
        if (body)
            order << QStringLiteral("[v%1body][a%1body]").arg(i);
    }
    chains << order.join(QString())
            + QStringLiteral("concat=n=%1:v=1:a=1[vjoin][ajoin]").arg(order.size());
    return chains;
}

// Picture: turned upright by ffmpeg itself, interlaced frames made whole, then placed by its
// time stamps on the output's frame rate from zero (the first frame repeated if it comes late),
// and brought to the output's shape with black bars where it differs; cut to its frame count.
QString PictureChain(const OutputPlan &plan, const InputMedia &m, size_t index,
                     const QString &offset)
{
    QString video
        = QStringLiteral("[%1:%2]yadif=deint=interlaced,setpts=PTS-%3/TB,fps=%4:start_time=0")
              .arg(index)
              .arg(m.videoStream)
              .arg(offset, plan.fps.Text());
    const Placement p = PlaceInFrame(plan, Shown(m).DisplayAspect());
    video += QStringLiteral(",scale=%1:%2").arg(p.width).arg(p.height);
    if (p.width != plan.width || p.height != plan.height)
        video += QStringLiteral(",pad=%1:%2:%3:%4:black")
                     .arg(plan.width)
                     .arg(plan.height)
                     .arg(p.x)
                     .arg(p.y);
    video
        += QStringLiteral(",setdar=%1,format=%2").arg(plan.displayAspect.Text(), plan.pixelFormat);
    if (const int64_t frames = plan.segmentFrames[index]; frames > 0)
        video += QStringLiteral(",trim=end_frame=%1").arg(frames);
    return video;
}

// Sound: on the picture's clock (silence where it starts late, cut where it starts early), any
// channels mixed to the output's, then cut or padded to exactly the picture's length, so that
// the next input starts in sync.
QString SoundChain(const OutputPlan &plan, const InputMedia &m, size_t index, size_t input,
                   const QString &offset)
{
    const QString layout = ChannelLayout(plan.channels);
    const int64_t frames = plan.segmentFrames[index];
    const int64_t samples = SamplesOf(plan, frames);
    if (!m.hasAudio) {
        // Silence as long as the picture; for a picture of unknown length none at all, and
        // the concatenation fills it with silence (the final padding does for the last).
        return QStringLiteral("anullsrc=r=%1:cl=%2,atrim=end_sample=%3")
            .arg(plan.sampleRate)
            .arg(layout)
            .arg(samples);
    }
    QString audio = QStringLiteral("[%1:%2]asetpts=PTS-%3/TB,aresample=%4:first_pts=0,"
                                   "aformat=sample_rates=%4:channel_layouts=%5")
                        .arg(input)
                        .arg(m.audioStream)
                        .arg(offset)
                        .arg(plan.sampleRate)
                        .arg(layout);
    if (plan.volumeDb != 0)
        audio += QStringLiteral(",volume=%1dB").arg(QString::number(plan.volumeDb, 'f', 2));
    if (frames > 0)
        audio += QStringLiteral(",apad=whole_len=%1,atrim=end_sample=%1").arg(samples);
    return audio;
}

} // namespace

InputChains BuildInputChains(const OutputPlan &plan, const InputMedia &m, size_t index,
                             std::optional<size_t> soundIndex)
{
    // Both streams move by the picture's start, so that its first frame is at zero and the
    // sound keeps its place against it.
    const QString offset = QString::number(std::max(PictureOffset(m), 0.0), 'f', 6);
    return {PictureChain(plan, m, index, offset),
            SoundChain(plan, m, index, soundIndex.value_or(index), offset)};
}

QString BuildFilterGraph(const OutputPlan &plan, const std::vector<InputMedia> &inputs,
                         std::optional<size_t> soundFirst)
{
    QStringList chains;
    QString concatInputs;
    const QString layout = ChannelLayout(plan.channels);
    for (size_t i = 0; i < inputs.size(); ++i) {
        const InputChains c = BuildInputChains(
            plan, inputs[i], i, soundFirst ? std::optional(*soundFirst + i) : std::nullopt);
        chains << c.video + QStringLiteral("[v%1]").arg(i);
        chains << c.audio + QStringLiteral("[a%1]").arg(i);
        concatInputs += QStringLiteral("[v%1][a%1]").arg(i);
    }
    if (plan.crossfadeFrames > 0) {
        // Every length is known here: the plan refuses fades into a file of unknown length.
        chains << FadeJoin(plan, inputs.size());
        concatInputs = QStringLiteral("[vjoin][ajoin]");
    }
    size_t segments = plan.crossfadeFrames > 0 ? 1 : inputs.size();
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
