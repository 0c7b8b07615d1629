// A folder of one phone's clips with a few odd ones, joined by quintor-join --fit with the
// "Same as Source" profiles: only the odd files are converted, the others are copied frame for
// frame, every picture upright and of its own shape, the sound in step, the whole file clean
// to ffmpeg's strictest decode; without --fit the same folder is refused naming the choice.
#include "DeviceCorpus.h"
#include "EncoderTestSupport.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>

namespace qvj::test {
namespace {

// The length of one stream of the file as its packets give it, in seconds.
double StreamSeconds(const QString &path, const char *stream)
{
    QString text;
    RunProgram(S("ffprobe"),
               {S("-v"), S("error"), S("-select_streams"), S(stream), S("-show_entries"),
                S("packet=pts_time,duration_time"), S("-of"), S("csv=p=0"), path},
               &text);
    double end = 0;
    for (const QString &line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(u',');
        end = std::max(end, parts.value(0).toDouble() + parts.value(1).toDouble());
    }
    return end;
}

// The PSNR of frames [first, first + count) of the joined file against the source brought to
// the joined file's frame the way a conversion brings it: upright, at the rate, within bars.
double SegmentPsnr(const QString &joined, const QString &source, int first, int count,
                   const ProbedFile &out)
{
    const QString graph
        = S("[0:v]trim=start_frame=%1:end_frame=%2,setpts=PTS-STARTPTS[a];"
            "[1:v]fps=%3,scale=%4:%5:force_original_aspect_ratio=decrease:force_divisible_by=2,"
            "pad=%4:%5:(ow-iw)/2:(oh-ih)/2,setsar=1,format=yuv420p[b];[a][b]psnr")
              .arg(first)
              .arg(first + count)
              .arg(out.fps)
              .arg(out.width)
              .arg(out.height);
    QString log;
    RunProgram(S("ffmpeg"),
               {S("-hide_banner"), S("-nostats"), S("-i"), joined, S("-i"), source,
                S("-filter_complex"), graph, S("-f"), S("null"), S("-")},
               &log);
    static const QRegularExpression average(S("average:([0-9.]+|inf)"));
    const auto m = average.match(log);
    if (!m.hasMatch())
        return 0;
    return m.captured(1) == u"inf" ? 100 : m.captured(1).toDouble();
}

struct Figures
{
    double worstPsnr = 100;
    int keptChecked = 0;
    JoinFigures join;
};

// What becomes of a file in the fit: copied as it is, converted whole, or its sound alone
// converted and its picture copied.
enum class Fate { Kept, Whole, Sound };

void JoinWithFit(const char *profile, const char *extension, const QString &dir,
                 const std::vector<DeviceClip> &clips, const std::vector<Fate> &fates,
                 Figures *figures)
{
    const QString output = dir + S("/joined") + S(extension);
    QStringList args {S("--profile"), S(profile), S("--temp"), dir + S("/temp"),
                      S("--fit"),     S("-o"),    output};
    std::vector<JoinedInput> inputs;
    for (const DeviceClip &c : clips) {
        args << dir + S("/") + c.name;
        inputs.push_back({args.back(), c.seconds, ShownAspect(c), FlashTimes(c)});
    }
    const JoinRun run = RunQuintorJoin(args);
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const int converted = int(fates.size() - std::count(fates.begin(), fates.end(), Fate::Kept));
    const int soundOnly = int(std::count(fates.begin(), fates.end(), Fate::Sound));
    EXPECT_TRUE(run.err.contains(S("Converting %1 files to match").arg(converted)))
        << run.err.toStdString();
    EXPECT_EQ(run.err.contains(S("The sound of %1 files is converted; their picture is kept as it "
                                 "is.")
                                   .arg(soundOnly)),
              soundOnly > 1)
        << run.err.toStdString();
    // The question comes first, then the conversion's stage, then the join's.
    const qsizetype asked = run.err.indexOf(S("Converting %1 files to match").arg(converted));
    const qsizetype converting = run.err.indexOf(S("Prepare (Converting):"));
    const qsizetype joining = run.err.indexOf(S("Final Step: Joining all files..."));
    EXPECT_TRUE(converted == 0 || (asked < converting && converting < joining))
        << run.err.toStdString();
    EXPECT_EQ(QDir(dir + S("/temp")).entryList(QDir::Files | QDir::Hidden), QStringList());

    CheckCorpusJoin(output, inputs, profile, &figures->join);
    QString complaints;
    EXPECT_EQ(
        RunProgram(S("ffmpeg"),
                   {S("-v"), S("error"), S("-xerror"), S("-i"), output, S("-f"), S("null"), S("-")},
                   &complaints),
        0);
    // The decoders say nothing. (The null writer of this check notes an equal sound time at a
    // join in Matroska, whose times are whole milliseconds; the copy route without any
    // conversion gives the same.)
    QStringList decoderLines = complaints.split(u'\n', Qt::SkipEmptyParts);
    decoderLines.removeIf([](const QString &l) { return l.startsWith(S("[null @")); });
    EXPECT_EQ(decoderLines, QStringList()) << profile;

    // Every kept file's pictures are its own, bit for bit, where its segment lies, and so are
    // those of a file whose sound alone was converted; a converted file's are as good as its
    // source; the counts add up; the sound lasts as long as the picture.
    const ProbedFile out = ProbeFile(output);
    const QStringList joined = FrameSums(output);
    int start = 0;
    for (size_t i = 0; i < clips.size(); ++i) {
        const QString source = inputs[i].path;
        int frames = int(std::lround(clips[i].seconds * out.fps));
        if (fates[i] != Fate::Whole) {
            const QStringList own = FrameSums(source);
            frames = int(own.size());
            EXPECT_EQ(joined.mid(start, frames), own)
                << profile << ": " << clips[i].name.toStdString();
            ++figures->keptChecked;
        } else {
            const double psnr = SegmentPsnr(output, source, start, frames, out);
            figures->worstPsnr = std::min(figures->worstPsnr, psnr);
            EXPECT_GE(psnr, 40) << profile << ": " << clips[i].name.toStdString();
        }
        start += frames;
    }
    EXPECT_EQ(joined.size(), start) << profile;
    EXPECT_NEAR(StreamSeconds(output, "a:0"), StreamSeconds(output, "v:0"), 0.040) << profile;
}

TEST(FitJoin, OnlyTheOddFilesAreConvertedAndTheRestCopiedFrameForFrame)
{
    QTemporaryDir work;
    const QString dir = work.path();
    const auto x264 = [](const char *more) {
        return S("-c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac ")
            .append(S(more))
            .split(u' ', Qt::SkipEmptyParts);
    };
    const DeviceClip phone {.name = S("phone a.mp4"),
                            .width = 320,
                            .height = 240,
                            .fps = S("30"),
                            .seconds = 2.4,
                            .codecs = x264("")};
    std::vector<DeviceClip> clips {phone, phone, phone, phone, phone, phone};
    clips[1].name = S("other mode.mp4"), clips[1].width = 256, clips[1].height = 144,
    clips[1].fps = S("25");
    clips[2].name = S("phone b.mp4");
    clips[3].name = S("held upright.mp4"), clips[3].rotation = 90;
    clips[4].name = S("phone c.mp4");
    clips[5].name = S("other sound.mp4"), clips[5].sampleRate = 44100, clips[5].channels = 1;
    using enum Fate;
    const std::vector<Fate> fates {Kept, Whole, Kept, Whole, Kept, Sound};
    for (const DeviceClip &c : clips)
        ASSERT_TRUE(MakeDeviceClip(dir, c));

    // Without --fit the folder is refused, and the refusal names the choice.
    QStringList plain {S("--profile"), S("MP4 - Same as Source (No Re-encoding)"), S("-o"),
                       dir + S("/refused.mp4")};
    for (const DeviceClip &c : clips)
        plain << dir + S("/") + c.name;
    const JoinRun refused = RunQuintorJoin(plain);
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains(S("held upright.mp4: shown turned a quarter to the right; "
                                       "most of the video is shown upright")))
        << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(S("\n--fit converts only the files listed")));
    EXPECT_FALSE(QFileInfo::exists(dir + S("/refused.mp4")));

