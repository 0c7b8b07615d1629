#include "app/ImageButton.h"

#include "app/Pictures.h"

#include <QMouseEvent>
#include <QPainter>

TImageButton::TImageButton(const QList<QPixmap> &strip, QWidget *parent)
    : QWidget(parent)
    , m_strip(strip)
{
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
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
}

void TImageButton::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    Q_EMIT mouseMoved();
}

void TImageButton::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        m_leftDown = true;
    Q_EMIT mousePressed();
}

void TImageButton::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    const bool click = event->button() == Qt::LeftButton && m_leftDown
        && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        m_leftDown = false;
    Q_EMIT mouseReleased();
    if (click)
        Q_EMIT clicked();
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
