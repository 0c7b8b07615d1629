// The real encoder's two stages on clips unlike in every way: the joined file keeps its sound
// in sync with the picture, is as long as its inputs and never freezes.
#include "EncoderTestSupport.h"
#include "pipeline/runs/CommandLine.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iostream>
#include <utility>

namespace qvj::test {
namespace {

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
    const ProbedFile f = ProbeFile(output);
    EXPECT_EQ(f.format + u' ' + f.videoCodec + u' ' + f.audioCodec,
              QStringLiteral("avi mpeg4 mp3"));
    double sync = 0, length = 0;
    CheckJoined(output, inputs, "two stages, unlike inputs", &sync, &length);
    std::cout << "[ measured ] two stages, " << inputs.size()
              << " unlike inputs: worst sync offset " << sync * 1000 << " ms, length error "
              << length * 1000 << " ms\n";
}

} // namespace
} // namespace qvj::test
