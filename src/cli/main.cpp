// quintor-join: joins video files from the command line with the program's encoder.
#include "cli/InterruptNotifier.h"
#include "cli/JoinCommand.h"
#include "platform/Paths.h"
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
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    JoinCommand command(arguments, ProgramDirectory(), ::isatty(STDERR_FILENO) == 1);
    QObject::connect(&interrupts, &InterruptNotifier::interrupted, &command,
                     &JoinCommand::Interrupt);
    QObject::connect(&command, &JoinCommand::done, &app, &QCoreApplication::exit);
    const int status = command.Begin();
    if (status >= 0)
        return status;
    return app.exec();
}
