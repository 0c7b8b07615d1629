// Every choice of every shipped profile, one at a time with the others at the profile's own
// selection, goes through the option builder and both encoder stages and must give a file
// that plays, in the profile's container, in sync and as long as its inputs.
#include "EncoderTestSupport.h"
#include "pipeline/runs/CommandLine.h"
#include "profiles/OptionBuilder.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/ProfileSettings.h"
#include "tasks/MediaProbe.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

TEST(EncoderProfiles, EveryChoiceOfEveryShippedProfileGivesAPlayableFile)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.mp4"));
    const QString b = dir.filePath(QStringLiteral("b clip.avi"));
    ASSERT_TRUE(MakeSyncClip(a, {}));
    ASSERT_TRUE(MakeSyncClip(b, {"30", 176, 144, 48000, 1}));

    // Both stages for one choice: the conversion once per frame size, intermediates in a folder
    // of their own. The output: the program's own probe for its size, ffprobe for the container,
    // and the measurements of a join.
    std::map<QString, QString> folderOfSize;
    double sync = 0, length = 0;
    auto run = [&](const QString &size, const QString &options, const QString &ext,
                   const std::string &what) {
        QString &folder = folderOfSize[size];
        if (folder.isEmpty()) {
            folder = dir.filePath(QStringLiteral("size%1/").arg(folderOfSize.size()));
            ASSERT_TRUE(QDir().mkpath(folder));
            for (int i : {0, 1}) {
                const ProgramRun r = RunEncoderLine(
                    ConversionCommandLine(i ? b : a, IntermediateFile(folder, i), size));
                ASSERT_EQ(r.code, 0) << what << '\n' << r.err.toStdString();
            }
        }
        const QString output = dir.filePath(QStringLiteral("out") + ext);
        const ProgramRun join
            = RunEncoderLine(JoinCommandLine(JoinInputList(folder, 2), output, options));
        EXPECT_EQ(join.code, 0) << what << '\n' << join.err.toStdString();
        const MediaProbeResult probed = ProbeMedia(output);
        EXPECT_TRUE(probed.ok) << what << ' ' << probed.error.toStdString();
        EXPECT_EQ(probed.sizeText, QString(size).replace(u':', u'x')) << what;
        EXPECT_EQ(ProbeFile(output).format, FormatOfType(ext)) << what;
        CheckJoined(output, {a, b}, what, &sync, &length);
        QFile::remove(output);
    };

    // Every choice, one at a time; a choice the option string does not show (an MP3 mode with
    // WMA sound) is run once.
    std::set<QString> seen;
    const ProfileCatalogue catalogue = ProfileCatalogue::List(BuildProgramDirectory());
    for (int p = 0; p < catalogue.Count(); ++p) {
        const QString path = catalogue.PathOf(p);
        ProfileSettings loaded;
        loaded.LoadProfile(path);
        if (loaded.StreamCopy())
            continue; // copies have a test of their own: they never take these two stages
        for (ProfileOption option : kProfileOptions) {
            ProfileSettings original;
            original.LoadProfile(path);
            for (int i = 0; i < original.Captions(option).size(); ++i) {
                ProfileSettings settings;
                settings.LoadProfile(path);
                settings.SetIndex(option, i);
                const QString ext = settings.OutputExtension(),
                              size = GetVideoSizeValue(settings, path);
                const QString options = BuildEncoderOptions(settings, path);
                if (seen.insert(ext + size + options).second)
                    run(size, options, ext,
                        QString(catalogue.Names().at(p) + u" / " + SectionName(option) + u": "
                                + original.Captions(option).at(i) + u" -> [" + options + u']')
                            .toStdString());
            }
        }
    }
    EXPECT_GE(seen.size(), 8u);
    std::cout << "[ measured ] " << seen.size() << " distinct choices of " << catalogue.Count()
              << " profiles, 2 inputs each: worst sync offset " << sync * 1000
              << " ms, worst length error " << length * 1000 << " ms\n";
}

} // namespace
} // namespace qvj::test
