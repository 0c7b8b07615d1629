// The cost of a join against its number of inputs: quintor-join joins 10 one-second clips
// (twice before and twice after the long join) and many (1,000 by default) of the same with
// one profile. Prints for each the wall-clock and processor time (of every process of the job)
// per input second, the peak memory of the largest single process of the job, and the joined
// file's length against the inputs' total. Goals: the length within one frame an input, peak
// memory under 300 MB, and time per input second within 1.2 times that of the 10-clip join.
// On a machine shared with other work the wall-clock figures wander; the processor time shows
// what the join costs itself. Never fails on time.
// Arguments: [clips (1000)] [profile ("AVI - MPEG-4 Video")] [late]. With "late" every clip
// is Full HD (1920x1080, 3 s, in Matroska, whose blocks keep their times) with its sound
// starting 2 s into it, joined by the encoder alone at that size: the join must not stall
// while a feed's file gives seconds of pictures before the first sound, and its memory must
// stay flat.
#include "BenchSetup.h"
#include "common/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace qvj::test;

struct Length
{
    double videoSeconds = 0;
    double audioSeconds = 0;
    qint64 frames = 0;
};

Length ProbeLength(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-print_format"),
             QStringLiteral("json"), QStringLiteral("-show_entries"),
             QStringLiteral("stream=codec_type,duration,nb_frames"), path});
    p.waitForFinished(120000);
    Length l;
    const QJsonObject root = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    for (const QJsonValue &v : root.value(QLatin1String("streams")).toArray()) {
        const QJsonObject s = v.toObject();
        const double d = s.value(QLatin1String("duration")).toString().toDouble();
        if (s.value(QLatin1String("codec_type")).toString() == u"video") {
            l.videoSeconds = d;
            l.frames = s.value(QLatin1String("nb_frames")).toString().toLongLong();
        } else {
            l.audioSeconds = d;
        }
    }
    return l;
}

struct Result
{
    int clips = 0;
    JobFigures job;
    Length length;
};

// Joins with quintor-join, or (direct) with the encoder alone at the inputs' Full HD size, as
// its feeds see them: quintor-join's conversion stage gives every intermediate file its sound
// from the start.
Result Join(const QString &program, const QString &profile, const QString &root,
            const QStringList &inputs, bool direct = false)
{
    const QString output = root + QStringLiteral("joined%1.avi").arg(inputs.size());
    Result r;
    r.clips = int(inputs.size());
    const QStringList encoderOptions
        = QStringLiteral(
              "-ovc lavc -lavcopts vcodec=mpeg4:vbitrate=2000 -oac mp3lame -lameopts vbr=2:q=6 "
              "-channels 2 -vf scale=1920:1080 -srate 44100")
              .split(u' ');
    r.job = direct
        ? RunMeasured(program + QStringLiteral("asapi.dll"),
                      inputs + QStringList {QStringLiteral("-o"), output} + encoderOptions)
        : RunMeasured(program + QStringLiteral("quintor-join"),
                      QStringList {QStringLiteral("--profile"), profile,
                                   QStringLiteral("--overwrite"), QStringLiteral("--temp"),
                                   root + QStringLiteral("temp"), QStringLiteral("-o"), output}
                          + inputs);
    if (r.job.ok)
        r.length = ProbeLength(output);
    QFile::remove(output);
    return r;
}

void Print(const Result &r)
{
    std::printf("%5d clips: wall %8.1f s (%.3f s per input second), cpu %8.1f s (%.3f), peak "
                "%6.1f MB, video %.3f s in %lld frames, sound %.3f s\n",
                r.clips, r.job.wallSeconds, r.job.wallSeconds / r.clips, r.job.cpuSeconds,
                r.job.cpuSeconds / r.clips, r.job.peakMb, r.length.videoSeconds,
                static_cast<long long>(r.length.frames), r.length.audioSeconds);
}

} // namespace

