#include "encoder/plan/AudioFilters.h"

#include "encoder/plan/EncoderOptions.h"

#include <QStringList>

QString ParseAudioFilters(const QString &value, double *gainDb)
{
    double gain = 0;
    for (const QString &filter : value.split(QLatin1Char(','))) {
        const qsizetype eq = filter.indexOf(QLatin1Char('='));
        const QString name = filter.left(eq < 0 ? filter.size() : eq).trimmed().toLower();
        if (name != u"volume")
            return QStringLiteral("Unknown audio filter: \"%1\"").arg(filter);
        const QStringList parts = filter.mid(eq < 0 ? filter.size() : eq + 1).split(u':');
        const std::optional<double> db = ParseDecimal(parts.value(0));
        if (eq < 0 || !db || *db < -200 || *db > 60 || parts.size() > 2
            || (parts.size() == 2 && parts[1].trimmed() != u"0"))
            return QStringLiteral("Bad value for -af volume: \"%1\"").arg(filter.mid(eq + 1));
        gain += *db;
    }
    *gainDb = gain;
    return {};
}
