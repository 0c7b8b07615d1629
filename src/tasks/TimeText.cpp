#include "tasks/TimeText.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace {

// Digits only, at least one; nothing when the value leaves the 32-bit range.
std::optional<int64_t> ParseDecimalDigits(QStringView text)
{
    if (text.isEmpty())
        return std::nullopt;
    int64_t value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        if (value > std::numeric_limits<int32_t>::max())
            return std::nullopt;
    }
    return value;
}

// Digits with at most one "." among them (not in front); "." is the separator in every
// locale, so the text is converted with the C locale's rules.
std::optional<double> ParseSeconds(QStringView text)
{
    if (text.isEmpty() || text.front() == QLatin1Char('.'))
        return std::nullopt;
    bool dot = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('.') && !dot)
            dot = true;
        else if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString TwoDigits(int64_t value)
{
    return QString::number(value).rightJustified(2, QLatin1Char('0'));
}

} // namespace

QString SecondsToTimeText(double seconds)
{
    // Beyond this the text would no longer be a count of seconds that a 64-bit number holds.
    constexpr double kLargest = 9.0e15;
    const double x = (std::isfinite(seconds) && seconds > 0) ? std::min(seconds, kLargest) : 0.0;

    int64_t n = static_cast<int64_t>(x);
    // rint rounds halves to the even neighbour: 5.25 s gives 2 tenths, 5.75 s gives 8.
    int64_t tenths = static_cast<int64_t>(std::rint((x - static_cast<double>(n)) * 10.0));
    if (tenths >= 10) {
        ++n;
        tenths = 0;
    }
    const int64_t h = n / 3600;
    const int64_t m = (n - 3600 * h) / 60;
    const int64_t s = n - 3600 * h - 60 * m;

    QString text = TwoDigits(h) + QLatin1Char(':') + TwoDigits(m) + QLatin1Char(':') + TwoDigits(s);
    if (tenths != 0)
        text += QLatin1Char('.') + QString::number(tenths);
    return text;
}

double TimeTextToSeconds(const QString &text)
{
    const qsizetype first = text.indexOf(QLatin1Char(':'));
    if (first < 0)
        return -1;
    const QStringView hoursText = QStringView(text).left(first);
    const QStringView rest = QStringView(text).mid(first + 1);
    const qsizetype second = rest.indexOf(QLatin1Char(':'));
    if (second < 0)
        return -1;
    const auto hours = ParseDecimalDigits(hoursText);
    const auto minutes = ParseDecimalDigits(rest.left(second));
    const auto secs = ParseSeconds(rest.mid(second + 1));
    if (!hours || !minutes || !secs)
        return -1;
    const int64_t whole = *hours * 3600 + *minutes * 60;
    if (whole > std::numeric_limits<int32_t>::max())
        return -1;
    return static_cast<double>(whole) + *secs;
}
