// quintor-join with the real encoder, from the built program directory.
#include "PipelineE2ESupport.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

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
        ASSERT_TRUE(work.isValid());
        root = work.path() + S("/");
        for (const char *name : {"a.mp4", "b.mp4"})
            ASSERT_TRUE(MakeClip(root + S(name), TinyClip()));
        temp = root + S("temp");
    }

    void WriteFile(const QString &path, const QByteArray &data)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    }

    QByteArray ReadFile(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir work;
    QString root;
    QString temp;
};

TEST_F(CliJoin, JoinsTheInputsInOrderAFileNamedTwiceTwice)
{
    const CliResult r = RunQuintorJoin({S("--profile"), S("AVI - MPEG-4 Video"), S("--temp"), temp,
                                        S("-o"), root + S("joined"), root + S("a.mp4"),
                                        root + S("b.mp4"), root + S("a.mp4")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), root + S("joined.avi"));
    EXPECT_TRUE(r.err.contains(S("Already Listed: ")));
    EXPECT_TRUE(r.err.contains(S("Prepare (Converting): b.mp4")));
    EXPECT_TRUE(r.err.contains(S("Final Step: Joining all files...")));
    EXPECT_TRUE(r.err.contains(S("Complete: The joining is completed successfully.")));
    EXPECT_NEAR(ProbeSeconds(root + S("joined.avi")), 3.0, 1.0);
    EXPECT_TRUE(FolderEntries(temp).isEmpty());
}

TEST_F(CliJoin, AnExistingOutputIsKeptUnlessTheCommandLineSaysOtherwise)
{
    const QString existing = root + S("joined.avi");
    WriteFile(existing, "mine");
    const QStringList base {
        S("--profile"), S("AVI - MPEG-4 Video"), S("--temp"),      temp, S("-o"),
        existing,       root + S("a.mp4"),       root + S("b.mp4")};

    const CliResult refused = RunQuintorJoin(base);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(S("File Exists: The output file is existent.")))
        << refused.err.toStdString();
    EXPECT_EQ(ReadFile(existing), QByteArray("mine"));
    EXPECT_FALSE(QFileInfo::exists(temp)) << "nothing started";

    WriteFile(root + S("joined_1.avi"), "mine too");
    const CliResult renamed = RunQuintorJoin(QStringList {S("--rename")} + base);
    ASSERT_EQ(renamed.exitCode, 0) << renamed.err.toStdString();
    EXPECT_EQ(renamed.out.trimmed(), root + S("joined_2.avi"));
    EXPECT_EQ(ReadFile(existing), QByteArray("mine"));
    EXPECT_EQ(ReadFile(root + S("joined_1.avi")), QByteArray("mine too"));
    EXPECT_NEAR(ProbeSeconds(root + S("joined_2.avi")), 2.0, 1.0);

    const CliResult replaced = RunQuintorJoin(QStringList {S("--overwrite")} + base);
    ASSERT_EQ(replaced.exitCode, 0) << replaced.err.toStdString();
    EXPECT_NEAR(ProbeSeconds(existing), 2.0, 1.0);
}

TEST_F(CliJoin, RefusesWhatItCannotDo)
{
    struct Case
    {
        QStringList args;
        int exitCode;
        QString message;
    };
    const std::vector<Case> cases {
        {{S("-o"), root + S("x.avi"), root + S("a.mp4"), root + S("missing.mp4")},
         1,
         S("missing.mp4")},
        {{S("-o"), root + S("x.avi"), root + S("a.mp4")},
         1,
         S("Add More Videos: Please add at least 2 videos to the task for joining.")},
        {{S("-o"), root + S("no folder/x.avi"), root + S("a.mp4"), root + S("b.mp4")},
         1,
         S("Output path does not exist")},
        {{S("--profile"), S("No Such"), S("-o"), root + S("x.avi"), root + S("a.mp4"),
          root + S("b.mp4")},
         1,
         S("There is no profile named \"No Such\"")},
        {{S("-o"), root + S("x.avi"), S("--bogus"), root + S("a.mp4")},
         2,
         S("Unknown option --bogus.")},
    };
    for (const Case &c : cases) {
        const CliResult r = RunQuintorJoin(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(root + S("x.avi")));
    }
}

// Starts quintor-join, sends Ctrl-C once standard error shows `when`, and runs it to its end.
CliResult InterruptWhen(const QStringList &arguments, const QString &when)
{
    QProcess p;
    CliResult r;
    QEventLoop loop;
    bool sent = false;
    QObject::connect(&p, &QProcess::readyReadStandardError, [&] {
        r.err += QString::fromUtf8(p.readAllStandardError());
        if (!sent && r.err.contains(when)) {
            sent = true;
            ::kill(pid_t(p.processId()), SIGINT);
        }
    });
    QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
    p.start(BuildProgramDirectory() + S("quintor-join"), arguments);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    r.err += QString::fromUtf8(p.readAllStandardError());
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
    } else if (p.exitStatus() == QProcess::NormalExit) {
        r.exitCode = p.exitCode();
    }
    EXPECT_TRUE(sent) << "never saw " << when.toStdString();
    return r;
}

TEST_F(CliJoin, CtrlCStopsTheJobAndRemovesTheIntermediateFiles)
{
    struct Case
    {
        QString when;
        QString message;
    };
    const std::vector<Case> cases {
        {S("Prepare (Converting): b.mp4"), S("Cancel: The Coversion is canceled.")},
        {S("Final Step: Joining all files..."), S("Cancel: The Joining is canceled.")},
    };
    for (const Case &c : cases) {
        const CliResult r
            = InterruptWhen({S("--temp"), temp, S("--profile"), S("AVI - MPEG-4 Video"), S("-o"),
                             root + S("j.avi"), root + S("a.mp4"), root + S("b.mp4")},
                            c.when);
        EXPECT_EQ(r.exitCode, 130) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        EXPECT_TRUE(FolderEntries(temp).isEmpty())
            << FolderEntries(temp).join(S(" ")).toStdString();
        EXPECT_FALSE(QFileInfo::exists(root + S("j.avi")));
    }
}

// Every profile that ships with the program makes a file that plays and is as long as its
// inputs.
std::vector<std::string> ShippedProfiles()
{
    std::vector<std::string> names;
    const QDir dir(S(QVJ_SOURCE_DIR) + S("/data/Profiles"));
    for (const QString &file : dir.entryList({S("*.bpf")}, QDir::Files, QDir::Name))
        names.push_back(file.chopped(4).toStdString());
    return names;
}

class CliJoinProfile : public CliJoin, public testing::WithParamInterface<std::string>
{
};

TEST_P(CliJoinProfile, MakesAFileThatPlays)
{
    const CliResult r
        = RunQuintorJoin({S("--profile"), QString::fromStdString(GetParam()), S("--temp"), temp,
                          S("-o"), root + S("joined"), root + S("a.mp4"), root + S("b.mp4")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString written = r.out.trimmed();
    EXPECT_TRUE(written.startsWith(root + S("joined."))) << written.toStdString();
    EXPECT_NEAR(ProbeSeconds(written), 2.0, 1.0);
    EXPECT_EQ(ProbeStreamTypes(written), (QStringList {S("audio"), S("video")}));
    EXPECT_TRUE(FolderEntries(temp).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Shipped, CliJoinProfile, testing::ValuesIn(ShippedProfiles()),
                         [](const testing::TestParamInfo<std::string> &p) {
                             std::string name;
                             for (const char c : p.param)
                                 if (std::isalnum(static_cast<unsigned char>(c)))
                                     name += c;
                             return name;
                         });

} // namespace
