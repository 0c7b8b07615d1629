// quintor-join with the real encoder, from the built program directory.
#include "EncoderTestSupport.h"
#include "PipelineE2ESupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace qvj::test;

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

class CliJoin : public testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *name : {"a.mp4", "b.mp4"})
            ASSERT_TRUE(MakeClip(root + S(name), TinyClip()));
    }

    // The usual arguments: the AVI profile, the test's temporary folder, output, a and b.
    QStringList Args(const QString &output) const
    {
        return {S("--profile"), S("AVI - MPEG-4 Video"), S("--temp"),       temp,
                S("-o"),        root + output,           root + S("a.mp4"), root + S("b.mp4")};
    }

    QTemporaryDir work;
    QString root = work.path() + S("/");
    QString temp = root + S("temp");
};

TEST_F(CliJoin, AnExistingOutputIsKeptUnlessTheCommandLineSaysOtherwise)
{
    const QString existing = root + S("joined.avi");
    WriteFile(existing, "mine");
    const CliResult refused = RunQuintorJoin(Args(S("joined.avi")));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(S("File Exists: The output file is existent.")))
        << refused.err.toStdString();
    EXPECT_EQ(ReadFile(existing), QByteArray("mine"));
    EXPECT_FALSE(QFileInfo::exists(temp)) << "nothing started";

    WriteFile(root + S("joined_1.avi"), "mine too");
    const CliResult renamed = RunQuintorJoin(QStringList {S("--rename")} + Args(S("joined.avi")));
    ASSERT_EQ(renamed.exitCode, 0) << renamed.err.toStdString();
    EXPECT_EQ(renamed.out.trimmed(), root + S("joined_2.avi"));
    EXPECT_EQ(ReadFile(existing), QByteArray("mine"));
    EXPECT_EQ(ReadFile(root + S("joined_1.avi")), QByteArray("mine too"));
    EXPECT_NEAR(ProbeFile(root + S("joined_2.avi")).seconds, 2.0, 1.0);

    const CliResult replaced
        = RunQuintorJoin(QStringList {S("--overwrite")} + Args(S("joined.avi")));
    ASSERT_EQ(replaced.exitCode, 0) << replaced.err.toStdString();
    EXPECT_NEAR(ProbeFile(existing).seconds, 2.0, 1.0);
}

TEST_F(CliJoin, RefusesWhatItCannotDo)
{
    const QString x = root + S("x.avi"), a = root + S("a.mp4"), b = root + S("b.mp4");
    const std::vector<std::tuple<QStringList, int, const char *>> cases {
        {{S("-o"), x, a, root + S("missing.mp4")}, 1, "missing.mp4"},
        {{S("-o"), x, a},
         1,
         "Add More Videos: Please add at least 2 videos to the task for joining."},
        {{S("-o"), root + S("no folder/x.avi"), a, b}, 1, "Output path does not exist"},
        {{S("--profile"), S("No Such"), S("-o"), x, a, b},
         1,
         "There is no profile named \"No Such\""},
        {{S("-o"), x, S("--bogus"), a}, 2, "Unknown option --bogus."},
    };
    for (const auto &[args, exitCode, message] : cases) {
        const CliResult r = RunQuintorJoin(args);
        EXPECT_EQ(r.exitCode, exitCode) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(S(message))) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(x));
    }
}

TEST_F(CliJoin, CtrlCStopsTheJobAndRemovesTheIntermediateFiles)
{
    const std::vector<std::pair<const char *, const char *>> cases {
        // when, then
        {"Prepare (Converting): b.mp4", "Cancel: The Coversion is canceled."},
        {"Final Step: Joining all files...", "Cancel: The Joining is canceled."},
    };
    for (const auto &[when, then] : cases) {
        const CliResult r = RunQuintorJoin(Args(S("j.avi")), S(when));
        EXPECT_TRUE(r.interrupted) << "never saw " << when;
        EXPECT_EQ(r.exitCode, 130) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(S(then))) << r.err.toStdString();
        EXPECT_EQ(FolderEntries(temp), QStringList());
    }
}

// Every shipped profile joins the inputs, a file named twice twice, into a file with sound and
// picture as long as its inputs.
class CliJoinProfile : public CliJoin, public testing::WithParamInterface<QString>
{
};

TEST_P(CliJoinProfile, JoinsEveryInputIntoAFileThatPlays)
{
    QStringList args = Args(S("joined")) << root + S("a.mp4");
    args[1] = GetParam();
    const CliResult r = RunQuintorJoin(args);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString written = r.out.trimmed();
    EXPECT_TRUE(written.startsWith(root + S("joined."))) << written.toStdString();
    for (const char *shown :
         {"Already Listed: ", "Prepare (Converting): b.mp4", "Final Step: Joining all files...",
          "Complete: The joining is completed successfully."})
        EXPECT_TRUE(r.err.contains(S(shown))) << shown;
    const ProbedFile joined = ProbeFile(written);
    EXPECT_NEAR(joined.seconds, 3.0, 0.5); // three inputs of 1 s
    EXPECT_FALSE(joined.videoCodec.isEmpty());
    EXPECT_FALSE(joined.audioCodec.isEmpty());
    EXPECT_EQ(FolderEntries(temp), QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Shipped, CliJoinProfile,
    testing::ValuesIn(QDir(S(QVJ_SOURCE_DIR) + S("/data/Profiles"))
                          .entryList({S("*.bpf")}, QDir::Files, QDir::Name)
                          .replaceInStrings(S(".bpf"), S(""))),
    [](const testing::TestParamInfo<QString> &p) {
        return p.param.section(QLatin1Char(' '), 0, 0).toStdString(); // its type
    });

} // namespace
