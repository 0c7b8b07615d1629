#pragma once
// A one-line label that never widens its window: a text longer than the room it gets is shown
// with its middle left out ("Holiday at the…part one.mp4"). text() keeps the whole text, for
// the tooltip and for assistive technology.

#include <QLabel>

class TElidedLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
