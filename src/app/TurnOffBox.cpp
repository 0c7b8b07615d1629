#include "app/TurnOffBox.h"

#include <QPushButton>

TurnOffBox::TurnOffBox(QWidget *owner, int seconds)
    : QMessageBox(owner)
    , m_secondsLeft(seconds)
{
    setObjectName(QStringLiteral("boxTurnOff"));
    setWindowTitle(QStringLiteral("Turn Off"));
    setIcon(QMessageBox::Warning);
    setText(CountdownText(m_secondsLeft));
    btnTurnOffNow = addButton(QStringLiteral("Turn Off Now"), QMessageBox::AcceptRole);
    btnCancel = addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    btnTurnOffNow->setObjectName(QStringLiteral("btnTurnOffNow"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    // Enter must not turn the computer off by accident: Cancel is the default.
    setDefaultButton(btnCancel);
    setEscapeButton(btnCancel);
    setWindowModality(Qt::ApplicationModal);
    connect(this, &QMessageBox::buttonClicked, this, [this](QAbstractButton *button) {
        m_tick.stop();
        if (button == btnTurnOffNow)
            Q_EMIT turnOff();
    });
    m_tick.setInterval(1000);
    connect(&m_tick, &QTimer::timeout, this, &TurnOffBox::Tick);
    m_tick.start();
}

QString TurnOffBox::CountdownText(int seconds)
{
    return seconds == 1
        ? QStringLiteral("The computer will be turned off in 1 second.")
        : QStringLiteral("The computer will be turned off in %1 seconds.").arg(seconds);
}

void TurnOffBox::Tick()
{
    --m_secondsLeft;
    if (m_secondsLeft > 0) {
        setText(CountdownText(m_secondsLeft));
        return;
    }
    m_tick.stop();
    done(QMessageBox::Accepted);
    Q_EMIT turnOff();
}
