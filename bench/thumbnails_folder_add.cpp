// A folder of 1,000 video files added to the task list, without and with the pictures of the
// rows being made in the background; then how long the pictures take to be all made. Prints
// figures only; nothing passes or fails on time.
#include "BenchSetup.h"
#include "common/TestSupport.h"
#include "tasks/TaskList.h"
#include "tasks/Thumbnails.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

struct Figures
{
    double addMs = 0;
    double picturesMs = 0; // from the start of the add until the last picture
    int rows = 0, pictures = 0, mostAtOnce = 0;
};

Figures AddFolder(const QString &folder, bool withPictures)
{
    qvj::test::RecordingDesktop desktop;
    TaskListModel model(desktop);
    std::unique_ptr<TaskThumbnails> pictures;
    Figures f;
    if (withPictures) {
        pictures = std::make_unique<TaskThumbnails>(model);
        QObject::connect(pictures.get(), &TaskThumbnails::ready, [&f] { ++f.pictures; });
    }
    QElapsedTimer timer;
    timer.start();
    model.AddTaskDirectory(folder);
    f.addMs = timer.nsecsElapsed() / 1e6;
    f.rows = model.Count();
    if (pictures) {
        while (pictures->Running() + pictures->Queued() > 0) {
            QEventLoop loop;
            QTimer::singleShot(20, &loop, &QEventLoop::quit);
            loop.exec();
        }
        f.picturesMs = timer.nsecsElapsed() / 1e6;
        f.mostAtOnce = pictures->MostAtOnce();
    }
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    const qvj::bench::Bench bench(argc, argv);
    // Arguments: the number of files (1000) and of rounds (2).
    const int count = bench.Int(1, 1000);
    const QDir dir(bench.Root());
    if (bench.Root().isEmpty())
        return 1;
    // One short clip, listed under 1,000 names (symbolic links): the figures are those of the list
    // and of the pictures, not of the disk.
    const QString clip = dir.filePath(QStringLiteral("source.bin"));
    qvj::test::ClipSpec settings;
    settings.seconds = 2;
    settings.width = 320;
    settings.height = 240;
    settings.extra = {QStringLiteral("-f"), QStringLiteral("avi")};
    if (!qvj::test::MakeClip(clip, settings))
        return 1;
    const QString folder = dir.filePath(QStringLiteral("folder/"));
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        if (!QFile::link(clip,
                         folder + QStringLiteral("clip%1.avi").arg(i, 4, 10, QLatin1Char('0')))
            && !QFile::copy(clip,
                            folder + QStringLiteral("clip%1.avi").arg(i, 4, 10, QLatin1Char('0'))))
            return 1;
    }

    AddFolder(folder, false); // warms the disk cache and the library
    const int rounds = bench.Int(2, 2);
    for (int round = 0; round < rounds; ++round) {
        const Figures without = AddFolder(folder, false);
        const Figures with = AddFolder(folder, true);
        std::printf("folder add of %d files: %.0f ms without pictures, %.0f ms with pictures "
                    "(%.2f); %d pictures made %d at a time, the last %.1f s after the add began\n",
                    without.rows, without.addMs, with.addMs, with.addMs / without.addMs,
                    with.pictures, with.mostAtOnce, with.picturesMs / 1000);
        std::fflush(stdout);
    }
    return 0;
}
