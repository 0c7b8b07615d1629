#include "encoder/FilterGraph.h"

#include <algorithm>

namespace {

QString FormatSeconds(double s)
{
    return QString::number(s, 'f', 3);
}

} // namespace

QString ChannelLayout(int channels)
{
    static const char *names[] = {"mono", "stereo", "2.1", "4.0", "5.0", "5.1", "6.1", "7.1"};
    return QLatin1String(names[std::clamp(channels, 1, 8) - 1]);
}

InputChains BuildInputChains(const OutputPlan &plan, const InputMedia &m, size_t index)
{
    const int64_t frames = plan.segmentFrames[index];
    const QString layout = ChannelLayout(plan.channels);
    InputChains c;
    // Picture: from its first frame, at the output's rate and size, cut to its frame count.
    c.video = QStringLiteral("[%1:v:0]setpts=PTS-STARTPTS,fps=%2,scale=%3:%4,setdar=%5,format=%6")
                  .arg(index)
                  .arg(plan.fps.Text())
                  .arg(plan.width)
                  .arg(plan.height)
                  .arg(plan.displayAspect.Text(), plan.pixelFormat);
    if (frames > 0)
        c.video += QStringLiteral(",trim=end_frame=%1").arg(frames);

    // Sound: on the picture's clock (silence where it starts late), then cut or padded to
    // exactly the picture's length, so that the next input starts in sync.
    const int64_t samples
        = (frames * plan.sampleRate * plan.fps.den + plan.fps.num / 2) / plan.fps.num;
    if (m.hasAudio) {
        c.audio = QStringLiteral("[%1:a:0]asetpts=PTS-%2/TB,aresample=%3:first_pts=0,"
                                 "aformat=sample_rates=%3:channel_layouts=%4")
                      .arg(index)
                      .arg(FormatSeconds(m.videoStart))
                      .arg(plan.sampleRate)
                      .arg(layout);
        if (frames > 0)
            c.audio += QStringLiteral(",apad=whole_len=%1,atrim=end_sample=%1").arg(samples);
    } else {
        // Silence as long as the picture; for a picture of unknown length none at all, and
        // the concatenation fills it with silence (the final padding does for the last).
        c.audio = QStringLiteral("anullsrc=r=%1:cl=%2,atrim=end_sample=%3")
                      .arg(plan.sampleRate)
                      .arg(layout)
                      .arg(samples);
    }
    return c;
}

QString BuildFilterGraph(const OutputPlan &plan, const std::vector<InputMedia> &inputs)
{
    QStringList chains;
    QString concatInputs;
    const QString layout = ChannelLayout(plan.channels);
    for (size_t i = 0; i < inputs.size(); ++i) {
        const InputChains c = BuildInputChains(plan, inputs[i], i);
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
