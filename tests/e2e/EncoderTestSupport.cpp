#include "EncoderTestSupport.h"

#include "platform/RawNames.h"

#include "pipeline/runs/CommandLine.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <iostream>
#include <map>
#include <utility>

namespace qvj::test {

namespace {

// Blank-separated arguments around the file: "before" path "after".
QStringList Args(const char *before, const QString &path, const char *after)
{
    return QString::fromLatin1(before).split(u' ', Qt::SkipEmptyParts) + QStringList {path}
    + QString::fromLatin1(after).split(u' ', Qt::SkipEmptyParts);
}

ProgramRun Capture(const QString &program, const QStringList &args)
{
    ProgramRun run {program, args};
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished();
    }
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    const bool exited
        = p.error() == QProcess::UnknownError && p.exitStatus() == QProcess::NormalExit;
    run.code = exited ? p.exitCode() : -1;
    return run;
}

// What one full decode of a file shows: where flashes (first white frame) and beeps start, on
// the decoded file's clock; frozen stretches of half a second or more; ffmpeg's complaints;
// with shapes, the box around everything brighter than black in each frame.
struct DecodedFile
{
    struct Box
    {
        double t;
        int width, height;
    };
    std::vector<double> flashes;
    std::vector<double> beeps;
    std::vector<Box> boxes;
    int freezes = 0;
    QString complaints; // empty for a clean file
};

// A flash fills the picture, which black bars may narrow: half the frame counts as a flash,
// or a quarter with shapes, whose pictures are plain black; with shapes, every frame's box
// around what is brighter than black is measured.
DecodedFile DecodeFile(const QString &path, bool shapes = false)
{
    const QString picture = shapes ? QStringLiteral("cropdetect=limit=20:round=2:reset=1,"
                                                    "freezedetect=n=-60dB:d=0.5,negate,"
                                                    "blackdetect=d=0:pic_th=0.25")
                                   : QStringLiteral("freezedetect=n=-60dB:d=0.5,negate,"
                                                    "blackdetect=d=0:pic_th=0.5");
    const ProgramRun c = Capture(QStringLiteral("ffmpeg"),
                                 Args("-hide_banner -nostdin -nostats -loglevel +level+info -i",
                                      path, "-af silencedetect=n=-16dB:d=0.1 -vf")
                                     << picture << QStringLiteral("-f") << QStringLiteral("null")
                                     << QStringLiteral("-"));
    static const QRegularExpression event(
        QStringLiteral("(silence_start|silence_end|black_start|freeze_start): ?(-?[0-9.]+)"));
    static const QRegularExpression box(
        QStringLiteral("x1:(\\d+) x2:(\\d+) y1:(\\d+) y2:(\\d+) .* t:(-?[0-9.]+)"));
    DecodedFile d;
    double soundFrom = -1; // a beep counts once silence follows it, not when the file ends
    for (const QString &line : QString::fromUtf8(c.err).split(u'\n', Qt::SkipEmptyParts)) {
        // The null output's complaints concern ffmpeg's own re-timing of frames, not the file.
        if ((line.contains(u"[error]") || line.contains(u"[fatal]"))
            && !line.startsWith(u"[null @"))
            d.complaints += line + u'\n';
        if (const QRegularExpressionMatch b = box.match(line); b.hasMatch()) {
            d.boxes.push_back({b.captured(5).toDouble(),
                               b.captured(2).toInt() - b.captured(1).toInt() + 1,
                               b.captured(4).toInt() - b.captured(3).toInt() + 1});
            continue;
        }
        const QRegularExpressionMatch m = event.match(line);
        const QString kind = m.captured(1);
        const double t = m.captured(2).toDouble();
        if (kind == u"black_start")
            d.flashes.push_back(t);
        else if (kind == u"freeze_start")
            ++d.freezes;
        else if (kind == u"silence_end")
            soundFrom = t;
        else if (kind == u"silence_start" && soundFrom >= 0)
            d.beeps.push_back(std::exchange(soundFrom, -1));
    }
    if (c.code != 0)
        d.complaints += QStringLiteral("exit code %1").arg(c.code);
    return d;
}

// The sound-against-picture offset of each beep: the beep's start less the nearest flash's.
std::vector<double> Offsets(const DecodedFile &e)
{
    std::vector<double> offsets;
    for (double beep : e.beeps) {
        double best = 1e9;
        for (double flash : e.flashes)
            if (std::abs(beep - flash) < std::abs(best))
                best = beep - flash;
        offsets.push_back(best);
    }
    return offsets;
}

} // namespace

