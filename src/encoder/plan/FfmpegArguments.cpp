#include "encoder/plan/FfmpegArguments.h"
#include "platform/RawNames.h"

#include "encoder/plan/FilterGraph.h"
#include "encoder/plan/InputCut.h"
#include "encoder/run/OutputFile.h"

QStringList ProgressRunArguments()
{
    return {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"),
            QStringLiteral("-loglevel"),    QStringLiteral("error"),
            QStringLiteral("-y"),           QStringLiteral("-progress"),
            QStringLiteral("pipe:1"),       QStringLiteral("-stats_period"),
            QStringLiteral("0.05"),         QStringLiteral("-nostats")};
}

QStringList BuildFfmpegArguments(const EncoderOptions &o, const OutputPlan &plan,
                                 const std::vector<InputMedia> &inputs, const QString &target)
{
    QStringList args = ProgressRunArguments();
    for (const InputMedia &m : inputs)
        args << InputCutArguments(m) << QStringLiteral("-i")
             << QStringLiteral("file:") + OpenablePath(m.path);
    args << QStringLiteral("-filter_complex") << BuildFilterGraph(plan, inputs)
         << QStringLiteral("-map") << QStringLiteral("[vout]") << QStringLiteral("-map")
         << QStringLiteral("[aout]");
    return args + EncodeArguments(o, plan, target);
}

QStringList EncodeArguments(const EncoderOptions &o, const OutputPlan &plan, const QString &target)
{
    QStringList args;
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
    args << QStringLiteral("-f") << plan.muxer;
    return args + WriterArguments(target);
}
