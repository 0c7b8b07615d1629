#include "pipeline/runs/Progress.h"

#include <algorithm>
#include <charconv>
#include <cmath>

std::optional<int64_t> RoundHalfEven(double value)
{
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e18)
        return std::nullopt;
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    return static_cast<int64_t>(whole);
}

int ClampBar(int64_t value)
{
    return static_cast<int>(value < 0 ? 0 : value > 100 ? 100 : value);
}

QString ExtractPositionText(const QString &chunk, const QString &previous)
{
    static const QString marker = QStringLiteral("Pos:");
    const qsizetype at = chunk.indexOf(marker);
    if (at < 0)
        return previous;
    const qsizetype from = at + marker.size();
    const qsizetype s = chunk.indexOf(QLatin1Char('s'), from);
    if (s < 0)
        return QString();
    return chunk.mid(from, s - from);
}

std::optional<double> ParsePosition(const QString &text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && text.at(b) == QLatin1Char(' '))
        ++b;
    while (e > b && text.at(e - 1) == QLatin1Char(' '))
        --e;
    const QString body = text.mid(b, e - b);
    qsizetype i = 0;
    auto digits = [&] {
        const qsizetype start = i;
        while (i < body.size() && body.at(i).isDigit() && body.at(i).unicode() < 128)
            ++i;
        return i - start;
    };
    if (i < body.size() && (body.at(i) == QLatin1Char('+') || body.at(i) == QLatin1Char('-')))
        ++i;
    qsizetype count = digits();
    if (i < body.size() && body.at(i) == QLatin1Char('.')) {
        ++i;
        count += digits();
    }
    if (count == 0)
        return std::nullopt;
    if (i < body.size() && (body.at(i) == QLatin1Char('e') || body.at(i) == QLatin1Char('E'))) {
        ++i;
        if (i < body.size() && (body.at(i) == QLatin1Char('+') || body.at(i) == QLatin1Char('-')))
            ++i;
        if (digits() == 0)
            return std::nullopt;
    }
    if (i != body.size())
        return std::nullopt;
    // The grammar is checked above; from_chars reads it the same in every locale.
    const QByteArray ascii = body.toLatin1();
    const char *first = ascii.constData();
    const char *last = first + ascii.size();
    if (*first == '+')
        ++first;
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString ChunkText(QByteArrayView chunk)
{
    const qsizetype zero = chunk.indexOf('\0');
    // Only "Pos:", digits, "." and "s" matter: one character per byte keeps their places.
    return QString::fromLatin1(zero < 0 ? chunk : chunk.first(zero));
}

ProgressTracker::ProgressTracker(StageKind kind, double totalSeconds)
    : m_kind(kind)
    , m_totalSeconds(totalSeconds)
{
}

void ProgressTracker::BeginRun(double denominator, double secondsDone, double pace)
{
    m_denominator = denominator;
    m_secondsDone = secondsDone;
    m_pace = pace;
    m_position = 0;
    m_chunkNumber = 0;
}

bool ProgressTracker::Feed(QByteArrayView chunk)
{
    const int number = m_chunkNumber++;
    if (number < SkippedChunks)
        return false;
    m_positionText = ExtractPositionText(ChunkText(chunk), m_positionText);
    if (const std::optional<double> value = ParsePosition(m_positionText)) {
        if (m_kind == StageKind::Conversion || *value > m_position)
            m_position = *value;
    }
    return Update();
}

void ProgressTracker::CompleteRun()
{
    m_position = std::max(m_position, m_denominator);
    Update();
}

bool ProgressTracker::Update()
{
    // An arithmetic error ends the update of this chunk; the bars keep what they got so far.
    if (m_denominator != 0) {
        const std::optional<int64_t> current = RoundHalfEven(m_position / m_denominator * 100);
        if (!current)
            return false;
        m_bars.current = ClampBar(*current);
    }
    if (m_totalSeconds != 0) {
        std::optional<int64_t> total;
        if (m_kind == StageKind::Conversion) {
            total = RoundHalfEven((m_secondsDone + m_position * m_pace) / m_totalSeconds * 100 / 2);
        } else if (m_kind == StageKind::Copying) {
            total = RoundHalfEven(m_position / m_totalSeconds * 100);
        } else if ((total = RoundHalfEven(m_position / m_totalSeconds * 100 / 2))) {
            *total += 50;
        }
        if (!total)
            return false;
        m_bars.total = ClampBar(*total);
    }
    return true;
}

QString PercentText(int bar)
{
    return QString::number(bar) + QLatin1Char('%');
}