void CheckJoined(const QString &output, const std::vector<QString> &inputs, const std::string &what,
                 double *worstSync, double *worstLength)
{
    double total = 0;
    size_t flashes = 0;
    std::vector<double> expected;
    // An input is measured once, however many joins and tests name it: the same path, size
    // and time of writing are the same file.
    static std::map<QString, std::pair<DecodedFile, double>> measured;
    for (const QString &in : inputs) {
        const QFileInfo info(in);
        const QString key = QStringLiteral("%1|%2|%3")
                                .arg(info.absoluteFilePath())
                                .arg(info.size())
                                .arg(info.lastModified().toMSecsSinceEpoch());
        auto found = measured.find(key);
        if (found == measured.end())
            found = measured.emplace(key, std::pair(DecodeFile(in), ProbeFile(in).seconds)).first;
        const DecodedFile &e = found->second.first;
        const std::vector<double> own = Offsets(e);
        total += found->second.second;
        flashes += e.flashes.size();
        expected.insert(expected.end(), own.begin(), own.end());
    }
    ASSERT_EQ(flashes, 2 * inputs.size()) << what; // the measurement finds the inputs' own
    ASSERT_GE(expected.size(), 4u) << what;
    const double lengthError = ProbeFile(output).seconds - total;
    EXPECT_LE(std::abs(lengthError), 0.1 * double(inputs.size())) << what;
    *worstLength = std::max(*worstLength, std::abs(lengthError));
    const DecodedFile e = DecodeFile(output);
    EXPECT_EQ(e.flashes.size(), flashes) << what;
    const std::vector<double> offsets = Offsets(e);
    ASSERT_EQ(offsets.size(), expected.size()) << what;
    for (size_t i = 0; i < offsets.size(); ++i) {
        const double moved = offsets[i] - expected[i];
        *worstSync = std::max(*worstSync, std::abs(moved));
        EXPECT_LE(std::abs(moved), 0.045)
            << what << ": beep at " << e.beeps[i] << " s moved " << moved;
    }
    EXPECT_EQ(e.freezes, 0) << what;
    EXPECT_EQ(e.complaints, QString()) << what;
}

namespace {

// The median of the values, 0 for none.
double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

bool NearAny(double t, const std::vector<double> &times, double within)
{
    return std::any_of(times.begin(), times.end(),
                       [&](double u) { return std::abs(t - u) <= within; });
}

// The shown width over height of the boxes measured between from and to (times near the
// avoided ones left out), using the output's pixel shape.
double BoxAspect(const DecodedFile &d, double from, double to, const std::vector<double> &avoid,
                 double pixelAspect)
{
    std::vector<double> widths, heights;
    for (const DecodedFile::Box &b : d.boxes)
        if (b.t >= from && b.t <= to && !NearAny(b.t, avoid, 0.15)) {
            widths.push_back(b.width);
            heights.push_back(b.height);
        }
    const double h = Median(heights);
    return h > 0 ? Median(widths) * pixelAspect / h : 0;
}

} // namespace

