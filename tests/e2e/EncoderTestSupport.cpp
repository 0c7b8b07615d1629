#include "EncoderTestSupport.h"

#include "common/TestSupport.h"
#include "pipeline/CommandLine.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <cstdint>
#include <cstring>
#include <iostream>
#include <memory>

namespace qvj::test {

namespace {

// Blank-separated arguments around the file: "before" path "after".
QStringList Args(const char *before, const QString &path, const char *after)
{
    return QString::fromLatin1(before).split(u' ', Qt::SkipEmptyParts) + QStringList {path}
    + QString::fromLatin1(after).split(u' ', Qt::SkipEmptyParts);
}

std::unique_ptr<QProcess> Start(const QString &program, const QStringList &args, bool keepOutput)
{
    auto p = std::make_unique<QProcess>();
    p->setStandardInputFile(QProcess::nullDevice());
    if (!keepOutput)
        p->setStandardOutputFile(QProcess::nullDevice());
    p->start(program, args);
    return p;
}

void Finish(QProcess &p, ProgramRun &run)
{
    if (!p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished();
    }
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    run.code = p.error() == QProcess::UnknownError && p.exitStatus() == QProcess::NormalExit
        ? p.exitCode()
        : -1;
}

ProgramRun Capture(const QString &program, const QStringList &args)
{
    ProgramRun run {program, args};
    Finish(*Start(program, args, true), run);
    return run;
}

std::vector<double> PtsTimes(const QByteArray &log)
{
    static const QRegularExpression re(QStringLiteral("pts_time:\\s*(-?[0-9.]+)"));
    std::vector<double> times;
    for (auto it = re.globalMatch(QString::fromUtf8(log)); it.hasNext();)
        times.push_back(it.next().captured(1).toDouble());
    return times;
}

} // namespace

QString EncoderProgram()
{
    return BuildProgramDirectory() + QStringLiteral("asapi.dll");
}

int RunEncoderLine(const QString &commandLine, QString *out, QString *err)
{
    const ProgramRun c = Capture(EncoderProgram(), SplitCommandLine(commandLine));
    if (out)
        *out = QString::fromUtf8(c.out);
    if (err)
        *err = QString::fromUtf8(c.err);
    if (c.code != 0)
        std::cerr << "asapi.dll" << commandLine.toStdString() << "\n -> " << c.code << ": "
                  << c.err.toStdString() << '\n';
    return c.code;
}

bool MakeSyncClip(const QString &path, const SyncClip &clip)
{
    QString video = QStringLiteral("testsrc2=s=%1x%2:r=%3:d=1.6")
                        .arg(clip.width)
                        .arg(clip.height)
                        .arg(clip.fps);
    if (clip.variableRate) // every third frame on time, the others 8 ms late
        video += QStringLiteral(",setpts='PTS+if(mod(N\\,3)\\,0.008/TB\\,0)'");
    video += QStringLiteral(
        ",drawbox=c=white:t=fill:enable='between(t,0.4,0.4999)+between(t,1.2,1.2999)'");
    QStringList args = Args("-hide_banner -loglevel error -y -f lavfi -i", video, "");
    if (clip.audio)
        args << Args("-f lavfi -i",
                     QStringLiteral("aevalsrc='0.8*sin(2*PI*1000*t)*(between(t,0.4,0.45)"
                                    "+between(t,1.2,1.25))':s=%1:d=1.6")
                         .arg(clip.sampleRate),
                     "-ac")
             << QString::number(clip.channels);
    if (clip.variableRate)
        args << QStringLiteral("-fps_mode") << QStringLiteral("vfr");
    args << clip.extra << QStringLiteral("-t") << QStringLiteral("1.6") << path;
    const ProgramRun c = Capture(QStringLiteral("ffmpeg"), args);
    if (c.code != 0)
        std::cerr << "ffmpeg could not make " << path.toStdString() << ": " << c.err.toStdString();
    return c.code == 0;
}

AvEvents MeasureEvents(const QString &path)
{
    AvEvents events;
    const ProgramRun sound = Capture(QStringLiteral("ffmpeg"),
                                     Args("-hide_banner -nostdin -i", path,
                                          "-map 0:a:0 -af aresample=48000,ashowinfo -ac 1 "
                                          "-f s16le -"));
    const std::vector<double> soundPts = PtsTimes(sound.err);
    double lastLoud = -1;
    for (qsizetype i = 0; !soundPts.empty() && i < sound.out.size() / 2; ++i) {
        int16_t sample;
        std::memcpy(&sample, sound.out.constData() + 2 * i, 2);
        if (std::abs(int(sample)) < 5000)
            continue;
        const double t = soundPts.front() + double(i) / 48000;
        if (lastLoud < 0 || t - lastLoud > 0.2)
            events.beeps.push_back(t);
        lastLoud = t;
    }
    const ProgramRun picture = Capture(
        QStringLiteral("ffmpeg"),
        Args("-hide_banner -nostdin -i", path,
             "-map 0:v:0 -vf scale=8:8,format=gray,showinfo -fps_mode passthrough -f rawvideo -"));
    const std::vector<double> framePts = PtsTimes(picture.err);
    bool wasBright = false;
    for (size_t f = 0; f < framePts.size() && qsizetype(f + 1) * 64 <= picture.out.size(); ++f) {
        int sum = 0;
        for (int b = 0; b < 64; ++b)
            sum += uint8_t(picture.out.at(qsizetype(f) * 64 + b));
        if (sum / 64 > 200 && !wasBright)
            events.flashes.push_back(framePts[f]);
        wasBright = sum / 64 > 200;
    }
    return events;
}

ProbedFile ProbeFile(const QString &path)
{
    const ProgramRun c
        = Capture(QStringLiteral("ffprobe"),
                  Args("-v error -print_format json -show_streams -show_format", path, ""));
    const QJsonObject root = QJsonDocument::fromJson(c.out).object();
    const QJsonObject format = root.value(QLatin1String("format")).toObject();
    ProbedFile f;
    f.format = format.value(QLatin1String("format_name")).toString();
    f.seconds = format.value(QLatin1String("duration")).toString().toDouble();
    for (const QJsonValue &v : root.value(QLatin1String("streams")).toArray()) {
        const QJsonObject s = v.toObject();
        const QString codec = s.value(QLatin1String("codec_name")).toString();
        const QString type = s.value(QLatin1String("codec_type")).toString();
        if (type == u"video" && f.videoCodec.isEmpty()) {
            f.videoCodec = codec;
            f.width = s.value(QLatin1String("width")).toInt();
        } else if (type == u"audio" && f.audioCodec.isEmpty()) {
            f.audioCodec = codec;
            f.sampleRate = s.value(QLatin1String("sample_rate")).toString().toInt();
            f.channels = s.value(QLatin1String("channels")).toInt();
        }
    }
    return f;
}

int CountFreezes(const QString &path)
{
    const ProgramRun c = Capture(QStringLiteral("ffmpeg"),
                                 Args("-hide_banner -nostdin -i", path,
                                      "-map 0:v:0 -vf freezedetect=n=-60dB:d=0.5 -f null -"));
    return int(c.err.count("freeze_start"));
}

ProgramRun DecodeRun(const QString &path)
{
    return {QStringLiteral("ffmpeg"), Args("-nostdin -v error -i", path, "-f null -")};
}

QString DecodeComplaints(const ProgramRun &c)
{
    // Lines of ffmpeg's dummy output ("[null @ ...]") concern its own re-timing of decoded
    // frames whose first time is not a whole number of frames, not the file.
    QStringList kept;
    for (const QString &line : QString::fromUtf8(c.err).split(u'\n', Qt::SkipEmptyParts))
        if (!line.startsWith(QStringLiteral("[null @")))
            kept << line;
    if (c.code != 0)
        kept << QStringLiteral("exit code %1").arg(c.code);
    return kept.join(u'\n');
}

QString DecodeComplaints(const QString &path)
{
    const ProgramRun decode = DecodeRun(path);
    return DecodeComplaints(Capture(decode.program, decode.args));
}

void RunAll(std::vector<ProgramRun> &runs, int parallel)
{
    for (size_t first = 0; first < runs.size(); first += size_t(parallel)) {
        std::vector<std::unique_ptr<QProcess>> batch;
        for (size_t i = first; i < std::min(runs.size(), first + size_t(parallel)); ++i)
            batch.push_back(Start(runs[i].program, runs[i].args, runs[i].keepOutput));
        for (size_t k = 0; k < batch.size(); ++k)
            Finish(*batch[k], runs[first + k]);
    }
}

} // namespace qvj::test
