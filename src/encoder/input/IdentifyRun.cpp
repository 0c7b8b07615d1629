#include "encoder/input/Identify.h"
#include "encoder/input/MediaReader.h"
#include "encoder/routes/EncoderRoutes.h"
#include "encoder/run/ConsoleOut.h"
#include "encoder/run/FfmpegRun.h"
#include "platform/RawNames.h"

int RunIdentify(const EncoderOptions &options, const EncoderEnvironment &)
{
    QStringList errors;
    const auto files = ReadMediaFacts(options.inputs, &errors);
    if (const int signo = TakeStopSignal()) {
        ConsoleError(QStringLiteral("Stopped by signal %1").arg(signo));
        return 128 + signo;
    }
    int code = kExitDone;
    for (qsizetype i = 0; i < options.inputs.size(); ++i) {
        if (const auto &file = files[size_t(i)]) {
            for (const QString &line : IdentifyLines(*file))
                ConsoleAnswer(line);
            continue;
        }
        ConsoleAnswer(QStringLiteral("ID_FILENAME=") + options.inputs.at(i));
        // The reason is for a person: the file it names reads as its letters.
        ConsoleAnswer(QStringLiteral("ID_ERROR=") + ShownName(errors.at(i)).replace(u'\n', u' '));
        code = kExitFailed;
    }
    ConsoleAnswer(QStringLiteral("ID_EXIT=EOF"));
    // The answer is this route's output: one cut short must not pass for a whole one.
    if (const QString why = ConsoleOutError(); !why.isEmpty()) {
        ConsoleError(QStringLiteral("Cannot write the answer: %1").arg(why));
        return kExitFailed;
    }
    return code;
}
