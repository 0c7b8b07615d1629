#include "profiles/ProfileSettings.h"
#include "common/TestSupport.h"
#include "unit/profiles/ProfileFixture.h"

#include <gtest/gtest.h>

namespace {

using qvj::test::ProfileTest;
using qvj::test::WriteFile;
using O = ProfileOption;

// One editable option's section: the list, the selection and the box text it loads to.
TEST_F(ProfileTest, ItemsCaptionsAndIndexOfASection)
{
    const struct
    {
        const char *section;
        QStringList captions;
        int index;
        const char *text;
    } cases[] = {{"Items=3\r\nCaption0=a\r\nIndex=0", {"a", "", ""}, 0, "a"},
                 {"Items=3\r\nCaption0=a\r\nIndex=2", {"a", "", ""}, 2, ""},
                 {"Items=3\r\nCaption0=a\r\nIndex=5", {"a", "", ""}, -1, ""},
                 {"Items=2\r\nCaption1=b\r\nIndex=2", {"", "b"}, -1, ""},
                 {"Items=1\r\nCaption0=a", {"a"}, -1, ""},
                 {"Caption0=a\r\nIndex=0", {}, -1, ""},
                 {"Items=-3\r\nCaption0=a\r\nIndex=0", {}, -1, ""},
                 {"Items=0x2\r\nCaption1=b\r\nIndex=$1", {"", "b"}, 1, "b"},
                 {"items=1\r\ncaption0=a\r\nindex=0", {"a"}, 0, "a"}};
    for (const auto &c : cases) {
        WriteFile(profilePath, QByteArray("[Video Bitrate]\r\n") + c.section + "\r\n");
        ProfileSettings settings;
        ASSERT_TRUE(settings.LoadProfile(profilePath));
        EXPECT_EQ(settings.Captions(O::VideoBitrate), c.captions) << c.section;
        EXPECT_EQ(settings.Index(O::VideoBitrate), c.index) << c.section;
        EXPECT_EQ(settings.Text(O::VideoBitrate), QLatin1String(c.text)) << c.section;
    }
}

TEST_F(ProfileTest, MissingSectionsAndHugeItemCounts)
{
    WriteFile(profilePath, "[Channels]\r\nItems=2147483647\r\nCaption999=last\r\nIndex=999\r\n");
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    EXPECT_EQ(settings.OutputExtension(), QStringLiteral(".avi"));
    for (const ProfileOption option : kProfileOptions) {
        if (option != O::Channels) {
            EXPECT_TRUE(settings.Captions(option).isEmpty());
            EXPECT_EQ(settings.Index(option), -1);
        }
    }
    EXPECT_EQ(settings.Captions(O::Channels).size(), ProfileSettings::kMaxItems);
    EXPECT_EQ(settings.Text(O::Channels), QStringLiteral("last"));
}

// A vanished profile or a folder loads nothing; the settings loaded before stay.
TEST_F(ProfileTest, MissingFileChangesNothing)
{
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    settings.SetIndex(O::VideoCodec, 1);
    int emitted = 0;
    QObject::connect(&settings, &ProfileSettings::loaded, [&] { ++emitted; });
    QObject::connect(&settings, &ProfileSettings::optionChanged, [&] { ++emitted; });
    EXPECT_FALSE(settings.LoadProfile(dir.filePath(QStringLiteral("gone.bpf"))));
    EXPECT_FALSE(settings.LoadProfile(dir.path()));
    EXPECT_EQ(emitted, 0);
    EXPECT_EQ(settings.ProfilePath(), profilePath);
    EXPECT_EQ(settings.Index(O::VideoCodec), 1);
}

TEST_F(ProfileTest, LoadKeepsTheManualSizeAndDropsEdits)
{
    ProfileSettings settings;
    settings.SetSelectSize(false);
    settings.SetManualWidth(QStringLiteral("720"));
    settings.SetManualHeight(QStringLiteral("576"));
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    settings.SetText(O::VideoBitrate, QStringLiteral("5000"));
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    EXPECT_EQ(settings.ProfilePath(), profilePath);
    EXPECT_EQ(settings.OutputExtension(), QStringLiteral(".mp4"));
    EXPECT_EQ(settings.Captions(O::AudioCodec),
              QStringList({"MP3", "AC3", "PCM", "MP2", "mp2", "AAC"}));
    EXPECT_FALSE(settings.SelectSize());
    EXPECT_EQ(settings.ManualWidth() + settings.ManualHeight(), QStringLiteral("720576"));
    EXPECT_EQ(settings.Text(O::VideoBitrate), QStringLiteral("1000"));
}

// The audio panel follows the codec's caption ("MP3" exactly); the MP3 pair follows the encode
// mode's index (quality for choice 0), whatever the values.
TEST_F(ProfileTest, ChangeReactionsRunOnLoad)
{
    const struct
    {
        const char *codec;
        const char *encodeIndex;
        bool mp3Panel;
        bool quality;
    } cases[] = {{"MP3", "0", true, true},  {"MP3", "1", true, false}, {"MP3", "-1", true, false},
                 {"mp3", "0", false, true}, {"MP3 ", "0", true, true}, {"AC3", "2", false, false}};
    for (const auto &c : cases) {
        WriteFile(profilePath,
                  QByteArray("[Audio Codec]\r\nItems=1\r\nCaption0=") + c.codec
                      + "\r\nIndex=0\r\n[MP3 Encode]\r\nItems=3\r\nIndex=" + c.encodeIndex
                      + "\r\nDescription=Mode\r\n");
        ProfileSettings settings;
        ASSERT_TRUE(settings.LoadProfile(profilePath));
        EXPECT_EQ(settings.Mp3PanelShown(), c.mp3Panel) << c.codec << "/" << c.encodeIndex;
        EXPECT_EQ(settings.QualityShown(), c.quality) << c.codec << "/" << c.encodeIndex;
        EXPECT_TRUE(settings.DescriptionText().startsWith(QStringLiteral("Mode\n")));
    }
}

} // namespace
