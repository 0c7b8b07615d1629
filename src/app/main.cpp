#include "platform/System.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    SetUpCharacterLocale();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quintor Video Joiner"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Quintor Video Joiner V1.5"));
    window.resize(798, 559);
    window.show();
    return app.exec();
}
