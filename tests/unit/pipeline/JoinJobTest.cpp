#include "pipeline/JoinJob.h"
#include "FakeEncoder.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

namespace {

using namespace qvj::test;

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

struct FakeInputs : JobInputs
{
    std::vector<ltvItemData> rows;
    QString tempDir, outputFile;
    bool turnOff = false, exit = false, openDir = true;

    int RowCount() const override { return int(rows.size()); }
    ltvItemData ReadRow(int index) const override { return rows.at(size_t(index)); }
    QString TempDir() const override { return tempDir; }
    QString OutputFile() const override { return outputFile; }
    QString OutputExtension() const override { return S(".avi"); }
    bool Rename() const override { return false; }
    bool TurnOff() const override { return turnOff; }
    bool Exit() const override { return exit; }
    bool OpenDir() const override { return openDir; }
    QString VideoSizeValue(const QString &) const override { return S("320:240"); }
    QString EncoderOptions(const QString &) const override
    {
        return S(" -ovc lavc -lavcopts vcodec=mpeg4 -oac pcm   -channels 2");
    }
};

class JoinJobTest : public testing::Test
{
protected:
    void SetUp() override
    {
        inputs.tempDir = root + S("temp");
        inputs.outputFile = root + S("out/movie.avi");
        QDir().mkdir(root + S("out"));
        for (const char *name : {"a.mp4", "b.mp4", "c.mp4"}) {
            ltvItemData row;
            row.InputFile = S("/videos/") + S(name);
            row.LengthSeconds = 10;
            inputs.rows.push_back(row);
        }
        QObject::connect(&job, &JoinJob::rowStatusChanged,
                         [this](int row, const QString &s) { statuses[row] << s; });
        QObject::connect(&job, &JoinJob::stageTitleChanged,
                         [this](const QString &t) { events << t; });
        QObject::connect(&job, &JoinJob::progressPanelShown,
                         [this](bool on) { events << (on ? S("panel on") : S("panel off")); });
        QObject::connect(&job, &JoinJob::currentProgressChanged, [this](int p) { current << p; });
        QObject::connect(&job, &JoinJob::totalProgressChanged, [this](int p) { total << p; });
        QObject::connect(&job, &JoinJob::finished, [this](JobOutcome o, AfterJobAction a) {
            outcome = o;
            action = a;
        });
    }

    // The fake encoder logs its arguments and finds the file after "-o" ($out); $first is its
    // first argument and $all all of them. Then it runs body.
    void Encoder(const QString &body)
    {
        program.SetEncoder(S("{ for a in \"$@\"; do printf '[%s]' \"$a\"; done; echo; } >> '")
                           + root
                           + S("calls.log'\nfirst=\"$1\"; all=\"$*\"; out=\n"
                               "while [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=\"$2\"; shift; "
                               "done\n")
                           + body);
    }