void CheckCorpusJoin(const QString &output, const std::vector<JoinedInput> &inputs,
                     const std::string &what, JoinFigures *worst)
{
    const ProbedFile out = ProbeFile(output);
    ASSERT_GT(out.fps, 0) << what;
    const double pixelAspect = out.displayAspect * out.height / out.width;
    const DecodedFile d = DecodeFile(output, true);
    const std::vector<double> offsets = Offsets(d);
    EXPECT_EQ(d.freezes, 0) << what;
    EXPECT_EQ(d.complaints, QString()) << what;
    ASSERT_EQ(d.flashes.size(), 2 * inputs.size()) << what;
    double start = 0;
    size_t beep = 0; // an input without sound has no beeps in its segment
    for (size_t i = 0; i < inputs.size(); ++i) {
        const JoinedInput &in = inputs[i];
        const std::string name = what + ", " + in.path.section(u'/', -1).toStdString();
        const std::vector<double> own = Offsets(DecodeFile(in.path));
        // The measurement finds the input's own.
        ASSERT_TRUE(own.size() == 2u || (own.empty() && ProbeFile(in.path).audioCodec.isEmpty()))
            << name;
        for (size_t k = 0; k < 2; ++k) {
            const double misplaced = d.flashes[2 * i + k] - (start + in.flashes[k]);
            worst->timeline = std::max(worst->timeline, std::abs(misplaced));
            EXPECT_LE(std::abs(misplaced), 0.1) << name << ": flash moved " << misplaced;
            if (own.empty())
                continue;
            ASSERT_LT(beep, offsets.size()) << name;
            const double moved = offsets[beep++] - own[k];
            worst->sync = std::max(worst->sync, std::abs(moved));
            EXPECT_LE(std::abs(moved), 0.040) << name << ": beep moved " << moved;
        }
        const std::vector<double> flashes {d.flashes[2 * i], d.flashes[2 * i + 1]};
        const double square
            = BoxAspect(d, start + 0.1, start + in.seconds - 0.1, flashes, pixelAspect) - 1;
        double picture = 0; // the flash fills the picture up to its bars
        for (double f : flashes)
            picture = std::max(
                picture,
                std::abs(BoxAspect(d, f + 0.01, f + 0.07, {}, pixelAspect) / in.shownAspect - 1));
        worst->square = std::max(worst->square, std::abs(square));
        worst->picture = std::max(worst->picture, picture);
        EXPECT_LE(std::abs(square), 0.03) << name << ": the square is out of shape";
        EXPECT_LE(picture, 0.03) << name << ": the picture is out of shape";
        start += in.seconds;
    }
    EXPECT_EQ(beep, offsets.size()) << what;
    const double lengthError = out.seconds - start;
    worst->length = std::max(worst->length, std::abs(lengthError));
    EXPECT_LE(std::abs(lengthError), double(inputs.size()) / out.fps) << what;
}

QString EncoderProgram()
{
    return BuildProgramDirectory() + QStringLiteral("asapi.dll");
}

ProgramRun RunEncoderLine(const QString &commandLine)
{
    return Capture(EncoderProgram(), SplitCommandLine(commandLine));
}

JoinRun RunQuintorJoin(const QStringList &args, const JoinRunSettings &settings)
{
    QProcess p;
    JoinRun r;
    bool sent = false;
    const auto interrupt = [&] {
        sent = true;
        ::kill(pid_t(p.processId()), settings.interruptSignal);
    };
    QEventLoop loop;
    QObject::connect(&p, &QProcess::readyReadStandardError, [&] {
        r.err += QString::fromUtf8(p.readAllStandardError());
        if (!settings.interruptWhen.isEmpty() && !sent && r.err.contains(settings.interruptWhen))
            interrupt();
    });
    QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!settings.interruptFile.isEmpty() && !sent && QFile::exists(settings.interruptFile))
            interrupt();
    });
    poll.start(50);
    p.setProcessEnvironment(settings.env);
    if (!settings.workDir.isEmpty())
        p.setWorkingDirectory(settings.workDir);
    QElapsedTimer clock;
    clock.start();
    p.start(settings.programDir + QStringLiteral("quintor-join"), args);
    if (!settings.input.isEmpty())
        p.write(settings.input);
    p.closeWriteChannel();
    QTimer::singleShot(240000, &loop, &QEventLoop::quit);
    if (p.waitForStarted())
        loop.exec();
    r.ms = clock.elapsed();
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.err += QString::fromUtf8(p.readAllStandardError());
    // The output names the written file by its bytes.
    r.out = NameFromBytes(p.readAllStandardOutput());
    if (p.exitStatus() == QProcess::NormalExit)
        r.code = p.exitCode();
    return r;
}

QStringList FrameSums(const QString &path)
{
    QProcess p;
    p.start(S("ffmpeg"),
            {S("-v"), S("error"), S("-autorotate"), S("0"), S("-i"), path, S("-map"), S("0:v:0"),
             S("-f"), S("framemd5"), S("-")});
    p.waitForFinished(300000);
    QStringList sums;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n'))
        if (!line.startsWith('#') && line.contains(','))
            sums << QString::fromLatin1(line.split(',').last().trimmed());
    return sums;
}

std::vector<double> FlashTimesIn(const QString &path)
{
    return DecodeFile(path, true).flashes;
}

qint64 VideoFrames(const QString &path)
{
    return Capture(QStringLiteral("ffprobe"),
                   Args("-v error -select_streams v:0 -count_packets -show_entries "
                        "stream=nb_read_packets -of csv=p=0",
                        path, ""))
        .out.trimmed()
        .toLongLong();
}

