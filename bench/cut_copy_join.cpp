// Trimmed clips joined by quintor-join, side by side in one run: the copy with cuts (2 s off
// the start and the end of every clip, which only encodes the frames around each cut), the
// plain copy of the untrimmed clips, and the re-encoding join of the trimmed clips. Phone-like
// 1920x1080 H.264 clips with AAC and a keyframe every 25 frames, so that the cuts fall between
// keyframes. Prints the times and the ratios (goals: the cut copy at most 1.5 times the plain
// copy, and at least 10 times faster than re-encoding). The two copies take turns for a number
// of rounds and their medians are compared, as are the processor seconds they spent (a figure
// that a machine busy with other work disturbs less). Never fails on time. Arguments:
// [clips (10)] [seconds per clip (20; 60 is the one-minute case, whose re-encoding takes long
// on a small machine)] [re-encode (1; 0 skips it)] [rounds (5)].
#include "BenchSetup.h"
#include "common/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

using namespace qvj::test;

constexpr int kHour = 3600 * 1000;

// Processor seconds spent by the children this process has waited for, theirs included.
double ChildSeconds()
{
    rusage use {};
    ::getrusage(RUSAGE_CHILDREN, &use);
    return use.ru_utime.tv_sec + use.ru_stime.tv_sec
        + (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

struct Took
{
    double seconds = -1;
    double processor = 0;
};

} // namespace

int main(int argc, char **argv)
{
    const qvj::bench::Bench bench(argc, argv);
    const int clips = bench.Int(1, 10, 1);
    const int seconds = bench.Int(2, 20, 5);
    const bool reencode = bench.Int(3, 1) != 0;
    const int rounds = bench.Int(4, 5, 1);
    const QString program = BuiltProgramDirectory();
    if (program.isEmpty())
        return 1;
    const QString root = bench.Root();
    std::fprintf(stderr, "Making %d clips of %d s...\n", clips, seconds);
    QStringList plain, trimmed;
    for (int i = 0; i < clips; ++i) {
        const QString clip = root + S("clip%1.mp4").arg(i);
        if (i == 0 ? !qvj::bench::MakePhoneClip(clip, seconds, QStringLiteral("30000/1001"),
                                                {QStringLiteral("-g"), QStringLiteral("25")})
                   : !QFile::copy(plain.front(), clip))
            return 1;
        plain << clip;
        trimmed << S("--from") << S("2") << S("--to") << QString::number(seconds - 2) << clip;
    }
    const auto join = [&](const QString &profile, const QStringList &inputs, const char *what) {
        ::sync();
        const double cpu = ChildSeconds();
        QElapsedTimer timer;
        timer.start();
        QString output;
        const int code = RunProgram(program + S("quintor-join"),
                                    QStringList {S("--profile"), profile, S("--no-chapters"),
                                                 S("--overwrite"), S("-o"), root + S("out.mp4")}
                                        + inputs,
                                    &output, kHour);
        const Took took {timer.nsecsElapsed() / 1e9, ChildSeconds() - cpu};
        if (code != 0)
            std::fprintf(stderr, "The %s join failed (%d): %s\n", what, code, qPrintable(output));
        QFile::remove(root + S("out.mp4"));
        return code == 0 ? took : Took {};
    };
    const QString copy = S("MP4 - Same as Source (No Re-encoding)");
    std::vector<double> plainWall, plainCpu, cutWall, cutCpu;
    for (int round = 0; round < rounds; ++round) {
        const Took p = join(copy, plain, "plain copy");
        const Took c = join(copy, trimmed, "cut copy");
        if (p.seconds < 0 || c.seconds < 0)
            return 1;
        plainWall.push_back(p.seconds), plainCpu.push_back(p.processor);
        cutWall.push_back(c.seconds), cutCpu.push_back(c.processor);
        std::fprintf(stderr, "round %d: plain %.3f s, with cuts %.3f s\n", round + 1, p.seconds,
                     c.seconds);
    }
    const double plainCopy = qvj::bench::Median(plainWall);
    const double cutCopy = qvj::bench::Median(cutWall);
    const double encoded
        = reencode ? join(S("MP4 - H.264 Video"), trimmed, "re-encoding").seconds : 0;
    if (encoded < 0)
        return 1;
    std::printf("clips: %d x %d s of 1920x1080 H.264, 2 s cut off each end, median of %d rounds\n",
                clips, seconds, rounds);
    std::printf("%-34s %9.3fs  (processor %.3fs)\n", "copy with cuts", cutCopy,
                qvj::bench::Median(cutCpu));
    std::printf("%-34s %9.3fs  (processor %.3fs)\n", "plain copy (untrimmed)", plainCopy,
                qvj::bench::Median(plainCpu));
    std::printf("%-34s %9.3f   (goal: at most 1.5)\n", "ratio to the plain copy",
                cutCopy / plainCopy);
    if (reencode) {
        std::printf("%-34s %9.3fs\n", "re-encoding (trimmed)", encoded);
        std::printf("%-34s %9.1f   (goal: at least 10)\n", "re-encoding / copy with cuts",
                    encoded / cutCopy);
    }
    return 0;
}
