// Trimmed clips joined by quintor-join, side by side in one run: the copy with cuts (2 s off
// the start and the end of every clip, which only encodes the frames around each cut), the
// plain copy of the untrimmed clips, and the re-encoding join of the trimmed clips. Phone-like
// 1920x1080 H.264 clips with AAC and a keyframe every 25 frames, so that the cuts fall between
// keyframes. Prints the times and the ratios (goals: the cut copy at most 1.5 times the plain
// copy, and at least 10 times faster than re-encoding). Never fails on time. Arguments:
// [clips (10)] [seconds per clip (20; 60 is the one-minute case, whose re-encoding takes long
// on a small machine)] [re-encode (1; 0 skips it)].
#include "BenchSetup.h"
#include "common/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

#include <unistd.h>

namespace {

using namespace qvj::test;

constexpr int kHour = 3600 * 1000;

} // namespace

int main(int argc, char **argv)
{
    const qvj::bench::Bench bench(argc, argv);
    const int clips = bench.Int(1, 10, 1);
    const int seconds = bench.Int(2, 20, 5);
    const bool reencode = bench.Int(3, 1) != 0;
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
        QElapsedTimer timer;
        timer.start();
        QString output;
        const int code = RunProgram(program + S("quintor-join"),
                                    QStringList {S("--profile"), profile, S("--no-chapters"),
                                                 S("--overwrite"), S("-o"), root + S("out.mp4")}
                                        + inputs,
                                    &output, kHour);
        const double took = timer.nsecsElapsed() / 1e9;
        if (code != 0)
            std::fprintf(stderr, "The %s join failed (%d): %s\n", what, code, qPrintable(output));
        QFile::remove(root + S("out.mp4"));
        return code == 0 ? took : -1.0;
    };
    const QString copy = S("MP4 - Same as Source (No Re-encoding)");
    const double plainCopy = join(copy, plain, "plain copy");
    const double cutCopy = join(copy, trimmed, "cut copy");
    const double encoded = reencode ? join(S("MP4 - H.264 Video"), trimmed, "re-encoding") : 0;
    if (plainCopy < 0 || cutCopy < 0 || encoded < 0)
        return 1;
    std::printf("clips: %d x %d s of 1920x1080 H.264, 2 s cut off each end\n", clips, seconds);
    std::printf("%-34s %9.3fs\n", "copy with cuts", cutCopy);
    std::printf("%-34s %9.3fs\n", "plain copy (untrimmed)", plainCopy);
    std::printf("%-34s %9.3f   (goal: at most 1.5)\n", "ratio to the plain copy",
                cutCopy / plainCopy);
    if (reencode) {
        std::printf("%-34s %9.3fs\n", "re-encoding (trimmed)", encoded);
        std::printf("%-34s %9.1f   (goal: at least 10)\n", "re-encoding / copy with cuts",
                    encoded / cutCopy);
    }
    return 0;
}
