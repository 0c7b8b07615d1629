#include "encoder/routes/ChapterFile.h"
#include "platform/RawNames.h"
#include "encoder/input/MediaReader.h"
#include "encoder/plan/FfmpegArguments.h"
#include "encoder/plan/FormatRules.h"
#include "encoder/routes/EncoderRoutes.h"
#include "encoder/run/ConsoleOut.h"
#include "encoder/run/FfmpegRun.h"
#include "encoder/run/OutputFile.h"
#include "encoder/run/RunEnd.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

int Fail(const QString &message, int code = kExitFailed)
{
    ConsoleError(message);
    return code;
}

// The concat list in a temporary file that lives as long as this object.
struct ListFile
{
    QTemporaryFile file {QDir::tempPath() + QStringLiteral("/qvj-copy-XXXXXX.txt")};
    bool Write(const QString &text)
    {
        return file.open() && file.write(text.toUtf8()) >= 0 && file.flush();
    }
};

} // namespace

QString ConcatList(const QStringList &paths, QString *error)
{
    QString list = QStringLiteral("ffconcat version 1.0\n");
    for (const QString &path : paths) {
        if (path.contains(u'\n') || path.contains(u'\r')) {
            *error = QStringLiteral("A file name with a line break cannot be copied: %1").arg(path);
            return QString();
        }
        // "file:" keeps a name with a colon from being taken for a protocol; a quote inside
        // single quotes is written '\''.
        QString quoted = QStringLiteral("file:") + QFileInfo(OpenablePath(path)).absoluteFilePath();
        quoted.replace(QStringLiteral("'"), QStringLiteral("'\\''"));
        list += QStringLiteral("file '") + quoted + QStringLiteral("'\n");
    }
    return list;
}

QStringList StreamCopyArguments(const QString &listPath, const QString &muxer,
                                const QString &target, int audioStream)
{
    const QString sound
        = audioStream >= 0 ? QStringLiteral("0:%1").arg(audioStream) : QStringLiteral("0:a:0?");
    QStringList args = ProgressRunArguments();
    args << QStringLiteral("-f") << QStringLiteral("concat") << QStringLiteral("-safe")
         << QStringLiteral("0") << QStringLiteral("-i") << QStringLiteral("file:") + listPath
         << QStringLiteral("-map") << QStringLiteral("0:v:0") << QStringLiteral("-map") << sound
         << QStringLiteral("-c") << QStringLiteral("copy")
         << QStringLiteral("-f") << muxer;
    return args + WriterArguments(target);
}

int RunStreamCopy(const EncoderOptions &options, const EncoderEnvironment &environment)
{
    const QString ffmpeg = ToolPath(environment.ffmpeg, QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return Fail(QStringLiteral("ffmpeg is needed; please install the ffmpeg package"));
    for (const QString &path : options.inputs)
        if (!QFileInfo(OpenablePath(path)).isFile() || !QFileInfo(OpenablePath(path)).isReadable())
            return Fail(QStringLiteral("Cannot read the input file: %1").arg(path));

    QString error;
    const QString list = ConcatList(options.inputs, &error);
    if (list.isEmpty())
        return Fail(error, kExitBadCommandLine);
    ListFile listFile;
    if (!listFile.Write(list))
        return Fail(QStringLiteral("Cannot write the list of inputs in %1").arg(QDir::tempPath()));

    const QString muxer = MuxerFor(options);
    ChapterFile chapters;
    if (!chapters.PrepareForCopy(options, muxer, &error))
        return Fail(error, kExitBadCommandLine);

    OutputFile output;
    if (!output.OpenBeside(options.output, options.inputs, &error))
        return Fail(error);

    // The sound the files are joined with is the default track, as an encoding run takes it;
    // the check before the copy made sure that every file has it in the same stream.
    QString unread;
    const auto first = ReadMediaFacts(options.inputs.front(), &unread);
    const int audioStream = first && first->hasAudio ? first->audioStream : -1;
    ConsoleSay(QStringLiteral("Encoder: %1 input file(s) copied -> %2 (%3)")
                   .arg(options.inputs.size())
                   .arg(options.output, muxer));

    RunSettings settings;
    settings.program = ffmpeg;
    for (const QString &note : chapters.Notes())
        ConsoleSay(QStringLiteral("Note: ") + note);
    settings.arguments = WithChapters(StreamCopyArguments(listFile.file.fileName(), muxer,
                                                          output.Target(), audioStream),
                                      chapters.Path());
    settings.inheritedFd = output.InheritedDescriptor();
    settings.watchdogSeconds = environment.watchdogSeconds;
    const RunResult run = RunFfmpeg(settings, ConsoleWrite);
    ConsoleWrite("\n");
    return FinishRun(run, output, settings, options.output, QStringLiteral("copied"));
}
