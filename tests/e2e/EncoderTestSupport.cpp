#include "EncoderTestSupport.h"

#include "common/TestSupport.h"
#include "pipeline/CommandLine.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <cstdint>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>

namespace qvj::test {

namespace {

struct Captured
{
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Captured Capture(const QString &program, const QStringList &args, int timeoutMs = 120000)
{
    Captured c;
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForStarted())
        return c;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
    }
    c.out = p.readAllStandardOutput();
    c.err = p.readAllStandardError();
    if (p.exitStatus() == QProcess::NormalExit)
        c.code = p.exitCode();
    return c;
}

std::vector<double> PtsTimes(const QByteArray &log)
{
    static const QRegularExpression re(QStringLiteral("pts_time:\\s*(-?[0-9.]+)"));
    std::vector<double> times;
    auto it = re.globalMatch(QString::fromUtf8(log));
    while (it.hasNext())
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
    const Captured c = Capture(EncoderProgram(), SplitCommandLine(commandLine), 300000);
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
    const QString flashes = QStringLiteral("between(t,0.4,0.4999)+between(t,1.2,1.2999)");
    QString video = QStringLiteral("testsrc2=s=%1x%2:r=%3:d=%4")
                        .arg(clip.width)
                        .arg(clip.height)
                        .arg(clip.fps)
                        .arg(kSyncClipSeconds);
    if (clip.variableRate) // every third frame on time, the others 8 ms late
        video += QStringLiteral(",setpts='PTS+if(mod(N\\,3)\\,0.008/TB\\,0)'");
    video += QStringLiteral(",drawbox=c=white:t=fill:enable='%1'").arg(flashes);
    QStringList args {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                      QStringLiteral("error"),        QStringLiteral("-y"),
                      QStringLiteral("-f"),           QStringLiteral("lavfi"),
                      QStringLiteral("-i"),           video};
    if (clip.audio)
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral(
                    "aevalsrc='0.8*sin(2*PI*1000*t)*(between(t,0.4,0.45)+between(t,1.2,1.25))'"
                    ":s=%1:d=%2")
                    .arg(clip.sampleRate)
                    .arg(kSyncClipSeconds)
             << QStringLiteral("-ac") << QString::number(clip.channels);
    if (clip.variableRate)
        args << QStringLiteral("-fps_mode") << QStringLiteral("vfr");
    args << clip.extra << QStringLiteral("-t") << QString::number(kSyncClipSeconds) << path;
    const Captured c = Capture(QStringLiteral("ffmpeg"), args);
    if (c.code != 0)
        std::cerr << "ffmpeg could not make " << path.toStdString() << ": " << c.err.toStdString();
    return c.code == 0;
}

AvEvents MeasureEvents(const QString &path)
{
    AvEvents events;
    const Captured sound = Capture(
        QStringLiteral("ffmpeg"),
        {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"), QStringLiteral("-i"), path,
         QStringLiteral("-map"), QStringLiteral("0:a:0"), QStringLiteral("-af"),
         QStringLiteral("aresample=48000,ashowinfo"), QStringLiteral("-ac"), QStringLiteral("1"),
         QStringLiteral("-f"), QStringLiteral("s16le"), QStringLiteral("-")});
    const std::vector<double> soundPts = PtsTimes(sound.err);
    if (!soundPts.empty()) {
        const qsizetype count = sound.out.size() / 2;
        double lastLoud = -1;
        for (qsizetype i = 0; i < count; ++i) {
            int16_t sample;
            std::memcpy(&sample, sound.out.constData() + 2 * i, 2);
            if (std::abs(int(sample)) < 5000)
                continue;
            const double t = soundPts.front() + double(i) / 48000;
            if (lastLoud < 0 || t - lastLoud > 0.2)
                events.beeps.push_back(t);
            lastLoud = t;
        }
    }
    const Captured picture
        = Capture(QStringLiteral("ffmpeg"),
                  {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"), QStringLiteral("-i"),
                   path, QStringLiteral("-map"), QStringLiteral("0:v:0"), QStringLiteral("-vf"),
                   QStringLiteral("scale=8:8,format=gray,showinfo"), QStringLiteral("-fps_mode"),
                   QStringLiteral("passthrough"), QStringLiteral("-f"), QStringLiteral("rawvideo"),
                   QStringLiteral("-")});
    const std::vector<double> framePts = PtsTimes(picture.err);
    bool wasBright = false;
    for (size_t f = 0; f < framePts.size() && qsizetype(f + 1) * 64 <= picture.out.size(); ++f) {
        int sum = 0;
        for (int b = 0; b < 64; ++b)
            sum += uint8_t(picture.out.at(qsizetype(f) * 64 + b));
        const bool bright = sum / 64 > 200;
        if (bright && !wasBright)
            events.flashes.push_back(framePts[f]);
        wasBright = bright;
    }
    return events;
}

ProbedFile ProbeFile(const QString &path)
{
    ProbedFile f;
    const Captured c
        = Capture(QStringLiteral("ffprobe"),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-print_format"),
                   QStringLiteral("json"), QStringLiteral("-show_streams"),
                   QStringLiteral("-show_format"), path});
    const QJsonObject root = QJsonDocument::fromJson(c.out).object();
    const QJsonObject format = root.value(QLatin1String("format")).toObject();
    f.format = format.value(QLatin1String("format_name")).toString();
    f.seconds = format.value(QLatin1String("duration")).toString().toDouble();
    for (const QJsonValue &v : root.value(QLatin1String("streams")).toArray()) {
        const QJsonObject s = v.toObject();
        const QString type = s.value(QLatin1String("codec_type")).toString();
        if (type == u"video" && f.videoCodec.isEmpty()) {
            f.videoCodec = s.value(QLatin1String("codec_name")).toString();
            f.width = s.value(QLatin1String("width")).toInt();
            f.height = s.value(QLatin1String("height")).toInt();
        } else if (type == u"audio" && f.audioCodec.isEmpty()) {
            f.audioCodec = s.value(QLatin1String("codec_name")).toString();
            f.sampleRate = s.value(QLatin1String("sample_rate")).toString().toInt();
            f.channels = s.value(QLatin1String("channels")).toInt();
        }
    }
    return f;
}

