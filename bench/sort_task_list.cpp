// Time of putting 1,000 task rows in order: Sort by Name, Sort by Recording Time with the times
// known, and a drag of every tenth row; then the reading of 1,000 real files' recording times,
// first read and kept. Prints figures only; nothing passes or fails on time.
#include "BenchSetup.h"
#include "common/TestSupport.h"
#include "tasks/RecordingTime.h"
#include "tasks/TaskList.h"
#include "tasks/TaskOrder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

constexpr int kRows = 1000;
constexpr int kRounds = 15;

double Milliseconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

void Report(const char *what, const std::vector<double> &ms)
{
    std::printf("%-44s %9.2f %9.2f\n", what, qvj::bench::Median(ms),
                *std::max_element(ms.begin(), ms.end()));
}

} // namespace

int main(int argc, char **argv)
{
    const qvj::bench::Bench bench(argc, argv);
    qvj::test::RecordingDesktop desktop;
    std::mt19937 random(7);

    // 1,000 rows of camera-like names in a shuffled order, every row selected every third.
    QStringList paths;
    for (int i = 0; i < kRows; ++i)
        paths << QStringLiteral("/media/card/DCIM/%1/clip%2.mp4").arg(i % 7).arg(i + 1);
    std::shuffle(paths.begin(), paths.end(), random);
    std::vector<std::optional<QDateTime>> times;
    const QDateTime start = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < kRows; ++i)
        times.push_back(start.addSecs(std::uniform_int_distribution<int>(0, 86400)(random)));
    QList<int> selected;
    for (int i = 0; i < kRows; i += 3)
        selected << i;

    std::printf("%-44s %9s %9s   (%d rows, %d rounds)\n", "", "median ms", "max ms", kRows,
                kRounds);
    std::vector<double> byName, byTime, dragged;
    for (int round = 0; round < kRounds; ++round) {
        TaskListModel model(desktop, [](const QString &) {
            return MediaProbeResultFromTexts(QStringLiteral("5000"), QStringLiteral("1920"),
                                             QStringLiteral("1080"));
        });
        model.AddChosenFiles(paths);
        byName.push_back(Milliseconds([&] { model.SortByName(selected); }));
        byTime.push_back(Milliseconds([&] { model.SortByTime(selected, times); }));
        QList<int> everyTenth;
        for (int i = 0; i < kRows; i += 10)
            everyTenth << i;
        dragged.push_back(
            Milliseconds([&] { model.Reorder(MovedOrder(kRows, everyTenth, kRows / 2), {}); }));
    }
    Report("Sort by Name", byName);
    Report("Sort by Recording Time (times known)", byTime);
    Report("drag of 100 rows", dragged);

    // Real files: one short clip copied 1,000 times (each read as a file of its own).
    const QDir dir(bench.Root());
    const QString clip = dir.filePath(QStringLiteral("clip.mp4"));
    if (!qvj::test::MakeClip(clip, {.seconds = 1.0, .width = 320, .height = 240}))
        return 1;
    QStringList files;
    for (int i = 0; i < kRows; ++i) {
        files << dir.filePath(QStringLiteral("copy%1.mp4").arg(i));
        QFile::copy(clip, files.last());
    }
    RecordingTimes reader;
    std::vector<double> first = {Milliseconds([&] { reader.Times(files); })};
    std::vector<double> kept;
    for (int round = 0; round < 5; ++round)
        kept.push_back(Milliseconds([&] { reader.Times(files); }));
    Report("recording times of 1,000 files, first read", first);
    Report("recording times of 1,000 files, kept", kept);
    return 0;
}
