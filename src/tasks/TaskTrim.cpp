#include "tasks/TaskTrim.h"

#include "tasks/TimeText.h"

#include <QCoreApplication>
#include <QStringList>

#include <cmath>
#include <cstdint>

namespace {

// Tolerance of the comparisons with a file's length: time texts carry milliseconds.
constexpr double kSlack = 0.001;

bool AllDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// Digits, optionally "." and more digits; never a sign, exponent or bare ".".
std::optional<double> DecimalField(QStringView text)
{
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    const QStringView whole = dot < 0 ? text : text.left(dot);
    if (!AllDigits(whole) || whole.size() > 9)
        return std::nullopt;
    if (dot >= 0 && (!AllDigits(text.mid(dot + 1)) || text.size() - dot - 1 > 9))
        return std::nullopt;
    return text.toString().toDouble();
}

} // namespace

QString TrimRefusal(const TaskTrim &trim, double lengthSeconds)
{
    if (!std::isfinite(trim.from) || !std::isfinite(trim.to) || trim.from < 0)
        return QCoreApplication::translate("TaskTrim",
                                           "The start point lies before the start of the file.");
    if (lengthSeconds >= 0 && trim.from >= lengthSeconds)
        return QCoreApplication::translate("TaskTrim",
                                           "The start point lies beyond the end of the file.");
    if (trim.to <= trim.from)
        return QCoreApplication::translate("TaskTrim",
                                           "The end point must come after the start point.");
    if (lengthSeconds >= 0 && trim.to > lengthSeconds + kSlack)
        return QCoreApplication::translate("TaskTrim",
                                           "The end point lies beyond the end of the file.");
    return QString();
}

QString SecondsToClockText(double seconds)
{
    const double x = std::isfinite(seconds) && seconds > 0 ? std::min(seconds, 3.6e9) : 0.0;
    const int64_t ms = std::llround(x * 1000);
    const auto two
        = [](int64_t v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); };
    return QStringLiteral("%1:%2:%3.%4")
        .arg(two(ms / 3600000), two(ms / 60000 % 60), two(ms / 1000 % 60),
             QString::number(ms % 1000).rightJustified(3, QLatin1Char('0')));
}

std::optional<double> ClockTextToSeconds(const QString &text)
{
    const QStringList fields = text.trimmed().split(QLatin1Char(':'));
    if (fields.size() > 3)
        return std::nullopt;
    const auto last = DecimalField(fields.last());
    if (!last)
        return std::nullopt;
    if (fields.size() == 1)
        return last;
    if (*last >= 60)
        return std::nullopt;
    double total = *last;
    double unit = 60;
    for (qsizetype i = fields.size() - 2; i >= 0; --i, unit *= 60) {
        const QStringView field = fields[i];
        if (!AllDigits(field) || field.size() > 6)
            return std::nullopt;
        const double value = field.toString().toDouble();
        if (i > 0 && value >= 60) // minutes with hours before them
            return std::nullopt;
        total += value * unit;
    }
    return total;
}

QString TrimToolTip(const TaskTrim &trim, double lengthSeconds)
{
    return QCoreApplication::translate("TaskTrim", "From %1 to %2 of %3.")
        .arg(SecondsToClockText(trim.from), SecondsToClockText(trim.to),
             SecondsToTimeText(lengthSeconds));
}
