#include "ui/KeyboardLink.h"

#include <QKeyEvent>
#include <QLabel>

namespace {

constexpr char kLinkProperty[] = "qvjKeyboardLink";

} // namespace

void MakeKeyboardLink(QLabel *label)
{
    label->setProperty(kLinkProperty, true);
    label->setFocusPolicy(Qt::TabFocus);
    label->setStyleSheet(QStringLiteral("QLabel:focus { border: 1px solid %1; }")
                             .arg(label->palette().color(QPalette::WindowText).name()));
}

bool IsLinkActivation(const QObject *watched, const QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->property(kLinkProperty).toBool())
        return false;
    const int key = static_cast<const QKeyEvent *>(event)->key();
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}
