// The real encoder on clips of every kind: joined files keep their sound in sync with the
// picture, are as long as their inputs, never freeze, in every container.
#include "EncoderTestSupport.h"
#include "pipeline/CommandLine.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <utility>

namespace qvj::test {
namespace {

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

// Compares the joined file with its inputs: every beep as far from its flash as in its input,
// the length their sum, no freeze, a clean decode. Prints the worst figures found.
void CheckJoined(const QString &output, const std::vector<QString> &inputs, const std::string &what)
{
    double total = 0, worstSync = 0;
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
    const DecodedFile e = DecodeFile(output);
    EXPECT_EQ(e.flashes.size(), flashes) << what;
    const std::vector<double> offsets = Offsets(e);
    ASSERT_EQ(offsets.size(), expected.size()) << what;
    for (size_t i = 0; i < offsets.size(); ++i) {
        const double moved = offsets[i] - expected[i];
        worstSync = std::max(worstSync, std::abs(moved));
        EXPECT_LE(std::abs(moved), 0.045)
            << what << ": beep at " << e.beeps[i] << " s moved " << moved;
    }
    EXPECT_EQ(e.freezes, 0) << what;
    EXPECT_EQ(e.complaints, QString()) << what;
    std::cout << "[ measured ] " << what << ": worst sync offset " << worstSync * 1000
              << " ms, length error " << lengthError * 1000 << " ms over " << inputs.size()
              << " inputs\n";
}

QString Described(const ProbedFile &f)
{
    return f.format + u' ' + f.videoCodec + u' ' + f.audioCodec;
}

TEST(EncoderJoin, TwoStagesOfUnlikeInputsKeepSyncLengthAndMotion)
{
    // Inputs that differ in every way the encoder must even out.
    const std::pair<const char *, SyncClip> kinds[] = {
        {"clip a.mp4", {}},
        {"Ünïcødé clip ü.avi", {"30000/1001", 176, 144, 22050, 1}},
        {"silent.mkv", {"24", 320, 240, 44100, 2, false}},
        {"sixty.mov", {"60", 128, 96, 48000, 6}},
        {"variable.mkv", {"25", 160, 120, 32000, 2, true, true}},
        // An MPEG program stream states no exact length; silent and last it ends the join.
        {"last silent.mpg",
         {"25", 160, 120, 44100, 2, false, false, {"-c:v", "mpeg1video", "-q:v", "2"}}},
    };
    QTemporaryDir dir;
    const QString temp = dir.filePath(QStringLiteral("temp/"));
    ASSERT_TRUE(QDir().mkpath(temp));
    std::vector<QString> inputs;
    for (const auto &[name, clip] : kinds) {
        inputs.push_back(dir.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(MakeSyncClip(inputs.back(), clip));
        const QString intermediate = IntermediateFile(temp, int(inputs.size()) - 1);
        const QString line
            = ConversionCommandLine(inputs.back(), intermediate, QStringLiteral("320:240"));
        ASSERT_EQ(RunEncoderLine(line).code, 0) << name;
    }
    const QString output = dir.filePath(QStringLiteral("joined movie.avi"));
    const ProgramRun join = RunEncoderLine(JoinCommandLine(
        JoinInputList(temp, int(inputs.size())), output,
        QStringLiteral(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect -oac "
                       "mp3lame -lameopts vbr=2:q=6 -channels 2 -vf scale=320:240 -srate 44100")));
    ASSERT_EQ(join.code, 0) << join.err.toStdString();
    // Header lines, then status lines whose position counts up across all the inputs.
    const QString out = QString::fromUtf8(join.out);
    const qsizetype firstPos = out.indexOf(QLatin1String("Pos:"));
    ASSERT_GT(firstPos, 0);
    EXPECT_FALSE(out.left(firstPos).contains(u'\r'));
    double last = -1;
    for (const QString &status : out.mid(firstPos).split(u'\r', Qt::SkipEmptyParts)) {
        const double position = status.mid(4, status.indexOf(u's', 4) - 4).toDouble();
        if (status.startsWith(QLatin1String("Pos:"))) {
            EXPECT_GE(position, std::exchange(last, position)) << status.toStdString();
        }
    }
    EXPECT_NEAR(last, 1.6 * double(inputs.size()), 0.1 * double(inputs.size()));
    EXPECT_EQ(Described(ProbeFile(output)), QStringLiteral("avi mpeg4 mp3"));
    CheckJoined(output, inputs, "two stages, unlike inputs");
}

TEST(EncoderJoin, EveryContainerPlaysInSyncAndAsLongAsItsInputs)
{
    QTemporaryDir dir;
    const std::vector<QString> inputs {dir.filePath(QStringLiteral("a.mp4")),
                                       dir.filePath(QStringLiteral("b.avi"))};
    ASSERT_TRUE(MakeSyncClip(inputs[0], {}));
    ASSERT_TRUE(MakeSyncClip(inputs[1], {"30", 160, 120, 48000, 1}));
    const struct
    {
        const char *extension, *video, *audio, *probed; // ffprobe's format and codecs
    } cases[] = {
        // clang-format off
        {"avi", "libx264:aspect=4/3", "lavc -lavcopts acodec=ac3:abitrate=192 -srate 48000", "avi h264 ac3"},
        {"avi", "msmpeg4:autoaspect", "lavc -lavcopts acodec=wmav2:abitrate=128", "avi msmpeg4v3 wmav2"},
        {"mpg", "mpeg1video:autoaspect", "lavc -lavcopts acodec=mp2:abitrate=224", "mpeg mpeg1video mp2"},
        {"vob", "mpeg2video:aspect=16:9", "lavc -lavcopts acodec=ac3:abitrate=192 -srate 48000", "mpeg mpeg2video ac3"},
        {"mp4", "libx264:autoaspect", "lavc -lavcopts acodec=aac:abitrate=128", "mov,mp4,m4a,3gp,3g2,mj2 h264 aac"},
        {"mov", "mjpeg:autoaspect", "pcm", "mov,mp4,m4a,3gp,3g2,mj2 mjpeg pcm_s16le"},
        {"wmv", "wmv2:autoaspect", "lavc -lavcopts acodec=wmav2:abitrate=128", "asf wmv2 wmav2"},
        {"flv", "flv:autoaspect", "mp3lame -lameopts abr:br=96 -srate 22050", "flv flv1 mp3"},
        {"mkv", "h263p:autoaspect", "lavc -lavcopts acodec=mp2:abitrate=128 -channels 1 -srate 32000", "matroska,webm h263 mp2"},
        // clang-format on
    };
    for (const auto &c : cases) {
        const QString output = dir.filePath(QStringLiteral("out.") + QLatin1String(c.extension));
        const QString options
            = QStringLiteral(" -ovc lavc -lavcopts vcodec=%1:vbitrate=800:mbd=2 -channels 2"
                             " -vf scale=176:144 -srate 44100 -oac %2")
                  .arg(QLatin1String(c.video), QLatin1String(c.audio));
        const QString line = JoinCommandLine(
            u' ' + QuotePath(inputs[0]) + u' ' + QuotePath(inputs[1]), output, options);
        ASSERT_EQ(RunEncoderLine(line).code, 0) << line.toStdString();
        EXPECT_EQ(Described(ProbeFile(output)), QString::fromLatin1(c.probed));
        CheckJoined(output, inputs, c.probed);
    }
}

} // namespace
} // namespace qvj::test
