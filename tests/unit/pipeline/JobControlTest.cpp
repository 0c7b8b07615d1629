#include "pipeline/JobControl.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Verdict = StartCheck::Verdict;

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

void Touch(const QString &path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write("x");
}

class StartChecks : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        root = dir.path() + QLatin1Char('/');
        Touch(root + S("exists.avi"));
        Touch(root + S("clip.mpg.avi"));
    }

    StartCheck Check(int rows, const QString &output, const QString &ext = S(".avi"),
                     bool ask = true)
    {
        return CheckStart({rows, output, ext, ask});
    }

    QTemporaryDir dir;
    QString root;
};

TEST_F(StartChecks, RefuseInTheirOrder)
{
    struct Case
    {
        int rows;
        QString output; // relative to the test folder unless it starts with "/"
        QString title;
        StartFocus focus;
    };
    const std::vector<Case> cases {
        {0, S("a.avi"), S("Add More Videos"), StartFocus::Unchanged},
        {1, S("/missing/a.avi"), S("Add More Videos"), StartFocus::Unchanged},
        {2, S("/missing-folder/a.avi"), S("Output path does not exist"), StartFocus::OutputFile},
        {2, S("@movie"), S("Output path does not exist"), StartFocus::OutputFile},
        {2, S("@"), S("Output path does not exist"), StartFocus::OutputFile},
        {2, S(""), S("Icorrect Filename"), StartFocus::OutputFile},
        {2, S("sub/"), S("Icorrect Filename"), StartFocus::OutputFile},
    };
    QDir(root).mkdir(S("sub"));
    for (const Case &c : cases) {
        QString output = c.output;
        if (output.startsWith(QLatin1Char('@')))
            output = output.mid(1);
        else if (!output.startsWith(QLatin1Char('/')))
            output = root + output;
        const StartCheck check = Check(c.rows, output);
        EXPECT_EQ(check.verdict, Verdict::Refuse) << output.toStdString();
        EXPECT_EQ(check.title, c.title) << output.toStdString();
        EXPECT_EQ(check.focus, c.focus) << output.toStdString();
        EXPECT_EQ(check.icon, MessageIcon::Information);
        EXPECT_EQ(check.outputText, output);
    }
}

TEST_F(StartChecks, RefusalTextsAreTheSystemsOwn)
{
    EXPECT_EQ(Check(1, root + S("a.avi")).text,
              S("Please add at least 2 videos to the task for joining."));
    EXPECT_EQ(Check(2, S("movie")).text,
              S("The output path does not exist. Please specify another one."));
    EXPECT_EQ(Check(2, root).text, S("Please specify the output file."));
    EXPECT_EQ(Check(2, root + S("exists.avi")).text,
              S("The output file is existent. Do you want to continue and overwrite it? "
                "\n\rClick \"No\" to specify another output filename."));
}

TEST_F(StartChecks, TheRootFolderCounts)
{
    const StartCheck check = Check(2, S("/qvj-no-such-file-here.avi"), S(".avi"), true);
    EXPECT_EQ(check.verdict, Verdict::Go);
    EXPECT_EQ(check.focus, StartFocus::TaskList);
}

TEST_F(StartChecks, AppendTheOutputExtensionWhenItDiffers)
{
    struct Case
    {
        QString name;
        QString extension;
        QString expected;
    };
    const std::vector<Case> cases {
        {S("movie"), S(".avi"), S("movie.avi")},
        {S("movie.AVI"), S(".avi"), S("movie.AVI")},
        {S("movie.avi"), S(".AVI"), S("movie.avi")},
        {S("movie.mpg"), S(".avi"), S("movie.mpg.avi")},
        {S("movie.mpg"), S(""), S("movie.mpg")},
        {S("movie"), S(""), S("movie")},
        {S("my.movie.mp4"), S(".mp4"), S("my.movie.mp4")},
        {S(".hidden"), S(".avi"), S(".hidden.avi")},
    };
    for (const Case &c : cases) {
        const StartCheck check = Check(2, root + c.name, c.extension);
        EXPECT_EQ(check.verdict, Verdict::Go) << c.name.toStdString();
        EXPECT_EQ(check.outputText, root + c.expected) << c.name.toStdString();
    }
}

