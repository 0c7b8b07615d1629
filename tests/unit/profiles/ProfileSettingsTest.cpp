#include "profiles/ProfileSettings.h"
#include "common/TestSupport.h"
#include "profiles/OptionBuilder.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace {

using qvj::test::WriteFile;
using O = ProfileOption;

// Each option's choices as "Caption" or "Caption=value", in the order of kProfileOptions.
// Values differ from the readers' defaults where a test tells them apart.
const std::vector<std::vector<const char *>> kChoices
    = {{"MPEG-4=mpeg4", "WMV=wmv2"},
       {"640 x 480=640:480", "720 x 576=720:576"},
       {"1000", "2000"},
       {"Auto", "16:9=16/9", "4:3=4:3"},
       {"MP3", "AC3=ac3", "PCM", "MP2=mp2", "mp2=mp2", "AAC=aac"},
       {"VBR=vbr", "ABR=abr", "CBR=cbr", "VBR upper=VBR"},
       {"6=6", "2=2"},
       {"128=128", "192=192"},
       {"128", "192", "96"},
       {"44100", "48000"},
       {"Stereo=2", "Mono=1"}};

// A profile of type mp4 with the choices above, choice 0 selected in every box.
class ProfileTest : public testing::Test
{
protected:
    void SetUp() override
    {
        QByteArray text = "[Main]\r\nType=mp4\r\n";
        for (size_t s = 0; s < kChoices.size(); ++s) {
            text += "[" + SectionName(kProfileOptions[s]).toUtf8() + "]\r\nIndex=0\r\nItems="
                + QByteArray::number(qsizetype(kChoices[s].size())) + "\r\n";
            for (size_t i = 0; i < kChoices[s].size(); ++i) {
                const QByteArray n = QByteArray::number(qsizetype(i));
                const QList<QByteArray> parts = QByteArray(kChoices[s][i]).split('=');
                text += "Caption" + n + "=" + parts[0] + "\r\n";
                if (parts.size() > 1)
                    text += "value" + n + "=" + parts[1] + "\r\n";
            }
        }
        WriteFile(profilePath, text);
        ASSERT_TRUE(settings.LoadProfile(profilePath));
    }

    // The option string after picking a choice in some boxes, or typing text into editable ones.
    struct Pick
    {
        ProfileOption option;
        int index;
        const char *typed = nullptr;
    };
    QString Build(const std::vector<Pick> &picks)
    {
        EXPECT_TRUE(settings.LoadProfile(profilePath));
        for (const Pick &p : picks) {
            if (p.typed)
                settings.SetText(p.option, QString::fromUtf8(p.typed));
            else
                settings.SetIndex(p.option, p.index);
        }
        return BuildEncoderOptions(settings, profilePath);
    }

    QTemporaryDir dir;
    QString profilePath = dir.filePath(QStringLiteral("Test.bpf"));
    ProfileSettings settings;
};

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
                 {"Items=2\r\nCaption1=b\r\nIndex=2", {"", "b"}, -1, ""},
                 {"Items=1\r\nCaption0=a", {"a"}, -1, ""},
                 {"Caption0=a\r\nIndex=0", {}, -1, ""},
                 {"Items=-3\r\nCaption0=a\r\nIndex=0", {}, -1, ""},
                 {"items=0x2\r\ncaption1=b\r\nindex=$1", {"", "b"}, 1, "b"}};
    for (const auto &c : cases) {
        WriteFile(profilePath, QByteArray("[Video Bitrate]\r\n") + c.section + "\r\n");
        ASSERT_TRUE(settings.LoadProfile(profilePath));
        EXPECT_EQ(settings.Captions(O::VideoBitrate), c.captions) << c.section;
        EXPECT_EQ(settings.Index(O::VideoBitrate), c.index) << c.section;
        EXPECT_EQ(settings.Text(O::VideoBitrate), QLatin1String(c.text)) << c.section;
    }
}

TEST_F(ProfileTest, MissingSectionsAndHugeItemCounts)
{
    WriteFile(profilePath, "[Channels]\r\nItems=2147483647\r\nCaption999=last\r\nIndex=999\r\n");
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    EXPECT_EQ(settings.OutputExtension(), QStringLiteral(".avi"));
    EXPECT_TRUE(settings.Captions(O::VideoCodec).isEmpty());
    EXPECT_EQ(settings.Index(O::VideoCodec), -1);
    EXPECT_EQ(settings.Captions(O::Channels).size(), ProfileSettings::kMaxItems);
    EXPECT_EQ(settings.Text(O::Channels), QStringLiteral("last"));
}

