#include "cli/CliDesktop.h"
#include "cli/JoinCommand.h"
#include "cli/ProgressLine.h"
#include "common/TestSupport.h"
#include "profiles/ProfileCatalogue.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

// A stream in memory; Text() gives what was written so far.
class Capture
{
public:
    Capture() { m_file = open_memstream(&m_buffer, &m_size); }
    ~Capture()
    {
        std::fclose(m_file);
        std::free(m_buffer);
    }
    std::FILE *File() const { return m_file; }
    QString Text() const
    {
        std::fflush(m_file);
        return QString::fromUtf8(m_buffer, qsizetype(m_size));
    }

private:
    char *m_buffer = nullptr;
    size_t m_size = 0;
    std::FILE *m_file = nullptr;
};

TEST(FormatProgressLine, ShowsWhatTheWindowWouldShow)
{
    ProgressView v;
    v.stage = S("Prepare (Converting):");
    v.file = S("a b.mp4");
    v.current = 50;
    v.total = 25;
    EXPECT_EQ(FormatProgressLine(v), S("Prepare (Converting): a b.mp4  file 50%  total 25%"));
    v.elapsed = S("00:00:03");
    v.remaining = S("00:00:09");
    v.fileShown = false;
    EXPECT_EQ(FormatProgressLine(v),
              S("Prepare (Converting):  file 50%  total 25%  elapsed 00:00:03  remaining "
                "00:00:09"));
}

TEST(ProgressLine, RewritesOneLineOnATerminal)
{
    Capture out;
    ProgressLine line(out.File(), true);
    line.Show(); // nothing before a stage is known
    line.View().stage = S("S");
    line.Show();
    line.Show(); // unchanged: nothing written
    line.View().total = 7;
    line.Show();
    line.Break();
    line.Break();
    EXPECT_EQ(out.Text(), S("\rS  file 0%  total 0%\x1b[K\rS  file 0%  total 7%\x1b[K\n"));
}

TEST(ProgressLine, PrintsPlainLinesOnlyForStageFileOrTotal)
{
    Capture out;
    ProgressLine line(out.File(), false);
    line.View().stage = S("S");
    line.Show();
    line.View().elapsed = S("00:00:01"); // times alone give no new line
    line.Show();
    line.View().current = 40;
    line.Show();
    line.View().total = 20;
    line.Show();
    line.View().file = S("b");
    line.Show();
    line.Break();
    EXPECT_EQ(out.Text(),
              S("S  file 0%  total 0%\n"
                "S  file 40%  total 20%  elapsed 00:00:01\n"
                "S b  file 40%  total 20%  elapsed 00:00:01\n"));
}

TEST(CliDesktop, PrintsMessagesAndAnswersByTheCommandLinesRules)
{
    Capture out;
    CliDesktop desktop(out.File());
    int breaks = 0;
    desktop.SetBeforePrint([&] { ++breaks; });
    desktop.ShowMessage(S("File Exists"), S("Overwrite? \n\rClick \"No\"."), MessageIcon::Question);
    EXPECT_TRUE(desktop.AskQuestion(S("Already Listed"), S("Again?")));
    EXPECT_FALSE(desktop.AskQuestion(S("File Exists"), S("Overwrite?")));
    desktop.ShowError(S("bad file"));
    desktop.OpenPath(S("/"));
    desktop.PowerOff();
    EXPECT_EQ(breaks, 4);
    EXPECT_EQ(out.Text(),
              S("File Exists: Overwrite? \nClick \"No\".\n"
                "Already Listed: Again? Yes.\n"
                "File Exists: Overwrite? No.\n"
                "Quintor Video Joiner: bad file.\n"));
}

TEST(ResolveProfilePath, FindsTheProfileByNameOrMemory)
{
    QTemporaryDir dir;
    const QString program = dir.path() + S("/");
    ASSERT_TRUE(QDir(program).mkdir(S("Profiles")));
    for (const char *name : {"AVI - MPEG-4 Video.bpf", "b.BPF", "MP4 - H.264 Video.bpf"}) {
        QFile f(program + S("Profiles/") + S(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const ProfileCatalogue catalogue = ProfileCatalogue::List(program);
    const QString profiles = program + S("Profiles/");
    struct Case
    {
        QString name;
        int remembered;
        QString file; // empty: refused
    };
    const std::vector<Case> cases {
        {S(""), 0, S("AVI - MPEG-4 Video.bpf")},
        {S(""), 2, S("MP4 - H.264 Video.bpf")},
        {S(""), 3, S("AVI - MPEG-4 Video.bpf")},
        {S(""), -1, S("AVI - MPEG-4 Video.bpf")},
        {S("b"), 0, S("b.BPF")},
        {S("B"), 0, S("b.BPF")},
        {S("mp4 - h.264 video.bpf"), 0, S("MP4 - H.264 Video.bpf")},
        {S("MP4"), 0, S("")},
    };
    for (const Case &c : cases) {
        QString error;
        const QString path = ResolveProfilePath(catalogue, c.name, c.remembered, &error);
        if (c.file.isEmpty()) {
            EXPECT_TRUE(path.isEmpty());
            EXPECT_TRUE(error.contains(S("AVI - MPEG-4 Video, b, MP4 - H.264 Video")))
                << error.toStdString();
        } else {
            EXPECT_EQ(path, profiles + c.file) << c.name.toStdString();
        }
    }

    QString error;
    EXPECT_TRUE(
        ResolveProfilePath(ProfileCatalogue::List(program + S("none/")), QString(), 0, &error)
            .isEmpty());
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