    Figures figures;
    JoinWithFit("MP4 - Same as Source (No Re-encoding)", ".mp4", dir, clips, fates, &figures);
    JoinWithFit("MKV - Same as Source (No Re-encoding)", ".mkv", dir, clips, fates, &figures);
    std::cout << "[ measured ] --fit, MP4 and MKV: " << figures.keptChecked
              << " kept segments frame for frame, worst PSNR of a converted one "
              << figures.worstPsnr << " dB, worst sync " << figures.join.sync * 1000
              << " ms, square " << figures.join.square * 100 << " % off, picture shape "
              << figures.join.picture * 100 << " % off, length error " << figures.join.length * 1000
              << " ms\n";
}

// A camera's 1080p30 clips, one with 44.1 kHz mono sound and one without sound among them:
// those two keep their picture bit for bit and get the camera's sound, in step and as long as
// their picture.
TEST(FitJoin, ASoundOnlyFitKeepsThePictureBitForBit)
{
    QTemporaryDir work;
    const QString dir = work.path();
    const DeviceClip camera {
        .name = S("camera a.mp4"),
        .width = 1920,
        .height = 1080,
        .fps = S("30"),
        .seconds = 2.4,
        .codecs = S("-c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac").split(u' ')};
    // The kept files count their picture's time in 1/90000 s as phones do; the others in the
    // writer's own ticks, which a copy would read on the first file's clock as they are.
    DeviceClip phone = camera;
    phone.codecs << S("-video_track_timescale") << S("90000");
    std::vector<DeviceClip> clips {phone, camera, phone, camera, phone};
    clips[1].name = S("camera mono.mp4"), clips[1].sampleRate = 44100, clips[1].channels = 1;
    clips[2].name = S("camera b.mp4");
    clips[3].name = S("camera mute.mp4"), clips[3].sound = false;
    clips[4].name = S("camera c.mp4");
    for (const DeviceClip &c : clips)
        ASSERT_TRUE(MakeDeviceClip(dir, c));
    using enum Fate;
    Figures figures;
    JoinWithFit("MP4 - Same as Source (No Re-encoding)", ".mp4", dir, clips,
                {Kept, Sound, Kept, Sound, Kept}, &figures);
    std::cout << "[ measured ] --fit of the sound alone, 1080p30: " << figures.keptChecked
              << " segments frame for frame, worst sync " << figures.join.sync * 1000
              << " ms, length error " << figures.join.length * 1000 << " ms\n";
}

} // namespace
} // namespace qvj::test
