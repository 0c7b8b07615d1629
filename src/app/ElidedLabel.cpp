#include "app/ElidedLabel.h"

#include <QPainter>
#include <QStyle>

namespace {

// The room a label asks for: a few characters, so that the layout, not the text, sets its
// width.
constexpr int kAskedCharacters = 12;

} // namespace

QSize TElidedLabel::minimumSizeHint() const
{
    QSize size = QLabel::minimumSizeHint();
    size.setWidth(std::min(size.width(), fontMetrics().averageCharWidth() * kAskedCharacters));
    return size;
}

QSize TElidedLabel::sizeHint() const
{
    QSize size = QLabel::sizeHint();
    size.setWidth(std::min(size.width(), fontMetrics().averageCharWidth() * kAskedCharacters));
    return size;
}

void TElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect room = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, room.width());
    style()->drawItemText(&painter, room, int(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
}
