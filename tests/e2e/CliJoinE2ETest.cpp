// quintor-join with the real encoder, from the built program directory.
#include "EncoderTestSupport.h"

#include "platform/Paths.h"
#include "platform/ProcessOwner.h"
#include "platform/RawNames.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>
#include <tuple>

namespace {

using namespace qvj::test;

TEST(CliJoin, JoinsUnlikeClipsKeepsAnExistingOutputUnlessToldAndCleansUpOnCtrlC)
{
    QTemporaryDir work;
    // Quotes, backslashes and letters beyond ASCII in every path the encoder is given.
    const QString root = work.path() + S("/"), temp = root + S("temp \"q\" ß");
    const QString a = root + S("clip \"a\" ü.mp4"), b = root + S("Ünï 日本/b \\silent\\.avi");
    const QString existing = root + S("joined \"x\" \\ é.avi");
    ASSERT_TRUE(MakeClip(a, {.seconds = 1, .sampleRate = 22050, .channels = 1, .extra = {}}));
    ASSERT_TRUE(QDir().mkdir(root + S("Ünï 日本")));
    ASSERT_TRUE(MakeClip(
        b,
        {.seconds = 1, .width = 176, .height = 144, .fps = S("30"), .audio = false, .extra = {}}));
    WriteFile(existing, "mine");
    // Every run joins a, b and a again: a file named twice is joined twice.
    const auto join = [&](const char *policy, const QString &interruptWhen = {}) {
        QStringList args {
            S("--profile"), S("AVI - MPEG-4 Video"), S("--temp"), temp, S("-o"), existing, a, b, a};
        if (*policy)
            args.prepend(S(policy));
        const JoinRun r = RunQuintorJoin(args, {.interruptWhen = interruptWhen});
        // A stopped join keeps what it converted whole, for the next run to go on from.
        EXPECT_EQ(QDir(temp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  interruptWhen.isEmpty() ? QStringList() : QStringList {S("qvj-kept")});
        return r;
    };

    const JoinRun refused = join("");
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains(S("File Exists: The output file is existent.")))
        << refused.err.toStdString();
    EXPECT_EQ(ReadFile(existing), QByteArray("mine"));

    const JoinRun renamed = join("--rename");
    ASSERT_EQ(renamed.code, 0) << renamed.err.toStdString();
    EXPECT_EQ(renamed.out.trimmed(), root + S("joined \"x\" \\ é_1.avi"));
    EXPECT_EQ(ReadFile(existing), QByteArray("mine"));
    for (const char *shown :
         {"Already Listed: ", "Prepare (Converting): b \\silent\\.avi",
          "Final Step: Joining all files...", "Complete: The joining is completed successfully."})
        EXPECT_TRUE(renamed.err.contains(S(shown))) << shown;
    EXPECT_TRUE(renamed.err.contains(S("completed successfully.\nThe joined file is ") + root
                                     + S("joined \"x\" \\ é_1.avi.")))
        << renamed.err.toStdString();
    const ProbedFile joined = ProbeFile(root + S("joined \"x\" \\ é_1.avi"));
    EXPECT_NEAR(joined.seconds, 3.0, 0.5);
    EXPECT_FALSE(joined.videoCodec.isEmpty());
    EXPECT_FALSE(joined.audioCodec.isEmpty());

    const JoinRun replaced = join("--overwrite");
    ASSERT_EQ(replaced.code, 0) << replaced.err.toStdString();
    EXPECT_NEAR(ProbeFile(existing).seconds, 3.0, 0.5);

    const std::vector<std::pair<const char *, const char *>> interrupts {
        // Ctrl-C when, then
        {"Prepare (Converting): b \\silent\\.avi", "Cancel: The Coversion is canceled."},
        {"Final Step: Joining all files...", "Cancel: The Joining is canceled."}};
    for (const auto &[when, then] : interrupts) {
        const JoinRun r = join("--overwrite", S(when));
        EXPECT_EQ(r.code, 130) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(S(then))) << r.err.toStdString();
    }
}

// Names that are not UTF-8 everywhere (an input, the temporary folder, the output): the join
// is written where asked, the texts show the letters, standard output names the file by its
// bytes, and the temporary folder keeps nothing. A name in the list that is no file is said to
// be what it is.
TEST(CliJoin, Latin1NamesJoinAndNamesThatAreNoFileAreSaidToBeWhatTheyAre)
{
    QTemporaryDir work;
    const QString root = work.path() + S("/");
    const QString made = root + S("made.mp4"), clip = root + NameFromBytes("cl\xEDp.mp4");
    const QString temp = root + NameFromBytes("t\xE9mp"),
                  output = root + NameFromBytes("j\xE9.avi");
    ASSERT_TRUE(MakeClip(made, {.seconds = 1, .extra = {}}));
    ASSERT_EQ(::rename(NameToBytes(made).constData(), NameToBytes(clip).constData()), 0);
    ASSERT_TRUE(QDir().mkdir(root + S("folder.avi")));
    ASSERT_TRUE(QFile::link(root + S("loop.avi"), root + S("loop.avi")));
    const auto removeRaw = qScopeGuard([&] {
        for (const QString &name : FolderNames(temp))
            RemoveNamedFile(temp + S("/") + name);
        RemoveEmptyFolder(temp);
        RemoveNamedFile(clip);
        RemoveNamedFile(output);
    });

    const std::vector<std::tuple<QString, int, QString>> cases {
        // the second input, exit code, a line of standard error
        {clip, 0, S("The joined file is ") + ShownName(output) + S(".")},
        {root + S("folder.avi"), 1, root + S("folder.avi is a folder, not a file.")},
        {root + S("loop.avi"), 1, root + S("loop.avi is a link that leads nowhere.")},
    };
    // Before each refused run, a folder that a killed job left: the start removes it.
    QProcess gone;
    gone.start(S("true"), {});
    ASSERT_TRUE(gone.waitForStarted());
    const QByteArray dead = QByteArray::number(gone.processId()) + ' '
        + ProcessOwnerRecord().split(' ').mid(1).join(' ');
    ASSERT_TRUE(gone.waitForFinished());
    for (const auto &[second, code, line] : cases) {
        if (code != 0) {
            ASSERT_EQ(::mkdir(NameToBytes(temp + S("/qvj-dead01")).constData(), 0777), 0);
            WriteFile(OpenablePath(temp + S("/qvj-dead01")) + S("/owner"), dead);
        }
        const JoinRun r = RunQuintorJoin({S("--profile"), S("AVI - MPEG-4 Video"), S("--temp"),
                                          temp, S("-o"), output, clip, second});
        EXPECT_EQ(r.code, code) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(line)) << r.err.toStdString();
        EXPECT_FALSE(HoldsRawBytes(r.err)) << r.err.toStdString();
        EXPECT_EQ(r.out.trimmed(), code == 0 ? output : QString());
        EXPECT_EQ(FolderNames(temp), QStringList());
    }
    EXPECT_TRUE(FileExists(output));
}

} // namespace
