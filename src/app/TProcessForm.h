#pragma once
// The "Process" window with its Stop button: created hidden at start-up; no command shows it.

#include <QDialog>

class QPushButton;

class TProcessForm : public QDialog
{
    Q_OBJECT
public:
    explicit TProcessForm(QWidget *mainWindow);

    QPushButton *btnStop = nullptr;
};
