// What measuring the loudness adds to a join: the files of a copy join (quintor-join with the
// "Same as Source" profile) measured as the list measures them (LoudnessMeter, two at a time),
// against that copy join, in one run. Phone-like clips: 1920x1080 H.264 at 8 Mbit/s with AAC,
// one minute each, twenty by default. Prints both times and the ratio (the goal is at most one
// half). Never fails on time. Arguments: [clips (20)] [seconds per clip (60)].
#include "BenchSetup.h"
#include "common/TestSupport.h"
#include "tasks/Loudness.h"

#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

namespace {

using namespace qvj::test;

constexpr int kHour = 3600 * 1000;

} // namespace

int main(int argc, char **argv)
{
    const qvj::bench::Bench bench(argc, argv);
    const int clips = bench.Int(1, 20, 2);
    const int seconds = bench.Int(2, 60, 1);
    const QString program = BuiltProgramDirectory();
    if (program.isEmpty())
        return 1;
    const QString root = bench.Root();
    QStringList inputs {root + QStringLiteral("clip0.mp4")};
    std::fprintf(stderr, "Making %d clips of %d s...\n", clips, seconds);
    if (!qvj::bench::MakePhoneClip(inputs.front(), seconds, QStringLiteral("30")))
        return 1;
    for (int i = 1; i < clips; ++i) {
        inputs << root + QStringLiteral("clip%1.mp4").arg(i);
        if (!QFile::copy(inputs.front(), inputs.back()))
            return 1;
    }

    QElapsedTimer timer;
    timer.start();
    const int code
        = RunProgram(program + QStringLiteral("quintor-join"),
                     QStringList {QStringLiteral("--profile"),
                                  QStringLiteral("MP4 - Same as Source (No Re-encoding)"),
                                  QStringLiteral("--overwrite"), QStringLiteral("-o"),
                                  root + QStringLiteral("copy.mp4")}
                         + inputs,
                     nullptr, kHour);
    const double copySeconds = timer.nsecsElapsed() / 1e9;
    if (code != 0)
        return 1;

    LoudnessMeter meter;
    int measured = 0;
    QObject::connect(&meter, &LoudnessMeter::measured, [&](const QString &path) {
        measured += meter.Facts(path) && meter.Facts(path)->IsMeasured() ? 1 : 0;
    });
    timer.restart();
    meter.Measure(inputs);
    WaitFor([&] { return meter.AllMeasured(inputs); }, kHour);
    const double measureSeconds = timer.nsecsElapsed() / 1e9;

    std::printf("%d clips of %d s: copy join %.2f s, measuring the loudness %.2f s (%d measured), "
                "ratio %.2f (goal at most 0.5)\n",
                clips, seconds, copySeconds, measureSeconds, measured,
                measureSeconds / copySeconds);
    return measured == clips ? 0 : 1;
}
