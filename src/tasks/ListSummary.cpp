#include "tasks/ListSummary.h"

#include "tasks/TaskList.h"
#include "tasks/TimeText.h"

QString ListSummaryText(int files, double knownSeconds, bool someUnknown)
{
    if (files <= 0)
        return QString();
    const QString count
        = files == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(files);
    return count + QStringLiteral(", ") + (someUnknown ? QStringLiteral("at least ") : QString())
        + SecondsToTimeText(knownSeconds) + QStringLiteral(" in all");
}

QString ListSummaryText(const TaskListModel &model)
{
    double seconds = 0;
    bool someUnknown = false;
    for (int i = 0; i < model.Count(); ++i) {
        ltvItemData row;
        model.ReadTaskRow(i, AllColumns, row);
        if (row.KeptSeconds() >= 0)
            seconds += row.KeptSeconds();
        else
            someUnknown = true;
    }
    return ListSummaryText(model.Count(), seconds, someUnknown);
}
