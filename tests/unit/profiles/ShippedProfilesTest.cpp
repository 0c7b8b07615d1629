#include "common/TestSupport.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/ProfileSettings.h"
#include "settings/IniFile.h"
#include "settings/NumberSyntax.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

using O = ProfileOption;

const QString kSourceProfiles = QStringLiteral(QVJ_SOURCE_DIR "/data/Profiles/");

class ShippedProfile : public testing::TestWithParam<QString>
{
};

// Every option offers choices with captions and values, selects one of them and describes
// itself; the values have the forms the Output Settings' checks take. Whether each choice
// really encodes is proved end to end with the encoder.
TEST_P(ShippedProfile, EveryOptionIsCompleteAndWellFormed)
{
    const QString path = kSourceProfiles + GetParam();
    const IniFile ini(path);
    for (const ProfileOption option : kProfileOptions) {
        const QString section = SectionName(option);
        SCOPED_TRACE(section.toStdString());
        const int items = ini.GetNumber(section, QStringLiteral("Items"), 0);
        const int index = ini.GetNumber(section, QStringLiteral("Index"), -1);
        EXPECT_TRUE(items > 0 && index >= 0 && index < items) << items << ", " << index;
        EXPECT_FALSE(ini.GetText(section, QStringLiteral("Description"), QString()).isEmpty());
        for (int i = 0; i < items; ++i) {
            const QString n = QString::number(i);
            const QString caption = ini.GetText(section, QStringLiteral("Caption") + n, QString());
            const QString value = ini.GetText(section, QStringLiteral("value") + n, QString());
            EXPECT_FALSE(caption.isEmpty()) << i;
            if (IsEditable(option) && option != O::AbrCbrBitrate) {
                const auto number = ParseWholeNumber(caption);
                EXPECT_TRUE(number && *number > 0 && QString::number(*number) == caption)
                    << caption.toStdString();
            } else if (option == O::Aspect && i > 0) {
                EXPECT_TRUE(value == QLatin1String("4/3") || value == QLatin1String("16/9"));
            } else if (option != O::Aspect) {
                EXPECT_FALSE(value.isEmpty()) << i;
            }
            // The dialog shows the quality for choice 0, the builder uses it for "vbr".
            if (option == O::Mp3Encode) {
                EXPECT_EQ(value == QLatin1String("vbr"), i == 0) << value.toStdString();
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Data, ShippedProfile,
    testing::ValuesIn(ListFilesWithExtension(kSourceProfiles, QStringLiteral(".bpf"))),
    [](const auto &p) { return p.param.section(QLatin1Char(' '), 0, 0).toStdString(); });

// The program directory holds one profile per output type, named after what it makes, and the
// preferences file with its version and defaults.
TEST(ProgramDirectory, ShippedProfilesAndPreferences)
{
    const ProfileCatalogue catalogue = ProfileCatalogue::List(qvj::test::BuildProgramDirectory());
    QSet<QString> types;
    for (int i = 0; i < catalogue.Count(); ++i) {
        ProfileSettings settings;
        ASSERT_TRUE(settings.LoadProfile(catalogue.PathOf(i)));
        const QString type = settings.OutputExtension().mid(1);
        EXPECT_TRUE(catalogue.Names().at(i).startsWith(type.toUpper() + QLatin1Char(' ')));
        types.insert(type);
    }
    EXPECT_EQ(catalogue.Count(), types.size());
    EXPECT_EQ(types, QSet<QString>({"avi", "mpg", "mp4", "wmv", "mov", "vob", "asf", "flv"}));

    const IniFile ini(qvj::test::BuildProgramDirectory() + QStringLiteral("Preferences.ini"));
    QString values = ini.GetText(QStringLiteral("Main"), QStringLiteral("Version"), QString());
    for (const char *key : {"Output File", "Auto Open Dir", "Auto Exit", "Auto Turn Off", "Ask",
                            "Overwrite", "Rename"})
        values += QLatin1Char(' ') + ini.GetText(QStringLiteral("Default"), QLatin1String(key),
                                                 QStringLiteral("?"));
    EXPECT_EQ(values, QStringLiteral("1.5  1 0 0 1 0 0"));
}

} // namespace
