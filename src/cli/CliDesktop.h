#pragma once
// The desktop of quintor-join: messages go to standard error; questions are answered by the
// command line's rules without asking anyone.

#include "platform/Desktop.h"

#include <QString>

#include <cstdio>
#include <functional>

class CliDesktop : public Desktop
{
public:
    // The title of the task list's question about a file listed twice: the user named it
    // twice, so it is joined twice.
    static constexpr char kDuplicateTitle[] = "Already Listed";

    explicit CliDesktop(std::FILE *out = stderr);

    // Called before anything is printed (the progress line ends its line there).
    void SetBeforePrint(std::function<void()> beforePrint);

    void ShowError(const QString &error) override;
    void ShowMessage(const QString &title, const QString &text, MessageIcon icon) override;
    // Yes for the duplicate question, No for every other one (an existing output file is
    // not overwritten unless the command line said so).
    bool AskQuestion(const QString &title, const QString &text) override;
    // Files that differ are converted only when the command line said --fit; otherwise the
    // refusal is printed.
    void SetFit(bool fit) { m_fit = fit; }
    void AskToFitThen(const QString &question, const QString &refusal, int count,
                      std::function<void(bool)> then) override;
    // The command line takes no after-job action.
    QString OpenPath(const QString &path) override;
    QString PowerOff() override;

private:
    void Print(const QString &text);

    std::FILE *m_out;
    std::function<void()> m_beforePrint;
    bool m_fit = false;
};

// A message as one block of text: "Title: text", with the line breaks of the text kept and
// carriage returns left out.
QString CliMessageText(const QString &title, const QString &text);
