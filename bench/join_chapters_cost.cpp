// What chapters cost a join of many inputs: the encoder's join of 1,000 (by default) one-second
// clips, re-encoded as the joining stage does it (the intermediate AVI files into MP4) and
// copied as the "Same as Source" profiles do it, each run with and without the chapter list,
// in the order without, with, with, without so that a change of the machine's load weighs on
// both alike. Prints every run's wall-clock and processor time and the largest process's
// memory, then the cost of the chapters against the runs without. Goal: at most 2 % longer
// and no more memory. Never fails on time. Arguments: [clips (1000)] [rounds: 2 (the four runs,
// by default) or 1 (without, then with)].
#include "BenchSetup.h"
#include "common/TestSupport.h"
#include "settings/ChapterList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace qvj::test;

struct Pair
{
    JobFigures without, with;
};

Pair Measure(const char *what, const QString &encoder, const QStringList &args,
             const QString &chapterList, bool twice)
{
    const QStringList withArgs = args + QStringList {QStringLiteral("-chapters"), chapterList};
    std::vector<JobFigures> runs;
    for (bool chapters : {false, true, true, false}) {
        if (!twice && runs.size() == 2) { // without, with: the same runs again
            runs.push_back(runs[1]);
            runs.push_back(runs[0]);
            break;
        }
        runs.push_back(RunMeasured(encoder, chapters ? withArgs : args));
        std::printf("%-9s %-16s wall %7.1f s, cpu %7.1f s, peak %6.1f MB%s\n", what,
                    chapters ? "with chapters" : "without chapters", runs.back().wallSeconds,
                    runs.back().cpuSeconds, runs.back().peakMb, runs.back().ok ? "" : " FAILED");
        std::fflush(stdout);
    }
    const auto mean = [](const JobFigures &a, const JobFigures &b) {
        return JobFigures {a.ok && b.ok, (a.wallSeconds + b.wallSeconds) / 2,
                           (a.cpuSeconds + b.cpuSeconds) / 2, std::max(a.peakMb, b.peakMb)};
    };
    const Pair p {mean(runs[0], runs[3]), mean(runs[1], runs[2])};
    std::printf("%-9s chapters cost %+.2f %% wall, %+.2f %% cpu, %+.1f MB peak (goal: at most "
                "2 %% longer, no more memory)\n",
                what, 100 * (p.with.wallSeconds / p.without.wallSeconds - 1),
                100 * (p.with.cpuSeconds / p.without.cpuSeconds - 1),
                p.with.peakMb - p.without.peakMb);
    return p;
}

} // namespace

int main(int argc, char **argv)
{
    const qvj::bench::Bench bench(argc, argv);
    const int clips = bench.Int(1, 1000, 2);
    const QString program = BuiltProgramDirectory();
    if (program.isEmpty())
        return 1;
    const QString encoder = program + QStringLiteral("asapi.dll");
    const QString root = bench.Root();
    ClipSpec clip;
    clip.seconds = 1;
    clip.fps = QStringLiteral("30");
    const QString first = root + QStringLiteral("clip0000.mp4");
    // The intermediate file as the conversion stage writes it.
    const QString avi = root + QStringLiteral("0.avi");
    if (!MakeClip(first, clip)
        || RunMeasured(encoder,
                       {first, QStringLiteral("-o"), avi, QStringLiteral("-oac"),
                        QStringLiteral("mp3lame"), QStringLiteral("-ovc"), QStringLiteral("lavc"),
                        QStringLiteral("-ofps"), QStringLiteral("30"), QStringLiteral("-vf"),
                        QStringLiteral("scale=320:240")})
                .ok
            == false)
        return 1;
    // One clip made, the others copies: each is still a file of its own to the encoder.
    QStringList originals {first}, intermediates {avi};
    std::vector<ChapterListEntry> entries {{QStringLiteral("clip0000"), first}};
    for (int i = 1; i < clips; ++i) {
        const QString name = QStringLiteral("clip%1").arg(i, 4, 10, QLatin1Char('0'));
        originals << root + name + QStringLiteral(".mp4");
        intermediates << root + QString::number(i) + QStringLiteral(".avi");
        entries.push_back({name, originals.last()});
        if (!QFile::copy(first, originals.last()) || !QFile::copy(avi, intermediates.last()))
            return 1;
    }
    const QString list = root + QStringLiteral("chapters.txt");
    QFile listFile(list);
    if (!listFile.open(QIODevice::WriteOnly) || listFile.write(ChapterListText(entries)) < 0)
        return 1;
    listFile.close();

    std::printf("%d inputs of 1 s; the machine may be shared, so the wall-clock figures wander\n",
                clips);
    const QStringList encode {QStringLiteral("-o"),
                              root + QStringLiteral("joined.mp4"),
                              QStringLiteral("-ovc"),
                              QStringLiteral("lavc"),
                              QStringLiteral("-lavcopts"),
                              QStringLiteral("vcodec=libx264:vbitrate=1000:mbd=2:autoaspect"),
                              QStringLiteral("-oac"),
                              QStringLiteral("lavc"),
                              QStringLiteral("-lavcopts"),
                              QStringLiteral("acodec=aac:abitrate=128"),
                              QStringLiteral("-channels"),
                              QStringLiteral("2"),
                              QStringLiteral("-vf"),
                              QStringLiteral("scale=320:240"),
                              QStringLiteral("-srate")};
    const QStringList copy {QStringLiteral("-o"),   root + QStringLiteral("copied.mp4"),
                            QStringLiteral("-ovc"), QStringLiteral("copy"),
                            QStringLiteral("-oac"), QStringLiteral("copy")};
    const bool twice = bench.Int(2, 0) != 1;
    const Pair encoded = Measure("re-encode", encoder, intermediates + encode, list, twice);
    const Pair copied = Measure("copy", encoder, originals + copy, list, twice);
    return encoded.with.ok && encoded.without.ok && copied.with.ok && copied.without.ok ? 0 : 1;
}
