#pragma once
// The box before a join without re-encoding converts the files that differ from the rest:
// which files and why, how long it takes, and the choice to convert them or to cancel.

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

// The box, not yet shown: its two buttons are "Convert these N files to match and join" (the
// default) and "Cancel".
QMessageBox *MakeFitBox(QWidget *owner, const QString &question, int count);

// Shows the box without a loop of its own; then gets true for the conversion once it closes.
void ShowFitBox(QWidget *owner, const QString &question, int count, std::function<void(bool)> then);