// A load drops edits of the boxes but keeps the manual size, which no profile holds.
TEST_F(ProfileTest, LoadKeepsTheManualSizeAndDropsEdits)
{
    settings.SetSelectSize(false);
    settings.SetManualWidth(QStringLiteral("720"));
    settings.SetManualHeight(QStringLiteral("576"));
    settings.SetText(O::VideoBitrate, QStringLiteral("5000"));
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    EXPECT_EQ(settings.OutputExtension(), QStringLiteral(".mp4"));
    EXPECT_FALSE(settings.SelectSize());
    EXPECT_EQ(settings.ManualWidth() + settings.ManualHeight(), QStringLiteral("720576"));
    EXPECT_EQ(settings.Text(O::VideoBitrate), QStringLiteral("1000"));
}

TEST_F(ProfileTest, OptionStringParts)
{
    const std::pair<std::vector<Pick>, const char *> cases[]
        = {// No aspect selected reads "value-1", which no profile holds.
           {{{O::Aspect, -1}}, ":mbd=2:aspect=16:9 "},
           {{{O::VideoCodec, 1}, {O::Aspect, 1}}, "vcodec=wmv2:vbitrate=1000:mbd=2:aspect=16/9 "},
           {{{O::VideoBitrate, 0, " 1500"}}, ":vbitrate= 1500:"},
           {{{O::Channels, 1}, {O::VideoSize, 1}, {O::SampleRate, 0, "22050"}},
            " -channels 1 -vf scale=720:576 -srate 22050"},
           {{{O::AudioCodec, 5}, {O::AudioBitrate, 0, "160"}},
            " -oac lavc -lavcopts acodec=aac:abitrate=160 "},
           // The ABR/CBR bitrate is looked up by index: typed text gives "value-1", absent.
           {{{O::Mp3Encode, 2}, {O::AbrCbrBitrate, 0, "320"}}, " -lameopts cbr:br=224 "},
           {{{O::Mp3Encode, 3}, {O::AbrCbrBitrate, 1}}, " -lameopts VBR:br=192 "},
           // "MP2" exactly limits a whole-number bitrate to 128; other texts stay as they are.
           {{{O::AudioCodec, 3}, {O::AudioBitrate, 1}}, "acodec=mp2:abitrate=128 "},
           {{{O::AudioCodec, 3}, {O::AudioBitrate, 0}}, "acodec=mp2:abitrate=128 "},
           {{{O::AudioCodec, 3}, {O::AudioBitrate, 0, " 160"}}, "acodec=mp2:abitrate=128 "},
           {{{O::AudioCodec, 3}, {O::AudioBitrate, 0, "abc"}}, "acodec=mp2:abitrate=abc "},
           {{{O::AudioCodec, 4}, {O::AudioBitrate, 1}}, "acodec=mp2:abitrate=192 "}};
    for (const auto &[picks, part] : cases) {
        const QString options = Build(picks);
        EXPECT_TRUE(options.contains(QLatin1String(part)))
            << part << " in " << options.toStdString();
    }
}

// Values are read from the profile file at the moment of use; a missing file gives every
// reader's default. A manual size is used as typed, empty fields included.
TEST_F(ProfileTest, ValuesComeFromTheFileAtTheMomentOfUse)
{
    for (const ProfileOption option : {O::AudioCodec, O::Channels, O::VideoSize, O::VideoCodec})
        settings.SetIndex(option, 1);
    settings.SetIndex(O::Aspect, 2);
    QFile::rename(profilePath, profilePath + QStringLiteral(".gone"));
    EXPECT_EQ(BuildEncoderOptions(settings, profilePath),
              QLatin1String(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:aspect=16:9 "
                            "-oac lavc -lavcopts acodec=ac3:abitrate=128 -channels 2 -vf "
                            "scale=640:480 -srate 44100"));
    WriteFile(profilePath, "[Video Size]\r\nvalue1=352:288\r\n");
    EXPECT_EQ(GetVideoSizeValue(settings, profilePath), QStringLiteral("352:288"));
    settings.SetSelectSize(false);
    EXPECT_EQ(GetVideoSizeValue(settings, profilePath), QStringLiteral(":"));
    settings.SetManualWidth(QStringLiteral("720"));
    settings.SetManualHeight(QStringLiteral("576"));
    EXPECT_TRUE(
        BuildEncoderOptions(settings, profilePath).contains(QLatin1String(" scale=720:576 ")));
}

} // namespace
