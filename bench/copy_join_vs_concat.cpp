// A join without re-encoding through quintor-join, the check of the inputs included, against
// ffmpeg's own concatenation of the same files ("ffmpeg -f concat -safe 0 -i list -c copy"),
// in one run. Three phone-like clips: 1920x1080 H.264 at 8 Mbit/s with AAC, three minutes
// each (about 540 MB). Prints the ratio of the wall-clock times (median and best round; the
// goal is at most 1.2). Never fails on time. Arguments: [clips (3)] [seconds per clip (180)]
// [rounds (3)].
#include "BenchSetup.h"
#include "common/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <unistd.h>

namespace {

using namespace qvj::test;

constexpr int kHour = 3600 * 1000;

} // namespace

int main(int argc, char **argv)
{
    const qvj::bench::Bench bench(argc, argv);
    const int clips = bench.Int(1, 3, 2);
    const int seconds = bench.Int(2, 180, 1);
    const int rounds = bench.Int(3, 3, 1);
    const QString program = BuiltProgramDirectory();
    if (program.isEmpty())
        return 1;
    const QString root = bench.Root();
    QStringList inputs {root + QStringLiteral("clip0.mp4")};
    std::fprintf(stderr, "Making %d clips of %d s...\n", clips, seconds);
    if (!qvj::bench::MakePhoneClip(inputs.front(), seconds))
        return 1;
    QString list = QStringLiteral("file '%1'\n").arg(inputs.front());
    for (int i = 1; i < clips; ++i) {
        inputs << root + QStringLiteral("clip%1.mp4").arg(i);
        if (!QFile::copy(inputs.front(), inputs.back()))
            return 1;
        list += QStringLiteral("file '%1'\n").arg(inputs.back());
    }
    WriteFile(root + QStringLiteral("list.txt"), list.toUtf8());
    qint64 bytes = 0;
    for (const QString &in : inputs)
        bytes += QFileInfo(in).size();

    const QString ours = root + QStringLiteral("ours.mp4"),
                  theirs = root + QStringLiteral("theirs.mp4");
    const auto runOurs = [&] {
        return RunProgram(program + QStringLiteral("quintor-join"),
                          QStringList {QStringLiteral("--profile"),
                                       QStringLiteral("MP4 - Same as Source (No Re-encoding)"),
                                       QStringLiteral("--overwrite"), QStringLiteral("-o"), ours}
                              + inputs,
                          nullptr, kHour);
    };
    const auto runTheirs = [&] {
        return RunProgram(QStringLiteral("ffmpeg"),
                          {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                           QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
                           QStringLiteral("concat"), QStringLiteral("-safe"), QStringLiteral("0"),
                           QStringLiteral("-i"), root + QStringLiteral("list.txt"),
                           QStringLiteral("-c"), QStringLiteral("copy"), theirs},
                          nullptr, kHour);
    };
    std::vector<double> ourTimes, theirTimes;
    // The two take turns at going first, so that a busy machine weighs on both alike.
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool oursTurn = (round + turn) % 2 == 0;
            QElapsedTimer timer;
            timer.start();
            const int code = oursTurn ? runOurs() : runTheirs();
            (oursTurn ? ourTimes : theirTimes).push_back(timer.nsecsElapsed() / 1e9);
            if (code != 0) {
                std::fprintf(stderr, "The %s join failed (%d).\n",
                             oursTurn ? "quintor-join" : "ffmpeg", code);
                return 1;
            }
            QFile::remove(oursTurn ? ours : theirs);
            // The next run starts with the disk at rest, not writing back this run's output.
            ::sync();
        }
    }
    std::printf("clips: %d x %d s, %.0f MB in all, rounds: %d\n", clips, seconds, bytes / 1e6,
                rounds);
    std::printf("%-26s %10s %10s\n", "", "wall med", "wall best");
    std::printf("%-26s %9.3fs %9.3fs\n", "quintor-join (copy)", qvj::bench::Median(ourTimes),
                *std::min_element(ourTimes.begin(), ourTimes.end()));
    std::printf("%-26s %9.3fs %9.3fs\n", "ffmpeg -f concat -c copy", qvj::bench::Median(theirTimes),
                *std::min_element(theirTimes.begin(), theirTimes.end()));
    std::printf("%-26s %10.3f %10.3f   (goal: at most 1.2)\n", "ratio",
                qvj::bench::Median(ourTimes) / qvj::bench::Median(theirTimes),
                *std::min_element(ourTimes.begin(), ourTimes.end())
                    / *std::min_element(theirTimes.begin(), theirTimes.end()));
    return 0;
}
