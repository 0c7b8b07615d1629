// Every choice of every shipped profile, one at a time with the others at the profile's own
// selection, goes through the option builder and both encoder stages and must give a file
// that plays, in the profile's container, as long as its inputs.
#include "EncoderTestSupport.h"
#include "common/TestSupport.h"
#include "pipeline/CommandLine.h"
#include "profiles/OptionBuilder.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/ProfileSettings.h"
#include "tasks/MediaProbe.h"
#include "tasks/TimeText.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <map>
#include <set>

namespace qvj::test {
namespace {

constexpr double kClipSeconds = 0.5;

struct ChoiceRun
{
    QString profile;
    QString choice; // "Section: Caption"
    QString size; // the video size value
    QString options; // the option string
    QString extension;
    QString output;
};

// ffprobe's name of the format each profile type must give.
QString FormatOfType(const QString &extension)
{
    static const std::map<QString, QString> formats {
        {QStringLiteral(".avi"), QStringLiteral("avi")},
        {QStringLiteral(".mpg"), QStringLiteral("mpeg")},
        {QStringLiteral(".vob"), QStringLiteral("mpeg")},
        {QStringLiteral(".mp4"), QStringLiteral("mov,mp4,m4a,3gp,3g2,mj2")},
        {QStringLiteral(".mov"), QStringLiteral("mov,mp4,m4a,3gp,3g2,mj2")},
        {QStringLiteral(".wmv"), QStringLiteral("asf")},
        {QStringLiteral(".asf"), QStringLiteral("asf")},
        {QStringLiteral(".flv"), QStringLiteral("flv")}};
    const auto it = formats.find(extension.toLower());
    return it == formats.end() ? QStringLiteral("?") : it->second;
}

// The decoder's complaints about a file. Lines of ffmpeg's dummy output ("[null @ ...]") are left
// out: they concern its own re-timing of decoded frames whose first time is not a whole number of
// frames (an FLV whose video starts after the MP3 encoder's priming delay), not the file.
QString DecodeComplaints(const QByteArray &err)
{
    QStringList kept;
    for (const QString &line : QString::fromUtf8(err).split(u'\n', Qt::SkipEmptyParts))
        if (!line.startsWith(QStringLiteral("[null @")))
            kept.append(line);
    return kept.join(u'\n');
}

// The runs of every choice of every profile, without repeats of the same command line.
std::vector<ChoiceRun> EveryChoice(const QString &programDir, const QString &outDir)
{
    std::vector<ChoiceRun> runs;
    std::set<QString> seen;
    const ProfileCatalogue catalogue = ProfileCatalogue::List(programDir);
    for (int p = 0; p < catalogue.Count(); ++p) {
        const QString path = catalogue.PathOf(p);
        for (ProfileOption option : kProfileOptions) {
            ProfileSettings probe;
            probe.LoadProfile(path);
            for (int i = 0; i < probe.Captions(option).size(); ++i) {
                ProfileSettings settings;
                settings.LoadProfile(path);
                settings.SetIndex(option, i);
                ChoiceRun run;
                run.profile = catalogue.Names().at(p);
                run.choice
                    = SectionName(option) + QStringLiteral(": ") + probe.Captions(option).at(i);
                run.size = GetVideoSizeValue(settings, path);
                run.options = BuildEncoderOptions(settings, path);
                run.extension = settings.OutputExtension();
                if (!seen.insert(run.extension + u'|' + run.size + u'|' + run.options).second)
                    continue; // a choice the option string does not show (an MP3 mode with WMA)
                run.output = outDir + QStringLiteral("/%1%2").arg(runs.size()).arg(run.extension);
                runs.push_back(run);
            }
        }
    }
    return runs;
}

TEST(EncoderProfiles, EveryChoiceOfEveryShippedProfileGivesAPlayableFile)
{
    const QString programDir = BuildProgramDirectory();
    QTemporaryDir dir;
    const QString outDir = dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(outDir));

    // Two clips unlike each other, as a user's would be.
    const QString a = dir.filePath(QStringLiteral("a.mp4"));
    const QString b = dir.filePath(QStringLiteral("b clip.avi"));
    ClipSpec second;
    second.fps = QStringLiteral("24");
    second.width = 176;
    second.height = 144;
    second.sampleRate = 22050;
    second.channels = 1;
    ClipSpec first;
    first.seconds = second.seconds = kClipSeconds;
    first.width = 160;
    first.height = 120;
    ASSERT_TRUE(MakeClip(a, first));
    ASSERT_TRUE(MakeClip(b, second));

