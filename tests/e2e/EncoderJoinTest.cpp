// The real encoder on clips of every kind: joined files keep their sound in sync with the
// picture, are as long as their inputs, never freeze, in every container.
#include "EncoderTestSupport.h"
#include "common/TestSupport.h"
#include "pipeline/CommandLine.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <map>

namespace qvj::test {
namespace {

const QString kProfileOptions = QStringLiteral(
    " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect -oac mp3lame -lameopts"
    " vbr=2:q=6 -channels 2 -vf scale=320:240 -srate 44100");

struct Input
{
    QString name;
    SyncClip clip;
};

// Inputs that differ in every way the encoder must even out.
std::vector<Input> MixedInputs()
{
    std::vector<Input> inputs(6);
    inputs[0] = {QStringLiteral("clip a.mp4"), {}};
    inputs[1] = {QStringLiteral("Ünïcødé clip ü.avi"), {}};
    inputs[1].clip.fps = QStringLiteral("30000/1001");
    inputs[1].clip.width = 176;
    inputs[1].clip.height = 144;
    inputs[1].clip.sampleRate = 22050;
    inputs[1].clip.channels = 1;
    inputs[2] = {QStringLiteral("silent.mkv"), {}};
    inputs[2].clip.fps = QStringLiteral("24");
    inputs[2].clip.width = 320;
    inputs[2].clip.height = 240;
    inputs[2].clip.audio = false;
    inputs[3] = {QStringLiteral("sixty.mov"), {}};
    inputs[3].clip.fps = QStringLiteral("60");
    inputs[3].clip.width = 128;
    inputs[3].clip.height = 96;
    inputs[3].clip.sampleRate = 48000;
    inputs[3].clip.channels = 6;
    inputs[4] = {QStringLiteral("variable.mkv"), {}};
    inputs[4].clip.variableRate = true;
    inputs[4].clip.sampleRate = 32000;
    // An MPEG program stream states no exact length; silent and last it ends the join.
    inputs[5] = {QStringLiteral("last silent.mpg"), {}};
    inputs[5].clip.audio = false;
    inputs[5].clip.extra = QStringList {QStringLiteral("-c:v"), QStringLiteral("mpeg1video"),
                                        QStringLiteral("-q:v"), QStringLiteral("2")};
    return inputs;
}

// The sound-against-picture offset of each beep: the beep's start less the nearest flash's.
std::vector<double> Offsets(const AvEvents &e)
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

struct Measured
{
    double worstSync = 0; // how far a boundary moved the sound against the picture
    double durationError = 0; // output length less the inputs' total
};

struct InputFacts
{
    double seconds = 0;
    size_t flashes = 0;
    std::vector<double> offsets;
};

// The inputs' own length and offsets, measured once per file.
const InputFacts &FactsOf(const QString &input)
{
    static std::map<QString, InputFacts> known;
    auto it = known.find(input);
    if (it == known.end()) {
        InputFacts f;
        f.seconds = ProbeFile(input).seconds;
        const AvEvents e = MeasureEvents(input);
        f.flashes = e.flashes.size();
        f.offsets = Offsets(e);
        it = known.emplace(input, f).first;
    }
    return it->second;
}

// Compares the joined file with its inputs: sync of every beep, length, no freeze.
Measured CheckJoined(const QString &output, const std::vector<QString> &inputs)
{
    Measured m;
    double total = 0;
    std::vector<double> inputOffsets;
    size_t flashes = 0;
    for (const QString &in : inputs) {
        const InputFacts &f = FactsOf(in);
        total += f.seconds;
        flashes += f.flashes;
        inputOffsets.insert(inputOffsets.end(), f.offsets.begin(), f.offsets.end());
    }
    const ProbedFile out = ProbeFile(output);
    m.durationError = out.seconds - total;
    EXPECT_LE(std::abs(m.durationError), 0.1 * double(inputs.size()))
        << output.toStdString() << ": " << out.seconds << " s against " << total;

    const AvEvents e = MeasureEvents(output);
    EXPECT_EQ(e.flashes.size(), flashes) << output.toStdString();
    const std::vector<double> offsets = Offsets(e);
    EXPECT_EQ(offsets.size(), inputOffsets.size()) << output.toStdString();
    for (size_t i = 0; i < std::min(offsets.size(), inputOffsets.size()); ++i) {
        const double moved = offsets[i] - inputOffsets[i];
        m.worstSync = std::max(m.worstSync, std::abs(moved));
        EXPECT_LE(std::abs(moved), 0.045) << output.toStdString() << " beep " << i << " at "
                                          << e.beeps[i] << " s moved " << moved << " s";
    }
    EXPECT_EQ(CountFreezes(output), 0) << output.toStdString();
    EXPECT_TRUE(DecodesCleanly(output));
    return m;
}

class EncoderJoin : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        for (const Input &in : MixedInputs()) {
            const QString path = s_dir->filePath(in.name);
            if (MakeSyncClip(path, in.clip))
                s_inputs.push_back(path);
        }
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
        s_inputs.clear();
    }
    void SetUp() override { ASSERT_EQ(s_inputs.size(), MixedInputs().size()); }

