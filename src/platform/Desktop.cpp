#include "platform/Desktop.h"

QString GeneralErrorText(const QString &error)
{
    if (!error.isEmpty() && error.back() > QLatin1Char('.'))
        return error + QLatin1Char('.');
    return error;
}
