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
#include <string>

namespace qvj::test {
namespace {

constexpr double kClipSeconds = 0.5;

struct ChoiceRun
{
    std::string what; // profile, choice and option string, for messages
    QString size; // the video size value
    QString options; // the option string
    QString format; // ffprobe's name of the format the profile's type must give
    QString output {};
};

QString FormatOfType(const QString &extension)
{
    const QString e = extension.toLower();
    if (e == u".mp4" || e == u".mov")
        return QStringLiteral("mov,mp4,m4a,3gp,3g2,mj2");
    if (e == u".mpg" || e == u".vob")
        return QStringLiteral("mpeg");
    return e == u".wmv" ? QStringLiteral("asf") : e.mid(1);
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
            ProfileSettings original;
            original.LoadProfile(path);
            const QStringList captions = original.Captions(option);
            for (int i = 0; i < captions.size(); ++i) {
                ProfileSettings settings;
                settings.LoadProfile(path);
                settings.SetIndex(option, i);
                ChoiceRun r {{},
                             GetVideoSizeValue(settings, path),
                             BuildEncoderOptions(settings, path),
                             FormatOfType(settings.OutputExtension())};
                // a choice the option string does not show (an MP3 mode with WMA) is run once
                if (!seen.insert(settings.OutputExtension() + r.size + r.options).second)
                    continue;
                r.what = QString(catalogue.Names().at(p) + QStringLiteral(" / ")
                                 + SectionName(option) + QStringLiteral(": ") + captions.at(i)
                                 + QStringLiteral(" -> [") + r.options + u']')
                             .toStdString();
                r.output
                    = outDir + QStringLiteral("/%1").arg(runs.size()) + settings.OutputExtension();
                runs.push_back(r);
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
    ASSERT_TRUE(MakeClip(a, SizedClip(kClipSeconds, 160, 120)));
    ClipSpec second = SizedClip(kClipSeconds, 176, 144);
    second.fps = QStringLiteral("24");
    second.sampleRate = 22050;
    second.channels = 1;
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
                                   false});
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
                         false});
    RunAll(joins);

    // Each output: the program's own probe for length and size, ffprobe for the container,
    // and a full decode.
    std::vector<ProgramRun> checks;
    for (const ChoiceRun &r : runs) {
        checks.push_back({QStringLiteral("ffprobe"),
                          {QStringLiteral("-v"), QStringLiteral("error"),
                           QStringLiteral("-show_entries"), QStringLiteral("format=format_name"),
                           QStringLiteral("-of"), QStringLiteral("default=nw=1:nk=1"), r.output}});
        checks.push_back(DecodeRun(r.output));
    }
    RunAll(checks);
    int failures = 0;
    for (size_t i = 0; i < runs.size(); ++i) {
        const ChoiceRun &r = runs[i];
        EXPECT_EQ(joins[i].code, 0) << r.what << '\n' << joins[i].err.toStdString();
        const MediaProbeResult probed = ProbeMedia(r.output);
        const QString format = QString::fromUtf8(checks[2 * i].out.trimmed());
        QString problems = DecodeComplaints(checks[2 * i + 1]);
        auto check = [&](bool ok, const QString &text) {
            if (!ok)
                problems += u' ' + text;
        };
        check(probed.ok, probed.error);
        check(std::abs(TimeTextToSeconds(probed.lengthText) - 2 * kClipSeconds) <= 0.2,
              QStringLiteral("length ") + probed.lengthText);
        check(probed.sizeText == QString(r.size).replace(u':', u'x'),
              QStringLiteral("size ") + probed.sizeText);
        check(format == r.format, QStringLiteral("format ") + format);
        EXPECT_EQ(problems, QString()) << r.what;
        failures += joins[i].code != 0 || !problems.isEmpty();
    }
    std::cout << "[ measured ] " << runs.size() << " distinct choices of "
              << ProfileCatalogue::List(programDir).Count() << " profiles, " << failures
              << " failed\n";
}

} // namespace
} // namespace qvj::test