    static inline QTemporaryDir *s_dir = nullptr;
    static inline std::vector<QString> s_inputs;
    QTemporaryDir m_dir;
};

TEST_F(EncoderJoin, TwoStagesWithTheProgramsCommandLinesKeepSyncLengthAndMotion)
{
    const QString temp = m_dir.filePath(QStringLiteral("temp")) + QLatin1Char('/');
    ASSERT_TRUE(QDir().mkpath(temp));
    for (size_t i = 0; i < s_inputs.size(); ++i)
        ASSERT_EQ(RunEncoderLine(ConversionCommandLine(s_inputs[i], IntermediateFile(temp, int(i)),
                                                       QStringLiteral("320:240"))),
                  0);
    const QString output = m_dir.filePath(QStringLiteral("joined movie.avi"));
    ASSERT_EQ(RunEncoderLine(JoinCommandLine(JoinInputList(temp, int(s_inputs.size())), output,
                                             kProfileOptions)),
              0);
    const ProbedFile f = ProbeFile(output);
    EXPECT_EQ(f.format, QStringLiteral("avi"));
    EXPECT_EQ(f.videoCodec, QStringLiteral("mpeg4"));
    EXPECT_EQ(f.width, 320);
    EXPECT_EQ(f.audioCodec, QStringLiteral("mp3"));
    EXPECT_EQ(f.sampleRate, 44100);
    EXPECT_EQ(f.channels, 2);
    const Measured m = CheckJoined(output, s_inputs);
    std::cout << "[ measured ] two stages, " << s_inputs.size() << " inputs: worst sync "
              << m.worstSync * 1000 << " ms, length error " << m.durationError * 1000 << " ms\n";
}

TEST_F(EncoderJoin, OneRunJoinsUnlikeInputsDirectly)
{
    QString line;
    for (const QString &in : s_inputs)
        line += QLatin1Char(' ') + QuotePath(in);
    const QString output = m_dir.filePath(QStringLiteral("direct.avi"));
    ASSERT_EQ(RunEncoderLine(JoinCommandLine(line, output, kProfileOptions)), 0);
    const Measured m = CheckJoined(output, s_inputs);
    std::cout << "[ measured ] one run, " << s_inputs.size() << " inputs: worst sync "
              << m.worstSync * 1000 << " ms, length error " << m.durationError * 1000 << " ms\n";
}

struct ContainerCase
{
    const char *extension;
    const char *options; // after the input list and the output
    const char *format; // ffprobe's format name
    const char *videoCodec;
    const char *audioCodec;
};

class EncoderContainers : public ::testing::TestWithParam<ContainerCase>
{
protected:
    // Two clips unlike in rate, sound and channels, made once for every container.
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        SyncClip second;
        second.fps = QStringLiteral("30");
        second.channels = 1;
        second.sampleRate = 48000;
        s_ready = MakeSyncClip(s_dir->filePath(QStringLiteral("a.mp4")), {})
            && MakeSyncClip(s_dir->filePath(QStringLiteral("b.avi")), second);
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }

    static inline QTemporaryDir *s_dir = nullptr;
    static inline bool s_ready = false;
};

TEST_P(EncoderContainers, JoinPlaysInSyncAndAsLongAsItsInputs)
{
    ASSERT_TRUE(s_ready);
    const ContainerCase &c = GetParam();
    const QString a = s_dir->filePath(QStringLiteral("a.mp4"));
    const QString b = s_dir->filePath(QStringLiteral("b.avi"));
    const QString output
        = s_dir->filePath(QStringLiteral("out.") + QString::fromLatin1(c.extension));
    ASSERT_EQ(RunEncoderLine(
                  JoinCommandLine(QLatin1Char(' ') + QuotePath(a) + QLatin1Char(' ') + QuotePath(b),
                                  output, QString::fromLatin1(c.options))),
              0);
    const ProbedFile f = ProbeFile(output);
    EXPECT_EQ(f.format, QString::fromLatin1(c.format));
    EXPECT_EQ(f.videoCodec, QString::fromLatin1(c.videoCodec));
    EXPECT_EQ(f.audioCodec, QString::fromLatin1(c.audioCodec));
    const Measured m = CheckJoined(output, {a, b});
    std::cout << "[ measured ] " << c.extension << ' ' << c.videoCodec << '/' << c.audioCodec
              << ": worst sync " << m.worstSync * 1000 << " ms, length error "
              << m.durationError * 1000 << " ms\n";
}

