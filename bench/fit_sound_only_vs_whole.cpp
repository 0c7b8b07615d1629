// A one-minute 1080p30 clip whose picture is of the joined file's kind and whose sound is not
// (44.1 kHz mono among 48 kHz stereo), fitted by the encoder's "-fit" two ways, taking turns:
// its sound alone converted and its picture copied ("vcopy=1"), and the whole clip converted.
// Prints the wall and processor times and their ratio (goal: the sound alone in at most a
// fifth of the whole's time). Never fails on time. Arguments: [seconds (60)] [rounds (1)].
#include "BenchSetup.h"
#include "common/TestSupport.h"
#include "pipeline/runs/CommandLine.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace qvj::test;

} // namespace

int main(int argc, char **argv)
{
    const qvj::bench::Bench bench(argc, argv);
    const int seconds = bench.Int(1, 60, 1);
    const int rounds = bench.Int(2, 1, 1);
    const QString program = BuiltProgramDirectory();
    if (program.isEmpty())
        return 1;
    // The encoder's options as a join with the copy profile gives them.
    const auto profile = qvj::bench::LoadProfileValues(
        program, QStringLiteral("MP4 - Same as Source (No Re-encoding)"));
    if (!profile)
        return 1;
    const QStringList options = SplitCommandLine(profile->options);
    const QString root = bench.Root();
    const QString clip = root + QStringLiteral("mono.mp4");
    std::fprintf(stderr, "Making a clip of %d s...\n", seconds);
    QString said;
    if (RunProgram(QStringLiteral("ffmpeg"),
                   QStringLiteral("-v error -f lavfi -i testsrc2=s=1920x1080:r=30:d=%1 -f lavfi "
                                  "-i sine=f=440:sample_rate=44100:d=%1 -c:v libx264 -preset "
                                  "veryfast -profile:v high -pix_fmt yuv420p -b:v 8M -maxrate 8M "
                                  "-bufsize 16M -c:a aac -ac 1 -b:a 96k")
                           .arg(seconds)
                           .split(u' ')
                       << clip,
                   &said, 3600 * 1000)
        != 0) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", qPrintable(said));
        return 1;
    }
    // The kind of a phone's clips, as the check before a join states it.
    const QString kind = QStringLiteral(
        "vcodec=h264:vprofile=high:level=40:size=1920x1080:fps=30:pix=yuv420p:sar=1/1:rotate=0:"
        "vbitrate=8000000:acodec=aac:srate=48000:channels=2:layout=stereo:abitrate=192000");
    const auto fit = [&](bool soundOnly, std::vector<double> &wall, std::vector<double> &cpu) {
        const QString out
            = root + (soundOnly ? QStringLiteral("sound.mp4") : QStringLiteral("whole.mp4"));
        QFile::remove(out);
        const JobFigures f
            = RunMeasured(program + QStringLiteral("asapi.dll"),
                          QStringList {clip, QStringLiteral("-o"), out} + options
                              << QStringLiteral("-fit")
                              << kind + (soundOnly ? QStringLiteral(":vcopy=1") : QString()));
        wall.push_back(f.wallSeconds);
        cpu.push_back(f.cpuSeconds);
        if (!f.ok || QFileInfo(out).size() == 0)
            std::fprintf(stderr, "The fit %s failed.\n", soundOnly ? "of the sound" : "of all");
        return f.ok;
    };
    std::vector<double> soundWall, soundCpu, wholeWall, wholeCpu;
    for (int round = 0; round < rounds; ++round) {
        const bool soundFirst = round % 2 == 0;
        if (!fit(soundFirst, soundFirst ? soundWall : wholeWall, soundFirst ? soundCpu : wholeCpu)
            || !fit(!soundFirst, soundFirst ? wholeWall : soundWall,
                    soundFirst ? wholeCpu : soundCpu))
            return 1;
    }
    std::printf("clip: %d s of 1080p30 H.264 at 8 Mbit/s, AAC 44.1 kHz mono; rounds: %d\n", seconds,
                rounds);
    std::printf("%-32s %9.3fs wall %9.3fs processor\n", "-fit, the sound alone (median)",
                qvj::bench::Median(soundWall), qvj::bench::Median(soundCpu));
    std::printf("%-32s %9.3fs wall %9.3fs processor\n", "-fit, the whole clip (median)",
                qvj::bench::Median(wholeWall), qvj::bench::Median(wholeCpu));
    std::printf("%-32s %10.3f   (goal: at most 0.2)\n", "ratio of wall times",
                qvj::bench::Median(soundWall) / qvj::bench::Median(wholeWall));
    return 0;
}
