// The longest stall of the event loop while a join job runs with the real encoder: a 1 ms
// timer measures the gaps between its ticks. Prints the longest gap (the goal is under
// 50 ms) and how much of it this thread spent running: on a machine shared with other work a
// gap can be time the thread merely waited for a processor, which no code of the job causes.
// Never fails on time. Argument: [clips (3)].
#include "BenchSetup.h"
#include "common/TestSupport.h"
#include "pipeline/job/JoinJob.h"
#include "pipeline/job/ModelJobInputs.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/ProfileSettings.h"
#include "settings/Preferences.h"
#include "tasks/TaskList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

// Processor time this thread has used, in nanoseconds.
qint64 ThreadCpuNs()
{
    timespec t = {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

} // namespace

int main(int argc, char **argv)
{
    using namespace qvj::test;
    const qvj::bench::Bench bench(argc, argv);
    const int clips = bench.Int(1, 3, 2);
    const QString program = BuildProgramDirectory();
    const QString root = bench.Root();

    RecordingDesktop desktop;
    TaskListModel tasks(desktop);
    for (int i = 0; i < clips; ++i) {
        ClipSpec clip;
        clip.seconds = 3;
        const QString path = root + QStringLiteral("clip%1.mp4").arg(i);
        if (!MakeClip(path, clip))
            return 1;
        tasks.AddTaskFile(path);
    }
    PreferencesModel preferences;
    preferences.SetTempDir(root + QStringLiteral("temp"));
    preferences.SetOpenDir(false);
    ProfileSettings settings;
    const ProfileCatalogue catalogue = ProfileCatalogue::List(program);
    const qsizetype index = catalogue.Names().indexOf(QStringLiteral("AVI - MPEG-4 Video"));
    const QString profilePath = catalogue.PathOf(int(std::max<qsizetype>(index, 0)));
    settings.LoadProfile(profilePath);
    const QString output = root + QStringLiteral("joined.avi");
    ModelJobInputs inputs(tasks, preferences, settings, [&] { return output; });
    JoinJob job(inputs, desktop, program);
    ConnectRowStatus(job, tasks);

    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    qint64 longestCpu = 0; // the thread's processor time within the longest gap
    qint64 busiest = 0; // the most processor time the thread used within one gap
    qint64 lastCpu = ThreadCpuNs();
    qint64 ticks = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 cpu = ThreadCpuNs();
        if (now - last > longest) {
            longest = now - last;
            longestCpu = cpu - lastCpu;
        }
        busiest = std::max(busiest, cpu - lastCpu);
        last = now;
        lastCpu = cpu;
        ++ticks;
    });
    JobOutcome outcome = JobOutcome::Failed;
    QObject::connect(&job, &JoinJob::finished, [&](JobOutcome o, AfterJobAction) {
        outcome = o;
        QCoreApplication::quit();
    });
    clock.start();
    probe.start();
    job.Start(profilePath);
    QCoreApplication::exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("job: %s in %.2f s, %lld ticks of 1 ms\n",
                outcome == JobOutcome::Completed ? "completed" : "did not complete", seconds,
                static_cast<long long>(ticks));
    std::printf("longest event loop stall: %.2f ms, %.2f ms of it running (goal: under 50 ms)\n",
                longest / 1e6, longestCpu / 1e6);
    std::printf("most running time between two ticks: %.2f ms\n", busiest / 1e6);
    return outcome == JobOutcome::Completed ? 0 : 1;
}
