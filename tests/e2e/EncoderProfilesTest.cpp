// Every choice of every shipped profile, one at a time with the others at the profile's own
// selection, goes through the option builder and both encoder stages and must give a file
// that plays, in the profile's container, as long as its inputs.
#include "EncoderTestSupport.h"
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

// ffprobe's name of the format a file of this type must have.
QString FormatOfType(const QString &extension)
{
    const QString e = extension.toLower().mid(1);
    if (e == u"mp4" || e == u"mov")
        return QStringLiteral("mov,mp4,m4a,3gp,3g2,mj2");
    if (e == u"mpg" || e == u"vob")
        return QStringLiteral("mpeg");
    return e == u"wmv" ? QStringLiteral("asf") : e;
}

struct Choice
{
    std::string what; // profile, choice and option string, for messages
    QString size, options, output, format;
};

TEST(EncoderProfiles, EveryChoiceOfEveryShippedProfileGivesAPlayableFile)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.mp4"));
    const QString b = dir.filePath(QStringLiteral("b clip.avi"));
    // clang-format off
    ASSERT_TRUE(MakeClip(a, {.seconds = 0.5, .width = 160, .height = 120, .extra = {}}));
    ASSERT_TRUE(MakeClip(b, {.seconds = 0.5, .width = 176, .height = 144, .fps = QStringLiteral("24"),
                             .sampleRate = 22050, .channels = 1, .extra = {}}));
    // clang-format on

    // Every choice, without repeats of the same command line: a choice the option string does
    // not show (an MP3 mode with WMA sound) is run once.
    std::vector<Choice> choices;
    std::set<QString> seen;
    const ProfileCatalogue catalogue = ProfileCatalogue::List(BuildProgramDirectory());
    for (int p = 0; p < catalogue.Count(); ++p) {
        const QString path = catalogue.PathOf(p);
        for (ProfileOption option : kProfileOptions) {
            ProfileSettings original;
            original.LoadProfile(path);
            for (int i = 0; i < original.Captions(option).size(); ++i) {
                ProfileSettings settings;
                settings.LoadProfile(path);
                settings.SetIndex(option, i);
                const QString ext = settings.OutputExtension();
                Choice c {{},
                          GetVideoSizeValue(settings, path),
                          BuildEncoderOptions(settings, path),
                          dir.filePath(QString::number(choices.size()) + ext),
                          FormatOfType(ext)};
                if (!seen.insert(ext + c.size + c.options).second)
                    continue;
                c.what = QString(catalogue.Names().at(p) + u" / " + SectionName(option) + u": "
                                 + original.Captions(option).at(i) + u" -> [" + c.options + u']')
                             .toStdString();
                choices.push_back(c);
            }
        }
    }
    ASSERT_GE(choices.size(), 8u);

    // The conversion stage once per frame size, intermediates in a folder of their own; then
    // the joining stage for every choice.
    std::map<QString, QString> folderOfSize;
    std::vector<ProgramRun> conversions, joins;
    for (const Choice &c : choices) {
        if (folderOfSize.count(c.size))
            continue;
        const QString folder = dir.filePath(QStringLiteral("size%1/").arg(folderOfSize.size()));
        ASSERT_TRUE(QDir().mkpath(folder));
        folderOfSize[c.size] = folder;
        for (int i : {0, 1})
            conversions.push_back({EncoderProgram(),
                                   SplitCommandLine(ConversionCommandLine(
                                       i ? b : a, IntermediateFile(folder, i), c.size))});
    }
    RunAll(conversions);
    for (const ProgramRun &r : conversions)
        ASSERT_EQ(r.code, 0) << r.args.join(u' ').toStdString() << '\n' << r.err.toStdString();
    for (const Choice &c : choices)
        joins.push_back({EncoderProgram(),
                         SplitCommandLine(JoinCommandLine(JoinInputList(folderOfSize[c.size], 2),
                                                          c.output, c.options))});
    RunAll(joins);

    // Each output: the program's own probe for length and size, ffprobe for the container, and
    // a full decode.
    for (size_t i = 0; i < choices.size(); ++i) {
        const Choice &c = choices[i];
        const MediaProbeResult probed = ProbeMedia(c.output);
        EXPECT_EQ(joins[i].code, 0) << c.what << '\n' << joins[i].err.toStdString();
        EXPECT_TRUE(probed.ok) << c.what << ' ' << probed.error.toStdString();
        EXPECT_NEAR(TimeTextToSeconds(probed.lengthText), 1.0, 0.2) << c.what;
        EXPECT_EQ(probed.sizeText, QString(c.size).replace(u':', u'x')) << c.what;
        EXPECT_EQ(ProbeFile(c.output).format, c.format) << c.what;
        EXPECT_EQ(DecodeFile(c.output).complaints, QString()) << c.what;
    }
    std::cout << "[ measured ] " << choices.size() << " distinct choices of " << catalogue.Count()
              << " profiles\n";
}

} // namespace
} // namespace qvj::test
