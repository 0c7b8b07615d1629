// What going on after a stop costs: a re-encoding join of ten clips through quintor-join,
// uninterrupted, against the same join stopped (Ctrl-C) during its seventh conversion and then
// started again, which converts only the seventh to the tenth. Prints the wall-clock and
// processor times of both and their ratio (the goal is at most 1.1). Never fails on time.
// Arguments: [clips (10)] [seconds per clip (4)].
#include "common/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>

namespace {

using namespace qvj::test;

double ChildrenCpuSeconds()
{
    rusage usage = {};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Figures
{
    double wall = 0, cpu = 0;
    int code = -1;
};

// One run of quintor-join; a Ctrl-C goes to it once standard error shows stopWhen.
Figures Run(const QString &program, const QStringList &args, const QString &stopWhen = {})
{
    const double cpuBefore = ChildrenCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    QProcess p;
    QString err;
    bool sent = false;
    QObject::connect(&p, &QProcess::readyReadStandardError, [&] {
        err += QString::fromUtf8(p.readAllStandardError());
        if (!stopWhen.isEmpty() && !sent && err.contains(stopWhen)) {
            sent = true;
            ::kill(pid_t(p.processId()), SIGINT);
        }
    });
    p.start(program, args);
    p.closeWriteChannel();
    // waitForFinished reads the output as it comes, which sends the Ctrl-C on time.
    while (p.state() != QProcess::NotRunning)
        p.waitForFinished(50);
    err += QString::fromUtf8(p.readAllStandardError());
    return {timer.nsecsElapsed() / 1e9, ChildrenCpuSeconds() - cpuBefore,
            p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1};
}

} // namespace

int main(int argc, char **argv)
{
    PrepareProcess();
    QCoreApplication app(argc, argv);
    const int clips = argc > 1 ? std::max(8, std::atoi(argv[1])) : 10;
    const int clipSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 4;
    const QString program = BuiltProgramDirectory();
    if (program.isEmpty())
        return 1;
    QTemporaryDir work;
    const QString root = work.path() + QLatin1Char('/');
    QStringList inputs;
    for (int i = 1; i <= clips; ++i) {
        ClipSpec clip;
        clip.seconds = clipSeconds;
        const QString path = root + QStringLiteral("c%1.mp4").arg(i, 2, 10, QLatin1Char('0'));
        if (!MakeClip(path, clip))
            return 1;
        inputs << path;
    }
    const auto args = [&](const QString &output, bool resume) {
        QStringList a {QStringLiteral("--profile"),
                       QStringLiteral("AVI - MPEG-4 Video"),
                       QStringLiteral("--overwrite"),
                       QStringLiteral("--temp"),
                       root + QStringLiteral("temp"),
                       QStringLiteral("-o"),
                       root + output};
        if (!resume)
            a << QStringLiteral("--no-resume");
        return a + inputs;
    };
    const QString cli = program + QStringLiteral("quintor-join");
    const Figures whole = Run(cli, args(QStringLiteral("whole.avi"), false));
    const Figures stopped = Run(cli, args(QStringLiteral("resumed.avi"), true),
                                QStringLiteral("Prepare (Converting): c07.mp4"));
    const Figures resumed = Run(cli, args(QStringLiteral("resumed.avi"), true));
    if (whole.code != 0 || stopped.code != 130 || resumed.code != 0) {
        std::fprintf(stderr, "A run failed: %d, %d, %d.\n", whole.code, stopped.code, resumed.code);
        return 1;
    }
    std::printf("clips: %d x %d s\n", clips, clipSeconds);
    std::printf("%-28s %8s %8s\n", "", "wall s", "cpu s");
    std::printf("%-28s %8.2f %8.2f\n", "uninterrupted", whole.wall, whole.cpu);
    std::printf("%-28s %8.2f %8.2f\n", "stopped at the 7th", stopped.wall, stopped.cpu);
    std::printf("%-28s %8.2f %8.2f\n", "started again", resumed.wall, resumed.cpu);
    std::printf("%-28s %8.2f %8.2f   (goal: at most 1.10)\n", "interrupted / uninterrupted",
                (stopped.wall + resumed.wall) / whole.wall,
                (stopped.cpu + resumed.cpu) / whole.cpu);
    return 0;
}
