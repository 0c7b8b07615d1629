#include "profiles/ProfileSettings.h"
#include "common/TestSupport.h"
#include "unit/profiles/ProfileFixture.h"

#include <gtest/gtest.h>

namespace {

using qvj::test::ProfileTest;
using qvj::test::WriteFile;
using O = ProfileOption;

QStringList Strings(std::initializer_list<const char *> texts)
{
    QStringList out;
    for (const char *t : texts)
        out.append(QString::fromUtf8(t));
    return out;
}

TEST_F(ProfileTest, LoadFillsEveryOption)
{
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    EXPECT_EQ(settings.ProfilePath(), profilePath);
    EXPECT_EQ(settings.OutputExtension(), QStringLiteral(".mp4"));
    const struct
    {
        ProfileOption option;
        int items;
        const char *text;
    } cases[] = {
        {O::VideoCodec, 2, "MPEG-4"}, {O::VideoSize, 2, "640 x 480"}, {O::VideoBitrate, 2, "1000"},
        {O::Aspect, 3, "Auto"},       {O::AudioCodec, 6, "MP3"},      {O::Mp3Encode, 4, "VBR"},
        {O::VbrQuality, 2, "6"},      {O::AbrCbrBitrate, 2, "128"},   {O::AudioBitrate, 3, "128"},
        {O::SampleRate, 2, "44100"},  {O::Channels, 2, "Stereo"}};
    for (const auto &c : cases) {
        EXPECT_EQ(settings.Captions(c.option).size(), c.items)
            << SectionName(c.option).toStdString();
        EXPECT_EQ(settings.Index(c.option), 0);
        EXPECT_EQ(settings.Text(c.option), QString::fromUtf8(c.text));
    }
}

struct LoadCase
{
    const char *name;
    const char *section; // the "Video Bitrate" section's body (an editable box)
    QStringList captions;
    int index;
    const char *text;
};

class LoadOneOption : public ProfileTest, public testing::WithParamInterface<LoadCase>
{
};

TEST_P(LoadOneOption, TakesItemsCaptionsAndIndex)
{
    const LoadCase &c = GetParam();
    WriteFile(profilePath, QByteArray("[Video Bitrate]\r\n") + c.section);
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    EXPECT_EQ(settings.Captions(O::VideoBitrate), c.captions);
    EXPECT_EQ(settings.Index(O::VideoBitrate), c.index);
    EXPECT_EQ(settings.Text(O::VideoBitrate), QString::fromUtf8(c.text));
}

const LoadCase kLoadCases[] = {
    {"MissingCaptionsAreEmptyEntries", "Items=3\r\nCaption0=a\r\nIndex=0\r\n",
     Strings({"a", "", ""}), 0, "a"},
    {"EmptyCaptionSelected", "Items=3\r\nCaption0=a\r\nIndex=2\r\n", Strings({"a", "", ""}), 2, ""},
    {"IndexBeyondItemsSelectsNothing", "Items=3\r\nCaption0=a\r\nIndex=5\r\n",
     Strings({"a", "", ""}), -1, ""},
    {"IndexEqualToItemsSelectsNothing", "Items=2\r\nCaption1=b\r\nIndex=2\r\n", Strings({"", "b"}),
     -1, ""},
    {"NoIndexSelectsNothing", "Items=1\r\nCaption0=a\r\n", Strings({"a"}), -1, ""},
    {"NonNumericIndexSelectsNothing", "Items=1\r\nCaption0=a\r\nIndex=first\r\n", Strings({"a"}),
     -1, ""},
    {"NoItemsNoList", "Caption0=a\r\nIndex=0\r\n", {}, -1, ""},
    {"NegativeItemsNoList", "Items=-3\r\nCaption0=a\r\nIndex=0\r\n", {}, -1, ""},
    {"HexItems", "Items=0x2\r\nCaption0=a\r\nCaption1=b\r\nIndex=$1\r\n", Strings({"a", "b"}), 1,
     "b"},
    {"LowerCaseKeys", "items=1\r\ncaption0=a\r\nindex=0\r\n", Strings({"a"}), 0, "a"},
    {"QuotedCaption", "Items=1\r\nCaption0=\" 1 000 \"\r\nIndex=0\r\n", Strings({" 1 000 "}), 0,
     " 1 000 "},
};

INSTANTIATE_TEST_SUITE_P(Rules, LoadOneOption, testing::ValuesIn(kLoadCases),
                         [](const auto &p) { return std::string(p.param.name); });

TEST_F(ProfileTest, ProfileWithoutSectionsLoadsDefaults)
{
    WriteFile(profilePath, "; nothing here\r\n");
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    EXPECT_EQ(settings.OutputExtension(), QStringLiteral(".avi"));
    for (const ProfileOption option : kProfileOptions) {
        EXPECT_TRUE(settings.Captions(option).isEmpty());
        EXPECT_EQ(settings.Index(option), -1);
    }
}

TEST_F(ProfileTest, HugeItemCountIsCut)
{
    WriteFile(profilePath, "[Channels]\r\nItems=2147483647\r\nCaption999=last\r\nIndex=999\r\n");
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    EXPECT_EQ(settings.Captions(O::Channels).size(), ProfileSettings::kMaxItems);
    EXPECT_EQ(settings.Text(O::Channels), QStringLiteral("last"));
}

TEST_F(ProfileTest, MissingFileChangesNothing)
{
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    settings.SetIndex(O::VideoCodec, 1);
    int emitted = 0;
    QObject::connect(&settings, &ProfileSettings::loaded, [&] { ++emitted; });
    QObject::connect(&settings, &ProfileSettings::optionChanged, [&] { ++emitted; });
    EXPECT_FALSE(settings.LoadProfile(dir.filePath(QStringLiteral("gone.bpf"))));
    EXPECT_FALSE(settings.LoadProfile(dir.path())); // a folder is no profile
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
    EXPECT_FALSE(settings.SelectSize());
    EXPECT_EQ(settings.ManualWidth(), QStringLiteral("720"));
    EXPECT_EQ(settings.ManualHeight(), QStringLiteral("576"));
    EXPECT_EQ(settings.Text(O::VideoBitrate), QStringLiteral("1000"));
}

// Which audio panel shows follows the codec's caption; which MP3 pair shows follows the
// encode mode's index, whatever the values.
TEST_F(ProfileTest, ChangeReactionsRunOnLoadAndOnChange)
{
    const struct
    {
        const char *codec;
        const char *encodeIndex;
        bool mp3Panel;
        bool quality;
    } cases[] = {{"MP3", "0", true, true},   {"MP3", "1", true, false}, {"MP3", "-1", true, false},
                 {"mp3", "0", false, true},  {"MP3 ", "0", true, true}, // value blanks trimmed
                 {"AC3", "2", false, false}, {"", "0", false, true}};
    for (const auto &c : cases) {
        WriteFile(profilePath,
                  QByteArray("[Audio Codec]\r\nItems=1\r\nCaption0=") + c.codec
                      + "\r\nIndex=0\r\n[MP3 Encode]\r\nItems=3\r\nCaption0=vbr\r\n"
                        "Index="
                      + c.encodeIndex + "\r\nDescription=Mode\r\n");
        ProfileSettings settings;
        ASSERT_TRUE(settings.LoadProfile(profilePath));
        EXPECT_EQ(settings.Mp3PanelShown(), c.mp3Panel) << c.codec << "/" << c.encodeIndex;
        EXPECT_EQ(settings.QualityShown(), c.quality) << c.codec << "/" << c.encodeIndex;
        EXPECT_TRUE(settings.DescriptionText().startsWith(QStringLiteral("Mode\n")));
    }

    WriteFile(profilePath, qvj::test::kTestProfile);
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    int panels = 0;
    QObject::connect(&settings, &ProfileSettings::panelsChanged, [&] { ++panels; });
    settings.SetIndex(O::AudioCodec, -1);
    EXPECT_FALSE(settings.Mp3PanelShown());
    settings.SetIndex(O::Mp3Encode, 2);
    EXPECT_FALSE(settings.QualityShown());
    settings.SetIndex(O::AudioCodec, 0);
    EXPECT_TRUE(settings.Mp3PanelShown());
    EXPECT_EQ(panels, 3);
}

TEST_F(ProfileTest, DescriptionShowsTheFileNowAndTheCurrentValue)
{
    ProfileSettings settings;
    settings.ShowDescription(O::VideoCodec);
    EXPECT_EQ(settings.DescriptionText(), QStringLiteral("\nCurrent Value: "));

    ASSERT_TRUE(settings.LoadProfile(profilePath));
    EXPECT_EQ(settings.DescriptionText(),
              QStringLiteral("How MP3 is encoded.\nCurrent Value: VBR"));

    settings.SetIndex(O::VideoCodec, 1);
    EXPECT_EQ(settings.DescriptionText(), QStringLiteral("The video codec.\nCurrent Value: WMV"));
    settings.SetText(O::VideoBitrate, QStringLiteral("15"));
    EXPECT_EQ(settings.DescriptionText(),
              QStringLiteral("Kilobits per second.\nCurrent Value: 15"));
    EXPECT_EQ(settings.Index(O::VideoBitrate), -1);
    settings.SetIndex(O::AudioCodec, 1);
    EXPECT_EQ(settings.DescriptionText(), QStringLiteral("The audio codec.\nCurrent Value: AC3"));

    // Typed text goes only into editable boxes.
    settings.SetText(O::VideoCodec, QStringLiteral("typed"));
    EXPECT_EQ(settings.Text(O::VideoCodec), QStringLiteral("WMV"));

    // Read at the moment of display: a changed or vanished file shows at once.
    WriteFile(profilePath, "[Channels]\r\nDescription=Changed\r\n");
    settings.ShowDescription(O::Channels);
    EXPECT_EQ(settings.DescriptionText(), QStringLiteral("Changed\nCurrent Value: Stereo"));
    QFile::remove(profilePath);
    settings.ShowDescription(O::Channels);
    EXPECT_EQ(settings.DescriptionText(), QStringLiteral("\nCurrent Value: Stereo"));
    EXPECT_EQ(settings.Captions(O::Channels).size(), 2);
}

TEST_F(ProfileTest, RestoreGivesBackEverySelectionButNotTheDescription)
{
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    settings.SetIndex(O::Mp3Encode, 1);
    settings.SetIndex(O::AbrCbrBitrate, 1);
    const ProfileSettings::Snapshot snapshot = settings.TakeSnapshot();

    settings.SetIndex(O::AudioCodec, 1);
    settings.SetIndex(O::Mp3Encode, 0);
    settings.SetText(O::AbrCbrBitrate, QStringLiteral("320"));
    settings.SetText(O::VideoBitrate, QStringLiteral("999"));
    settings.SetIndex(O::AudioBitrate, 2);
    settings.SetIndex(O::Aspect, 2);
    settings.SetSelectSize(false);
    settings.SetManualWidth(QStringLiteral("1"));
    settings.SetManualHeight(QStringLiteral("2"));
    ASSERT_FALSE(settings.Mp3PanelShown());
    const QString description = settings.DescriptionText();

    settings.RestoreSnapshot(snapshot);
    EXPECT_EQ(settings.Index(O::AudioCodec), 0);
    EXPECT_TRUE(settings.Mp3PanelShown());
    EXPECT_EQ(settings.Index(O::Mp3Encode), 1);
    EXPECT_FALSE(settings.QualityShown());
    EXPECT_EQ(settings.Index(O::AbrCbrBitrate), 1); // looked up by index when building
    EXPECT_EQ(settings.Text(O::AbrCbrBitrate), QStringLiteral("192"));
    EXPECT_EQ(settings.Index(O::VideoBitrate), 0);
    EXPECT_EQ(settings.Text(O::VideoBitrate), QStringLiteral("1000"));
    EXPECT_EQ(settings.Text(O::AudioBitrate), QStringLiteral("128"));
    EXPECT_EQ(settings.Index(O::Aspect), 0);
    EXPECT_TRUE(settings.SelectSize());
    EXPECT_EQ(settings.ManualWidth(), QString());
    EXPECT_EQ(settings.ManualHeight(), QString());
    EXPECT_EQ(settings.DescriptionText(), description);
}

TEST_F(ProfileTest, RestoreKeepsTypedText)
{
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    settings.SetText(O::SampleRate, QStringLiteral("22050"));
    const ProfileSettings::Snapshot snapshot = settings.TakeSnapshot();
    settings.SetIndex(O::SampleRate, 1);
    settings.RestoreSnapshot(snapshot);
    EXPECT_EQ(settings.Index(O::SampleRate), -1);
    EXPECT_EQ(settings.Text(O::SampleRate), QStringLiteral("22050"));
}

} // namespace
