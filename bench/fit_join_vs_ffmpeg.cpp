// A phone's folder with two odd clips (one 1280x720 at 25 fps, one held upright) joined by
// "quintor-join --fit" with "MP4 - Same as Source (No Re-encoding)", against what ffmpeg takes
// for the same work by hand: encoding the two odd clips with the same settings, then copying
// all of them with "-f concat -c copy"; and against the same folder through "MP4 - H.264
// Video". In one run, taking turns. Prints the ratios (goals: at most 1.3 against ffmpeg, at
// least 8 times faster than re-encoding). Never fails on time. Arguments: [clips (20)]
// [seconds per clip (60)] [rounds (1)] [skip the re-encoding profile: 1].
#include "BenchSetup.h"
#include "common/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <unistd.h>

namespace {

using namespace qvj::test;

constexpr int kHours = 6 * 3600 * 1000;

bool Ffmpeg(const QStringList &args)
{
    QString output;
    const int code
        = RunProgram(QStringLiteral("ffmpeg"),
                     QStringList {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                                  QStringLiteral("error"), QStringLiteral("-y")}
                         + args,
                     &output, kHours);
    if (code != 0)
        std::fprintf(stderr, "ffmpeg failed: %s\n", qPrintable(output));
    return code == 0;
}

// A phone's clip: H.264 at 8 Mbit/s with AAC.
bool MakeClip(const QString &path, int seconds, const QString &size, const QString &rate)
{
    return Ffmpeg(
        QStringLiteral("-f lavfi -i testsrc2=s=%1:r=%2:d=%3 -f lavfi -i "
                       "sine=f=440:sample_rate=48000:d=%3 -ac 2 -c:v libx264 -preset "
                       "veryfast -profile:v high -pix_fmt yuv420p -b:v 8M -maxrate 8M -bufsize 16M "
                       "-c:a aac -b:a 192k")
            .arg(size, rate)
            .arg(seconds)
            .split(u' ')
        << path);
}

// Marks the first track of an MP4 file as shown turned a quarter clockwise, as a phone held
// upright does.
bool TurnUpright(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = f.readAll();
    const qsizetype box = bytes.indexOf("tkhd");
    if (box < 0 || bytes.at(box + 4) != 0)
        return false;
    const quint32 values[9] = {0, 0x10000, 0, 0xFFFF0000u, 0, 0, 0, 0, 0x40000000};
    for (int i = 0; i < 9; ++i)
        qToBigEndian<quint32>(values[i], bytes.data() + box + 4 + 40 + 4 * i);
    return f.seek(0) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char **argv)
{
    const qvj::bench::Bench bench(argc, argv);
    const int clips = bench.Int(1, 20, 3);
    const int seconds = bench.Int(2, 60, 1);
    const int rounds = bench.Int(3, 1, 1);
    const bool encodeToo = bench.Int(4, 0) == 0;
    const QString program = BuiltProgramDirectory();
    if (program.isEmpty())
        return 1;
    const QString root = bench.Root();
    std::fprintf(stderr, "Making %d clips of %d s...\n", clips, seconds);
    const QString phone = root + QStringLiteral("phone.mp4");
    if (!MakeClip(phone, seconds, QStringLiteral("1920x1080"), QStringLiteral("30"))
        || !MakeClip(root + QStringLiteral("odd1.mp4"), seconds, QStringLiteral("1280x720"),
                     QStringLiteral("25"))
        || !QFile::copy(phone, root + QStringLiteral("odd2.mp4"))
        || !TurnUpright(root + QStringLiteral("odd2.mp4")))
        return 1;
    // The odd clips a quarter and three quarters in.
    const int odd1 = clips / 4, odd2 = clips * 3 / 4;
    QStringList inputs;
    for (int i = 0; i < clips; ++i) {
        if (i == odd1 || i == odd2) {
            inputs << root + QStringLiteral("odd%1.mp4").arg(i == odd1 ? 1 : 2);
            continue;
        }
        inputs << root + QStringLiteral("clip%1.mp4").arg(i);
        if (!QFile::copy(phone, inputs.back()))
            return 1;
    }

    const QString ours = root + QStringLiteral("ours.mp4"),
                  byHand = root + QStringLiteral("hand.mp4"),
                  encoded = root + QStringLiteral("encoded.mp4");
    double peakMb = 0; // of the largest process of our joins
    const auto runOurs = [&] {
        const JobFigures f
            = RunMeasured(program + QStringLiteral("quintor-join"),
                          QStringList {QStringLiteral("--profile"),
                                       QStringLiteral("MP4 - Same as Source (No Re-encoding)"),
                                       QStringLiteral("--fit"), QStringLiteral("--overwrite"),
                                       QStringLiteral("--temp"), root, QStringLiteral("-o"), ours}
                              + inputs);
        peakMb = std::max(peakMb, f.peakMb);
        if (!f.ok)
            std::fprintf(stderr, "quintor-join --fit failed\n");
        return f.ok;
    };
    // By hand: the two odd clips brought to the phone's kind with the settings the fit uses,
    // then the whole list copied.
    const auto runByHand = [&] {
        QString list;
        for (int i = 0; i < clips; ++i) {
            QString file = inputs.at(i);
            if (i == odd1 || i == odd2) {
                file = root + QStringLiteral("fitted%1.mp4").arg(i);
                // ffmpeg turns the upright clip itself; both get bars to the kind's frame.
                if (!Ffmpeg(QStringList {QStringLiteral("-i"), inputs.at(i), QStringLiteral("-vf"),
                                         QStringLiteral("fps=30,scale=1920:1080:force_original_"
                                                        "aspect_ratio=decrease,pad=1920:1080:(ow-"
                                                        "iw)/2:(oh-ih)/2,setsar=1,format=yuv420p")}
                                + QStringLiteral("-c:v libx264 -preset veryfast -b:v 9300k -qmax "
                                                 "23 -x264-params ratetol=0.1 -profile:v high "
                                                 "-c:a aac -b:a 192k -ar 48000")
                                      .split(u' ')
                            << file))
                    return false;
            }
            list += QStringLiteral("file '%1'\n").arg(file);
        }
        WriteFile(root + QStringLiteral("list.txt"), list.toUtf8());
        return Ffmpeg({QStringLiteral("-f"), QStringLiteral("concat"), QStringLiteral("-safe"),
                       QStringLiteral("0"), QStringLiteral("-i"), root + QStringLiteral("list.txt"),
                       QStringLiteral("-map"), QStringLiteral("0:v:0"), QStringLiteral("-map"),
                       QStringLiteral("0:a:0"), QStringLiteral("-c"), QStringLiteral("copy"),
                       byHand});
    };
    const auto runEncoding = [&] {
        return RunProgram(program + QStringLiteral("quintor-join"),
                          QStringList {QStringLiteral("--profile"),
                                       QStringLiteral("MP4 - H.264 Video"),
                                       QStringLiteral("--overwrite"), QStringLiteral("--temp"),
                                       root, QStringLiteral("-o"), encoded}
                              + inputs,
                          nullptr, kHours)
            == 0;
    };
    std::vector<double> ourTimes, handTimes, encodeTimes;
    const auto time = [](const std::function<bool()> &run, std::vector<double> &times) {
        QElapsedTimer timer;
        timer.start();
        const bool ok = run();
        times.push_back(timer.nsecsElapsed() / 1e9);
        ::sync();
        return ok;
    };
    for (int round = 0; round < rounds; ++round) {
        const bool oursFirst = round % 2 == 0;
        if (!time(oursFirst ? std::function<bool()>(runOurs) : runByHand,
                  oursFirst ? ourTimes : handTimes)
            || !time(oursFirst ? std::function<bool()>(runByHand) : runOurs,
                     oursFirst ? handTimes : ourTimes)) {
            std::fprintf(stderr, "A join failed.\n");
            return 1;
        }
    }
    if (encodeToo && !time(runEncoding, encodeTimes)) {
        std::fprintf(stderr, "The re-encoding join failed.\n");
        return 1;
    }
    std::printf("clips: %d x %d s of 1080p H.264/AAC, 2 odd (720p 25 fps, upright), rounds: %d\n",
                clips, seconds, rounds);
    std::printf("%-36s %9.3fs\n", "quintor-join --fit (median)", qvj::bench::Median(ourTimes));
    std::printf("%-36s %9.3fs\n", "ffmpeg: encode 2 + concat copy", qvj::bench::Median(handTimes));
    std::printf("%-36s %10.3f   (goal: at most 1.3)\n", "ratio",
                qvj::bench::Median(ourTimes) / qvj::bench::Median(handTimes));
    // The converted clips' share of the phone's video bitrate (goal: never below it), from
    // the joined file's video packets where each clip lies.
    QString stated, packets;
    RunProgram(QStringLiteral("ffprobe"),
               QStringLiteral("-v error -select_streams v:0 -show_entries stream=bit_rate -of "
                              "csv=p=0")
                       .split(u' ')
                   << phone,
               &stated);
    RunProgram(QStringLiteral("ffprobe"),
               QStringLiteral("-v error -select_streams v:0 -show_entries packet=pts_time,size "
                              "-of csv=p=0")
                       .split(u' ')
                   << ours,
               &packets);
    std::vector<double> bytes(size_t(clips), 0);
    for (const QString &line : packets.split(u'\n', Qt::SkipEmptyParts))
        if (const QStringList f = line.split(u','); f.size() == 2)
            bytes.at(size_t(std::clamp(int(f[0].toDouble() / seconds), 0, clips - 1)))
                += f[1].toDouble();
    std::printf("%-36s %9.1f MB\n", "quintor-join --fit, largest process", peakMb);
    for (const int odd : {odd1, odd2})
        std::printf("%-36s %10.3f   (goal: at least 1)\n",
                    qPrintable(QStringLiteral("converted clip %1, bitrate share").arg(odd + 1)),
                    bytes[size_t(odd)] * 8 / seconds / stated.trimmed().toDouble());
    if (encodeToo) {
        std::printf("%-36s %9.3fs\n", "\"MP4 - H.264 Video\"", encodeTimes.front());
        std::printf("%-36s %10.1f   (goal: at least 8)\n", "speed-up over re-encoding",
                    encodeTimes.front() / qvj::bench::Median(ourTimes));
    }
    return 0;
}
