#include "cli/CliDesktop.h"

CliDesktop::CliDesktop(std::FILE *out)
    : m_out(out)
{
}

void CliDesktop::SetBeforePrint(std::function<void()> beforePrint)
{
    m_beforePrint = std::move(beforePrint);
}

void CliDesktop::Print(const QString &text)
{
    if (m_beforePrint)
        m_beforePrint();
    std::fputs(text.toLocal8Bit().constData(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

void CliDesktop::ShowError(const QString &error)
{
    Print(CliMessageText(QString::fromLatin1(kProductName), GeneralErrorText(error)));
}

void CliDesktop::ShowMessage(const QString &title, const QString &text, MessageIcon)
{
    Print(CliMessageText(title, text));
}

bool CliDesktop::AskQuestion(const QString &title, const QString &text)
{
    const bool yes = title == QLatin1String(kDuplicateTitle);
    Print(CliMessageText(title, text) + (yes ? QStringLiteral(" Yes.") : QStringLiteral(" No.")));
    return yes;
}

void CliDesktop::AskToFitThen(const QString &question, const QString &refusal, int count,
                              std::function<void(bool)> then)
{
    if (m_fit)
        Print(CliMessageText(count == 1 ? QStringLiteral("Converting 1 file to match")
                                        : QStringLiteral("Converting %1 files to match").arg(count),
                             question));
    else
        Print(CliMessageText(QStringLiteral("Cannot Join Without Re-encoding"), refusal));
    then(m_fit);
}

QString CliDesktop::OpenPath(const QString &)
{
    return QString();
}

QString CliDesktop::PowerOff()
{
    return QString();
}

QString CliMessageText(const QString &title, const QString &text)
{
    QString body = text;
    body.remove(QLatin1Char('\r'));
    return title + QStringLiteral(": ") + body;
}
