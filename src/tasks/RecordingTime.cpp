#include "tasks/RecordingTime.h"

#include "platform/RawNames.h"
#include "tasks/MediaProbe.h"

#include <QFileInfo>
#include <QTimeZone>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

bool IsAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Reads the text from left to right; every step either takes what it expects or nothing.
class Scanner
{
public:
    explicit Scanner(QStringView text)
        : m_text(text)
    {
    }

    bool AtEnd() const { return m_at >= m_text.size(); }
    bool NextIsDigit() const { return !AtEnd() && IsAsciiDigit(m_text[m_at]); }
    bool Take(QLatin1StringView word)
    {
        if (!m_text.mid(m_at).startsWith(word, Qt::CaseInsensitive))
            return false;
        m_at += word.size();
        return true;
    }
    bool Take(char c) { return Take(QLatin1StringView(&c, 1)); }
    bool TakeBlanks()
    {
        const qsizetype from = m_at;
        while (!AtEnd() && m_text[m_at] == QLatin1Char(' '))
            ++m_at;
        return m_at > from;
    }
    // Exactly digits digits (or 1 to digits when loose), as a number.
    std::optional<int> Number(int digits, bool loose = false)
    {
        int value = 0;
        int taken = 0;
        while (taken < digits && NextIsDigit()) {
            value = value * 10 + (m_text[m_at].unicode() - '0');
            ++m_at;
            ++taken;
        }
        if (taken == digits || (loose && taken > 0))
            return value;
        return std::nullopt;
    }
    // Digits after a decimal point, as milliseconds.
    int Fraction()
    {
        int ms = 0;
        int scale = 100;
        while (NextIsDigit()) {
            ms += scale * (m_text[m_at].unicode() - '0');
            scale /= 10;
            ++m_at;
        }
        return ms;
    }
    // A three-letter month name, 1 to 12.
    std::optional<int> Month()
    {
        static const char *const names[]
            = {"jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
        for (int m = 0; m < 12; ++m)
            if (Take(QLatin1StringView(names[m])))
                return m + 1;
        return std::nullopt;
    }
    bool SkipWord()
    {
        const qsizetype from = m_at;
        while (!AtEnd() && m_text[m_at].isLetter())
            ++m_at;
        return m_at > from;
    }

private:
    QStringView m_text;
    qsizetype m_at = 0;
};

// "UTC", "Z", "+02:00", "+0200", "-05"; nothing at all is local time.
std::optional<QTimeZone> Zone(Scanner &in)
{
    in.TakeBlanks();
    if (in.AtEnd())
        return QTimeZone();
    if (in.Take(QLatin1StringView("UTC")) || in.Take('Z'))
        return QTimeZone::utc();
    const int sign = in.Take('+') ? 1 : in.Take('-') ? -1 : 0;
    if (sign == 0)
        return std::nullopt;
    const std::optional<int> hours = in.Number(2);
    if (!hours)
        return std::nullopt;
    in.Take(':');
    const int minutes = in.Number(2).value_or(0);
    if (*hours > 14 || minutes > 59)
        return std::nullopt;
    return QTimeZone(sign * (*hours * 3600 + minutes * 60));
}

std::optional<QTime> TimeOfDay(Scanner &in, bool secondsNeeded)
{
    const std::optional<int> h = in.Number(2);
    if (!h || !in.Take(':'))
        return std::nullopt;
    const std::optional<int> m = in.Number(2);
    if (!m)
        return std::nullopt;
    int s = 0;
    int ms = 0;
    if (in.Take(':')) {
        const std::optional<int> seconds = in.Number(2);
        if (!seconds)
            return std::nullopt;
        s = *seconds;
        if (in.Take('.'))
            ms = in.Fraction();
    } else if (secondsNeeded) {
        return std::nullopt;
    }
    const QTime time(*h, *m, s, ms);
    return time.isValid() ? std::optional<QTime>(time) : std::nullopt;
}

// "2021-06-05 14:03:11 UTC" and its kin.
std::optional<QDateTime> IsoLike(Scanner &in, bool utcBefore)
{
    const std::optional<int> y = in.Number(4);
    if (!y || !in.Take('-'))
        return std::nullopt;
    const std::optional<int> mo = in.Number(2);
    if (!mo || !in.Take('-'))
        return std::nullopt;
    const std::optional<int> d = in.Number(2);
    const QDate date = d ? QDate(*y, *mo, *d) : QDate();
    if (!date.isValid())
        return std::nullopt;
    QTime time(0, 0);
    const bool timeFollows = in.Take('T') || (in.TakeBlanks() && in.NextIsDigit());
    if (timeFollows) {
        const std::optional<QTime> t = TimeOfDay(in, false);
        if (!t)
            return std::nullopt;
        time = *t;
    }
    std::optional<QTimeZone> zone = Zone(in);
    if (!zone || !in.AtEnd())
        return std::nullopt;
    if (utcBefore && !zone->isValid())
        zone = QTimeZone::utc();
    return zone->isValid() ? QDateTime(date, time, *zone) : QDateTime(date, time);
}

// "Mon Jan 06 10:11:12 2020", as some AVI files state their recording.
std::optional<QDateTime> ClockLike(Scanner &in)
{
    if (!in.SkipWord() || !in.TakeBlanks())
        return std::nullopt;
    const std::optional<int> mo = in.Month();
    if (!mo || !in.TakeBlanks())
        return std::nullopt;
    const std::optional<int> d = in.Number(2, true);
    if (!d || !in.TakeBlanks())
        return std::nullopt;
    const std::optional<QTime> time = TimeOfDay(in, true);
    if (!time || !in.TakeBlanks())
        return std::nullopt;
    const std::optional<int> y = in.Number(4);
    in.TakeBlanks();
    const QDate date = y ? QDate(*y, *mo, *d) : QDate();
    if (!date.isValid() || !in.AtEnd())
        return std::nullopt;
    return QDateTime(date, *time);
}

} // namespace

