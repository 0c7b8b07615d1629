// The encoder's option parser through its FFmpeg plan: the first line of the input is the
// command line after the inputs, each further part (split at zero bytes) the probe facts of
// one input as ffprobe's JSON. Only the plan's public functions are called.
#include "FuzzTarget.h"
#include "encoder/input/InputProbe.h"
#include "encoder/plan/EncoderOptions.h"
#include "encoder/plan/FfmpegArguments.h"
#include "encoder/plan/FfmpegPlan.h"
#include "pipeline/runs/CommandLine.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    const qsizetype lineEnd = bytes.indexOf('\n');
    const QString line = QString::fromUtf8(lineEnd < 0 ? bytes : bytes.left(lineEnd));
    QStringList args = SplitCommandLine(QStringLiteral("x in0.avi in1.mp4 -o out.avi ") + line);
    const ParsedCommandLine parsed = ParseEncoderCommandLine(args);
    if (!parsed.error.isEmpty() || lineEnd < 0)
        return 0;
    (void)MuxerFor(parsed.options);
    if (!FormatRefusal(parsed.options).isEmpty())
        return 0;

    std::vector<InputMedia> inputs;
    int n = 0;
    for (const QByteArray &json : bytes.mid(lineEnd + 1).split('\0')) {
        QString error;
        const auto media = ParseProbeOutput(QStringLiteral("in%1.avi").arg(n++), json, &error);
        FUZZ_CHECK(media || !error.isEmpty());
        if (media)
            inputs.push_back(*media);
        if (inputs.size() >= 4)
            break;
    }
    if (inputs.empty())
        return 0;
    QString error;
    const auto plan = PlanOutput(parsed.options, inputs, &error);
    if (!plan) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    const QStringList ffmpeg
        = BuildFfmpegArguments(parsed.options, *plan, inputs, QStringLiteral("/proc/self/fd/3"));
    FUZZ_CHECK(!ffmpeg.isEmpty() && ffmpeg.last() == QStringLiteral("/proc/self/fd/3"));
    return 0;
}
