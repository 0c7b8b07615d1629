#pragma once
// The custom output size window: created hidden at start-up; no command shows it.

#include <QDialog>

class TSizeForm : public QDialog
{
    Q_OBJECT
public:
    explicit TSizeForm(QWidget *mainWindow);
};
