#include "ui/DialogPlacement.h"

#include <QWidget>

void ShowCentredOn(QWidget *dialog, const QWidget *owner)
{
    dialog->setWindowModality(Qt::ApplicationModal);
    // At every showing, wherever the owner has gone meanwhile.
    if (owner) {
        const QRect frame = dialog->frameGeometry();
        dialog->move(owner->frameGeometry().center()
                     - QPoint(frame.width() / 2, frame.height() / 2));
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}