TEST_F(StartChecks, AskAboutAnExistingOutputOnlyUnderAskMe)
{
    // The name after the extension check is the one tested: clip.mpg becomes clip.mpg.avi.
    StartCheck check = Check(2, root + S("clip.mpg"));
    EXPECT_EQ(check.verdict, Verdict::AskOverwrite);
    EXPECT_EQ(check.title, S("File Exists"));
    EXPECT_EQ(check.icon, MessageIcon::Question);
    EXPECT_EQ(check.outputText, root + S("clip.mpg.avi"));

    EXPECT_EQ(Check(2, root + S("exists.avi"), S(".avi"), false).verdict, Verdict::Go);
    EXPECT_EQ(Check(2, root + S("new.avi")).verdict, Verdict::Go);
}

TEST_F(StartChecks, ConfirmShowsTheRefusalOrAsks)
{
    qvj::test::RecordingDesktop desktop;
    StartCheck refused = Check(1, root + S("a.avi"));
    EXPECT_FALSE(ConfirmStart(refused, desktop));
    ASSERT_EQ(desktop.Of(S("message")).size(), 1u);
    EXPECT_EQ(desktop.Of(S("message")).front().title, S("Add More Videos"));

    desktop.answers = {false, true};
    StartCheck no = Check(2, root + S("exists"));
    EXPECT_FALSE(ConfirmStart(no, desktop));
    EXPECT_EQ(no.focus, StartFocus::OutputFile);
    EXPECT_EQ(no.outputText, root + S("exists.avi")); // the box keeps the extension

    StartCheck yes = Check(2, root + S("exists.avi"));
    EXPECT_TRUE(ConfirmStart(yes, desktop));
    EXPECT_EQ(yes.focus, StartFocus::TaskList);
    EXPECT_EQ(desktop.Of(S("question")).size(), 2u);

    StartCheck go = Check(2, root + S("new.avi"));
    EXPECT_TRUE(ConfirmStart(go, desktop));
    EXPECT_EQ(desktop.calls.size(), 3u);
}

TEST(JobClock, EstimatesTheRemainingTimeFromTheTotalBar)
{
    struct Case
    {
        int ticks;
        int bar;
        int32_t before;
        int32_t remaining;
    };
    const std::vector<Case> cases {
        {30, 25, 0, 90}, {30, 100, 7, 0}, {5, 0, 42, 42}, {1, 8, 0, 12},
        {3, 40, 0, 4},   {1, 40, 0, 2},   {2, 80, 0, 0},  {1, 1, 0, 99},
    };
    for (const Case &c : cases) {
        JobClock clock;
        clock.remainingSeconds = c.before;
        for (int i = 0; i < c.ticks; ++i)
            clock.Tick(i + 1 == c.ticks ? c.bar : 0);
        EXPECT_EQ(clock.elapsedSeconds, c.ticks);
        EXPECT_EQ(clock.remainingSeconds, c.remaining) << c.ticks << " ticks at " << c.bar;
    }
}

class JoinOutputPathTest : public StartChecks
{
};

TEST_F(JoinOutputPathTest, RenamesToTheFirstFreeIndex)
{
    Touch(root + S("taken.avi"));
    Touch(root + S("taken_1.avi"));
    QDir(root).mkdir(S("taken_2.avi"));
    Touch(root + S("my.clip.avi"));
    Touch(root + S("X.AVI"));
    Touch(root + S("noext"));
    struct Case
    {
        QString output;
        bool rename;
        QString extension;
        QString expected;
    };
    const std::vector<Case> cases {
        {S("exists.avi"), false, S(".avi"), S("exists.avi")},
        {S("fresh.avi"), true, S(".avi"), S("fresh.avi")},
        {S("exists.avi"), true, S(".avi"), S("exists_1.avi")},
        {S("taken.avi"), true, S(".avi"), S("taken_3.avi")},
        {S("my.clip.avi"), true, S(".avi"), S("my.clip_1.avi")},
        {S("X.AVI"), true, S(".avi"), S("X_1.avi")},
        {S("noext"), true, S(""), S("noext_1")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(JoinOutputPath(root + c.output, c.rename, c.extension), root + c.expected)
            << c.output.toStdString();
}

} // namespace
