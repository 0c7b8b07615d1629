#pragma once
// The box that counts down to turning the computer off after a successful job: "Turn Off Now"
// asks at once, "Cancel" (or Escape) leaves the program open; at zero it asks by itself.

#include <QMessageBox>
#include <QTimer>

class QPushButton;

class TurnOffBox : public QMessageBox
{
    Q_OBJECT

public:
    explicit TurnOffBox(QWidget *owner, int seconds = 60);

    // "The computer will be turned off in 57 seconds." ("1 second" for the last one).
    static QString CountdownText(int seconds);

    int SecondsLeft() const { return m_secondsLeft; }
    // The length of one step of the count (one second unless a test says otherwise).
    void SetTickInterval(int ms) { m_tick.setInterval(ms); }

    QPushButton *btnTurnOffNow = nullptr;
    QPushButton *btnCancel = nullptr;

Q_SIGNALS:
    // Turn Off Now was pressed, or the count reached zero. The box is closed by then.
    void turnOff();

private:
    void Tick();

    QTimer m_tick;
    int m_secondsLeft = 0;
};
