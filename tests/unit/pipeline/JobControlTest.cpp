#include "pipeline/JobControl.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <tuple>

namespace {

using Verdict = StartCheck::Verdict;

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

class JobControl : public testing::Test
{
protected:
    void SetUp() override
    {
        QDir(root).mkdir(S("sub"));
        QDir(root).mkdir(S("taken_2.avi"));
        for (const char *name : {"exists.avi", "clip.mpg.avi", "taken.avi", "taken_1.avi",
                                 "my.clip.avi", "X.AVI", "noext"}) {
            QFile f(root + S(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }

    // A name not starting with "/" lies in the test's folder, unless it starts with "@".
    QString Path(const QString &name) const
    {
        return name.startsWith(QLatin1Char('@')) ? name.mid(1)
            : name.startsWith(QLatin1Char('/'))  ? name
                                                 : root + name;
    }

    QTemporaryDir dir;
    QString root = dir.path() + QLatin1Char('/');
};

TEST_F(JobControl, StartChecksInTheirOrderAndAppendsTheExtension)
{
    const std::map<QString, QString> texts {
        {S("Add More Videos"), S("Please add at least 2 videos to the task for joining.")},
        {S("Output path does not exist"),
         S("The output path does not exist. Please specify another one.")},
        {S("Icorrect Filename"), S("Please specify the output file.")},
    };
    const QString more = S("Add More Videos"), path = S("Output path does not exist"),
                  name = S("Icorrect Filename");
    const std::vector<std::tuple<int, const char *, const char *, QString, const char *>> cases {
        // rows, output box, extension, refusal title ("": go), output box after the checks
        {0, "a.avi", ".avi", more, "a.avi"},
        {1, "/missing/a.avi", ".avi", more, "/missing/a.avi"},
        {2, "/missing-folder/a.avi", ".avi", path, "/missing-folder/a.avi"},
        {2, "@movie", ".avi", path, "@movie"},
        {2, "@", ".avi", path, "@"},
        {2, "", ".avi", name, ""},
        {2, "sub/", ".avi", name, "sub/"},
        {2, "movie", ".avi", "", "movie.avi"},
        {2, "movie.AVI", ".avi", "", "movie.AVI"},
        {2, "movie.avi", ".AVI", "", "movie.avi"},
        {2, "movie.mpg", ".avi", "", "movie.mpg.avi"},
        {2, "movie.mpg", "", "", "movie.mpg"},
        {2, "my.movie.mp4", ".mp4", "", "my.movie.mp4"},
        {2, ".hidden", ".avi", "", ".hidden.avi"},
        {2, "/qvj-none.avi", ".avi", "", "/qvj-none.avi"},
    };
    for (const auto &[rows, output, extension, title, result] : cases) {
        const StartCheck check = CheckStart({rows, Path(S(output)), S(extension), true});
        EXPECT_EQ(check.verdict, title.isEmpty() ? Verdict::Go : Verdict::Refuse) << output;
        EXPECT_EQ(check.title, title) << output;
        EXPECT_EQ(check.text, title.isEmpty() ? QString() : texts.at(title)) << output;
        EXPECT_EQ(check.focus,
                  title == more         ? StartFocus::Unchanged
                      : title.isEmpty() ? StartFocus::TaskList
                                        : StartFocus::OutputFile)
            << output;
        EXPECT_EQ(check.icon, MessageIcon::Information);
        EXPECT_EQ(check.outputText, Path(S(result)));
    }
}

TEST_F(JobControl, StartAsksAboutAnExistingOutputOnlyUnderAskMe)
{
    qvj::test::RecordingDesktop desktop;
    desktop.answers = {false};
    // The name after the extension check is the one tested, and the box keeps it after No.
    StartCheck no = CheckStart({2, root + S("clip.mpg"), S(".avi"), true});
    EXPECT_FALSE(ConfirmStart(no, desktop));
    EXPECT_EQ(no.focus, StartFocus::OutputFile);
    EXPECT_EQ(no.outputText, root + S("clip.mpg.avi"));
    ASSERT_EQ(desktop.calls.size(), 1u);
    EXPECT_EQ(desktop.calls.front().title, S("File Exists"));
    EXPECT_EQ(desktop.calls.front().text,
              S("The output file is existent. Do you want to continue and overwrite it? "
                "\n\rClick \"No\" to specify another output filename."));
    StartCheck yes = CheckStart({2, root + S("exists.avi"), S(".avi"), true});
    EXPECT_TRUE(ConfirmStart(yes, desktop));
    EXPECT_EQ(CheckStart({2, root + S("exists.avi"), S(".avi"), false}).verdict, Verdict::Go);
}

TEST(JobClock, EstimatesTheRemainingTimeFromTheTotalBar)
{
    const std::vector<std::array<int, 4>> cases {
        // ticks, bar, remaining before, after
        {30, 25, 0, 90}, {30, 100, 7, 0}, {5, 0, 42, 42}, {1, 8, 0, 12},
        {3, 40, 0, 4},   {1, 40, 0, 2},   {2, 80, 0, 0},  {1, 1, 0, 99},
    };
    for (const auto &[ticks, bar, before, after] : cases) {
        JobClock clock;
        clock.remainingSeconds = before;
        for (int i = 0; i < ticks; ++i)
            clock.Tick(i + 1 == ticks ? bar : 0);
        EXPECT_EQ(clock.elapsedSeconds, ticks);
        EXPECT_EQ(clock.remainingSeconds, after) << ticks << " ticks at " << bar;
    }
}

TEST_F(JobControl, RenameTakesTheFirstFreeIndex)
{
    const std::vector<std::tuple<const char *, bool, const char *, const char *>> cases {
        {"exists.avi", false, ".avi", "exists.avi"},
        {"fresh.avi", true, ".avi", "fresh.avi"},
        {"exists.avi", true, ".avi", "exists_1.avi"},
        {"taken.avi", true, ".avi", "taken_3.avi"},
        {"my.clip.avi", true, ".avi", "my.clip_1.avi"},
        {"X.AVI", true, ".avi", "X_1.avi"},
        {"noext", true, "", "noext_1"},
    };
    for (const auto &[output, rename, extension, result] : cases)
        EXPECT_EQ(JoinOutputPath(root + S(output), rename, S(extension)), root + S(result))
            << output;
}

} // namespace
