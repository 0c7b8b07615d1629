#include "common/TestSupport.h"
#include "profiles/OptionBuilder.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/ProfileSettings.h"
#include "settings/IniFile.h"
#include "settings/NumberSyntax.h"

#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

using O = ProfileOption;

const QString kSourceProfiles = QStringLiteral(QVJ_SOURCE_DIR "/data/Profiles/");

bool IsPositiveWholeNumber(const QString &text)
{
    const auto n = ParseWholeNumber(text);
    return n && *n > 0 && QString::number(*n) == text;
}

class ShippedProfile : public testing::TestWithParam<QString>
{
};

// Every option offers choices with captions and values, selects one of them and describes
// itself; the values have the forms the encoder and the Output Settings' checks take. Whether
// each choice really encodes is proved end to end with the encoder.
TEST_P(ShippedProfile, EveryOptionIsCompleteAndWellFormed)
{
    const QString path = kSourceProfiles + GetParam();
    const IniFile ini(path);
    for (const ProfileOption option : kProfileOptions) {
        const QString section = SectionName(option);
        SCOPED_TRACE(section.toStdString());
        const int items = ini.GetNumber(section, QStringLiteral("Items"), 0);
        EXPECT_GT(items, 0);
        const int index = ini.GetNumber(section, QStringLiteral("Index"), -1);
        EXPECT_TRUE(index >= 0 && index < items) << index;
        EXPECT_FALSE(ini.GetText(section, QStringLiteral("Description"), QString()).isEmpty());
        for (int i = 0; i < items; ++i) {
            const QString caption
                = ini.GetText(section, QStringLiteral("Caption") + QString::number(i), QString());
            const QString value
                = ini.GetText(section, QStringLiteral("value") + QString::number(i), QString());
            EXPECT_FALSE(caption.isEmpty()) << i;
            if (IsEditable(option) && option != O::AbrCbrBitrate) {
                EXPECT_TRUE(IsPositiveWholeNumber(caption)) << caption.toStdString();
            } else if (option != O::Aspect || i != 0) {
                EXPECT_FALSE(value.isEmpty()) << i;
            }
            if (option == O::Aspect && i > 0) {
                EXPECT_TRUE(value == QLatin1String("4/3") || value == QLatin1String("16/9"));
            }
            // The dialog shows the quality for choice 0, the builder uses it for "vbr".
            if (option == O::Mp3Encode) {
                EXPECT_EQ(value == QLatin1String("vbr"), i == 0) << value.toStdString();
            }
        }
    }
    ProfileSettings settings;
    ASSERT_TRUE(settings.LoadProfile(path));
    const QString options = BuildEncoderOptions(settings, path);
    EXPECT_FALSE(options.contains(QLatin1String("=:")) || options.contains(QLatin1String("= "))
                 || options.endsWith(QLatin1Char(' ')))
        << options.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Data, ShippedProfile,
    testing::ValuesIn(ListFilesWithExtension(kSourceProfiles, QStringLiteral(".bpf"))),
    [](const auto &p) { return p.param.section(QLatin1Char(' '), 0, 0).toStdString(); });

// The program directory holds one profile per output type, named after what it makes.
TEST(ShippedProfiles, OnePerOutputTypeInTheProgramDirectory)
{
    const ProfileCatalogue catalogue = ProfileCatalogue::List(qvj::test::BuildProgramDirectory());
    QStringList expected;
    for (const QString &file : ListFilesWithExtension(kSourceProfiles, QStringLiteral(".bpf")))
        expected.append(file.chopped(4));
    EXPECT_EQ(catalogue.Names(), expected);
    QSet<QString> types;
    for (int i = 0; i < catalogue.Count(); ++i) {
        ProfileSettings settings;
        ASSERT_TRUE(settings.LoadProfile(catalogue.PathOf(i)));
        const QString type = settings.OutputExtension().mid(1);
        EXPECT_TRUE(catalogue.Names().at(i).startsWith(type.toUpper() + QLatin1Char(' ')));
        types.insert(type);
    }
    EXPECT_EQ(types, QSet<QString>({"avi", "mpg", "mp4", "wmv", "mov", "vob", "asf", "flv"}));
}

TEST(ShippedPreferences, VersionAndDefaults)
{
    const IniFile ini(qvj::test::BuildProgramDirectory() + QStringLiteral("Preferences.ini"));
    EXPECT_EQ(ini.GetText(QStringLiteral("Main"), QStringLiteral("Version"), QString()),
              QStringLiteral("1.5"));
    const std::pair<const char *, int> flags[]
        = {{"Auto Open Dir", 1}, {"Auto Exit", 0}, {"Auto Turn Off", 0},
           {"Ask", 1},           {"Overwrite", 0}, {"Rename", 0}};
    for (const auto &[key, value] : flags)
        EXPECT_EQ(ini.GetNumber(QStringLiteral("Default"), QLatin1String(key), 7), value) << key;
    EXPECT_EQ(ini.GetText(QStringLiteral("Default"), QStringLiteral("Output File"),
                          QStringLiteral("<none>")),
              QString());
}

} // namespace
