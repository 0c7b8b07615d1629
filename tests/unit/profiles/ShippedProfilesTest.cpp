#include "common/TestSupport.h"
#include "profiles/OptionBuilder.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/ProfileSettings.h"
#include "settings/IniFile.h"
#include "settings/NumberSyntax.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

#include <map>

namespace {

using O = ProfileOption;

// What each output container holds, and what the program's encoder makes.
struct Container
{
    QSet<QString> videoCodecs;
    QSet<QString> audioCaptions;
    QSet<int> sampleRates;
};

const std::map<QString, Container> &Containers()
{
    const QSet<int> mpegAudio {32000, 44100, 48000};
    static const std::map<QString, Container> containers {
        {QStringLiteral("avi"),
         {{"mpeg4", "msmpeg4v2", "mjpeg", "libx264"}, {"MP3", "AC3", "PCM", "MP2"}, mpegAudio}},
        {QStringLiteral("mpg"), {{"mpeg1video", "mpeg2video"}, {"MP2", "AC3", "MP3"}, mpegAudio}},
        {QStringLiteral("vob"), {{"mpeg1video", "mpeg2video"}, {"MP2", "AC3", "MP3"}, {48000}}},
        {QStringLiteral("mp4"), {{"mpeg4", "libx264"}, {"AAC", "MP3", "AC3"}, mpegAudio}},
        {QStringLiteral("mov"), {{"mpeg4", "libx264"}, {"AAC", "MP3", "AC3"}, mpegAudio}},
        {QStringLiteral("wmv"),
         {{"wmv2", "msmpeg4v2"}, {"WMA", "MP3"}, {22050, 32000, 44100, 48000}}},
        {QStringLiteral("asf"),
         {{"wmv2", "msmpeg4v2"}, {"WMA", "MP3"}, {22050, 32000, 44100, 48000}}},
        {QStringLiteral("flv"), {{"flv", "libx264"}, {"MP3", "AAC"}, {22050, 44100}}},
    };
    return containers;
}

// The general codec library's codec behind each audio caption; MP3 and PCM have their own.
const std::map<QString, QString> kLavcAudio {{QStringLiteral("AC3"), QStringLiteral("ac3")},
                                             {QStringLiteral("MP2"), QStringLiteral("mp2")},
                                             {QStringLiteral("AAC"), QStringLiteral("aac")},
                                             {QStringLiteral("WMA"), QStringLiteral("wmav2")}};

QString SourceProfiles()
{
    return QStringLiteral(QVJ_SOURCE_DIR "/data/Profiles/");
}

bool IsPositiveWholeNumber(const QString &text)
{
    const auto n = ParseWholeNumber(text);
    return n && *n > 0 && QString::number(*n) == text;
}

class ShippedProfile : public testing::TestWithParam<QString>
{
protected:
    QString Path() const { return SourceProfiles() + GetParam(); }
};

TEST_P(ShippedProfile, IsCrLfUtf8Text)
{
    QFile f(Path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray data = f.readAll();
    EXPECT_EQ(data.count('\n'), data.count("\r\n"));
    EXPECT_EQ(data.count('\r'), data.count("\r\n"));
    EXPECT_TRUE(data.endsWith("\r\n"));
    EXPECT_EQ(QString::fromUtf8(data).toUtf8(), data);
}

TEST_P(ShippedProfile, EverySectionHasChoicesInRangeAndADescription)
{
    const IniFile ini(Path());
    for (const ProfileOption option : kProfileOptions) {
        const QString section = SectionName(option);
        SCOPED_TRACE(section.toStdString());
        const int items = ini.GetNumber(section, QStringLiteral("Items"), 0);
        EXPECT_GT(items, 0);
        const int index = ini.GetNumber(section, QStringLiteral("Index"), -1);
        EXPECT_TRUE(index >= 0 && index < items) << index;
        EXPECT_FALSE(ini.GetText(section, QStringLiteral("Description"), QString()).isEmpty());
        for (int i = 0; i < items; ++i) {
            const QString n = QString::number(i);
            EXPECT_FALSE(ini.GetText(section, QStringLiteral("Caption") + n, QString()).isEmpty());
            // Every choice carries its value, except the automatic aspect, which reads none.
            if (!(option == O::Aspect && i == 0)) {
                EXPECT_FALSE(ini.GetText(section, QStringLiteral("value") + n, QString()).isEmpty())
                    << i;
            }
        }
    }
}

TEST_P(ShippedProfile, EveryValueSuitsTheEncoderAndTheContainer)
{
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(Path()));
    const QString type = settings.OutputExtension().mid(1);
    ASSERT_TRUE(Containers().count(type)) << type.toStdString();
    const Container &container = Containers().at(type);
    const IniFile ini(Path());
    const auto value = [&](ProfileOption option, int i) {
        return ini.GetText(SectionName(option), QStringLiteral("value") + QString::number(i),
                           QString());
    };
    const auto each = [&](ProfileOption option, const auto &check) {
        for (int i = 0; i < settings.Captions(option).size(); ++i) {
            SCOPED_TRACE(SectionName(option).toStdString() + " " + std::to_string(i));
            check(settings.Captions(option).at(i), value(option, i), i);
        }
    };
    const QRegularExpression size(QStringLiteral("^([1-9][0-9]*):([1-9][0-9]*)$"));

    each(O::VideoCodec, [&](const QString &, const QString &v, int) {
        EXPECT_TRUE(container.videoCodecs.contains(v)) << v.toStdString();
    });
    each(O::VideoSize, [&](const QString &, const QString &v, int) {
        const auto m = size.match(v);
        ASSERT_TRUE(m.hasMatch()) << v.toStdString();
        // H.264 and the MPEG codecs want even dimensions.
        EXPECT_EQ(m.captured(1).toInt() % 2, 0);
        EXPECT_EQ(m.captured(2).toInt() % 2, 0);
    });
    each(O::Aspect, [&](const QString &c, const QString &v, int i) {
        if (i == 0) {
            EXPECT_EQ(c, QStringLiteral("Auto"));
        } else {
            EXPECT_TRUE(v == QLatin1String("4/3") || v == QLatin1String("16/9")) << v.toStdString();
        }
    });
    each(O::AudioCodec, [&](const QString &c, const QString &v, int) {
        EXPECT_TRUE(container.audioCaptions.contains(c)) << c.toStdString();
        if (kLavcAudio.count(c)) {
            EXPECT_EQ(v, kLavcAudio.at(c));
        }
    });
    each(O::Mp3Encode, [&](const QString &, const QString &v, int i) {
        // The dialog shows the quality for choice 0, the builder uses it for "vbr": they agree.
        EXPECT_EQ(v == QLatin1String("vbr"), i == 0) << v.toStdString();
        EXPECT_TRUE(QStringList({"vbr", "abr", "cbr"}).contains(v)) << v.toStdString();
    });
    each(O::VbrQuality, [&](const QString &, const QString &v, int) {
        const auto q = ParseWholeNumber(v);
        EXPECT_TRUE(q && *q >= 0 && *q <= 9 && QString::number(*q) == v) << v.toStdString();
    });
    each(O::AbrCbrBitrate, [&](const QString &, const QString &v, int) {
        EXPECT_TRUE(IsPositiveWholeNumber(v) && v.toInt() <= 320) << v.toStdString();
    });
    // The boxes whose text is the value: each caption must pass the dialog's checks.
    for (const ProfileOption option : {O::VideoBitrate, O::AudioBitrate, O::SampleRate})
        each(option, [&](const QString &c, const QString &, int) {
            EXPECT_TRUE(IsPositiveWholeNumber(c)) << c.toStdString();
        });
    each(O::SampleRate, [&](const QString &c, const QString &, int) {
        EXPECT_TRUE(container.sampleRates.contains(c.toInt())) << c.toStdString();
    });
    each(O::Channels, [&](const QString &, const QString &v, int) {
        EXPECT_TRUE(v == QLatin1String("1") || v == QLatin1String("2")) << v.toStdString();
    });

    // As loaded, the option string takes nothing from a reader's default.
    const QString options = BuildEncoderOptions(settings, Path());
    EXPECT_FALSE(options.contains(QLatin1String("=:")) || options.contains(QLatin1String("= "))
                 || options.endsWith(QLatin1Char(' ')))
        << options.toStdString();
}

QStringList ShippedFiles()
{
    return ListFilesWithExtension(SourceProfiles(), QStringLiteral(".bpf"));
}

INSTANTIATE_TEST_SUITE_P(Data, ShippedProfile, testing::ValuesIn(ShippedFiles()),
                         [](const auto &p) {
                             QString name = p.param;
                             name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")),
                                          QStringLiteral("_"));
                             return name.toStdString();
                         });

