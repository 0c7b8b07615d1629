#include "platform/Desktop.h"

#include "platform/RawNames.h"
QString GeneralErrorText(const QString &error)
{
    if (!error.isEmpty() && error.back() > QLatin1Char('.'))
        return error + QLatin1Char('.');
    return error;
}

void OpenOrSay(Desktop &desktop, const QString &what, const QString &path)
{
    const QString why = desktop.OpenPath(path);
    if (!why.isEmpty())
        desktop.ShowMessage(
            QStringLiteral("Cannot Open"),
            QStringLiteral("%1 %2 could not be opened.\n%3").arg(what, ShownName(path), why),
            MessageIcon::Warning);
}

void Desktop::ShowDetailedError(const QString &error, const QString &details)
{
    ShowError(details.isEmpty() ? error
                                : GeneralErrorText(error) + QStringLiteral("\n\n") + details);
}
