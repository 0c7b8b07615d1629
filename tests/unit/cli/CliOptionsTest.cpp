#include "cli/CliOptions.h"
#include "cli/InputList.h"
#include "cli/JoinCommand.h"
#include "common/TestSupport.h"
#include "platform/RawNames.h"
#include "profiles/ProfileCatalogue.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <tuple>

namespace {

using Policy = CliOptions::Policy;

using qvj::test::S;

QStringList Args(const char *line)
{
    return S(line).split(QLatin1Char('|'));
}

TEST(CliArguments, AreTakenApart)
{
    struct Case
    {
        const char *args; // "|" between arguments
        const char *profile, *temp;
        Policy policy;
        const char *output, *inputs;
    };
    const std::vector<Case> cases {
        {"-o|out.avi|a.mp4|b.mp4", "", "", Policy::Refuse, "out.avi", "a.mp4|b.mp4"},
        {"--profile|AVI - MPEG-4 Video|--temp|/t|--rename|a.mp4|-o|o u t.avi|b.mp4",
         "AVI - MPEG-4 Video", "/t", Policy::Rename, "o u t.avi", "a.mp4|b.mp4"},
        {"--profile=X|--temp=/t t|--output=o.avi|--overwrite|a", "X", "/t t", Policy::Overwrite,
         "o.avi", "a"},
        {"-o|o|--|--rename|-x.mp4", "", "", Policy::Refuse, "o", "--rename|-x.mp4"}};
    for (const Case &c : cases) {
        const CliParseResult r = ParseCliArguments(Args(c.args));
        ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        EXPECT_FALSE(r.options.help);
        EXPECT_EQ(r.options.profile, S(c.profile)) << c.args;
        EXPECT_EQ(r.options.tempDir, S(c.temp)) << c.args;
        EXPECT_EQ(r.options.policy, c.policy) << c.args;
        EXPECT_EQ(r.options.output, S(c.output)) << c.args;
        EXPECT_EQ(r.options.inputs, Args(c.inputs)) << c.args;
    }
}

// --from and --to belong to the input after them; a time the parser cannot read, --to before
// --from, or a cut with no input after it is refused, naming the file where there is one.
TEST(CliArguments, CutsApplyToTheNextInputAlone)
{
    using Cut = CliOptions::Cut;
    const struct
    {
        const char *args;
        QList<Cut> cuts;
        const char *error;
    } cases[] = {
        {"-o|x|a|b", {Cut {}, Cut {}}, ""},
        {"-o|x|--from|12.5|a|b", {Cut {12.5, {}}, Cut {}}, ""},
        {"-o|x|a|--to=1:02:03.250|--from|00:30|b", {Cut {}, Cut {30, 3723.25}}, ""},
        {"--from|1|-o|x|a", {Cut {1, {}}}, ""},
        {"-o|x|--from|5|--to|5|a.mp4", {}, "--to must come after --from for a.mp4."},
        {"-o|x|--from|9|--to|2.5|b.mp4", {}, "--to must come after --from for b.mp4."},
        {"-o|x|--from|-3|a",
         {},
         "--from needs a time in seconds (12.5) or as [HH:]MM:SS[.mmm], not -3."},
        {"-o|x|--to|1:75|a",
         {},
         "--to needs a time in seconds (12.5) or as [HH:]MM:SS[.mmm], not 1:75."},
        {"-o|x|--to|a", {}, "--to needs a time in seconds (12.5) or as [HH:]MM:SS[.mmm], not a."},
        {"-o|x|a|--from|2", {}, "--from applies to the input after it, and none follows."},
        {"-o|x|a|--from", {}, "--from needs a value."},
    };
    for (const auto &c : cases) {
        const CliParseResult r = ParseCliArguments(Args(c.args));
        EXPECT_EQ(r.error, S(c.error)) << c.args;
        if (r.error.isEmpty()) {
            EXPECT_EQ(r.options.cuts, c.cuts) << c.args;
        }
    }
}

TEST(CliArguments, RefuseWhatMakesNoSenseButHelpNeedsNothingElse)
{
    for (const char *bad :
         {"-o", "-o|", "--list|a|--list|b", "--from|1|--list|a", "-o|x|--list", "-o|x|--profile",
          "-o|x|--temp=", "-o|x|--overwrite|--rename", "-o|x|-o|y", "-o|x|--power-off", "-o|x|-v",
          "-o|x|--chapters|--no-chapters"})
        EXPECT_FALSE(ParseCliArguments(Args(bad)).error.isEmpty()) << bad;
    // Chapters follow the preferences unless the command line says.
    EXPECT_EQ(ParseCliArguments(Args("-o|x|a")).options.chapters, std::nullopt);
    EXPECT_EQ(ParseCliArguments(Args("-o|x|--no-chapters|a")).options.chapters, false);
    EXPECT_EQ(ParseCliArguments(Args("--chapters|--chapters|-o|x|a")).options.chapters, true);
    EXPECT_FALSE(ParseCliArguments(Args("-o|x|a")).options.noDates);
    EXPECT_TRUE(ParseCliArguments(Args("-o|x|--no-dates|a")).options.noDates);
    EXPECT_TRUE(ParseCliArguments(Args("--even-loudness|-o|x|a")).options.evenLoudness);
    // Without -o the output is left to the proposal; the list's files go where --list stands.
    const CliParseResult listed = ParseCliArguments(Args("--keep-going|a|--list=-|b"));
    EXPECT_EQ(listed.error, QString());
    EXPECT_EQ(listed.options.output, QString());
    EXPECT_TRUE(listed.options.keepGoing);
    EXPECT_EQ(listed.options.listFile, S("-"));
    EXPECT_EQ(listed.options.listAt, 1);
    for (const char *help : {"--help", "-h|a"}) {
        const CliParseResult r = ParseCliArguments(Args(help));
        EXPECT_TRUE(r.error.isEmpty());
        EXPECT_TRUE(r.options.help);
    }
}

TEST(InputList, OnePathALineAsWrittenBlankLinesSkipped)
{
    const std::vector<std::pair<QByteArray, QStringList>> cases {
        {"", {}},
        {"a.mp4", {S("a.mp4")}},
        {"a.mp4\r\n\n  \t\r\n b c.avi \n/x/d.mkv\n", {S("a.mp4"), S(" b c.avi "), S("/x/d.mkv")}},
        {QByteArray("\xE9.avi\nz\0.mp4\n\0\n", 15), {NameFromBytes("\xE9.avi"), S("z.mp4")}},
    };
    for (const auto &[bytes, paths] : cases)
        EXPECT_EQ(ParseInputList(bytes), paths) << bytes.toStdString();
}

TEST(ResolveProfilePath, FindsTheProfileByNameOrMemory)
{
    QTemporaryDir dir;
    const QString program = dir.path() + S("/");
    ASSERT_TRUE(QDir(program).mkdir(S("Profiles")));
    for (const char *name : {"AVI - MPEG-4 Video.bpf", "b.BPF", "MP4 - H.264 Video.bpf"})
        qvj::test::WriteFile(program + S("Profiles/") + S(name), "");
    const ProfileCatalogue catalogue = ProfileCatalogue::List(program);
    const std::vector<std::tuple<const char *, int, const char *>> cases {
        // name, remembered index, file ("": refused)
        {"", 2, "MP4 - H.264 Video.bpf"},
        {"", 3, "AVI - MPEG-4 Video.bpf"},
        {"b", 0, "b.BPF"},
        {"mp4 - h.264 video.bpf", 0, "MP4 - H.264 Video.bpf"},
        {"MP4", 0, ""}};
    for (const auto &[name, remembered, file] : cases) {
        QString error;
        const QString path = ResolveProfilePath(catalogue, S(name), remembered, &error);
        EXPECT_EQ(path, *file ? QString(program + S("Profiles/") + S(file)) : QString()) << name;
        EXPECT_EQ(error.contains(S("AVI - MPEG-4 Video, b, MP4 - H.264 Video")), !*file) << name;
    }
    QString error;
    EXPECT_EQ(ResolveProfilePath(ProfileCatalogue::List(program + S("none/")), S(""), 0, &error),
              QString());
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
