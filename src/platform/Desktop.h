#pragma once
// What the desktop gives the program: message boxes, questions, opening a path, power-off.
// The windows install the real implementation; tests install a recording fake, so the core
// never shows a box, opens a browser or powers the machine off by itself.

#include <QString>

#include <functional>

enum class MessageIcon { Information, Question, Warning, Error };

class Desktop
{
public:
    virtual ~Desktop() = default;

    // The general error box: GeneralErrorText(error), the application title, an error icon.
    virtual void ShowError(const QString &error) = 0;
    // A message box with one OK button.
    virtual void ShowMessage(const QString &title, const QString &text, MessageIcon icon) = 0;
    // A message box that does not wait for the user: then runs once the box is closed. By
    // default the box is shown by ShowMessage and then runs when that returns.
    virtual void ShowMessageThen(const QString &title, const QString &text, MessageIcon icon,
                                 std::function<void()> then)
    {
        ShowMessage(title, text, icon);
        then();
    }
    // The same with the technical lines behind the text: in a window behind the box's "Show
    // Details"; by default after the text, one blank line between.
    virtual void ShowDetailedMessageThen(const QString &title, const QString &text,
                                         const QString &details, MessageIcon icon,
                                         std::function<void()> then)
    {
        ShowMessageThen(title, details.isEmpty() ? text : text + QStringLiteral("\n\n") + details,
                        icon, std::move(then));
    }
    // The general error box with the technical lines behind its text: behind "Show Details"
    // in a window; by default after the text, one blank line between.
    virtual void ShowDetailedError(const QString &error, const QString &details);
    // A question box with Yes and No and the question icon; true for Yes.
    virtual bool AskQuestion(const QString &title, const QString &text) = 0;
    // The choice before a join without re-encoding converts the count files that differ from
    // the rest: question names them and the time it takes, refusal is the message for a
    // desktop that does not ask. then gets true for "Convert these N files to match and join",
    // false for "Cancel", once the box is closed. By default a question box with Yes and No.
    virtual void AskToFitThen(const QString &question, const QString &refusal, int count,
                              std::function<void(bool)> then)
    {
        Q_UNUSED(refusal);
        Q_UNUSED(count);
        then(AskQuestion(QStringLiteral("Files That Differ"), question));
    }
    // The desktop's open action on a file, a folder or a web address: "" when the desktop took
    // it, else why it cannot, in words (one sentence).
    virtual QString OpenPath(const QString &path) = 0;
    // Asks the system to power off and waits for its answer (a few seconds at most), so that
    // the request is made before the program ends. Gives "" when the system accepted it, else
    // its reason for refusing.
    virtual QString PowerOff() = 0;
};

// Opens path with the desktop; when the desktop cannot, a message box says which (what is
// "The help page", "The folder"...) and why.
void OpenOrSay(Desktop &desktop, const QString &what, const QString &path);

// The general error box's text: a period appended when the last character comes after "."
// in the character code.
QString GeneralErrorText(const QString &error);

// The product name, used as the application title and in the general error box's caption.
inline constexpr char kProductName[] = "Quintor Video Joiner";
