#include "profiles/OptionBuilder.h"
#include "common/TestSupport.h"
#include "profiles/ProfileSettings.h"
#include "unit/profiles/ProfileFixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using qvj::test::ProfileTest;
using O = ProfileOption;

struct BuildCase
{
    const char *name;
    std::function<void(ProfileSettings &)> change; // applied after loading the test profile
    const char *expected;
};

class OptionString : public ProfileTest, public testing::WithParamInterface<BuildCase>
{
};

TEST_P(OptionString, IsBuiltToTheCharacter)
{
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    GetParam().change(settings);
    EXPECT_EQ(BuildEncoderOptions(settings, profilePath), QLatin1String(GetParam().expected));
}

const BuildCase kBuildCases[] = {
    {"Mp3Vbr", [](ProfileSettings &) {},
     " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect -oac mp3lame -lameopts "
     "vbr=2:q=6 -channels 2 -vf scale=640:480 -srate 44100"},
    {"Mp3AbrWithAspectValue",
     [](ProfileSettings &s) {
         s.SetIndex(O::Mp3Encode, 1);
         s.SetIndex(O::Aspect, 2);
     },
     " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:aspect=4:3 -oac mp3lame -lameopts "
     "abr:br=128 -channels 2 -vf scale=640:480 -srate 44100"},
    {"Ac3",
     [](ProfileSettings &s) {
         s.SetIndex(O::AudioCodec, 1);
         s.SetIndex(O::AudioBitrate, 1);
     },
     " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect -oac lavc -lavcopts "
     "acodec=ac3:abitrate=192 -channels 2 -vf scale=640:480 -srate 44100"},
    {"PcmKeepsTheBlanksOfEmptyParts", [](ProfileSettings &s) { s.SetIndex(O::AudioCodec, 2); },
     " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect -oac pcm   -channels 2 "
     "-vf scale=640:480 -srate 44100"},
    {"OtherChoicesAndTypedTexts",
     [](ProfileSettings &s) {
         s.SetIndex(O::VideoCodec, 1);
         s.SetText(O::VideoBitrate, QStringLiteral(" 1500"));
         s.SetIndex(O::Aspect, 1);
         s.SetIndex(O::AudioCodec, 5);
         s.SetText(O::AudioBitrate, QStringLiteral("160"));
         s.SetIndex(O::Channels, 1);
         s.SetIndex(O::VideoSize, 1);
         s.SetText(O::SampleRate, QStringLiteral("22050"));
     },
     " -ovc lavc -lavcopts vcodec=wmv2:vbitrate= 1500:mbd=2:aspect=16/9 -oac lavc -lavcopts "
     "acodec=aac:abitrate=160 -channels 1 -vf scale=720:576 -srate 22050"},
    {"NoAspectSelectedReadsValueMinusOne", [](ProfileSettings &s) { s.SetIndex(O::Aspect, -1); },
     " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:aspect=16:9 -oac mp3lame -lameopts "
     "vbr=2:q=6 -channels 2 -vf scale=640:480 -srate 44100"},
    {"TypedMp3BitrateIsNotUsed",
     [](ProfileSettings &s) {
         s.SetIndex(O::Mp3Encode, 2);
         s.SetText(O::AbrCbrBitrate, QStringLiteral("320"));
     },
     " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect -oac mp3lame -lameopts "
     "cbr:br=224 -channels 2 -vf scale=640:480 -srate 44100"},
    {"UpperCaseVbrIsABitrateMode",
     [](ProfileSettings &s) {
         s.SetIndex(O::Mp3Encode, 3);
         s.SetIndex(O::AbrCbrBitrate, 1);
     },
     " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect -oac mp3lame -lameopts "
     "VBR:br=192 -channels 2 -vf scale=640:480 -srate 44100"},
    {"ManualSize",
     [](ProfileSettings &s) {
         s.SetSelectSize(false);
         s.SetManualWidth(QStringLiteral("720"));
         s.SetManualHeight(QStringLiteral("576"));
     },
     " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect -oac mp3lame -lameopts "
     "vbr=2:q=6 -channels 2 -vf scale=720:576 -srate 44100"},
    {"EmptyManualSize", [](ProfileSettings &s) { s.SetSelectSize(false); },
     " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:autoaspect -oac mp3lame -lameopts "
     "vbr=2:q=6 -channels 2 -vf scale=: -srate 44100"},
};

