#include "pipeline/OutputCheck.h"

#include "pipeline/JobInputs.h"
#include "tasks/TimeText.h"

#include <cmath>

QString OutputLengthLine(double outputSeconds, double inputSeconds)
{
    const double difference = outputSeconds - inputSeconds;
    if (std::abs(difference) <= 1.0 + 0.01 * inputSeconds)
        return QString();
    return QStringLiteral("The output file is %1 s %2 than the input files together.")
        .arg(QString::number(std::abs(difference), 'f', 1),
             difference < 0 ? QStringLiteral("shorter") : QStringLiteral("longer"));
}

QString CheckOutputLength(const QString &outputPath, const JobInputs &inputs,
                          const MediaProber &prober)
{
    double inputSeconds = 0;
    for (int i = 0; i < inputs.RowCount(); ++i) {
        const double seconds = inputs.ReadRow(i).LengthSeconds;
        if (seconds < 0)
            return QString();
        inputSeconds += seconds;
    }
    const MediaProbeResult probe = prober(outputPath);
    const double outputSeconds = probe.ok ? TimeTextToSeconds(probe.lengthText) : -1;
    if (outputSeconds < 0)
        return QString();
    return OutputLengthLine(outputSeconds, inputSeconds);
}
