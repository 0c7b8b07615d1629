// Joins without re-encoding through the real encoder: groups of clips of one kind are found
// to fit and come out in sync, as long as their inputs and with every frame; clips that differ
// in one property each are refused naming it, from the encoder and from quintor-join.
#include "EncoderTestSupport.h"
#include "pipeline/checks/SourceCheck.h"
#include "pipeline/checks/SourceFit.h"
#include "pipeline/runs/CommandLine.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

namespace {

using namespace qvj::test;

const QStringList h264aac {S("-c:v"), S("libx264"), S("-c:a"), S("aac")};
const QStringList h264ac3 {S("-c:v"), S("libx264"), S("-c:a"), S("ac3")};

// The clip with its sound moved by seconds against its picture (later when positive).
bool ShiftSound(const QString &from, const QString &to, double seconds)
{
    const QString offset = QString::number(std::abs(seconds), 'f', 3);
    QStringList args {S("-v"), S("error"), S("-y")};
    if (seconds < 0)
        args << S("-itsoffset") << offset; // the picture comes later
    args << S("-i") << from;
    if (seconds > 0)
        args << S("-itsoffset") << offset;
    args << S("-i") << from << S("-map") << S("0:v") << S("-map") << S("1:a") << S("-c")
         << S("copy") << to;
    return RunProgram(S("ffmpeg"), args) == 0;
}

std::vector<SourceFacts> Identify(const QStringList &files)
{
    const ProgramRun run = RunEncoderLine(SourceCheck::CommandLine(files));
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    return ParseIdentifyOutput(QString::fromUtf8(run.out));
}

QString InputList(const QStringList &files)
{
    QString list;
    for (const QString &f : files)
        list += u' ' + QuotePath(f);
    return list;
}

TEST(StreamCopyJoin, GroupsOfOneKindStayInSyncWithEveryFrame)
{
    QTemporaryDir dir;
    const QStringList mpeg4mp3 {S("-c:v"), S("mpeg4"), S("-c:a"), S("libmp3lame")};
    const struct
    {
        const char *name, *extension;
        SyncClip clip;
        std::vector<double> soundShifts; // per clip, 0 for none
    } groups[] = {
        // clang-format off
        {"phone mp4", ".mp4", {S("30000/1001"), 320, 240, 48000, 2, true, false, h264aac}, {0, 0, 0}},
        {"camera mkv", ".mkv", {S("25"), 176, 144, 48000, 2, true, false, h264ac3}, {0, 0, 0}},
        {"sound early and late", ".mp4", {S("25"), 160, 120, 44100, 2, true, false, h264aac}, {0.06, -0.05, 0, 0.03}},
        {"variable rate", ".mkv", {S("25"), 160, 120, 44100, 1, true, true, h264aac}, {0, 0, 0}},
        {"mpeg-4 part 2", ".mp4", {S("25"), 160, 120, 44100, 2, true, false, mpeg4mp3}, {0, 0}},
        // clang-format on
    };
    double worstSync = 0, worstLength = 0, worstFrameError = 0;
    for (const auto &g : groups) {
        SCOPED_TRACE(g.name);
        QStringList inputs;
        for (size_t i = 0; i < g.soundShifts.size(); ++i) {
            const QString source
                = dir.filePath(S("%1-%2-src%3").arg(S(g.name)).arg(i).arg(S(g.extension)));
            ASSERT_TRUE(MakeSyncClip(source, g.clip));
            const QString input
                = dir.filePath(S("%1 %2%3").arg(S(g.name)).arg(i).arg(S(g.extension)));
            ASSERT_TRUE(g.soundShifts[i] == 0 ? QFile::rename(source, input)
                                              : ShiftSound(source, input, g.soundShifts[i]));
            inputs << input;
        }
        const std::vector<SourceFacts> facts = Identify(inputs);
        ASSERT_EQ(facts.size(), size_t(inputs.size()));
        EXPECT_EQ(facts.front().variableRate, g.clip.variableRate);
        EXPECT_EQ(SourceMisfits(facts, inputs, S(g.extension)), QStringList());

        const QString output = dir.filePath(S("joined") + S(g.extension));
        const ProgramRun join
            = RunEncoderLine(JoinCommandLine(InputList(inputs), output, S(" -ovc copy -oac copy")));
        ASSERT_EQ(join.code, 0) << join.err.toStdString();
        EXPECT_TRUE(join.out.contains("Pos:"));

        double sync = 0, length = 0;
        CheckJoined(output, std::vector<QString>(inputs.begin(), inputs.end()), g.name, &sync,
                    &length);
        EXPECT_LE(sync, 0.040);
        // As long as the inputs within one frame each, and every frame of every input there.
        const double frame = 1 / facts.front().fps;
        EXPECT_LE(length, frame * inputs.size()) << length;
        int frames = 0;
        for (const QString &in : inputs)
            frames += VideoFrames(in);
        EXPECT_EQ(VideoFrames(output), frames);
        worstSync = std::max(worstSync, sync);
        worstLength = std::max(worstLength, length);
        worstFrameError = std::max(worstFrameError, length / frame / double(inputs.size()));
        QFile::remove(output);
    }
    std::cout << "[ measured ] copy joins: worst sync " << worstSync * 1000
              << " ms, worst length error " << worstLength * 1000 << " ms (" << worstFrameError
              << " frame per input)\n";
}

TEST(StreamCopyJoin, EachDifferenceIsNamedAndNothingIsWritten)
{
    QTemporaryDir dir;
    // The first file's settings with other encoder options, size, rate, sound or codecs.
    const auto clip = [&](QStringList extra, int width = 160, const char *fps = "25",
                          int rate = 44100, int channels = 2, bool audio = true) {
        return SyncClip {S(fps), width, 120, rate, channels, audio, false, extra};
    };
    const auto with = [&](QStringList extra) { return clip(h264aac + extra); };
    const struct
    {
        const char *name;
        SyncClip clip;
        const char *named; // in the file's line
    } variants[] = {
        // clang-format off
        {"same settings otherwise", with({S("-crf"), S("35"), S("-preset"), S("veryfast")}), nullptr},
        {"size", clip(h264aac, 176), "176x120 at 25 fps; most of the video is 160x120 at 25 fps"},
        {"rate", clip(h264aac, 160, "30"), "160x120 at 30 fps; most of the video"},
        {"profile", with({S("-profile:v"), S("baseline")}), "H.264 (Constrained Baseline) video; most of the video is H.264 (High) video"},
        {"pixels", with({S("-pix_fmt"), S("yuvj420p")}), "pixel format yuvj420p; most of the video has yuv420p"},
        {"aspect", with({S("-vf"), S("setsar=4/3")}), "pixel aspect 4:3; most of the video has 1:1"},
        {"codec", clip({S("-c:v"), S("mpeg4"), S("-c:a"), S("aac")}), "MPEG-4 Part 2 (Simple Profile) video; most of the video is H.264 (High) video"},
        {"sound codec", clip(h264ac3), "sound AC3 2 channels; most of the video has AAC (LC) 2 channels"},
        {"rate of sound", clip(h264aac, 160, "25", 48000), "at 48000 Hz; most of the video has AAC (LC) 2 channels at 44100 Hz"},
        {"channels", clip(h264aac, 160, "25", 44100, 1), "sound AAC (LC) 1 channel; most of the video"},
        {"no sound", clip(h264aac, 160, "25", 44100, 2, false), "no sound; most of the video has AAC (LC) 2 channels"},
        // clang-format on
    };
    QStringList inputs {dir.filePath(S("first.mp4"))};
    ASSERT_TRUE(MakeSyncClip(inputs.front(), clip(h264aac)));
    for (const auto &v : variants) {
        inputs << dir.filePath(S(v.name) + S(".mp4"));
        ASSERT_TRUE(MakeSyncClip(inputs.back(), v.clip)) << v.name;
    }
    QStringList names;
    for (const QString &in : inputs)
        names << QFileInfo(in).fileName();
    const QStringList lines = SourceMisfits(Identify(inputs), names, S(".mp4"));
    for (const auto &v : variants) {
        const QString prefix = S(v.name) + S(".mp4: ");
        const auto line = std::find_if(lines.begin(), lines.end(),
                                       [&](const QString &l) { return l.startsWith(prefix); });
        if (!v.named) {
            EXPECT_EQ(line, lines.end()) << v.name; // other encoder settings still fit
            continue;
        }
        ASSERT_NE(line, lines.end()) << v.name << '\n' << lines.join(u'\n').toStdString();
        EXPECT_TRUE(line->contains(S(v.named))) << line->toStdString();
    }
    EXPECT_EQ(lines.size(), qsizetype(std::size(variants)) - 1);
}

TEST(StreamCopyJoin, QuintorJoinCopiesOrPrintsTheDifferences)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(S("a.mp4")), b = dir.filePath(S("b.mp4")),
                  small = dir.filePath(S("small clip.mp4"));
    for (const QString &clip : {a, b})
        ASSERT_TRUE(MakeSyncClip(clip, {S("25"), 160, 120, 44100, 2, true, false, h264aac}));
    ASSERT_TRUE(MakeSyncClip(small, {S("25"), 176, 144, 44100, 2, true, false, h264aac}));
    const auto join = [&](const char *profile, const QString &output, const QStringList &inputs) {
        return RunQuintorJoin(
            QStringList {S("--profile"), S(profile), S("--temp"), dir.path(), S("-o"), output}
            + inputs);
    };
    for (const char *profile :
         {"MP4 - Same as Source (No Re-encoding)", "MKV - Same as Source (No Re-encoding)"}) {
        SCOPED_TRACE(profile);
        const QString mp4 = QString::fromUtf8(profile).startsWith(u"MP4") ? S("mp4") : S("mkv");
        const QString output = dir.filePath(S("joined.") + mp4);
        const JoinRun joined = join(profile, output, {a, b});
        EXPECT_EQ(joined.code, 0) << joined.err.toStdString();
        EXPECT_EQ(VideoFrames(output), VideoFrames(a) + VideoFrames(b));
        EXPECT_EQ(ProbeFile(output).format.contains(u"matroska"), mp4 == u"mkv");

        const QString refused = dir.filePath(S("refused.") + mp4);
        const JoinRun r = join(profile, refused, {a, small, b});
        const QString why = r.out + r.err;
        EXPECT_NE(r.code, 0);
        EXPECT_TRUE(why.contains(
            S("\nsmall clip.mp4: 176x144 at 25 fps; most of the video is 160x120 at 25 fps\n")))
            << why.toStdString();
        EXPECT_TRUE(why.contains(S("\"MP4 - H.264 Video\""))) << why.toStdString();
        EXPECT_FALSE(QFileInfo::exists(refused));
    }
}

} // namespace