TEST(ShippedProfiles, OnePerOutputTypeInTheProgramDirectory)
{
    const ProfileCatalogue catalogue = ProfileCatalogue::List(qvj::test::BuildProgramDirectory());
    QStringList expected;
    for (const QString &file : ShippedFiles())
        expected.append(file.chopped(4));
    EXPECT_EQ(catalogue.Names(), expected);

    QSet<QString> types;
    for (int i = 0; i < catalogue.Count(); ++i) {
        ProfileSettings settings;
        ASSERT_TRUE(settings.LoadProfile(catalogue.PathOf(i)));
        // The name tells the user what the profile makes.
        EXPECT_TRUE(
            catalogue.Names().at(i).startsWith(settings.OutputExtension().mid(1).toUpper()));
        types.insert(settings.OutputExtension());
    }
    EXPECT_EQ(types,
              (QSet<QString> {".avi", ".mpg", ".mp4", ".wmv", ".mov", ".vob", ".asf", ".flv"}));
}

TEST(ShippedPreferences, VersionAndDefaults)
{
    const IniFile ini(qvj::test::BuildProgramDirectory() + QStringLiteral("Preferences.ini"));
    EXPECT_EQ(ini.GetText(QStringLiteral("Main"), QStringLiteral("Version"), QString()),
              QStringLiteral("1.5"));
    const IniFile shipped(QStringLiteral(QVJ_SOURCE_DIR "/data/Preferences.ini"));
    const struct
    {
        const char *key;
        bool value;
    } flags[] = {{"Auto Open Dir", true}, {"Auto Exit", false}, {"Auto Turn Off", false},
                 {"Ask", true},           {"Overwrite", false}, {"Rename", false}};
    for (const auto &f : flags) {
        // Present, not a fallback.
        EXPECT_EQ(shipped.GetNumber(QStringLiteral("Default"), QLatin1String(f.key), 7),
                  int(f.value))
            << f.key;
    }
    EXPECT_EQ(shipped.GetText(QStringLiteral("Default"), QStringLiteral("Output File"),
                              QStringLiteral("<none>")),
              QString());
}

} // namespace
