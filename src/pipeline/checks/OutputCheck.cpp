#include "pipeline/checks/OutputCheck.h"

#include "pipeline/job/JobInputs.h"
#include "tasks/TimeText.h"

#include <algorithm>
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
    // Each file's longest stream where it is known, on both sides: a join puts every input's
    // streams after the longest of the one before.
    double inputSeconds = 0;
    for (int i = 0; i < inputs.RowCount(); ++i) {
        const ltvItemData row = inputs.ReadRow(i);
        // A trimmed row gives the part it keeps.
        const double seconds = row.Trim ? row.Trim->Seconds()
            : row.SpareSeconds5 >= 0    ? row.SpareSeconds5
                                        : row.LengthSeconds;
        if (seconds < 0)
            return QString();
        inputSeconds += seconds;
    }
    // Each join point's fade overlaps the files on either side of it.
    inputSeconds -= inputs.Crossfade() * std::max(inputs.RowCount() - 1, 0);
    const MediaProbeResult probe = prober(outputPath);
    const double outputSeconds = !probe.ok ? -1
        : probe.longestSeconds >= 0        ? probe.longestSeconds
                                           : TimeTextToSeconds(probe.lengthText);
    // A written file whose length cannot be read is the news itself: a join cut short by a
    // full disk leaves one.
    if (outputSeconds < 0)
        return QStringLiteral("The output file could not be read to check its length.");
    return OutputLengthLine(outputSeconds, inputSeconds);
}

QString JoinedFileLine(const QString &outputPath)
{
    return QStringLiteral("The joined file is %1.").arg(outputPath);
}
