#pragma once
// A label that opens something when clicked, made a link for the keyboard: Tab reaches it,
// Space or Enter activates it (the caller's eventFilter is told through IsLinkActivation) and a
// frame in the link's colour marks its focus. A screen reader reads it by its text.

class QEvent;
class QLabel;
class QObject;

void MakeKeyboardLink(QLabel *label);

// True for the key press (Space, Enter) that activates a link made by MakeKeyboardLink.
bool IsLinkActivation(const QObject *watched, const QEvent *event);
