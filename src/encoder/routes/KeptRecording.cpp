#include "encoder/routes/KeptRecording.h"

#include "encoder/input/Mp4Tags.h"
#include "encoder/input/RecordingReader.h"
#include "encoder/plan/RecordingTags.h"
#include "encoder/run/ConsoleOut.h"
#include "platform/RawNames.h"

#include <QFile>

namespace {

// The tags of an MP4 or MOV file's header, read box by box; nothing for any other file.
std::optional<FileTags> ReadHeaderTags(const QString &path)
{
    QFile file(OpenablePath(path));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return ReadMp4Tags(file);
}

} // namespace

QStringList KeepRecordingInCopy(QStringList args, const EncoderOptions &options,
                                const QString &muxer, OutputFile *output)
{
    if (!options.keepDates || options.inputs.isEmpty())
        return args;
    output->KeepModifiedTimeOf(options.inputs.back());
    // An MP4 or MOV file's header is read here; the writer reads any other file's tags.
    if (const auto tags = ReadHeaderTags(options.inputs.front()))
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
    if (const auto tags = ReadHeaderTags(options.inputs.front()))
        return RecordingArguments(*tags, muxer);
    QString error;
    const auto tags = ReadFileTags(options.inputs.front(), &error);
    if (!tags) {
        ConsoleSay(QStringLiteral("Note: the recording date is not kept: %1").arg(error));
        return {};
    }
    return RecordingArguments(*tags, muxer);
}
