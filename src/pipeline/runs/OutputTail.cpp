#include "pipeline/runs/OutputTail.h"

namespace {

// Enough bytes for more than MaxLineLength characters of UTF-8 text, so that a line cut here
// is always cut again, with its mark, when it is turned into text.
constexpr qsizetype MaxPendingBytes = OutputTail::MaxLineLength * 4 + 4;

bool IsStatusLine(const QString &line)
{
    return line.contains(QStringLiteral("Pos:"));
}

} // namespace

void OutputTail::Add(QByteArrayView chunk)
{
    for (const char c : chunk) {
        if (c == '\r' || c == '\n') {
            Finish(m_pending);
            m_pending.clear();
        } else if (c != '\0' && m_pending.size() < MaxPendingBytes) {
            m_pending += c;
        }
    }
}

QString OutputTail::LineText(const QByteArray &line)
{
    QString text = QString::fromUtf8(line).trimmed();
    if (text.size() > MaxLineLength)
        text = text.left(MaxLineLength) + QStringLiteral("...");
    return text;
}

void OutputTail::Finish(const QByteArray &line)
{
    const QString text = LineText(line);
    if (text.isEmpty() || IsStatusLine(text))
        return;
    m_lines.push_back(text);
    if (m_lines.size() > MaxLines)
        m_lines.pop_front();
}

QStringList OutputTail::Lines() const
{
    QStringList lines(m_lines.begin(), m_lines.end());
    const QString last = LineText(m_pending);
    if (!last.isEmpty() && !IsStatusLine(last)) {
        lines << last;
        if (lines.size() > MaxLines)
            lines.removeFirst();
    }
    return lines;
}

void OutputTail::Clear()
{
    m_lines.clear();
    m_pending.clear();
}
