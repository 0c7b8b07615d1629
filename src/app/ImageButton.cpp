#include "app/ImageButton.h"

#include "app/Pictures.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

TImageButton::TImageButton(const QList<QPixmap> &strip, QWidget *parent)
    : QAbstractButton(parent)
    , m_strip(strip)
{
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    // Reached by Tab; a click of the mouse leaves the focus where it was.
    setFocusPolicy(Qt::TabFocus);
    if (!m_strip.isEmpty())
        setFixedSize(m_strip.first().deviceIndependentSize().toSize());
}

void TImageButton::ShowPicture(int index)
{
    if (index < 0 || index >= m_strip.size() || index == m_picture)
        return;
    m_picture = index;
    update();
}

QSize TImageButton::sizeHint() const
{
    return m_strip.isEmpty() ? QSize(133, 65) : m_strip.first().deviceIndependentSize().toSize();
}

void TImageButton::paintEvent(QPaintEvent *)
{
    if (m_picture >= m_strip.size())
        return;
    QPainter painter(this);
    // Inert (a stopped job still ending): the picture shows faded.
    if (!isEnabled())
        painter.setOpacity(0.5);
    painter.drawPixmap(0, 0, m_strip.at(m_picture));
    if (hasFocus()) {
        // The focus mark: the desktop's highlight colour, on a light edge that keeps it
        // visible on the picture whatever the palette.
        painter.setOpacity(1);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Qt::NoBrush);
        const QRectF edge = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
        painter.setPen(QPen(Qt::white, 3));
        painter.drawRoundedRect(edge, 6, 6);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::SolidLine));
        painter.drawRoundedRect(edge, 6, 6);
    }
}

void TImageButton::mouseMoveEvent(QMouseEvent *event)
{
    Q_EMIT mouseMoved();
    QAbstractButton::mouseMoveEvent(event);
    // A move over the button is the button's, never the panel's behind it.
    event->accept();
}

void TImageButton::mousePressEvent(QMouseEvent *event)
{
    Q_EMIT mousePressed();
    QAbstractButton::mousePressEvent(event);
    event->accept();
}

void TImageButton::mouseReleaseEvent(QMouseEvent *event)
{
    Q_EMIT mouseReleased();
    QAbstractButton::mouseReleaseEvent(event);
    event->accept();
}

void TImageButton::keyPressEvent(QKeyEvent *event)
{
    // Space presses it as any button; Enter does too, as on a focused push button.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

TLogoPanel::TLogoPanel(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
}

void TLogoPanel::paintEvent(QPaintEvent *)
{
    const qreal ratio = devicePixelRatioF();
    if (m_background.deviceIndependentSize().toSize() != size()
        || m_background.devicePixelRatio() != ratio)
        m_background = RenderPicture(QStringLiteral(":/images/logo-panel.svg"), size(), ratio);
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
}

void TLogoPanel::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    Q_EMIT mouseMoved();
}
