#include "common/TestSupport.h"
#include "platform/Paths.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/ProfileSettings.h"
#include "settings/IniFile.h"
#include "settings/NumberSyntax.h"

#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

using O = ProfileOption;

// Plain visible files of the extension (in any case), by name without regard to case, ties by
// the exact name; a name ending in "/" is made as a folder.
TEST(ListFilesWithExtension, KeepsPlainVisibleFilesOfTheExtensionInOrder)
{
    const std::pair<QStringList, QStringList> cases[]
        = {{{"b.bpf", "A.BPF", "c.txt", "d.bpf.bak", "xbpf"}, {"A.BPF", "b.bpf"}},
           {{"a.bpf", "A.bpf", "B.bpf"}, {"A.bpf", "a.bpf", "B.bpf"}},
           {{".hidden.bpf", ".bpf", "folder.bpf/", "ok.bpf"}, {"ok.bpf"}},
           {{"été.bpf", "ÉTÉ 2.bpf", "zz.bpf"}, {"zz.bpf", "ÉTÉ 2.bpf", "été.bpf"}}};
    for (const auto &[files, listed] : cases) {
        QTemporaryDir dir;
        for (const QString &f : files) {
            if (f.endsWith(QLatin1Char('/')))
                ASSERT_TRUE(QDir(dir.path()).mkdir(f.chopped(1)));
            else
                qvj::test::WriteFile(dir.filePath(f), "");
        }
        EXPECT_EQ(ListFilesWithExtension(dir.path(), QStringLiteral(".BPF")), listed);
    }
}

// The catalogue gives each entry's real file, so "A.BPF" is loaded from "A.BPF"; an index that
// names no entry gives a path that names no file.
TEST(ProfileCatalogue, NamesAndTheRealFileOfEachEntry)
{
    QTemporaryDir dir;
    const QString programDir = AddTrailingBackslash(dir.path());
    EXPECT_TRUE(ProfileCatalogue::List(programDir).Names().isEmpty());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Profiles")));
    for (const char *f : {"b.bpf", "A.BPF", "x.y.bpf"})
        qvj::test::WriteFile(programDir + QStringLiteral("Profiles/") + QLatin1String(f), "");
    const ProfileCatalogue catalogue = ProfileCatalogue::List(programDir);
    EXPECT_EQ(catalogue.Names(), QStringList({"A", "b", "x.y"}));
    EXPECT_EQ(catalogue.PathOf(0), programDir + QStringLiteral("Profiles/A.BPF"));
    EXPECT_EQ(catalogue.PathOf(2), programDir + QStringLiteral("Profiles/x.y.bpf"));
    for (int index : {-1, 3})
        EXPECT_FALSE(FileExists(catalogue.PathOf(index))) << index;

    // The remembered name wins over the remembered index, so that profiles added or removed
    // since keep the choice; a file without a name (or with a name no longer listed) keeps
    // the index. name, index, entry chosen
    for (const auto &[name, index, chosen] :
         std::vector<std::tuple<const char *, int, int>> {{"b", 0, 1},
                                                          {"x.y", 5, 2},
                                                          {"B", 2, 1},
                                                          {"", 2, 2},
                                                          {"gone", 1, 1},
                                                          {"", 3, -1},
                                                          {"gone", -1, -1}})
        EXPECT_EQ(catalogue.RememberedIndex(QLatin1String(name), index), chosen) << name;
}

// Every shipped profile loads, names the output type it makes and offers, in every option,
// choices with captions and values, selects one of them and describes itself; the values have
// the forms the Output Settings' checks take. Whether each choice really encodes is proved end
// to end with the encoder.
TEST(ProgramDirectory, ShippedProfilesAndPreferences)
{
    const ProfileCatalogue catalogue = ProfileCatalogue::List(qvj::test::BuildProgramDirectory());
    QSet<QString> types;
    int encoding = 0;
    for (int p = 0; p < catalogue.Count(); ++p) {
        SCOPED_TRACE(catalogue.Names().at(p).toStdString());
        ProfileSettings settings;
        ASSERT_TRUE(settings.LoadProfile(catalogue.PathOf(p)));
        if (settings.StreamCopy())
            continue; // they only describe a copy; a test of their own looks at them
        ++encoding;
        const QString type = settings.OutputExtension().mid(1);
        EXPECT_TRUE(catalogue.Names().at(p).startsWith(type.toUpper() + QLatin1Char(' ')));
        types.insert(type);
        const IniFile ini(catalogue.PathOf(p));
        for (const ProfileOption option : kProfileOptions) {
            const QString section = SectionName(option);
            SCOPED_TRACE(section.toStdString());
            const int items = ini.GetNumber(section, QStringLiteral("Items"), 0);
            const int index = ini.GetNumber(section, QStringLiteral("Index"), -1);
            EXPECT_TRUE(items > 0 && index >= 0 && index < items) << items << ", " << index;
            EXPECT_FALSE(ini.GetText(section, QStringLiteral("Description"), QString()).isEmpty());
            for (int i = 0; i < items; ++i) {
                const QString n = QString::number(i);
                const QString caption
                    = ini.GetText(section, QStringLiteral("Caption") + n, QString());
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
    EXPECT_EQ(encoding, types.size());
    EXPECT_EQ(types, QSet<QString>({"avi", "mpg", "mp4", "wmv", "mov", "vob", "asf", "flv"}));

    // The shipped preferences (the build's copy may hold what a run saved) name a profile by
    // its place in the list: a newcomer's first start chooses the MP4 profile.
    const IniFile ini(QStringLiteral(QVJ_SOURCE_DIR "/data/Preferences.ini"));
    EXPECT_EQ(catalogue.Names().value(
                  ini.GetNumber(QStringLiteral("Main"), QStringLiteral("Profile"), -1)),
              QStringLiteral("MP4 - H.264 Video"));
}

// The shipped ini files (the preferences and every profile) keep the CR LF line ends of their
// format, whatever a checkout or an editor does to text files.
TEST(ShippedIniFiles, EndEveryLineWithCrLf)
{
    QStringList files {QStringLiteral(QVJ_SOURCE_DIR "/data/Preferences.ini")};
    const QDir profiles(QStringLiteral(QVJ_SOURCE_DIR "/data/Profiles"));
    for (const QString &name : profiles.entryList({QStringLiteral("*.bpf")}))
        files << profiles.filePath(name);
    ASSERT_GT(files.size(), 1);
    for (const QString &file : files) {
        const QByteArray bytes = qvj::test::ReadFile(file);
        ASSERT_FALSE(bytes.isEmpty()) << file.toStdString();
        EXPECT_EQ(bytes.count("\r\n"), bytes.count('\n')) << file.toStdString();
        EXPECT_EQ(bytes.count('\r'), bytes.count('\n')) << file.toStdString();
        EXPECT_TRUE(bytes.endsWith("\r\n")) << file.toStdString();
    }
}

} // namespace
