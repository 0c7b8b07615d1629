// How a profile says "copy the streams": a flag that older profiles do not have, so that every
// profile without it re-encodes as it always did; and the two shipped copy profiles.
#include "common/TestSupport.h"
#include "profiles/OptionBuilder.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/ProfileSettings.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace qvj::test;

TEST(StreamCopyProfile, OnlyAWholeNumberOtherThanZeroMeansCopy)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.bpf"));
    const struct
    {
        const char *main;
        bool copy;
    } cases[] = {
        {"Type=mp4", false},           {"Type=mp4\r\nCopy=0", false}, {"Copy=1", true},
        {"Copy=$1\r\nType=mkv", true}, {"Copy=yes", false},           {"Copy=1 ;copy", false},
    };
    ProfileSettings settings;
    for (const auto &c : cases) {
        WriteFile(path,
                  QByteArray("[Main]\r\n") + c.main
                      + "\r\n[Video Codec]\r\nItems=1\r\n"
                        "Caption0=H.264\r\nvalue0=libx264\r\nIndex=0\r\n");
        ASSERT_TRUE(settings.LoadProfile(path));
        EXPECT_EQ(settings.StreamCopy(), c.copy) << c.main;
        const QString options = BuildEncoderOptions(settings, path);
        if (c.copy)
            EXPECT_EQ(options, QStringLiteral(" -ovc copy -oac copy")) << c.main;
        else
            EXPECT_TRUE(options.startsWith(QStringLiteral(" -ovc lavc -lavcopts vcodec=libx264:")))
                << c.main << ' ' << options.toStdString();
    }
}

TEST(StreamCopyProfile, ShippedCopyProfilesDescribeEveryOptionAndOfferNoChoice)
{
    const ProfileCatalogue catalogue = ProfileCatalogue::List(BuildProgramDirectory());
    int copies = 0;
    for (int p = 0; p < catalogue.Count(); ++p) {
        ProfileSettings settings;
        ASSERT_TRUE(settings.LoadProfile(catalogue.PathOf(p)));
        const QString name = catalogue.Names().at(p);
        // The name says which kind it is, and the profile agrees.
        ASSERT_EQ(settings.StreamCopy(), name.contains(QStringLiteral("Same as Source")))
            << name.toStdString();
        if (!settings.StreamCopy())
            continue;
        ++copies;
        EXPECT_TRUE(name.startsWith(settings.OutputExtension().mid(1).toUpper()))
            << name.toStdString();
        for (const ProfileOption option : kProfileOptions) {
            EXPECT_EQ(settings.Captions(option), QStringList {QStringLiteral("Same as source")});
            EXPECT_EQ(settings.Text(option), QStringLiteral("Same as source"));
            settings.ShowDescription(option);
            EXPECT_GT(settings.DescriptionText().indexOf(u'\n'), 20)
                << name.toStdString() << ' ' << SectionName(option).toStdString();
        }
    }
    EXPECT_EQ(copies, 2);
}

} // namespace
