#pragma once
// The desktop as Qt gives it: message boxes owned by a window, the desktop's open action and
// the system's power-off.

#include "platform/Desktop.h"

#include <QPointer>
#include <QWidget>

class QMessageBox;

// A message text as a box shows it: a line break written as CR LF, LF CR or a lone CR becomes
// one line break.
QString BoxText(const QString &text);

// The box for a message (an OK button) or, with the question icon, a question (Yes and No).
QMessageBox *MakeMessageBox(QWidget *owner, const QString &title, const QString &text,
                            MessageIcon icon);

// Why the desktop's opener refused a path that exists: no opener at all, or none for a web
// address, a folder or this kind of file.
QString OpenFailureReason(bool link, bool folder, bool openerInstalled);

class QtDesktop : public Desktop
{
public:
    // Boxes are owned by owner (the main window, or the dialog that asks) when it is set.
    explicit QtDesktop(QWidget *owner = nullptr);

    void SetOwner(QWidget *owner) { m_owner = owner; }

    void ShowError(const QString &error) override;
    void ShowDetailedError(const QString &error, const QString &details) override;
    void ShowMessage(const QString &title, const QString &text, MessageIcon icon) override;
    void ShowMessageThen(const QString &title, const QString &text, MessageIcon icon,
                         std::function<void()> then) override;
    bool AskQuestion(const QString &title, const QString &text) override;
    void AskToFitThen(const QString &question, const QString &refusal, int count,
                      std::function<void(bool)> then) override;
    void ShowDetailedMessageThen(const QString &title, const QString &text, const QString &details,
                                 MessageIcon icon, std::function<void()> then) override;
    QString OpenPath(const QString &path) override;
    QString PowerOff() override;

private:
    QPointer<QWidget> m_owner;
};
