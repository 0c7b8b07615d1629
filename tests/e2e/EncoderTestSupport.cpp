#include "EncoderTestSupport.h"

#include "pipeline/CommandLine.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
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
// the decoded file's clock; frozen stretches of half a second or more; ffmpeg's complaints.
struct DecodedFile
{
    std::vector<double> flashes;
    std::vector<double> beeps;
    int freezes = 0;
    QString complaints; // empty for a clean file
};

DecodedFile DecodeFile(const QString &path)
{
    const ProgramRun c
        = Capture(QStringLiteral("ffmpeg"),
                  Args("-hide_banner -nostdin -nostats -loglevel +level+info -i", path,
                       "-af silencedetect=n=-16dB:d=0.1 -vf freezedetect=n=-60dB:d=0.5,"
                       "negate,blackdetect=d=0 -f null -"));
    static const QRegularExpression event(
        QStringLiteral("(silence_start|silence_end|black_start|freeze_start): ?(-?[0-9.]+)"));
    DecodedFile d;
    double soundFrom = -1; // a beep counts once silence follows it, not when the file ends
    for (const QString &line : QString::fromUtf8(c.err).split(u'\n', Qt::SkipEmptyParts)) {
        // The null output's complaints concern ffmpeg's own re-timing of frames, not the file.
        if ((line.contains(u"[error]") || line.contains(u"[fatal]"))
            && !line.startsWith(u"[null @"))
            d.complaints += line + u'\n';
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
    for (const QString &in : inputs) {
        const DecodedFile e = DecodeFile(in);
        const std::vector<double> own = Offsets(e);
        total += ProbeFile(in).seconds;
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

QString EncoderProgram()
{
    return BuildProgramDirectory() + QStringLiteral("asapi.dll");
}

ProgramRun RunEncoderLine(const QString &commandLine)
{
    return Capture(EncoderProgram(), SplitCommandLine(commandLine));
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
    for (const QJsonValue &v : root.value(QLatin1String("streams")).toArray()) {
        const QJsonObject s = v.toObject();
        const QString type = s.value(QLatin1String("codec_type")).toString();
        QString *codec = type == u"video" ? &f.videoCodec
            : type == u"audio"            ? &f.audioCodec
                                          : nullptr;
        if (codec && codec->isEmpty())
            *codec = s.value(QLatin1String("codec_name")).toString();
    }
    return f;
}

} // namespace qvj::test
