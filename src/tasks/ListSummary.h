#pragma once
// The line beside the list buttons that says how many files are listed and how long they run
// together.

#include <QString>

class TaskListModel;

// "4 files, 00:12:34 in all" (the time text of the summed lengths). A length that is not known
// counts as 0, and the text then says "at least": "4 files, at least 00:12:34 in all". One row
// is "1 file"; an empty list gives an empty text.
QString ListSummaryText(int files, double knownSeconds, bool someUnknown);
QString ListSummaryText(const TaskListModel &model);