INSTANTIATE_TEST_SUITE_P(
    Table, EncoderContainers,
    ::testing::Values(
        ContainerCase {"avi",
                       " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=800:mbd=2:autoaspect -oac "
                       "mp3lame -lameopts vbr=2:q=6 -channels 2 -vf scale=176:144 -srate 44100",
                       "avi", "mpeg4", "mp3"},
        ContainerCase {
            "avi",
            " -ovc lavc -lavcopts vcodec=libx264:vbitrate=800:mbd=2:aspect=4/3 -oac lavc -lavcopts "
            "acodec=ac3:abitrate=192 -channels 2 -vf scale=176:144 -srate 48000",
            "avi", "h264", "ac3"},
        ContainerCase {
            "avi",
            " -ovc lavc -lavcopts vcodec=msmpeg4:vbitrate=800:mbd=2:autoaspect -oac lavc -lavcopts "
            "acodec=wmav2:abitrate=128 -channels 2 -vf scale=176:144 -srate 44100",
            "avi", "msmpeg4v3", "wmav2"},
        ContainerCase {"avi",
                       " -ovc lavc -lavcopts vcodec=wmv1:vbitrate=800:mbd=2:autoaspect -oac pcm "
                       "-channels 1 -vf scale=176:144 -srate 22050",
                       "avi", "wmv1", "pcm_s16le"},
        ContainerCase {
            "mpg",
            " -ovc lavc -lavcopts vcodec=mpeg1video:vbitrate=1150:mbd=2:autoaspect -oac lavc "
            "-lavcopts acodec=mp2:abitrate=224 -channels 2 -vf scale=352:240 -srate 44100",
            "mpeg", "mpeg1video", "mp2"},
        ContainerCase {
            "vob",
            " -ovc lavc -lavcopts vcodec=mpeg2video:vbitrate=4000:mbd=2:aspect=16:9 -oac lavc "
            "-lavcopts acodec=ac3:abitrate=192 -channels 2 -vf scale=352:288 -srate 48000",
            "mpeg", "mpeg2video", "ac3"},
        ContainerCase {
            "mp4",
            " -ovc lavc -lavcopts vcodec=libx264:vbitrate=800:mbd=2:autoaspect -oac lavc -lavcopts "
            "acodec=aac:abitrate=128 -channels 2 -vf scale=176:144 -srate 44100",
            "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac"},
        ContainerCase {"mov",
                       " -ovc lavc -lavcopts vcodec=mjpeg:vbitrate=2000:mbd=2:autoaspect -oac pcm "
                       "-channels 2 -vf scale=176:144 -srate 44100",
                       "mov,mp4,m4a,3gp,3g2,mj2", "mjpeg", "pcm_s16le"},
        ContainerCase {
            "wmv",
            " -ovc lavc -lavcopts vcodec=wmv2:vbitrate=800:mbd=2:autoaspect -oac lavc -lavcopts "
            "acodec=wmav2:abitrate=128 -channels 2 -vf scale=176:144 -srate 44100",
            "asf", "wmv2", "wmav2"},
        ContainerCase {"asf",
                       " -ovc lavc -lavcopts vcodec=msmpeg4v2:vbitrate=800:mbd=2:autoaspect -oac "
                       "mp3lame -lameopts cbr:br=128 -channels 2 -vf scale=176:144 -srate 44100",
                       "asf", "msmpeg4v2", "mp3"},
        ContainerCase {"flv",
                       " -ovc lavc -lavcopts vcodec=flv:vbitrate=800:mbd=2:autoaspect -oac mp3lame "
                       "-lameopts abr:br=96 -channels 2 -vf scale=176:144 -srate 22050",
                       "flv", "flv1", "mp3"},
        ContainerCase {
            "mkv",
            " -ovc lavc -lavcopts vcodec=h263p:vbitrate=800:mbd=2:autoaspect -oac lavc -lavcopts "
            "acodec=mp2:abitrate=128 -channels 2 -vf scale=176:144 -srate 32000",
            "matroska,webm", "h263", "mp2"}));

} // namespace
} // namespace qvj::test