bool MakeSyncClip(const QString &path, const SyncClip &clip)
{
    QString video = QStringLiteral("testsrc2=s=%1x%2:r=%3:d=1.6")
                        .arg(clip.width)
                        .arg(clip.height)
                        .arg(clip.fps);
    // Every third frame on time, the others 8 ms late: on a clock of milliseconds, as the
    // frame rate's own clock would round the delay away.
    if (clip.variableRate)
        video += QStringLiteral(",settb=1/1000,setpts='PTS+if(mod(N\\,3)\\,8\\,0)'");
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
    const auto ratio = [](const QJsonValue &v, QChar separator) {
        const QStringList parts = v.toString().split(separator);
        const double den = parts.size() == 2 ? parts.at(1).toDouble() : 0;
        return den > 0 ? parts.at(0).toDouble() / den : 0.0;
    };
    for (const QJsonValue &v : root.value(QLatin1String("streams")).toArray()) {
        const QJsonObject s = v.toObject();
        const QString type = s.value(QLatin1String("codec_type")).toString();
        QString *codec = type == u"video" ? &f.videoCodec
            : type == u"audio"            ? &f.audioCodec
                                          : nullptr;
        if (codec && codec->isEmpty())
            *codec = s.value(QLatin1String("codec_name")).toString();
        if (type == u"video" && f.width == 0) {
            f.width = s.value(QLatin1String("width")).toInt();
            f.height = s.value(QLatin1String("height")).toInt();
            f.fps = ratio(s.value(QLatin1String("r_frame_rate")), u'/');
            const double sar = ratio(s.value(QLatin1String("sample_aspect_ratio")), u':');
            f.displayAspect = f.height ? f.width * (sar > 0 ? sar : 1.0) / f.height : 0;
        }
    }
    return f;
}

bool MakeCountingClip(const QString &path, double beepAt, const QStringList &codec, double seconds)
{
    const QStringList video = codec.isEmpty()
        ? QStringList {S("-c:v"), S("libx264"), S("-g"), S("30"), S("-bf"), S("2")}
        : codec;
    return RunProgram(QStringLiteral("ffmpeg"),
                      QStringList {S("-v"), S("error"), S("-y"), S("-f"), S("lavfi"), S("-i"),
                                   S("color=c=black:s=320x240:r=30:d=%1,format=gray,"
                                     "geq=lum='if(bitand(N\\,pow(2\\,floor(X/40)))\\,235\\,16)',"
                                     "format=yuv420p")
                                       .arg(seconds),
                                   S("-f"), S("lavfi"), S("-i"),
                                   S("sine=f=1000:d=%3,volume=0:enable='not(between(t\\,%1\\,%2))'")
                                       .arg(beepAt)
                                       .arg(beepAt + 0.2)
                                       .arg(seconds)}
                          + video + QStringList {S("-c:a"), S("aac"), S("-shortest"), path})
        == 0;
}

QList<int> FrameNumbers(const QString &path)
{
    QProcess ffmpeg;
    ffmpeg.start(S("ffmpeg"),
                 {S("-v"), S("error"), S("-i"), path, S("-vf"),
                  S("scale=8:1:flags=area,format=gray"), S("-f"), S("rawvideo"), S("-")});
    ffmpeg.waitForFinished(120000);
    const QByteArray bytes = ffmpeg.readAllStandardOutput();
    QList<int> numbers;
    for (qsizetype f = 0; f + 8 <= bytes.size(); f += 8) {
        int n = 0;
        for (int bit = 0; bit < 8; ++bit)
            n |= (quint8(bytes[f + bit]) > 128 ? 1 : 0) << bit;
        numbers << n;
    }
    return numbers;
}

QList<double> BeepStarts(const QString &path)
{
    QString log;
    RunProgram(
        S("ffmpeg"),
        {S("-i"), path, S("-af"), S("silencedetect=n=-30dB:d=0.05"), S("-f"), S("null"), S("-")},
        &log);
    QList<double> starts;
    const QRegularExpression end(S("silence_end: ([0-9.]+)"));
    for (auto m = end.globalMatch(log); m.hasNext();)
        starts << m.next().captured(1).toDouble();
    return starts;
}

} // namespace qvj::test
