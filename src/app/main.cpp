// Program start: the main window first, then the hidden dialogs, then the event loop.
#include "app/FileDialogs.h"
#include "app/QtDesktop.h"
#include "app/TMainForm.h"
#include "platform/Paths.h"
#include "platform/RawNames.h"
#include "platform/System.h"
#include "platform/UserFiles.h"

#include <QApplication>
#include <QDir>

int main(int argc, char **argv)
{
    SetUpCharacterLocale();
    QApplication app(argc, argv);
    // The application object sets the character locale again from the environment (plain
    // "C" under LANG=C); file names beyond ASCII need the UTF-8 one.
    SetUpCharacterLocale();
    QApplication::setApplicationName(QString::fromLatin1(kProductName));

    QtDesktop desktop;
    QtFileDialogs dialogs;
    // Named from their bytes: a name that is not UTF-8 is kept (QApplication has taken its own
    // options out of argv by now).
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << NameFromBytes(QByteArray(argv[i]));
    const ProgramFiles files = LocateProgramFiles(ProgramDirectory());
    TMainForm mainForm({files.programDir, arguments, QDir::currentPath(), &desktop, &dialogs,
                        files.preferences, files.workDir});
    desktop.SetOwner(&mainForm);
    mainForm.CreateDialogs();
    mainForm.show();
    return app.exec();
}