INSTANTIATE_TEST_SUITE_P(Examples, OptionString, testing::ValuesIn(kBuildCases),
                         [](const auto &p) { return std::string(p.param.name); });

// The MP2 limit applies to the caption "MP2" exactly and to texts that are whole numbers.
TEST_F(ProfileTest, Mp2AudioBitrateIsLimitedTo128)
{
    const struct
    {
        int codec; // 3: "MP2", 4: "mp2", 1: "AC3"
        const char *bitrate;
        const char *expected;
    } cases[] = {{3, "192", "acodec=mp2:abitrate=128"}, {3, "128", "acodec=mp2:abitrate=128"},
                 {3, "96", "acodec=mp2:abitrate=96"},   {3, " 160", "acodec=mp2:abitrate=128"},
                 {3, "$FF", "acodec=mp2:abitrate=128"}, {3, "-5", "acodec=mp2:abitrate=-5"},
                 {3, "abc", "acodec=mp2:abitrate=abc"}, {3, "", "acodec=mp2:abitrate= "},
                 {4, "192", "acodec=mp2:abitrate=192"}, {1, "192", "acodec=ac3:abitrate=192"}};
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    for (const auto &c : cases) {
        settings.SetIndex(O::AudioCodec, c.codec);
        settings.SetText(O::AudioBitrate, QLatin1String(c.bitrate));
        const QString options = BuildEncoderOptions(settings, profilePath);
        EXPECT_TRUE(options.contains(QLatin1String(c.expected)))
            << c.codec << " " << c.bitrate << ": " << options.toStdString();
    }
}

TEST_F(ProfileTest, ValuesComeFromTheFileAtTheMomentOfUse)
{
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    settings.SetIndex(O::AudioCodec, 1);
    settings.SetIndex(O::Channels, 1);
    settings.SetIndex(O::VideoSize, 1);

    // A missing file gives every reader's default.
    const QString missing = dir.filePath(QStringLiteral("gone.bpf"));
    settings.SetIndex(O::VideoCodec, 1);
    settings.SetIndex(O::Aspect, 2);
    EXPECT_EQ(BuildEncoderOptions(settings, missing),
              QLatin1String(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:aspect=16:9 "
                            "-oac lavc -lavcopts acodec=ac3:abitrate=128 -channels 2 -vf "
                            "scale=640:480 -srate 44100"));
    EXPECT_EQ(GetVideoSizeValue(settings, missing), QStringLiteral("640:480"));

    // A changed file is seen by the next call.
    qvj::test::WriteFile(profilePath, "[Video Size]\r\nvalue1=352:288\r\n");
    EXPECT_EQ(GetVideoSizeValue(settings, profilePath), QStringLiteral("352:288"));
}

TEST_F(ProfileTest, VideoSizeValue)
{
    ProfileSettings settings;
    EXPECT_EQ(GetVideoSizeValue(settings, profilePath), QStringLiteral("640:480")); // value-1
    ASSERT_TRUE(settings.LoadProfile(profilePath));
    settings.SetIndex(O::VideoSize, 1);
    EXPECT_EQ(GetVideoSizeValue(settings, profilePath), QStringLiteral("720:576"));
    settings.SetSelectSize(false);
    settings.SetManualWidth(QStringLiteral("100"));
    EXPECT_EQ(GetVideoSizeValue(settings, profilePath), QStringLiteral("100:"));
}

// Before any profile is loaded every list is empty and every text blank.
TEST(OptionBuilder, NothingLoaded)
{
    const ProfileSettings settings;
    EXPECT_EQ(BuildEncoderOptions(settings, QString()),
              QLatin1String(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=:mbd=2:aspect=16:9 -oac "
                            "lavc -lavcopts acodec=ac3:abitrate= -channels 2 -vf scale=640:480 "
                            "-srate "));
}

} // namespace
