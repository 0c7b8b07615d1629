#include "app/FitBox.h"

#include "app/QtDesktop.h"

#include <QMessageBox>
#include <QPushButton>

QMessageBox *MakeFitBox(QWidget *owner, const QString &question, int count)
{
    QMessageBox *box = MakeMessageBox(owner, QStringLiteral("Files That Differ"), question,
                                      MessageIcon::Question);
    box->setStandardButtons(QMessageBox::NoButton);
    QPushButton *convert
        = box->addButton(count == 1
                             ? QStringLiteral("Convert this file to match and join")
                             : QStringLiteral("Convert these %1 files to match and join").arg(count),
                         QMessageBox::AcceptRole);
    box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(convert);
    box->setProperty("qvjConvert", QVariant::fromValue<QObject *>(convert));
    return box;
}

void ShowFitBox(QWidget *owner, const QString &question, int count, std::function<void(bool)> then)
{
    QMessageBox *box = MakeFitBox(owner, question, count);
    QObject::connect(box, &QDialog::finished, box, [box, then = std::move(then)] {
        box->deleteLater();
        then(box->clickedButton() == box->property("qvjConvert").value<QObject *>());
    });
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}