int CountFreezes(const QString &path, double minSeconds)
{
    const Captured c
        = Capture(QStringLiteral("ffmpeg"),
                  {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"), QStringLiteral("-i"),
                   path, QStringLiteral("-map"), QStringLiteral("0:v:0"), QStringLiteral("-vf"),
                   QStringLiteral("freezedetect=n=-60dB:d=%1").arg(minSeconds),
                   QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")});
    return int(c.err.count("freeze_start"));
}

bool DecodesCleanly(const QString &path)
{
    const Captured c
        = Capture(QStringLiteral("ffmpeg"),
                  {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"), QStringLiteral("-v"),
                   QStringLiteral("error"), QStringLiteral("-i"), path, QStringLiteral("-f"),
                   QStringLiteral("null"), QStringLiteral("-")});
    if (c.code != 0 || !c.err.trimmed().isEmpty())
        std::cerr << path.toStdString() << ": " << c.err.toStdString() << '\n';
    return c.code == 0 && c.err.trimmed().isEmpty();
}

void RunAll(std::vector<ProgramRun> &runs, int parallel)
{
    QEventLoop loop;
    size_t next = 0, finished = 0;
    std::vector<std::unique_ptr<QProcess>> processes(runs.size());
    std::function<void()> startMore = [&] {
        while (next < runs.size() && next - finished < size_t(parallel)) {
            const size_t i = next++;
            auto &p = processes[i];
            p = std::make_unique<QProcess>();
            p->setStandardInputFile(QProcess::nullDevice());
            if (!runs[i].keepOutput)
                p->setStandardOutputFile(QProcess::nullDevice());
            QObject::connect(p.get(), &QProcess::finished, &loop,
                             [&, i](int code, QProcess::ExitStatus status) {
                                 runs[i].code = status == QProcess::NormalExit ? code : -1;
                                 runs[i].out = processes[i]->readAllStandardOutput();
                                 runs[i].err = processes[i]->readAllStandardError();
                                 ++finished;
                                 startMore();
                                 if (finished == runs.size())
                                     loop.quit();
                             });
            QObject::connect(p.get(), &QProcess::errorOccurred, &loop,
                             [&, i](QProcess::ProcessError e) {
                                 if (e != QProcess::FailedToStart)
                                     return;
                                 runs[i].code = -1;
                                 ++finished;
                                 startMore();
                                 if (finished == runs.size())
                                     loop.quit();
                             });
            p->start(runs[i].program, runs[i].args);
        }
    };
    if (runs.empty())
        return;
    startMore();
    loop.exec();
}

} // namespace qvj::test