    const std::vector<ChoiceRun> runs = EveryChoice(programDir, outDir);
    ASSERT_GE(runs.size(), 8u);

    // The conversion stage, once per frame size: intermediates in a folder of their own.
    std::map<QString, QString> folderOfSize;
    std::vector<ProgramRun> conversions;
    for (const ChoiceRun &r : runs) {
        if (folderOfSize.count(r.size))
            continue;
        const QString folder
            = dir.filePath(QStringLiteral("size%1").arg(folderOfSize.size())) + u'/';
        ASSERT_TRUE(QDir().mkpath(folder));
        folderOfSize[r.size] = folder;
        int index = 0;
        for (const QString &input : {a, b})
            conversions.push_back({EncoderProgram(),
                                   SplitCommandLine(ConversionCommandLine(
                                       input, IntermediateFile(folder, index++), r.size)),
                                   false, -1, {}, {}});
    }
    RunAll(conversions);
    for (const ProgramRun &c : conversions)
        ASSERT_EQ(c.code, 0) << c.args.join(u' ').toStdString() << '\n' << c.err.toStdString();

    // The joining stage, for every choice.
    std::vector<ProgramRun> joins;
    for (const ChoiceRun &r : runs)
        joins.push_back({EncoderProgram(),
                         SplitCommandLine(JoinCommandLine(JoinInputList(folderOfSize[r.size], 2),
                                                          r.output, r.options)),
                         false, -1, {}, {}});
    RunAll(joins);

    // Each output: the program's own probe for length and size, ffprobe for the container,
    // and a full decode.
    std::vector<ProgramRun> checks;
    for (const ChoiceRun &r : runs) {
        checks.push_back({QStringLiteral("ffprobe"),
                          {QStringLiteral("-v"), QStringLiteral("error"),
                           QStringLiteral("-show_entries"), QStringLiteral("format=format_name"),
                           QStringLiteral("-of"), QStringLiteral("default=nw=1:nk=1"), r.output},
                          true, -1, {}, {}});
        checks.push_back({QStringLiteral("ffmpeg"),
                          {QStringLiteral("-nostdin"), QStringLiteral("-v"),
                           QStringLiteral("error"), QStringLiteral("-i"), r.output,
                           QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")},
                          true, -1, {}, {}});
    }
    RunAll(checks);

    int failures = 0;
    for (size_t i = 0; i < runs.size(); ++i) {
        const ChoiceRun &r = runs[i];
        const std::string what = QString(r.profile + QStringLiteral(" / ") + r.choice
                                         + QStringLiteral(" -> [") + r.options + u']')
                                     .toStdString();
        EXPECT_EQ(joins[i].code, 0) << what << '\n' << joins[i].err.toStdString();
        if (joins[i].code != 0) {
            ++failures;
            continue;
        }
        const MediaProbeResult probed = ProbeMedia(r.output);
        const QString format = QString::fromUtf8(checks[2 * i].out.trimmed());
        const ProgramRun &decode = checks[2 * i + 1];
        const bool ok = probed.ok
            && std::abs(TimeTextToSeconds(probed.lengthText) - 2 * kClipSeconds) <= 0.2
            && probed.sizeText == QString(r.size).replace(u':', u'x')
            && format == FormatOfType(r.extension) && decode.code == 0
            && DecodeComplaints(decode.err).isEmpty();
        EXPECT_TRUE(probed.ok) << what << ": " << probed.error.toStdString();
        EXPECT_NEAR(TimeTextToSeconds(probed.lengthText), 2 * kClipSeconds, 0.2) << what;
        EXPECT_EQ(probed.sizeText, QString(r.size).replace(u':', u'x')) << what;
        EXPECT_EQ(format, FormatOfType(r.extension)) << what;
        EXPECT_EQ(decode.code, 0) << what << '\n' << decode.err.toStdString();
        EXPECT_EQ(DecodeComplaints(decode.err), QString()) << what;
        if (!ok)
            ++failures;
    }
    std::cout << "[ measured ] " << runs.size() << " distinct choices of "
              << ProfileCatalogue::List(programDir).Count() << " profiles, " << failures
              << " failed\n";
}

} // namespace
} // namespace qvj::test
