// quintor-join with a list of many clips on standard input (--list -), as a script hands it a
// folder of dash-camera clips: the wall-clock time of the whole join, per clip, and the joined
// file's length against the clips' together. Never fails on time.
// Arguments: [clips (1000)] [profile ("MP4 - Same as Source (No Re-encoding)")].
#include "BenchSetup.h"
#include "common/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <cstdio>

int main(int argc, char **argv)
{
    const qvj::bench::Bench bench(argc, argv);
    const int clips = bench.Int(1, 1000, 1);
    const QString profile = bench.Text(2, QStringLiteral("MP4 - Same as Source (No Re-encoding)"));
    const QString program = qvj::test::BuiltProgramDirectory();
    const QString root = bench.Root();
    if (program.isEmpty() || root.isEmpty())
        return 1;
    qvj::test::ClipSpec clip;
    clip.seconds = 0.4;
    clip.width = 160;
    clip.height = 120;
    const QString first = root + QStringLiteral("clip 0000.mp4");
    if (!qvj::test::MakeClip(first, clip))
        return 1;
    QByteArray list = first.toUtf8() + '\n';
    for (int i = 1; i < clips; ++i) {
        const QString name = root + QStringLiteral("clip %1.mp4").arg(i, 4, 10, QLatin1Char('0'));
        if (!QFile::copy(first, name))
            return 1;
        list += name.toUtf8() + '\n';
    }
    const QString output = root + QStringLiteral("joined.mp4");
    QProcess join;
    join.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    join.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    join.start(program + QStringLiteral("quintor-join"),
               {QStringLiteral("--profile"), profile, QStringLiteral("--temp"),
                root + QStringLiteral("temp"), QStringLiteral("-o"), output,
                QStringLiteral("--list"), QStringLiteral("-")});
    join.write(list);
    join.closeWriteChannel();
    join.waitForFinished(-1);
    const double seconds = timer.nsecsElapsed() / 1e9;
    QString length;
    qvj::test::RunProgram(QStringLiteral("ffprobe"),
                          {QStringLiteral("-v"), QStringLiteral("error"),
                           QStringLiteral("-show_entries"), QStringLiteral("format=duration"),
                           QStringLiteral("-of"), QStringLiteral("csv=p=0"), output},
                          &length);
    std::printf("clips: %d x %.1f s, profile: %s, exit status %d\n", clips, clip.seconds,
                qPrintable(profile), join.exitCode());
    std::printf("join: %.1f s, %.1f ms a clip; joined length %s s of %.1f s\n", seconds,
                seconds * 1000 / clips, qPrintable(length.trimmed()), clips * clip.seconds);
    return join.exitCode() == 0 ? 0 : 1;
}
