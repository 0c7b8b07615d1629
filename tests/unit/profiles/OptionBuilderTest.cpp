#include "profiles/OptionBuilder.h"
#include "common/TestSupport.h"
#include "profiles/ProfileSettings.h"
#include "unit/profiles/ProfileFixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using qvj::test::ProfileTest;
using O = ProfileOption;

// A choice picked in one box, or text typed into an editable box.
struct Pick
{
    ProfileOption option;
    int index;
    const char *typed = nullptr;
};

QString Build(const QString &profilePath, const std::vector<Pick> &picks)
{
    ProfileSettings settings;
    EXPECT_TRUE(settings.LoadProfile(profilePath));
    for (const Pick &p : picks) {
        if (p.typed)
            settings.SetText(p.option, QString::fromUtf8(p.typed));
        else
            settings.SetIndex(p.option, p.index);
    }
    return BuildEncoderOptions(settings, profilePath);
}

TEST_F(ProfileTest, OptionStringsToTheCharacter)
{
    const std::pair<std::vector<Pick>, const char *> cases[] = {
        {{},
         " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect -oac mp3lame -lameopts "
         "vbr=2:q=6 -channels 2 -vf scale=640:480 -srate 44100"},
        {{{O::Mp3Encode, 1}, {O::Aspect, 2}},
         " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:aspect=4:3 -oac mp3lame -lameopts "
         "abr:br=128 -channels 2 -vf scale=640:480 -srate 44100"},
        {{{O::AudioCodec, 1}, {O::AudioBitrate, 1}},
         " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect -oac lavc -lavcopts "
         "acodec=ac3:abitrate=192 -channels 2 -vf scale=640:480 -srate 44100"},
        {{{O::AudioCodec, 2}},
         " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect -oac pcm   -channels 2 "
         "-vf scale=640:480 -srate 44100"}};
    for (const auto &[picks, expected] : cases)
        EXPECT_EQ(Build(profilePath, picks), QLatin1String(expected));
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
           {{{O::AudioCodec, 3}, {O::AudioBitrate, 2}}, "acodec=mp2:abitrate=96 "},
           {{{O::AudioCodec, 3}, {O::AudioBitrate, 0, " 160"}}, "acodec=mp2:abitrate=128 "},
           {{{O::AudioCodec, 3}, {O::AudioBitrate, 0, "$FF"}}, "acodec=mp2:abitrate=128 "},
           {{{O::AudioCodec, 3}, {O::AudioBitrate, 0, "-5"}}, "acodec=mp2:abitrate=-5 "},
           {{{O::AudioCodec, 3}, {O::AudioBitrate, 0, "abc"}}, "acodec=mp2:abitrate=abc "},
           {{{O::AudioCodec, 4}, {O::AudioBitrate, 1}}, "acodec=mp2:abitrate=192 "}};
    for (const auto &[picks, part] : cases) {
        const QString options = Build(profilePath, picks);
        EXPECT_TRUE(options.contains(QLatin1String(part)))
            << part << " in " << options.toStdString();
    }
}

// Values are read from the profile file at the moment of use; a missing file gives every
// reader's default.
TEST_F(ProfileTest, ValuesComeFromTheFileAtTheMomentOfUse)
{
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    for (const ProfileOption option : {O::AudioCodec, O::Channels, O::VideoSize, O::VideoCodec})
        settings.SetIndex(option, 1);
    settings.SetIndex(O::Aspect, 2);
    QFile::rename(profilePath, profilePath + QStringLiteral(".gone"));
    EXPECT_EQ(BuildEncoderOptions(settings, profilePath),
              QLatin1String(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:aspect=16:9 "
                            "-oac lavc -lavcopts acodec=ac3:abitrate=128 -channels 2 -vf "
                            "scale=640:480 -srate 44100"));
    qvj::test::WriteFile(profilePath, "[Video Size]\r\nvalue1=352:288\r\n");
    EXPECT_EQ(GetVideoSizeValue(settings, profilePath), QStringLiteral("352:288"));
}

TEST_F(ProfileTest, VideoSizeFromTheListOrTypedIn)
{
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    settings.SetIndex(O::VideoSize, 1);
    EXPECT_EQ(GetVideoSizeValue(settings, profilePath), QStringLiteral("720:576"));
    settings.SetSelectSize(false);
    EXPECT_EQ(GetVideoSizeValue(settings, profilePath), QStringLiteral(":"));
    settings.SetManualWidth(QStringLiteral("720"));
    settings.SetManualHeight(QStringLiteral("576"));
    EXPECT_EQ(GetVideoSizeValue(settings, profilePath), QStringLiteral("720:576"));
    EXPECT_TRUE(
        BuildEncoderOptions(settings, profilePath).contains(QLatin1String(" scale=720:576 ")));
}

} // namespace
