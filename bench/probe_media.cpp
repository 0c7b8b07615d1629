// Time of one media probe per input type, and of a folder add through the task list model.
// Prints figures only; nothing passes or fails on time.
#include "BenchSetup.h"
#include "common/TestSupport.h"
#include "tasks/MediaProbe.h"
#include "tasks/TaskList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

} // namespace

int main(int argc, char **argv)
{
    const qvj::bench::Bench bench(argc, argv);
    const QDir dir(bench.Root());
    if (bench.Root().isEmpty())
        return 1;

    constexpr int kRounds = 20;
    std::printf("%-8s %10s %10s   (5 s clip, 640x480, %d probes each)\n", "type", "median ms",
                "max ms", kRounds);
    for (const char *extension : InputExtensions) {
        const QString path = dir.filePath(QStringLiteral("clip") + QLatin1String(extension));
        qvj::test::ClipSpec clip;
        clip.seconds = 5;
        clip.width = 640;
        clip.height = 480;
        // Some containers take none of ffmpeg's default choices for this clip; they are left
        // out of the figures.
        if (!qvj::test::MakeClip(path, clip)) {
            std::printf("%-8s not made\n", extension);
            continue;
        }
        std::vector<double> ms;
        for (int i = 0; i < kRounds; ++i) {
            QElapsedTimer timer;
            timer.start();
            const MediaProbeResult r = ProbeMedia(path);
            ms.push_back(timer.nsecsElapsed() / 1e6);
            if (!r.ok) {
                std::printf("%s: %s\n", extension, qPrintable(r.error));
                return 1;
            }
        }
        std::printf("%-8s %10.2f %10.2f\n", extension, qvj::bench::Median(ms),
                    *std::max_element(ms.begin(), ms.end()));
    }

    // A folder add of every clip made above, with the real probe and event processing between
    // files.
    qvj::test::RecordingDesktop desktop;
    TaskListModel model(desktop);
    QElapsedTimer timer;
    timer.start();
    model.AddTaskDirectory(dir.path());
    std::printf("folder add of %d files: %.2f ms\n", model.Count(), timer.nsecsElapsed() / 1e6);
    return 0;
}
