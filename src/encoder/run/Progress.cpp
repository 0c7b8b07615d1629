#include "encoder/run/Progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::optional<ProgressReport> ProgressReader::Feed(const QByteArray &bytes)
{
    m_pending += bytes;
    m_completed.reset();
    qsizetype start = 0;
    for (qsizetype nl = m_pending.indexOf('\n'); nl >= 0; nl = m_pending.indexOf('\n', start)) {
        TakeLine(m_pending.mid(start, nl - start).trimmed());
        start = nl + 1;
    }
    m_pending.remove(0, start);
    return m_completed;
}

void ProgressReader::TakeLine(const QByteArray &line)
{
    const qsizetype eq = line.indexOf('=');
    if (eq <= 0)
        return;
    const QByteArray key = line.left(eq);
    const QByteArray value = line.mid(eq + 1).trimmed();
    bool ok = false;
    if (key == "out_time_us") {
        const qint64 us = value.toLongLong(&ok);
        if (ok)
            m_current.seconds = std::max<qint64>(us, 0) / 1e6;
    } else if (key == "frame") {
        const qint64 f = value.toLongLong(&ok);
        if (ok)
            m_current.frames = f;
    } else if (key == "total_size") {
        const qint64 b = value.toLongLong(&ok);
        if (ok)
            m_current.bytes = b;
    } else if (key == "speed") {
        const double s = QByteArray(value).replace("x", "").trimmed().toDouble(&ok);
        m_current.speed = ok && std::isfinite(s) ? s : 0;
    } else if (key == "progress") {
        m_current.finished = value == "end";
        m_completed = m_current;
    }
}

QByteArray FormatStatusLine(const ProgressReport &r, double totalSeconds, double elapsedSeconds)
{
    int percent = 0;
    int remainingMinutes = 0;
    int megabytes = 0;
    if (totalSeconds > 0 && r.seconds > 0) {
        percent = int(std::clamp(r.seconds / totalSeconds * 100, 0.0, 100.0));
        const double left = std::max(totalSeconds - r.seconds, 0.0);
        if (elapsedSeconds > 0)
            remainingMinutes = int(std::min(left * elapsedSeconds / r.seconds / 60, 99999.0));
        megabytes = int(std::min(double(r.bytes) / r.seconds * totalSeconds / 1048576, 99999.0));
    }
    const double fps = elapsedSeconds > 0 ? std::min(r.frames / elapsedSeconds, 99999.0) : 0;
    // The C library's printf takes the user's decimal comma once the locale is set; Qt's
    // number texts always use a point, which is what the status line's readers expect.
    auto fixed = [](double value, int decimals, int width) {
        return QByteArray::number(value, 'f', decimals).rightJustified(width);
    };
    char counts[96];
    std::snprintf(counts, sizeof counts, "%6lldf (%2d%%) ", static_cast<long long>(r.frames),
                  percent);
    char rest[96];
    std::snprintf(rest, sizeof rest, "fps Trem:%4dmin%4dmb  A-V:0.000 [0:0]\r", remainingMinutes,
                  megabytes);
    return "Pos:" + fixed(std::min(r.seconds, 9999999.0), 1, 6) + "s " + counts + fixed(fps, 2, 5)
        + rest;
}
