#pragma once
// The desktop as the job sees it: every call goes to the window's desktop, and a power-off
// request first lets the window store what it stores at its close, since the system's
// shutdown would otherwise race those writes.

#include "platform/Desktop.h"

#include <functional>

class JobDesktop : public Desktop
{
public:
    JobDesktop(Desktop &desktop, std::function<void()> beforePowerOff)
        : m_desktop(desktop)
        , m_beforePowerOff(std::move(beforePowerOff))
    {
    }

    void ShowError(const QString &error) override { m_desktop.ShowError(error); }
    void ShowDetailedError(const QString &error, const QString &details) override
    {
        m_desktop.ShowDetailedError(error, details);
    }
    void ShowMessage(const QString &title, const QString &text, MessageIcon icon) override
    {
        m_desktop.ShowMessage(title, text, icon);
    }
    void ShowMessageThen(const QString &title, const QString &text, MessageIcon icon,
                         std::function<void()> then) override
    {
        m_desktop.ShowMessageThen(title, text, icon, std::move(then));
    }
    void ShowDetailedMessageThen(const QString &title, const QString &text, const QString &details,
                                 MessageIcon icon, std::function<void()> then) override
    {
        m_desktop.ShowDetailedMessageThen(title, text, details, icon, std::move(then));
    }
    bool AskQuestion(const QString &title, const QString &text) override
    {
        return m_desktop.AskQuestion(title, text);
    }
    // While the fit box is open the job waits for the answer: asking(true) before it, and
    // asking(false) once it is answered.
    void AskToFitThen(const QString &question, const QString &refusal, int count,
                      std::function<void(bool)> then) override
    {
        if (asking)
            asking(true);
        m_desktop.AskToFitThen(question, refusal, count,
                               [this, then = std::move(then)](bool convert) {
                                   if (asking)
                                       asking(false);
                                   then(convert);
                               });
    }
    QString OpenPath(const QString &path) override { return m_desktop.OpenPath(path); }
    QString PowerOff() override
    {
        if (m_beforePowerOff)
            m_beforePowerOff();
        return m_desktop.PowerOff();
    }

    std::function<void(bool)> asking;

private:
    Desktop &m_desktop;
    std::function<void()> m_beforePowerOff;
};
