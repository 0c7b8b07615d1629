#include "cli/ProgressLine.h"

#include "pipeline/runs/Progress.h"

QString FormatProgressLine(const ProgressView &view)
{
    QString line = view.stage;
    if (view.fileShown && !view.file.isEmpty())
        line += QLatin1Char(' ') + view.file;
    line += QStringLiteral("  file ") + PercentText(view.current) + QStringLiteral("  total ")
        + PercentText(view.total);
    if (!view.elapsed.isEmpty())
        line += QStringLiteral("  elapsed ") + view.elapsed;
    if (!view.remaining.isEmpty())
        line += QStringLiteral("  remaining ") + view.remaining;
    return line;
}

ProgressLine::ProgressLine(std::FILE *out, bool terminal)
    : m_out(out)
    , m_terminal(terminal)
{
}

void ProgressLine::Show()
{
    if (m_view.stage.isEmpty())
        return;
    const QString line = FormatProgressLine(m_view);
    if (m_terminal) {
        if (line == m_shown)
            return;
        m_shown = line;
        // Back to the start of the line, the new text, then clear what is left of the old.
        std::fputs(
            QString(QLatin1Char('\r') + line + QStringLiteral("\x1b[K")).toLocal8Bit().constData(),
            m_out);
    } else {
        const QString key = m_view.stage + QLatin1Char('\n')
            + (m_view.fileShown ? m_view.file : QString()) + QLatin1Char('\n')
            + QString::number(m_view.total);
        if (key == m_lastPlain)
            return;
        m_lastPlain = key;
        std::fputs(QString(line + QLatin1Char('\n')).toLocal8Bit().constData(), m_out);
    }
    std::fflush(m_out);
}

void ProgressLine::Break()
{
    if (m_terminal && !m_shown.isEmpty()) {
        std::fputc('\n', m_out);
        std::fflush(m_out);
        m_shown.clear();
    }
}
