#include "app/TSizeForm.h"

#include <QFormLayout>
#include <QSpinBox>

TSizeForm::TSizeForm(QWidget *mainWindow)
    : QDialog(mainWindow)
{
    setObjectName(QStringLiteral("SizeForm"));
    setWindowTitle(QStringLiteral("Custom Size"));
    auto *layout = new QFormLayout(this);
    auto *width = new QSpinBox(this);
    auto *height = new QSpinBox(this);
    for (QSpinBox *box : {width, height})
        box->setRange(16, 4096);
    layout->addRow(QStringLiteral("Width:"), width);
    layout->addRow(QStringLiteral("Height:"), height);
}
