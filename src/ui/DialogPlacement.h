// Showing a dialog of the program: over its owner, without a modal loop.
#pragma once

class QWidget;

// Centres the dialog on the owner's frame (when there is one), blocks input to the rest of
// the program while it is visible and shows it in front. Returns at once.
void ShowCentredOn(QWidget *dialog, const QWidget *owner);