    QStringList Calls() const
    {
        return QString::fromUtf8(ReadFile(root + S("calls.log")))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    void Run()
    {
        ASSERT_TRUE(job.Start(S("/nowhere/Profiles/.bpf")));
        if (job.IsActive()) {
            ASSERT_TRUE(WaitForSignal(&job, &JoinJob::finished));
        }
        EXPECT_FALSE(job.IsActive());
    }

    QStringList TempEntries() const
    {
        return QDir(inputs.tempDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }

    // The one message the job showed.
    RecordingDesktop::Call Message() const
    {
        const auto messages = desktop.Of(S("message"));
        EXPECT_EQ(messages.size(), 1u);
        return messages.empty() ? RecordingDesktop::Call {} : messages.back();
    }

    QTemporaryDir work;
    QString root = work.path() + QLatin1Char('/');
    FakeProgramDirectory program;
    FakeInputs inputs;
    RecordingDesktop desktop;
    JoinJob job {inputs, desktop, program.Path()};
    std::map<int, QStringList> statuses;
    QStringList events;
    QList<int> current, total;
    std::optional<JobOutcome> outcome;
    AfterJobAction action = AfterJobAction::None;
};

TEST_F(JoinJobTest, ConvertsEveryRowThenJoinsAndCompletes)
{
    // More than twenty reads of status text per run; the join reports a later position.
    Encoder(S("case \"$all\" in *-lavcopts*) pos=20.0;; *) pos=5.0;; esac\n"
              "yes \"Pos:  ${pos}s  1f \" | head -c 200000\nprintf x > \"$out\""));
    Run();
    ASSERT_EQ(outcome, JobOutcome::Completed);
    EXPECT_EQ(action, AfterJobAction::Message);
    EXPECT_EQ(job.State(), JobState::Idle);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(
            statuses[row],
            (QStringList {S("Converting"), S("Waiting for joining"), S("Joining"), S("Complete")}));
    EXPECT_EQ(events,
              (QStringList {S("Prepare (Converting):"), S("panel on"),
                            S("Final Step: Joining all files..."), S("panel on"), S("panel off")}));

    // A read that ends inside a status line gives no position, so only the values reached
    // are certain. Each row: 5 of 10 s, the current bar back to 0 between rows; the total bar
    // counts the rows done. The join: 20 of 30 s.
    qsizetype at = 0;
    for (const int value : {50, 0, 50, 0, 50, 67, 100})
        EXPECT_GE(at = current.indexOf(value, at), 0) << value;
    at = 0;
    for (const int value : {8, 25, 42, 83, 100})
        EXPECT_GE(at = total.indexOf(value, at), 0) << value;
    EXPECT_TRUE(std::is_sorted(total.begin(), total.end()));
    EXPECT_EQ(current.back(), 100);
    EXPECT_EQ(total.back(), 100);

    // The job's own folder inside the temporary folder; paths come back whole.
    const QStringList calls = Calls();
    ASSERT_EQ(calls.size(), 4);
    const QString folder = QFileInfo(calls.at(0).section(S("]["), 2, 2)).path() + S("/");
    EXPECT_TRUE(folder.startsWith(inputs.tempDir + S("/qvj-"))) << folder.toStdString();
    EXPECT_EQ(calls.at(1),
              S("[/videos/b.mp4][-o][") + folder
                  + S("1.avi][-oac][mp3lame][-ovc][lavc][-ofps][30][-vf][scale=320:240]"));
    EXPECT_EQ(calls.at(3),
              S("[") + folder + S("0.avi][") + folder + S("1.avi][") + folder + S("2.avi][-o][")
                  + inputs.outputFile
                  + S("][-ovc][lavc][-lavcopts][vcodec=mpeg4][-oac][pcm][-channels][2]"));
    EXPECT_TRUE(QFileInfo(inputs.tempDir).isDir());
    EXPECT_EQ(TempEntries(), QStringList());
    EXPECT_EQ(Message().text, S("The joining is completed successfully."));
    EXPECT_EQ(Message().title, S("Complete"));
    ASSERT_EQ(desktop.Of(S("open")).size(), 1u);
    EXPECT_EQ(desktop.Of(S("open")).front().text, root + S("out"));
}

TEST_F(JoinJobTest, AfterJobActionFollowsThePreferences)
{
    using A = AfterJobAction;
    const std::vector<std::tuple<bool, bool, bool, AfterJobAction, const char *>> cases {
        // turn off, exit, open folder, action, what the desktop was asked
        {true, true, true, A::TurnOff, "poweroff"},
        {false, true, true, A::Exit, ""},
        {false, false, false, A::Message, "message"}};
    // Runs of fewer than twenty chunks give no progress.
    Encoder(S("for p in 2 4 6; do printf 'Pos:   %s.0s\\r' $p; sleep 0.02; done\n"
              "printf x > \"$out\""));
    for (const auto &[turnOff, exit, openDir, expected, asked] : cases) {
        current.clear();
        total.clear();
        desktop.calls.clear();
        std::tie(inputs.turnOff, inputs.exit, inputs.openDir) = std::tie(turnOff, exit, openDir);
        Run();
        EXPECT_EQ(outcome, JobOutcome::Completed);
        EXPECT_EQ(action, expected);
        QStringList kinds;
        for (const RecordingDesktop::Call &call : desktop.calls)
            kinds << call.kind;
        EXPECT_EQ(kinds.join(QLatin1Char(' ')), S(asked));
        EXPECT_EQ(current, (QList<int> {0, 100}));
        EXPECT_EQ(total, (QList<int> {0, 100}));
    }
}

struct FailureCase
{
    const char *name;
    const char *body;
    int failedRow; // -1: the join fails
    const char *lastLine;
};

class JoinJobFailure : public JoinJobTest, public testing::WithParamInterface<FailureCase>
{
};

TEST_P(JoinJobFailure, IsReportedAndLeavesNothingBehind)
{
    Encoder(S(GetParam().body));
    // A file of the user's with an intermediate file's name is never touched, and an output
    // that was there before is no proof of success.
    QDir().mkdir(inputs.tempDir);
    WriteFile(inputs.tempDir + S("/0.avi"), "mine");
    WriteFile(inputs.outputFile, "old");
    Run();
    EXPECT_EQ(outcome, JobOutcome::Failed);
    EXPECT_EQ(action, AfterJobAction::None);
    EXPECT_EQ(job.State(), JobState::Idle);
    const RecordingDesktop::Call message = Message();
    EXPECT_EQ(message.title, S("Error"));
    EXPECT_EQ(message.icon, MessageIcon::Error);
    const int failed = GetParam().failedRow;
    const QString header = failed < 0
        ? S("The encoder could not join the files:\n")
        : S("The encoder could not convert %1.mp4:\n").arg(QLatin1Char(char('a' + failed)));
    EXPECT_TRUE(message.text.startsWith(header)) << message.text.toStdString();
    EXPECT_TRUE(message.text.endsWith(S(GetParam().lastLine))) << message.text.toStdString();
    EXPECT_FALSE(message.text.contains(S("Pos:")));
    for (int row = 0; row < 3; ++row) {
        if (failed < 0 || row == failed) {
            EXPECT_EQ(statuses[row].back(), S("Failed"));
        } else if (row > failed) {
            EXPECT_EQ(statuses.count(row), 0u);
        }
    }
    EXPECT_TRUE(desktop.Of(S("open")).empty());
    EXPECT_EQ(TempEntries(), QStringList {S("0.avi")});
    EXPECT_EQ(ReadFile(inputs.tempDir + S("/0.avi")), QByteArray("mine"));
}

INSTANTIATE_TEST_SUITE_P(
    Encoder, JoinJobFailure,
    testing::Values(
        FailureCase {"ConversionExitCode",
                     "case \"$first\" in *b.mp4) printf 'Pos: 1.0s\\rb.mp4: Invalid data\\n'; "
                     "exit 1;; esac; printf x > \"$out\"",
                     1, "b.mp4: Invalid data"},
        FailureCase {"ConversionCrash", "echo 'about to fail'; kill -SEGV $$", 0, "about to fail"},
        FailureCase {"ConversionWritesNothing",
                     "case \"$first\" in *c.mp4) exit 0;; esac; printf x > \"$out\"", 2, "2.avi.)"},
        FailureCase {"ConversionWritesEmptyFile", ": > \"$out\"; echo done", 0, "done"},
        FailureCase {"JoinExitCode",
                     "case \"$all\" in *-lavcopts*) echo 'cannot join'; exit 2;; esac; "
                     "printf x > \"$out\"",
                     -1, "cannot join"},
        FailureCase {"JoinLeavesTheOldOutput",
                     "case \"$all\" in *-lavcopts*) exit 0;; esac; printf x > \"$out\"", -1,
                     "movie.avi.)"}),
    [](const testing::TestParamInfo<FailureCase> &p) { return std::string(p.param.name); });

TEST_F(JoinJobTest, AMissingEncoderEndsTheJobWithTheReinstallMessage)
{
    Run();
    EXPECT_EQ(outcome, JobOutcome::Failed);
    EXPECT_EQ(job.State(), JobState::Cancelled);
    EXPECT_EQ(statuses[0], QStringList {S("Converting")});
    EXPECT_EQ(Message().title, S("Quintor Video Joiner"));
    EXPECT_EQ(Message().text, S("Error. Please re-install Quintor Video Joiner"));
    EXPECT_EQ(TempEntries(), QStringList());
    EXPECT_EQ(events.back(), S("panel off"));
}

TEST_F(JoinJobTest, NoFolderForTheIntermediateFilesEndsTheJob)
{
    Encoder(S("printf x > \"$out\""));
    WriteFile(root + S("plain"), "x");
    inputs.tempDir = root + S("plain");
    JoinJob blocked(inputs, desktop, root + S("plain/"));
    ASSERT_TRUE(blocked.Start(S("p")));
    EXPECT_FALSE(blocked.IsActive());
    EXPECT_EQ(blocked.State(), JobState::Idle);
    EXPECT_TRUE(Calls().isEmpty());
    // The message names the folder and the system's reason.
    EXPECT_TRUE(Message().text.contains(root + S("plain/temp/\": Not a directory")))
        << Message().text.toStdString();
}

TEST_F(JoinJobTest, StopActsOnlyOnARunningStageAndAbandonEndsWithoutAWord)
{
    Encoder(S("printf x > \"$out\"; exec sleep 1000"));
    EXPECT_FALSE(job.Stop());
    ASSERT_TRUE(job.Start(S("p")));
    EXPECT_FALSE(job.Start(S("p"))); // one job at a time
    EXPECT_TRUE(job.Stop());
    EXPECT_FALSE(job.Stop());
    EXPECT_TRUE(job.IsActive()); // unwinding until the encoder has ended
    ASSERT_TRUE(WaitForSignal(&job, &JoinJob::finished));
    EXPECT_EQ(outcome, JobOutcome::Stopped);
    EXPECT_EQ(job.State(), JobState::Cancelled); // no join follows
    EXPECT_EQ(statuses[0], (QStringList {S("Converting"), S("Stop")}));
    EXPECT_EQ(statuses.count(1), 0u);
    EXPECT_EQ(Message().title, S("Cancel"));
    EXPECT_EQ(Message().text, S("The Coversion is canceled."));
    EXPECT_EQ(TempEntries(), QStringList());

    desktop.calls.clear();
    outcome.reset();
    ASSERT_TRUE(job.Start(S("p")));
    const QString folder = job.JobFolder();
    job.Abandon();
    EXPECT_FALSE(job.IsActive());
    EXPECT_EQ(job.State(), JobState::Idle);
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(desktop.calls.empty());
    EXPECT_FALSE(outcome);
}

} // namespace
