// quintor-join: joins video files from the command line with the program's encoder.
#include "cli/InterruptNotifier.h"
#include "cli/JoinCommand.h"
#include "platform/Paths.h"
#include "platform/RawNames.h"
#include "platform/System.h"

#include <QCoreApplication>

#include <unistd.h>

int main(int argc, char **argv)
{
    SetUpCharacterLocale();
    QCoreApplication app(argc, argv);
    // The application object sets the character locale again from the environment (plain
    // "C" under LANG=C); file names beyond ASCII need the UTF-8 one.
    SetUpCharacterLocale();
    // Installed first, so that a Ctrl-C while the inputs are probed stops the job as soon as
    // it runs.
    InterruptNotifier interrupts;
    // Named from their bytes: a name that is not UTF-8 is kept.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << NameFromBytes(QByteArray(argv[i]));
    JoinCommand command(arguments, ProgramDirectory(), ::isatty(STDERR_FILENO) == 1);
    QObject::connect(&interrupts, &InterruptNotifier::interrupted, &command,
                     &JoinCommand::Interrupt);
    QObject::connect(&command, &JoinCommand::done, &app, &QCoreApplication::exit);
    const int status = command.Begin();
    if (status >= 0)
        return status;
    return app.exec();
}
