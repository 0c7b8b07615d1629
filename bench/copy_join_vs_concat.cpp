// A join without re-encoding through quintor-join, the check of the inputs included, against
// ffmpeg's own concatenation of the same files ("ffmpeg -f concat -safe 0 -i list -c copy"),
// side by side in one run: quintor-join without chapters and with them (the default), and
// `cat` of the inputs as the floor. Every run starts with the disk synced and writes a new
// file. By default three phone-like clips: 1920x1080 H.264 at 8 Mbit/s with AAC, three
// minutes each (about 540 MB); with "many", that many (300) two-second clips of 1280x720.
// Prints the medians of the wall-clock and the processor time (of every process each run
// started) and their ratios to ffmpeg's. Goals: without chapters at most 1.05, with chapters
// at most 1.10, many short clips at most 1.3. quintor-join runs the encoder at the lower
// priority of its preferences, so ffmpeg is run at that priority too. Never fails on time.
// Arguments: [clips (3)] [seconds per clip (180)] [rounds (5)] [many].
#include "BenchSetup.h"
#include "common/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

using namespace qvj::test;

constexpr int kHour = 3600 * 1000;

double ChildrenCpuSeconds()
{
    rusage usage = {};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Contender
{
    const char *name;
    std::function<int()> run;
    QString output;
    std::vector<double> wall {};
    std::vector<double> cpu {};
};

// A two-second 720p clip as an action camera's short takes.
bool MakeShortClip(const QString &path)
{
    QString output;
    const int code = RunProgram(
        QStringLiteral("ffmpeg"),
        QStringLiteral("-hide_banner -loglevel error -y -f lavfi -i testsrc2=s=1280x720:r=30:d=2 "
                       "-f lavfi -i sine=f=440:sample_rate=48000:d=2 -ac 2 -c:v libx264 -preset "
                       "ultrafast -b:v 4M -c:a aac -b:a 128k")
                .split(QLatin1Char(' '))
            << path,
        &output, kHour);
    if (code != 0)
        std::fprintf(stderr, "Cannot make %s: %s\n", qPrintable(path), qPrintable(output));
    return code == 0;
}

} // namespace

int main(int argc, char **argv)
{
    const qvj::bench::Bench bench(argc, argv);
    const bool many = bench.Text(4, QString()) == QLatin1String("many");
    const int clips = bench.Int(1, many ? 300 : 3, 2);
    const int seconds = bench.Int(2, 180, 1);
    const int rounds = bench.Int(3, 5, 1);
    const QString program = BuiltProgramDirectory();
    if (program.isEmpty())
        return 1;
    const QString root = bench.Root();
    QStringList inputs {root + QStringLiteral("clip000.mp4")};
    std::fprintf(stderr, "Making %d clips...\n", clips);
    if (many ? !MakeShortClip(inputs.front()) : !qvj::bench::MakePhoneClip(inputs.front(), seconds))
        return 1;
    QString list = QStringLiteral("file '%1'\n").arg(inputs.front());
    for (int i = 1; i < clips; ++i) {
        inputs << root + QStringLiteral("clip%1.mp4").arg(i, 3, 10, QLatin1Char('0'));
        if (!QFile::copy(inputs.front(), inputs.back()))
            return 1;
        list += QStringLiteral("file '%1'\n").arg(inputs.back());
    }
    WriteFile(root + QStringLiteral("list.txt"), list.toUtf8());
    qint64 bytes = 0;
    for (const QString &in : inputs)
        bytes += QFileInfo(in).size();

    const auto ours = [&](const QString &output, const QString &chapters) {
        return [=] {
            return RunProgram(program + QStringLiteral("quintor-join"),
                              QStringList {QStringLiteral("--profile"),
                                           QStringLiteral("MP4 - Same as Source (No Re-encoding)"),
                                           chapters, QStringLiteral("--overwrite"),
                                           QStringLiteral("-o"), output}
                                  + inputs,
                              nullptr, kHour);
        };
    };
    // At the encoder's priority: nice 10 and the lowest level of the normal disk class.
    const QString ffmpegOutput = root + QStringLiteral("ffmpeg.mp4");
    const auto ffmpeg = [&] {
        return RunProgram(QStringLiteral("nice"),
                          {QStringLiteral("-n"), QStringLiteral("10"), QStringLiteral("ionice"),
                           QStringLiteral("-c2"), QStringLiteral("-n7"), QStringLiteral("ffmpeg"),
                           QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                           QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("concat"),
                           QStringLiteral("-safe"), QStringLiteral("0"), QStringLiteral("-i"),
                           root + QStringLiteral("list.txt"), QStringLiteral("-c"),
                           QStringLiteral("copy"), ffmpegOutput},
                          nullptr, kHour);
    };
    const QString catOutput = root + QStringLiteral("cat.bin");
    const auto cat = [&] {
        return RunProgram(QStringLiteral("sh"),
                          QStringList {QStringLiteral("-c"),
                                       QStringLiteral("out=\"$1\"; shift; cat \"$@\" > \"$out\""),
                                       QStringLiteral("sh"), catOutput}
                              + inputs,
                          nullptr, kHour);
    };
    const QString plain = root + QStringLiteral("plain.mp4"),
                  chaptered = root + QStringLiteral("chapters.mp4");
    std::vector<Contender> contenders {
        {"ffmpeg -f concat -c copy", ffmpeg, ffmpegOutput},
        {"quintor-join no chapters", ours(plain, QStringLiteral("--no-chapters")), plain},
        {"quintor-join chapters", ours(chaptered, QStringLiteral("--chapters")), chaptered},
        {"cat", cat, catOutput}};
    // Each round starts with another contender, so that a busy machine weighs on all alike.
    for (int round = 0; round < rounds; ++round) {
        for (size_t turn = 0; turn < contenders.size(); ++turn) {
            Contender &c = contenders[(size_t(round) + turn) % contenders.size()];
            // The run starts with the disk at rest, not writing back another run's output.
            QFile::remove(c.output);
            ::sync();
            const double cpuBefore = ChildrenCpuSeconds();
            QElapsedTimer timer;
            timer.start();
            const int code = c.run();
            c.wall.push_back(timer.nsecsElapsed() / 1e9);
            c.cpu.push_back(ChildrenCpuSeconds() - cpuBefore);
            if (code != 0) {
                std::fprintf(stderr, "%s failed (%d).\n", c.name, code);
                return 1;
            }
        }
    }
    std::printf("clips: %d%s, %.0f MB in all, rounds: %d\n", clips,
                many ? " x 2 s" : qPrintable(QStringLiteral(" x %1 s").arg(seconds)), bytes / 1e6,
                rounds);
    std::printf("%-26s %10s %10s %10s %10s\n", "", "wall med", "cpu med", "wall ratio",
                "cpu ratio");
    const double wall0 = qvj::bench::Median(contenders[0].wall);
    const double cpu0 = qvj::bench::Median(contenders[0].cpu);
    for (const Contender &c : contenders)
        std::printf("%-26s %9.3fs %9.3fs %10.3f %10.3f\n", c.name, qvj::bench::Median(c.wall),
                    qvj::bench::Median(c.cpu), qvj::bench::Median(c.wall) / wall0,
                    qvj::bench::Median(c.cpu) / cpu0);
    std::printf("goals (wall ratio): %s\n",
                many ? "at most 1.3" : "no chapters at most 1.05, chapters at most 1.10");
    return 0;
}