int main(int argc, char **argv)
{
    const qvj::bench::Bench bench(argc, argv);
    const int clips = bench.Int(1, 1000, 11);
    const QString profile = bench.Text(2, QStringLiteral("AVI - MPEG-4 Video"));
    const QString program = BuiltProgramDirectory();
    if (program.isEmpty())
        return 1;
    const QString root = bench.Root();
    QDir().mkpath(root + QStringLiteral("temp"));
    // One clip made, the others copies of it: making a thousand would take longer than the
    // join, and the job treats every file as new.
    ClipSpec clip;
    clip.seconds = 1;
    clip.fps = QStringLiteral("30");
    const bool late = bench.Text(3, QString()) == QLatin1String("late");
    const QString extension = late ? QStringLiteral(".mkv") : QStringLiteral(".mp4");
    const QString first = root + QStringLiteral("clip0000") + extension;
    const QStringList lateClip {QStringLiteral("-v"),
                                QStringLiteral("error"),
                                QStringLiteral("-y"),
                                QStringLiteral("-f"),
                                QStringLiteral("lavfi"),
                                QStringLiteral("-i"),
                                QStringLiteral("testsrc2=size=1920x1080:rate=30:duration=3"),
                                QStringLiteral("-itsoffset"),
                                QStringLiteral("2"),
                                QStringLiteral("-f"),
                                QStringLiteral("lavfi"),
                                QStringLiteral("-i"),
                                QStringLiteral("sine=duration=1"),
                                QStringLiteral("-c:v"),
                                QStringLiteral("libx264"),
                                QStringLiteral("-preset"),
                                QStringLiteral("ultrafast"),
                                first};
    if (late ? RunProgram(QStringLiteral("ffmpeg"), lateClip) != 0 : !MakeClip(first, clip))
        return 1;
    QStringList inputs {first};
    for (int i = 1; i < clips; ++i) {
        inputs << root + QStringLiteral("clip%1").arg(i, 4, 10, QLatin1Char('0')) + extension;
        if (!QFile::copy(first, inputs.last()))
            return 1;
    }

    // The 10-clip join before and after the long one, so that a machine whose load changes
    // in the meantime weighs on both alike; the median of the four is the reference.
    std::vector<Result> few;
    const auto joinTen = [&] {
        for (int round = 0; round < 2; ++round) {
            few.push_back(Join(program, profile, root, inputs.mid(0, 10), late));
            Print(few.back());
        }
    };
    joinTen();
    const Result many = Join(program, profile, root, inputs, late);
    Print(many);
    joinTen();
    std::sort(few.begin(), few.end(), [](const Result &a, const Result &b) {
        return a.job.wallSeconds < b.job.wallSeconds;
    });
    Result ten = few.at(1);
    ten.job.wallSeconds = (few.at(1).job.wallSeconds + few.at(2).job.wallSeconds) / 2;
    ten.job.cpuSeconds = (few.at(1).job.cpuSeconds + few.at(2).job.cpuSeconds) / 2;
    if (!ten.job.ok || !many.job.ok) {
        std::fprintf(stderr, "A join failed.\n");
        return 1;
    }
    const double clipSeconds = late ? 3.0 : 1.0;
    const double frame
        = many.length.frames > 0 ? many.length.videoSeconds / many.length.frames : 1.0 / 30;
    std::printf("length error: %.3f s for %d inputs (%.2f frames an input; goal at most 1)\n",
                many.length.videoSeconds - clips * clipSeconds, clips,
                std::abs(many.length.videoSeconds - clips * clipSeconds) / frame / clips);
    std::printf("peak memory of any process: %.1f MB (goal under 300)\n", many.job.peakMb);
    std::printf("time per input second against the 10-clip join: wall %.3f, cpu %.3f (goal at "
                "most 1.2)\n",
                (many.job.wallSeconds / clips) / (ten.job.wallSeconds / 10),
                (many.job.cpuSeconds / clips) / (ten.job.cpuSeconds / 10));
    return 0;
}
