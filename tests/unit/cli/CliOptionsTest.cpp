#include "cli/CliOptions.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using Policy = CliOptions::Policy;

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

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
        {"--rename|--rename|-o|o|a", "", "", Policy::Rename, "o", "a"},
        {"-o|o|--|--rename|-x.mp4", "", "", Policy::Refuse, "o", "--rename|-x.mp4"},
        {"-o|o|a|a", "", "", Policy::Refuse, "o", "a|a"}, // a file named twice
    };
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

TEST(CliArguments, RefuseWhatMakesNoSenseButHelpNeedsNothingElse)
{
    for (const char *bad :
         {"a.mp4|b.mp4", "-o", "-o|", "-o|x|--profile", "-o|x|--temp=", "-o|x|--overwrite|--rename",
          "-o|x|-o|y", "-o|x|--power-off", "-o|x|-v"})
        EXPECT_FALSE(ParseCliArguments(Args(bad)).error.isEmpty()) << bad;
    for (const char *help : {"--help", "-h|a"}) {
        const CliParseResult r = ParseCliArguments(Args(help));
        EXPECT_TRUE(r.error.isEmpty());
        EXPECT_TRUE(r.options.help);
    }
}

} // namespace
