#include "encoder/routes/KeptRecording.h"

#include "encoder/input/Mp4Tags.h"
#include "encoder/input/RecordingReader.h"
#include "encoder/plan/RecordingTags.h"
#include "encoder/run/ConsoleOut.h"
#include "platform/RawNames.h"

#include <QFile>

QStringList KeepRecordingInCopy(QStringList args, const EncoderOptions &options,
                                const QString &muxer, OutputFile *output)
{
    if (!options.keepDates || options.inputs.isEmpty())
        return args;
    output->KeepModifiedTimeOf(options.inputs.back());
    // An MP4 or MOV file's header is read here; the writer reads any other file's tags.
    QFile first(OpenablePath(options.inputs.front()));
    if (first.open(QIODevice::ReadOnly))
        if (const auto tags = ReadMp4Tags(first))
            return WithOutputOptions(args, RecordingArguments(*tags, muxer));
    const qsizetype list = args.indexOf(QStringLiteral("-i"));
    if (list < 0 || list + 1 >= args.size())
        return args;
    args.insert(list + 2, QStringLiteral("-i"));
    args.insert(list + 3, QStringLiteral("file:") + OpenablePath(options.inputs.front()));
    return WithOutputOptions(args, CopiedTagArguments(1, muxer));
}

QStringList KeepRecording(const EncoderOptions &options, const QString &muxer, OutputFile *output)
{
    if (!options.keepDates || options.inputs.isEmpty())
        return {};
    output->KeepModifiedTimeOf(options.inputs.back());
    QString error;
    const auto tags = ReadFileTags(options.inputs.front(), &error);
    if (!tags) {
        ConsoleSay(QStringLiteral("Note: the recording date is not kept: %1").arg(error));
        return {};
    }
    return RecordingArguments(*tags, muxer);
}
