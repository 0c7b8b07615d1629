// The encoder's cost against ffmpeg alone: three clips joined in the program's two stages
// through asapi.dll (each converted to an AVI intermediate with the conversion stage's command
// line, then joined with a shipped profile's options) against ffmpeg's own single-pass join of
// the same clips to the same codecs, in one run. Prints both times and their ratio (the goal is
// at most 2.0: the two stages encode twice). Never fails on time.
// Arguments: [seconds per clip (60)] [rounds (2)] [profile name ("AVI - MPEG-4 Video")].
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
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace qvj::test;

namespace {

// Runs the program and gives its time in seconds, or a negative time when it failed.
double Timed(const QString &program, const QStringList &args)
{
    QElapsedTimer timer;
    timer.start();
    QString output;
    if (RunProgram(program, args, &output, 3600000) != 0) {
        std::fprintf(stderr, "%s failed:\n%s\n", qPrintable(program),
                     qPrintable(output.right(2000)));
        return -1;
    }
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    const qvj::bench::Bench bench(argc, argv);
    const double seconds = bench.Number(1, 60, 1.0);
    const int rounds = bench.Int(2, 2, 1);
    const QString profileName = bench.Text(3, QStringLiteral("AVI - MPEG-4 Video"));
    const QString program = BuildProgramDirectory();
    const QString encoder = program + QStringLiteral("asapi.dll");
    if (!QFile::exists(encoder)) {
        std::fprintf(stderr, "Build qvj-encoder and the data first.\n");
        return 1;
    }
    const auto profile = qvj::bench::LoadProfileValues(program, profileName);
    if (!profile)
        return 1;
    const auto &[size, options] = *profile;

    const QString root = bench.Root();
    const QString temp = root + QStringLiteral("temp/");
    QDir().mkpath(temp);
    const int kClips = 3;
    QStringList inputs;
    for (int i = 0; i < kClips; ++i) {
        inputs << root + QStringLiteral("clip%1.mp4").arg(i);
        ClipSpec clip;
        clip.seconds = seconds;
        clip.width = 640;
        clip.height = 480;
        if (!MakeClip(inputs.last(), clip))
            return 1;
    }

    // The program's two stages; the conversions' share of the time goes to *converting.
    const auto twoStages = [&](double *converting) {
        double total = 0;
        for (int i = 0; i < kClips; ++i) {
            const double t = Timed(encoder,
                                   SplitCommandLine(ConversionCommandLine(
                                       inputs.at(i), IntermediateFile(temp, i), size)));
            if (t < 0)
                return t;
            total += t;
        }
        *converting = total;
        const double join
            = Timed(encoder,
                    SplitCommandLine(JoinCommandLine(JoinInputList(temp, kClips),
                                                     root + QStringLiteral("two.avi"), options)));
        return join < 0 ? join : total + join;
    };

    // ffmpeg alone: one pass, the same size, codecs and bitrates.
    const QString bitrate
        = QRegularExpression(QStringLiteral("vbitrate=(\\d+)")).match(options).captured(1);
    const QString quality
        = QRegularExpression(QStringLiteral("q=(\\d+)")).match(options).captured(1);
    QStringList args {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"),
                      QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y")};
    QString graph, concat;
    for (int i = 0; i < kClips; ++i) {
        args << QStringLiteral("-i") << inputs.at(i);
        graph += QStringLiteral("[%1:v]scale=%2,setsar=1[v%1];[%1:a]aresample=44100[a%1];")
                     .arg(i)
                     .arg(size);
        concat += QStringLiteral("[v%1][a%1]").arg(i);
    }
    args << QStringLiteral("-filter_complex")
         << graph + concat + QStringLiteral("concat=n=%1:v=1:a=1[v][a]").arg(kClips)
         << QStringLiteral("-map") << QStringLiteral("[v]") << QStringLiteral("-map")
         << QStringLiteral("[a]") << QStringLiteral("-c:v") << QStringLiteral("mpeg4")
         << QStringLiteral("-b:v") << bitrate + QLatin1Char('k') << QStringLiteral("-mbd")
         << QStringLiteral("rd") << QStringLiteral("-c:a") << QStringLiteral("libmp3lame")
         << QStringLiteral("-q:a") << (quality.isEmpty() ? QStringLiteral("6") : quality)
         << QStringLiteral("-ac") << QStringLiteral("2") << root + QStringLiteral("one.avi");

    // The two take turns at going first, and each keeps its best round, so that other work on
    // a shared machine weighs on both alike.
    double encoderSeconds = 1e99, ffmpegSeconds = 1e99, converting = 0;
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            double c = 0;
            const bool ours = (round + turn) % 2 == 0;
            const double t = ours ? twoStages(&c) : Timed(QStringLiteral("ffmpeg"), args);
            if (t < 0)
                return 1;
            std::printf("round %d, %s: %.2f s\n", round + 1, ours ? "two stages" : "ffmpeg", t);
            if (ours && t < encoderSeconds)
                converting = c;
            (ours ? encoderSeconds : ffmpegSeconds)
                = std::min(ours ? encoderSeconds : ffmpegSeconds, t);
        }
    }

    std::printf("clips: %d x %.0f s of 640x480, profile \"%s\" (%s)\n", kClips, seconds,
                qPrintable(profileName), qPrintable(options.trimmed()));
    std::printf("two stages through asapi.dll: %.2f s (conversions %.2f s, join %.2f s)\n",
                encoderSeconds, converting, encoderSeconds - converting);
    std::printf("ffmpeg single-pass join:      %.2f s\n", ffmpegSeconds);
    std::printf("ratio: %.2f (goal: at most 2.0)\n", encoderSeconds / ffmpegSeconds);
    return 0;
}
