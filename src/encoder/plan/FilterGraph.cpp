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
    // Wide enough for any frame count times any rate; the result fits in 64 bits.
    const int64_t samples = int64_t(
        (__int128(frames) * plan.sampleRate * plan.fps.den + plan.fps.num / 2) / plan.fps.num);
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
