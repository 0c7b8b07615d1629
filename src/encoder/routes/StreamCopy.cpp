#include "encoder/input/InputRules.h"
#include "encoder/input/MediaReader.h"
#include "encoder/plan/FfmpegArguments.h"
#include "encoder/plan/FormatRules.h"
#include "encoder/plan/TrackMaps.h"
#include "encoder/routes/ChapterFile.h"
#include "encoder/routes/CutCopy.h"
#include "encoder/routes/EncoderRoutes.h"
#include "encoder/routes/KeptRecording.h"
#include "encoder/run/ConsoleOut.h"
#include "encoder/run/FfmpegRun.h"
#include "encoder/run/HandedText.h"
#include "encoder/run/OutputFile.h"
#include "encoder/run/RunEnd.h"
#include "platform/RawNames.h"

#include <QDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Descriptors of inputs named in the list by descriptor, closed with the run.
struct OpenInputs
{
    std::vector<int> fds;
    ~OpenInputs()
    {
        for (const int fd : fds)
            ::close(fd);
    }
};

} // namespace

QByteArray ConcatList(const QStringList &paths, std::vector<int> *keptFds, QString *error)
{
    QByteArray list = "ffconcat version 1.0\n";
    for (const QString &path : paths) {
        const QString absolute
            = QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path;
        QByteArray name = NameToBytes(absolute);
        // The list is read line by line: a name with a line break is named by a descriptor of
        // the file, which the reader inherits and opens again by its number.
        if (name.contains('\n') || name.contains('\r')) {
            const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                *error = QStringLiteral("Cannot read the input file: %1 (%2)")
                             .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
                return QByteArray();
            }
            keptFds->push_back(fd);
            name = "/proc/self/fd/" + QByteArray::number(fd);
        }
        // "file:" keeps a name with a colon from being taken for a protocol; a quote inside
        // single quotes is written '\''.
        name.replace("'", "'\\''");
        list += "file 'file:" + name + "'\n";
    }
    return list;
}

QStringList StreamCopyArguments(const QString &listPath, const QString &muxer,
                                const QString &target, int audioStream,
                                const QStringList &trackArguments)
{
    const QString sound
        = audioStream >= 0 ? QStringLiteral("0:%1").arg(audioStream) : QStringLiteral("0:a:0?");
    QStringList args = ProgressRunArguments();
    args << QStringLiteral("-f") << QStringLiteral("concat") << QStringLiteral("-safe")
         << QStringLiteral("0") << QStringLiteral("-i") << QStringLiteral("file:") + listPath;
    if (trackArguments.isEmpty())
        args << QStringLiteral("-map") << QStringLiteral("0:v:0") << QStringLiteral("-map") << sound
             << QStringLiteral("-c") << QStringLiteral("copy");
    else
        args << trackArguments;
    args << QStringLiteral("-f") << muxer;
    return args + WriterArguments(target);
}

int RunStreamCopy(const EncoderOptions &options, const EncoderEnvironment &environment)
{
    if (options.AnyCut()) {
        // The cut pieces carry the picture and the sound the join takes; further tracks would
        // need pieces of their own.
        if (options.allTracks)
            ConsoleSay(QStringLiteral("Note: a copy with cuts keeps the picture and the main "
                                      "sound; the other tracks are left out"));
        return RunCutCopy(options, environment);
    }
    QString error;
    const QString ffmpeg = ToolPath(environment.ffmpeg, QStringLiteral("ffmpeg"), &error);
    if (ffmpeg.isEmpty())
        return Fail(error);
    for (const QString &path : options.inputs)
        if (!IsReadableFile(path))
            return Fail(QStringLiteral("Cannot read the input file: %1").arg(path));

    OpenInputs named;
    const QByteArray list = ConcatList(options.inputs, &named.fds, &error);
    if (list.isEmpty())
        return Fail(error);
    // The list is handed over in memory: the copy needs no temporary folder.
    HandedText listText;
    if (!listText.Hold(list, &error))
        return Fail(QStringLiteral("Cannot hand over the list of inputs: %1").arg(error));

    const QString muxer = MuxerFor(options);
    // The tracks are read from the first input only when the caller asks for every track: a
    // file of a picture and one sound is copied without a look inside.
    TrackPlan tracks;
    if (options.allTracks) {
        const auto facts = ReadMediaFacts(options.inputs.front(), &error);
        if (!facts)
            return Fail(error);
        tracks = PlanTracks(facts->tracks, muxer);
    }
    // An MP4 or MOV file gets its chapters once the copy is done.
    const bool mp4Family = muxer == u"mp4" || muxer == u"mov";
    ChapterFile chapters;
    ChaptersAfterCopy chaptersAfter;
    if (!(mp4Family ? chaptersAfter.Start(options, muxer, &error)
                    : chapters.PrepareForCopy(options, muxer, &error)))
        return Fail(error, kExitBadCommandLine);

    OutputFile output;
    if (!output.OpenBeside(options.output, options.inputs, &error))
        return Fail(error);

    ConsoleSay(QStringLiteral("Encoder: %1 input file(s) copied -> %2 (%3)")
                   .arg(options.inputs.size())
                   .arg(options.output, muxer));
    for (const QString &note : tracks.notes + chapters.Notes())
        ConsoleSay(QStringLiteral("Note: ") + note);

    RunSettings settings;
    settings.program = ffmpeg;
    // The sound the files are joined with is the one the caller names (the default track, as
    // an encoding run takes it; the check before the copy made sure that every file has it in
    // the same stream).
    settings.arguments = WithChapters(
        KeepRecordingInCopy(StreamCopyArguments(listText.Path(), muxer, output.Target(),
                                                options.audioStream.value_or(-1), tracks.arguments),
                            options, muxer, &output),
        chapters.Path());
    settings.inheritedFd = output.InheritedDescriptor();
    settings.keptFds = named.fds;
    settings.keptFds.push_back(listText.Descriptor());
    if (chapters.Descriptor() >= 0)
        settings.keptFds.push_back(chapters.Descriptor());
    settings.watchdogSeconds = environment.watchdogSeconds;
    const RunResult run = RunFfmpeg(settings, ConsoleWrite);
    ConsoleWrite("\n");
    const auto addChapters = [&](QString *why) {
        return chaptersAfter.WriteInto(output.LocalPath(), muxer == u"mov", why);
    };
    return FinishRun(run, output, settings, options.output, QStringLiteral("copied"),
                     chaptersAfter.Started() ? std::function<bool(QString *)>(addChapters)
                                             : nullptr);
}