std::optional<QDateTime> ParseStatedTime(const QString &text)
{
    // Several values come separated by " / "; the first is the file's own.
    QStringView first = QStringView(text).trimmed();
    if (const qsizetype slash = first.indexOf(QLatin1String(" / ")); slash >= 0)
        first = first.left(slash).trimmed();
    std::optional<QDateTime> found;
    if (!first.isEmpty() && first[0].isLetter()) {
        Scanner utc(first);
        if (utc.Take(QLatin1StringView("UTC")) && utc.TakeBlanks())
            found = IsoLike(utc, true);
        else {
            Scanner clock(first);
            found = ClockLike(clock);
        }
    } else {
        Scanner in(first);
        found = IsoLike(in, false);
    }
    // Containers write zero for "not known": their epochs, or years before any video file.
    if (!found || !found->isValid())
        return std::nullopt;
    const int year = found->toUTC().date().year();
    if (year < 1970 || year > 9999 || found->toMSecsSinceEpoch() == 0)
        return std::nullopt;
    return found;
}

std::optional<QDateTime> ReadRecordingTime(const QString &path)
{
    const QFileInfo file(OpenablePath(path));
    if (!file.isFile())
        return std::nullopt;
    PrepareMediaProbes();
    if (std::optional<QDateTime> stated = ReadStatedTime(path))
        return stated;
    return file.lastModified();
}

RecordingTimes::RecordingTimes(Reader reader)
    : m_reader(std::move(reader))
{
}

void RecordingTimes::Remember(const QString &path, const std::optional<QDateTime> &stated)
{
    const QFileInfo file(OpenablePath(path));
    if (!file.isFile())
        return;
    m_known.insert(
        path,
        {file.lastModified(), file.size(), stated ? stated : std::optional(file.lastModified())});
}

std::vector<std::optional<QDateTime>> RecordingTimes::Times(const QStringList &paths)
{
    std::vector<std::optional<QDateTime>> times(size_t(paths.size()));
    std::vector<Known> looked(size_t(paths.size()));
    std::vector<qsizetype> unread;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QFileInfo file(OpenablePath(paths[i]));
        Known &now = looked[size_t(i)];
        now.modified = file.lastModified();
        now.size = file.exists() ? file.size() : -1;
        const auto known = m_known.constFind(paths[i]);
        if (known != m_known.cend() && known->modified == now.modified && known->size == now.size)
            times[size_t(i)] = known->time;
        else
            unread.push_back(i);
    }
    // Each file is opened and its header read: a few at a time, so that a thousand files of a
    // slow disk do not take a thousand waits one after another.
    std::atomic<size_t> next = 0;
    const auto work = [&] {
        for (size_t k = next++; k < unread.size(); k = next++)
            times[size_t(unread[k])] = m_reader(paths[unread[k]]);
    };
    const size_t workers = std::min<size_t>(unread.size(), 4);
    std::vector<std::thread> threads;
    for (size_t w = 1; w < workers; ++w)
        threads.emplace_back(work);
    work();
    for (std::thread &thread : threads)
        thread.join();
    for (const qsizetype i : unread) {
        Known &now = looked[size_t(i)];
        now.time = times[size_t(i)];
        m_known.insert(paths[i], now);
    }
    return times;
}
