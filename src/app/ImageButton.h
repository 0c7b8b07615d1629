#pragma once
// A picture that acts as a button: it shows one picture of its strip at a time and reports
// the mouse; which picture it shows is decided by the window's look-state handlers. It is a
// button to the keyboard (Tab reaches it, Space or Enter presses it, a frame marks its focus)
// and to assistive technology.

#include <QAbstractButton>
#include <QList>
#include <QPixmap>
#include <QWidget>

class TImageButton : public QAbstractButton
{
    Q_OBJECT
public:
    enum LookState { Normal = 0, Hover = 1, Pressed = 2 };

    TImageButton(const QList<QPixmap> &strip, QWidget *parent = nullptr);

    // Shows picture index of the strip.
    void ShowPicture(int index);
    int PictureIndex() const { return m_picture; }

    // The look state kept for the window's handlers: 0 normal, 1 hover, 2 pressed.
    int State() const { return m_state; }
    void SetState(int state) { m_state = state; }

    QSize sizeHint() const override;

Q_SIGNALS:
    void mouseMoved();
    void mousePressed();
    void mouseReleased();
    // clicked(): a left-button press and release on the button, Space, or Enter.

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QList<QPixmap> m_strip;
    int m_picture = 0;
    int m_state = Normal;
};

// The panel behind the Start and Stop buttons: draws its background picture and reports mouse
// moves over the background (moves over a button stay with the button).
class TLogoPanel : public QWidget
{
    Q_OBJECT
public:
    explicit TLogoPanel(QWidget *parent = nullptr);

Q_SIGNALS:
    void mouseMoved();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QPixmap m_background;
};
