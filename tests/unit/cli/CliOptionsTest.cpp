#include "cli/CliOptions.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using Policy = CliOptions::Policy;

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

struct GoodCase
{
    const char *name;
    QStringList args;
    QString profile;
    QString temp;
    Policy policy;
    QString output;
    QStringList inputs;
};

class CliArguments : public testing::TestWithParam<GoodCase>
{
};

TEST_P(CliArguments, AreTakenApart)
{
    const CliParseResult r = ParseCliArguments(GetParam().args);
    ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    EXPECT_FALSE(r.options.help);
    EXPECT_EQ(r.options.profile, GetParam().profile);
    EXPECT_EQ(r.options.tempDir, GetParam().temp);
    EXPECT_EQ(r.options.policy, GetParam().policy);
    EXPECT_EQ(r.options.output, GetParam().output);
    EXPECT_EQ(r.options.inputs, GetParam().inputs);
}

INSTANTIATE_TEST_SUITE_P(
    Valid, CliArguments,
    testing::Values(GoodCase {"Minimal",
                              {S("-o"), S("out.avi"), S("a.mp4"), S("b.mp4")},
                              S(""),
                              S(""),
                              Policy::Refuse,
                              S("out.avi"),
                              {S("a.mp4"), S("b.mp4")}},
                    GoodCase {"Everything",
                              {S("--profile"), S("AVI - MPEG-4 Video"), S("--temp"), S("/t"),
                               S("--rename"), S("a.mp4"), S("-o"), S("o u t.avi"), S("b.mp4")},
                              S("AVI - MPEG-4 Video"),
                              S("/t"),
                              Policy::Rename,
                              S("o u t.avi"),
                              {S("a.mp4"), S("b.mp4")}},
                    GoodCase {"EqualsForm",
                              {S("--profile=X"), S("--temp=/t t"), S("--output=o.avi"),
                               S("--overwrite"), S("a")},
                              S("X"),
                              S("/t t"),
                              Policy::Overwrite,
                              S("o.avi"),
                              {S("a")}},
                    GoodCase {"SamePolicyTwice",
                              {S("--rename"), S("--rename"), S("-o"), S("o")},
                              S(""),
                              S(""),
                              Policy::Rename,
                              S("o"),
                              {}},
                    GoodCase {"DashDashEndsOptions",
                              {S("-o"), S("o"), S("--"), S("--rename"), S("-x.mp4")},
                              S(""),
                              S(""),
                              Policy::Refuse,
                              S("o"),
                              {S("--rename"), S("-x.mp4")}},
                    GoodCase {"FileNamedTwice",
                              {S("-o"), S("o"), S("a"), S("a")},
                              S(""),
                              S(""),
                              Policy::Refuse,
                              S("o"),
                              {S("a"), S("a")}}),
    [](const testing::TestParamInfo<GoodCase> &p) { return std::string(p.param.name); });

TEST(CliArguments, RefuseWhatMakesNoSense)
{
    const std::vector<QStringList> bad {
        {S("a.mp4"), S("b.mp4")},
        {S("-o")},
        {S("-o"), S("")},
        {S("-o"), S("x"), S("--profile")},
        {S("-o"), S("x"), S("--temp=")},
        {S("-o"), S("x"), S("--overwrite"), S("--rename")},
        {S("-o"), S("x"), S("-o"), S("y")},
        {S("-o"), S("x"), S("--power-off")},
        {S("-o"), S("x"), S("-v")},
    };
    for (const QStringList &args : bad) {
        const CliParseResult r = ParseCliArguments(args);
        EXPECT_FALSE(r.error.isEmpty()) << args.join(S(" ")).toStdString();
    }
}

TEST(CliArguments, HelpNeedsNothingElse)
{
    for (const QStringList &args : {QStringList {S("--help")}, QStringList {S("-h"), S("a")}}) {
        const CliParseResult r = ParseCliArguments(args);
        EXPECT_TRUE(r.error.isEmpty());
        EXPECT_TRUE(r.options.help);
    }
    EXPECT_TRUE(CliUsage().contains(S("-o OUTPUT INPUT...")));
}

} // namespace
