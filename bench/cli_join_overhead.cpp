// How much quintor-join adds to the encoder's own work: one join through quintor-join against
// the same asapi.dll command lines run directly by a shell script, in one run. Prints the
// ratios of the wall-clock times (median and best round) and of the processor time of all the
// processes each started (the goal is at most 1.02). On a machine shared with other work the
// wall-clock figures wander; the best round and the processor time show what each way costs
// itself. Never fails on time. Arguments: [clips (3)] [rounds (5)] [seconds per clip (10)].
#include "BenchSetup.h"
#include "common/TestSupport.h"
#include "pipeline/runs/CommandLine.h"
#include "profiles/OptionBuilder.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/ProfileSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

using namespace qvj::test;

QString ShellQuote(const QString &arg)
{
    QString quoted = arg;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// One shell line that runs the encoder with the arguments of a command line text.
QString ShellLine(const QString &encoder, const QString &commandLine)
{
    QString line = ShellQuote(encoder);
    for (const QString &arg : SplitCommandLine(commandLine))
        line += QLatin1Char(' ') + ShellQuote(arg);
    return line + QStringLiteral(" >/dev/null 2>&1 </dev/null || exit 1\n");
}

double Seconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e9;
}

// Processor time (user and system) of every ended process this one has waited for, and of
// theirs.
double ChildrenCpuSeconds()
{
    rusage usage = {};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Times
{
    std::vector<double> wall;
    std::vector<double> cpu;

    static double Median(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        return v.at(v.size() / 2);
    }
    double WallMedian() const { return Median(wall); }
    double WallBest() const { return *std::min_element(wall.begin(), wall.end()); }
    double CpuMedian() const { return Median(cpu); }
};

} // namespace

int main(int argc, char **argv)
{
    const qvj::bench::Bench bench(argc, argv);
    const int clips = bench.Int(1, 3, 2);
    const int rounds = bench.Int(2, 5, 1);
    const int clipSeconds = bench.Int(3, 10, 1);
    const QString program = BuiltProgramDirectory();
    if (program.isEmpty())
        return 1;
    const QString encoder = program + QStringLiteral("asapi.dll");
    const QString root = bench.Root();
    QStringList inputs;
    for (int i = 0; i < clips; ++i) {
        ClipSpec clip;
        clip.seconds = clipSeconds;
        clip.width = 320;
        clip.height = 240;
        const QString path = root + QStringLiteral("clip%1.mp4").arg(i);
        if (!MakeClip(path, clip))
            return 1;
        inputs << path;
    }

    // The same profile and command lines as quintor-join uses.
    const QString profileName = QStringLiteral("AVI - MPEG-4 Video");
    const auto profile = qvj::bench::LoadProfileValues(program, profileName);
    if (!profile)
        return 1;
    const auto &[size, options] = *profile;
    const QString direct = root + QStringLiteral("direct/");
    QDir().mkpath(direct);
    QString script = QStringLiteral("set -e\n");
    for (int i = 0; i < clips; ++i)
        script += ShellLine(encoder,
                            ConversionCommandLine(inputs.at(i), IntermediateFile(direct, i), size));
    script += ShellLine(encoder,
                        JoinCommandLine(JoinInputList(direct, clips),
                                        root + QStringLiteral("direct.avi"), options));
    QFile scriptFile(root + QStringLiteral("direct.sh"));
    scriptFile.open(QIODevice::WriteOnly);
    scriptFile.write(script.toUtf8());
    scriptFile.close();

    const auto runCli = [&] {
        return RunProgram(program + QStringLiteral("quintor-join"),
                          QStringList {QStringLiteral("--profile"), profileName,
                                       QStringLiteral("--overwrite"), QStringLiteral("--temp"),
                                       root + QStringLiteral("temp"), QStringLiteral("-o"),
                                       root + QStringLiteral("cli.avi")}
                              + inputs);
    };
    const auto runScript
        = [&] { return RunProgram(QStringLiteral("bash"), {scriptFile.fileName()}); };
    Times cli;
    Times shell;
    // The two take turns at going first, so that a busy machine weighs on both alike.
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool cliTurn = (round + turn) % 2 == 0;
            const double cpuBefore = ChildrenCpuSeconds();
            QElapsedTimer timer;
            timer.start();
            const int code = cliTurn ? runCli() : runScript();
            Times &times = cliTurn ? cli : shell;
            times.wall.push_back(Seconds(timer));
            times.cpu.push_back(ChildrenCpuSeconds() - cpuBefore);
            if (code != 0) {
                std::fprintf(stderr, "The %s join failed (%d).\n",
                             cliTurn ? "quintor-join" : "script", code);
                return 1;
            }
        }
    }
    std::printf("clips: %d x %d s, rounds: %d\n", clips, clipSeconds, rounds);
    std::printf("%-22s %10s %10s %10s\n", "", "wall med", "wall best", "cpu med");
    std::printf("%-22s %9.3fs %9.3fs %9.3fs\n", "quintor-join", cli.WallMedian(), cli.WallBest(),
                cli.CpuMedian());
    std::printf("%-22s %9.3fs %9.3fs %9.3fs\n", "direct script", shell.WallMedian(),
                shell.WallBest(), shell.CpuMedian());
    std::printf("%-22s %10.3f %10.3f %10.3f   (goal: at most 1.02)\n", "ratio",
                cli.WallMedian() / shell.WallMedian(), cli.WallBest() / shell.WallBest(),
                cli.CpuMedian() / shell.CpuMedian());
    return 0;
}
