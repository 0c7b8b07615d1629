#include "app/TProcessForm.h"

#include <QPushButton>
#include <QVBoxLayout>

TProcessForm::TProcessForm(QWidget *mainWindow)
    : QDialog(mainWindow)
{
    setObjectName(QStringLiteral("ProcessForm"));
    setWindowTitle(QStringLiteral("Process"));
    auto *layout = new QVBoxLayout(this);
    btnStop = new QPushButton(QStringLiteral("Stop"), this);
    btnStop->setObjectName(QStringLiteral("btnStop"));
    layout->addWidget(btnStop, 0, Qt::AlignCenter);
}
