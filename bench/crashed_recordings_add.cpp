// Recordings without a length in their header. Prints: the time to probe a crashed Matroska
// recording of about 4 GB (its head and last cluster around a sparse middle, made in /tmp:
// the probe reads only both ends), and the time to add a folder of N crashed one-minute
// recordings against a folder of N finished ones (goal: within 1.5 times). Never fails on time.
// Arguments: [recordings (300)].
#include "BenchSetup.h"
#include "common/TestSupport.h"
#include "tasks/MediaProbe.h"
#include "tasks/TaskList.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace qvj::test;

// The time to add the folder of n copies of clip through the task list, and the rows added.
std::pair<double, int> AddFolder(const QString &root, const QString &clip, int n)
{
    const QString folder = root + QFileInfo(clip).completeBaseName();
    QDir().mkpath(folder);
    for (int i = 0; i < n; ++i)
        QFile::copy(clip,
                    folder
                        + QStringLiteral("/%1.%2")
                              .arg(i, 4, 10, QLatin1Char('0'))
                              .arg(QFileInfo(clip).suffix()));
    RecordingDesktop desktop;
    TaskListModel tasks(desktop);
    QElapsedTimer timer;
    timer.start();
    tasks.AddChosenDirectory(folder);
    return {timer.nsecsElapsed() / 1e9, tasks.Count()};
}

} // namespace

int main(int argc, char **argv)
{
    const qvj::bench::Bench bench(argc, argv);
    const int n = bench.Int(1, 300, 1);
    const QString root = bench.Root();
    const QString crashed = root + QStringLiteral("crashed.mkv");
    const QString finished = root + QStringLiteral("finished.mkv");
    const ClipSpec minute {.seconds = 60, .width = 320, .height = 240};
    ClipSpec live = minute;
    live.extra = {QStringLiteral("-live"), QStringLiteral("1")};
    if (!MakeClip(crashed, live) || !MakeClip(finished, minute))
        return 1;

    // A 4 GB recording: the crashed clip's bytes, a hole, and its bytes again at the end.
    const QString big = root + QStringLiteral("big.mkv");
    const QByteArray bytes = ReadFile(crashed);
    {
        QFile f(big);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()
            || !f.seek((qint64(4) << 30) - bytes.size()) || f.write(bytes) != bytes.size())
            return 1;
    }
    std::vector<double> times;
    MediaProbeResult r;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer timer;
        timer.start();
        r = ProbeMedia(big);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("4 GB crashed recording: %s %s, median %.1f ms, worst %.1f ms (goal well under "
                "1000)\n",
                qPrintable(r.lengthText), qPrintable(r.sizeText), times[2], times.back());

    const auto [doneSeconds, doneRows] = AddFolder(root, finished, n);
    const auto [crashSeconds, crashRows] = AddFolder(root, crashed, n);
    std::printf("add %d finished: %.2f s (%d rows); %d crashed: %.2f s (%d rows); ratio %.2f "
                "(goal at most 1.5)\n",
                n, doneSeconds, doneRows, n, crashSeconds, crashRows, crashSeconds / doneSeconds);
    return 0;
}
