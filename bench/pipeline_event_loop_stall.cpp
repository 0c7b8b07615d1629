// The longest stall of the event loop while a join job runs with the real encoder: a 1 ms
// timer measures the gaps between its ticks. Prints the longest gap (the goal is under
// 50 ms). Never fails on time. Argument: [clips (3)].
#include "common/TestSupport.h"
#include "pipeline/JoinJob.h"
#include "pipeline/ModelJobInputs.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/ProfileSettings.h"
#include "settings/Preferences.h"
#include "tasks/TaskList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    using namespace qvj::test;
    PrepareProcess();
    QCoreApplication app(argc, argv);
    const int clips = argc > 1 ? std::max(2, std::atoi(argv[1])) : 3;
    const QString program = BuildProgramDirectory();
    QTemporaryDir work;
    const QString root = work.path() + QLatin1Char('/');

    RecordingDesktop desktop;
    TaskListModel tasks(desktop);
    for (int i = 0; i < clips; ++i) {
        ClipSpec spec;
        spec.seconds = 3;
        const QString path = root + QStringLiteral("clip%1.mp4").arg(i);
        if (!MakeClip(path, spec))
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
    qint64 ticks = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
        ++ticks;
    });
    JobOutcome outcome = JobOutcome::Failed;
    QObject::connect(&job, &JoinJob::finished, [&](JobOutcome o, AfterJobAction) {
        outcome = o;
        app.quit();
    });
    clock.start();
    probe.start();
    job.Start(profilePath);
    app.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("job: %s in %.2f s, %lld ticks of 1 ms\n",
                outcome == JobOutcome::Completed ? "completed" : "did not complete", seconds,
                static_cast<long long>(ticks));
    std::printf("longest event loop stall: %.2f ms (goal: under 50 ms)\n", longest / 1e6);
    return outcome == JobOutcome::Completed ? 0 : 1;
}
