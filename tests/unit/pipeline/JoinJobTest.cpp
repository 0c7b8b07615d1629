#include "pipeline/JoinJob.h"
#include "FakeEncoder.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

using qvj::test::FakeProgramDirectory;
using qvj::test::RecordingDesktop;
using qvj::test::WaitForSignal;

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

// What the job reads, set by each test.
struct FakeInputs : JobInputs
{
    std::vector<ltvItemData> rows;
    QString tempDir;
    QString outputFile;
    QString outputExtension = S(".avi");
    bool rename = false;
    bool turnOff = false;
    bool exit = false;
    bool openDir = true;
    QString options = S(" -ovc lavc -lavcopts vcodec=mpeg4 -oac pcm   -channels 2 -vf "
                        "scale=320:240 -srate 44100");

    int RowCount() const override { return int(rows.size()); }
    ltvItemData ReadRow(int index) const override { return rows.at(size_t(index)); }
    QString TempDir() const override { return tempDir; }
    QString OutputFile() const override { return outputFile; }
    QString OutputExtension() const override { return outputExtension; }
    bool Rename() const override { return rename; }
    bool TurnOff() const override { return turnOff; }
    bool Exit() const override { return exit; }
    bool OpenDir() const override { return openDir; }
    QString VideoSizeValue(const QString &) const override { return S("320:240"); }
    QString EncoderOptions(const QString &) const override { return options; }
};

// Everything a job reported, in order.
struct Recorder
{
    explicit Recorder(JoinJob &job)
    {
        QObject::connect(&job, &JoinJob::rowStatusChanged, [this](int row, const QString &s) {
            statuses[row] << s;
            events << QStringLiteral("status %1 %2").arg(row).arg(s);
        });
        QObject::connect(&job, &JoinJob::stageTitleChanged,
                         [this](const QString &t) { events << S("title ") + t; });
        QObject::connect(&job, &JoinJob::progressPanelShown, [this](bool shown) {
            events << (shown ? S("panel on") : S("panel off"));
        });
        QObject::connect(&job, &JoinJob::currentProgressChanged, [this](int p) { current << p; });
        QObject::connect(&job, &JoinJob::totalProgressChanged, [this](int p) { total << p; });
        QObject::connect(&job, &JoinJob::currentFileChanged,
                         [this](const QString &f) { events << S("file ") + f; });
        QObject::connect(&job, &JoinJob::finished, [this](JobOutcome o, AfterJobAction a) {
            outcome = o;
            action = a;
            ++finishedCount;
        });
    }

    std::map<int, QStringList> statuses;
    QStringList events;
    QList<int> current;
    QList<int> total;
    std::optional<JobOutcome> outcome;
    AfterJobAction action = AfterJobAction::None;
    int finishedCount = 0;
};

class JoinJobTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
        root = work.path() + QLatin1Char('/');
        inputs.tempDir = root + S("temp");
        inputs.outputFile = root + S("out/movie.avi");
        QDir().mkdir(root + S("out"));
        for (const char *name : {"a.mp4", "b.mp4", "c.mp4"}) {
            ltvItemData row;
            row.InputFile = S("/videos/") + S(name);
            row.LengthText = S("00:00:10");
            row.LengthSeconds = 10;
            row.StatusText = S("OK");
            inputs.rows.push_back(row);
        }
    }

    // The fake encoder: logs its arguments, finds "-o", then runs body.
    void Encoder(const QString &body)
    {
        program.SetEncoder(S("log='") + root + S("calls.log'\n")
                           + S("{ for a in \"$@\"; do printf '[%s]' \"$a\"; done; echo; } >> "
                               "\"$log\"\n"
                               "first=\"$1\"; all=\"$*\"; out=\n"
                               "while [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=\"$2\"; shift; "
                               "done\n")
                           + body);
    }

    QStringList Calls() const
    {
        QFile log(root + S("calls.log"));
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // Runs a job to its end.
    void Run(JoinJob &job)
    {
        ASSERT_TRUE(job.Start(S("/nowhere/Profiles/.bpf")));
        if (job.IsActive()) {
            ASSERT_TRUE(WaitForSignal(&job, &JoinJob::finished));
        }
        EXPECT_FALSE(job.IsActive());
    }

    // Nothing left in the temporary folder but what the test put there.
    QStringList TempEntries() const
    {
        return QDir(inputs.tempDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }

    QTemporaryDir work;
    QString root;
    FakeProgramDirectory program;
    FakeInputs inputs;
    RecordingDesktop desktop;
};

TEST_F(JoinJobTest, ConvertsEveryRowThenJoinsAndCompletes)
{
    Encoder(S("printf x > \"$out\""));
    JoinJob job(inputs, desktop, program.Path());
    Recorder rec(job);
    Run(job);

    ASSERT_EQ(rec.outcome, JobOutcome::Completed);
    EXPECT_EQ(rec.action, AfterJobAction::Message);
    EXPECT_EQ(job.State(), JobState::Idle);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(
            rec.statuses[row],
            (QStringList {S("Converting"), S("Waiting for joining"), S("Joining"), S("Complete")}));
    EXPECT_EQ(rec.current.back(), 100);
    EXPECT_EQ(rec.total.back(), 100);
    EXPECT_EQ(rec.events.front(), S("title Prepare (Converting):"));
    EXPECT_TRUE(rec.events.contains(S("title Final Step: Joining all files...")));
    EXPECT_TRUE(rec.events.contains(S("file b.mp4")));
    EXPECT_EQ(rec.events.back(), S("panel off"));

    const QStringList calls = Calls();
    ASSERT_EQ(calls.size(), 4);
    const QString folder = QFileInfo(calls.at(0).section(S("]["), 2, 2)).path() + S("/");
    EXPECT_TRUE(folder.startsWith(inputs.tempDir + S("/qvj-"))) << folder.toStdString();
    EXPECT_EQ(calls.at(1),
              S("[/videos/b.mp4][-o][") + folder
                  + S("1.avi][-oac][mp3lame][-ovc][lavc][-ofps][30][-vf][scale=320:"
                      "240]"));
    EXPECT_EQ(calls.at(3),
              S("[") + folder + S("0.avi][") + folder + S("1.avi][") + folder + S("2.avi][-o][")
                  + inputs.outputFile
                  + S("][-ovc][lavc][-lavcopts][vcodec=mpeg4][-oac][pcm][-channels]["
                      "2][-vf][scale=320:240][-srate][44100]"));

    // The intermediate files and the job's folder are gone; the temporary folder stays.
    EXPECT_TRUE(QFileInfo(inputs.tempDir).isDir());
    EXPECT_TRUE(TempEntries().isEmpty()) << TempEntries().join(S(" ")).toStdString();
    EXPECT_TRUE(QFileInfo::exists(inputs.outputFile));

    ASSERT_EQ(desktop.Of(S("message")).size(), 1u);
    EXPECT_EQ(desktop.Of(S("message")).front().title, S("Complete"));
    EXPECT_EQ(desktop.Of(S("message")).front().text, S("The joining is completed successfully."));
    ASSERT_EQ(desktop.Of(S("open")).size(), 1u);
    EXPECT_EQ(desktop.Of(S("open")).front().text, root + S("out"));
}

TEST_F(JoinJobTest, ProgressFollowsThePositionOfEachRun)
{
    // More than twenty reads of status text per run, the join reporting a later position.
    Encoder(S("case \"$all\" in *-lavcopts*) pos=15.0;; *) pos=5.0;; esac\n"
              "yes \"Pos:  ${pos}s  1f \" | head -c 200000\nprintf x > \"$out\""));
    inputs.rows.resize(2);
    JoinJob job(inputs, desktop, program.Path());
    Recorder rec(job);
    Run(job);
    ASSERT_EQ(rec.outcome, JobOutcome::Completed);
    // Where a read ends inside a status line, that chunk gives no position: the bars are
    // computed again from the last one, so only the values reached are certain.
    // Row 0: 5 of 10 s; between the rows the current bar returns to 0; row 1 adds 10 s done.
    const qsizetype firstHalf = rec.current.indexOf(50);
    ASSERT_GE(firstHalf, 0);
    const qsizetype reset = rec.current.indexOf(0, firstHalf);
    ASSERT_GT(reset, firstHalf);
    EXPECT_GT(rec.current.indexOf(50, reset), reset);
    EXPECT_GT(rec.total.indexOf(38), rec.total.indexOf(12));
    EXPECT_TRUE(std::is_sorted(rec.total.begin(), rec.total.end()));
    // The join: 15 of 20 s gives 75 and 50 + 38 (halves to even), then completion.
    EXPECT_EQ(rec.current.mid(rec.current.size() - 2), (QList<int> {75, 100}));
    EXPECT_EQ(rec.total.mid(rec.total.size() - 2), (QList<int> {88, 100}));
}

TEST_F(JoinJobTest, AfterJobActionFollowsThePreferences)
{
    struct Case
    {
        bool turnOff, exit, openDir;
        AfterJobAction action;
        size_t messages, opens, powerOffs;
    };
    const std::vector<Case> cases {
        {true, true, true, AfterJobAction::TurnOff, 0, 0, 1},
        {false, true, true, AfterJobAction::Exit, 0, 0, 0},
        {false, false, true, AfterJobAction::Message, 1, 1, 0},
        {false, false, false, AfterJobAction::Message, 1, 0, 0},
    };
    Encoder(S("printf x > \"$out\""));
    inputs.rows.resize(2);
    for (const Case &c : cases) {
        inputs.turnOff = c.turnOff;
        inputs.exit = c.exit;
        inputs.openDir = c.openDir;
        RecordingDesktop d;
        JoinJob job(inputs, d, program.Path());
        Recorder rec(job);
        Run(job);
        EXPECT_EQ(rec.outcome, JobOutcome::Completed);
        EXPECT_EQ(rec.action, c.action);
        EXPECT_EQ(d.Of(S("message")).size(), c.messages);
        EXPECT_EQ(d.Of(S("open")).size(), c.opens);
        EXPECT_EQ(d.Of(S("poweroff")).size(), c.powerOffs);
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
    // A file of the user's with an intermediate file's name is never touched.
    QDir().mkdir(inputs.tempDir);
    QFile mine(inputs.tempDir + S("/0.avi"));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("mine");
    mine.close();

    JoinJob job(inputs, desktop, program.Path());
    Recorder rec(job);
    Run(job);
    EXPECT_EQ(rec.outcome, JobOutcome::Failed);
    EXPECT_EQ(rec.action, AfterJobAction::None);
    EXPECT_EQ(job.State(), JobState::Idle);
    const auto messages = desktop.Of(S("message"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages.front().title, S("Error"));
    EXPECT_EQ(messages.front().icon, MessageIcon::Error);
    const int failed = GetParam().failedRow;
    const QString header = failed < 0
        ? S("The encoder could not join the files:")
        : S("The encoder could not convert ") + QString(QLatin1Char('a' + failed)) + S(".mp4:");
    EXPECT_TRUE(messages.front().text.startsWith(header + S("\n")))
        << messages.front().text.toStdString();
    EXPECT_TRUE(messages.front().text.endsWith(S(GetParam().lastLine)))
        << messages.front().text.toStdString();
    EXPECT_FALSE(messages.front().text.contains(S("Pos:")));
    if (failed < 0) {
        for (int row = 0; row < 3; ++row)
            EXPECT_EQ(rec.statuses[row].back(), S("Failed"));
    } else {
        EXPECT_EQ(rec.statuses[failed].back(), S("Failed"));
        EXPECT_EQ(rec.statuses.count(failed + 1), 0u);
        EXPECT_FALSE(rec.events.contains(S("title Final Step: Joining all files...")));
    }
    EXPECT_TRUE(desktop.Of(S("open")).empty());
    EXPECT_EQ(TempEntries(), QStringList {S("0.avi")});
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), QByteArray("mine"));
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
                     "case \"$first\" in *c.mp4) exit 0;; esac; "
                     "printf x > \"$out\"",
                     2, "2.avi.)"},
        FailureCase {"ConversionWritesEmptyFile", ": > \"$out\"; echo done", 0, "done"},
        FailureCase {"JoinExitCode",
                     "case \"$all\" in *-lavcopts*) echo 'cannot join'; exit 2;; esac; "
                     "printf x > \"$out\"",
                     -1, "cannot join"},
        FailureCase {"JoinWritesNothing",
                     "case \"$all\" in *-lavcopts*) exit 0;; esac; printf x > \"$out\"", -1,
                     "movie.avi.)"}),
    [](const testing::TestParamInfo<FailureCase> &p) { return std::string(p.param.name); });

TEST_F(JoinJobTest, StopDuringTheConversionCancelsIt)
{
    // Row b hangs until stopped, after it has begun its intermediate file.
    Encoder(S("printf x > \"$out\"; case \"$first\" in *b.mp4) echo busy; exec sleep 1000;; "
              "esac"));
    JoinJob job(inputs, desktop, program.Path());
    Recorder rec(job);
    QObject::connect(&job, &JoinJob::rowStatusChanged, [&](int row, const QString &status) {
        if (row == 1 && status == S("Converting"))
            QMetaObject::invokeMethod(
                &job, [&] { EXPECT_TRUE(job.Stop()); }, Qt::QueuedConnection);
    });
    Run(job);
    EXPECT_EQ(rec.outcome, JobOutcome::Stopped);
    EXPECT_EQ(job.State(), JobState::Cancelled);
    EXPECT_EQ(rec.statuses[0].back(), S("Waiting for joining"));
    EXPECT_EQ(rec.statuses[1].back(), S("Stop"));
    EXPECT_EQ(rec.statuses.count(2), 0u); // the row keeps what it had
    const auto messages = desktop.Of(S("message"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages.front().title, S("Cancel"));
    EXPECT_EQ(messages.front().text, S("The Coversion is canceled."));
    EXPECT_TRUE(TempEntries().isEmpty()) << TempEntries().join(S(" ")).toStdString();
    EXPECT_FALSE(job.Stop()); // nothing runs any more
}

TEST_F(JoinJobTest, StopDuringTheJoinCancelsItAndKeepsThePartialOutput)
{
    Encoder(S("printf x > \"$out\"; case \"$all\" in *-lavcopts*) exec sleep 1000;; esac"));
    JoinJob job(inputs, desktop, program.Path());
    Recorder rec(job);
    // Stop once the join has begun its output.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (job.State() == JobState::Running && !job.OutputPath().isEmpty()
            && QFileInfo::exists(inputs.outputFile)) {
            poll.stop();
            EXPECT_TRUE(job.Stop());
        }
    });
    poll.start(5);
    Run(job);
    EXPECT_EQ(rec.outcome, JobOutcome::Stopped);
    EXPECT_EQ(job.State(), JobState::Idle);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(rec.statuses[row].back(), S("Stop"));
    const auto messages = desktop.Of(S("message"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages.front().text, S("The Joining is canceled."));
    EXPECT_TRUE(TempEntries().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(inputs.outputFile));
}

TEST_F(JoinJobTest, AMissingEncoderEndsTheJobWithTheReinstallMessage)
{
    JoinJob job(inputs, desktop, program.Path());
    Recorder rec(job);
    Run(job);
    EXPECT_EQ(rec.outcome, JobOutcome::Failed);
    EXPECT_EQ(job.State(), JobState::Cancelled);
    EXPECT_EQ(rec.statuses[0], QStringList {S("Converting")});
    const auto messages = desktop.Of(S("message"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages.front().title, S("Quintor Video Joiner"));
    EXPECT_EQ(messages.front().text, S("Error. Please re-install Quintor Video Joiner"));
    EXPECT_TRUE(TempEntries().isEmpty());
    EXPECT_EQ(rec.events.back(), S("panel off"));
}

TEST_F(JoinJobTest, NoFolderForTheIntermediateFilesEndsTheJob)
{
    Encoder(S("printf x > \"$out\""));
    QFile blocker(root + S("not a folder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    inputs.tempDir = root + S("not a folder");
    JoinJob job(inputs, desktop, root + S("not a folder/"));
    Recorder rec(job);
    Run(job);
    EXPECT_EQ(rec.outcome, JobOutcome::Failed);
    EXPECT_EQ(job.State(), JobState::Idle);
    EXPECT_TRUE(rec.statuses.empty());
    EXPECT_TRUE(Calls().isEmpty());
    const auto messages = desktop.Of(S("message"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages.front().text.contains(root + S("not a folder/temp/")))
        << messages.front().text.toStdString();
    EXPECT_EQ(rec.events.back(), S("panel off"));
}

TEST_F(JoinJobTest, RenamePolicyNeverReplacesAnExistingOutput)
{
    Encoder(S("printf new > \"$out\""));
    inputs.rows.resize(2);
    for (const char *name : {"movie.avi", "movie_1.avi"}) {
        QFile f(root + S("out/") + S(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    inputs.rename = true;
    JoinJob job(inputs, desktop, program.Path());
    Run(job);
    EXPECT_EQ(job.OutputPath(), root + S("out/movie_2.avi"));
    QFile renamed(root + S("out/movie_2.avi"));
    ASSERT_TRUE(renamed.open(QIODevice::ReadOnly));
    EXPECT_EQ(renamed.readAll(), QByteArray("new"));
    QFile original(inputs.outputFile);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(original.readAll(), QByteArray("old"));

    // Without the policy the output is replaced.
    inputs.rename = false;
    Run(job);
    EXPECT_EQ(job.OutputPath(), inputs.outputFile);
    original.close();
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(original.readAll(), QByteArray("new"));
}

TEST_F(JoinJobTest, StopActsOnlyOnARunningStage)
{
    Encoder(S("exec sleep 1000"));
    JoinJob job(inputs, desktop, program.Path());
    EXPECT_FALSE(job.Stop());
    ASSERT_TRUE(job.Start(S("p")));
    EXPECT_FALSE(job.Start(S("p"))); // one job at a time
    EXPECT_TRUE(job.Stop());
    EXPECT_FALSE(job.Stop());
    EXPECT_TRUE(job.IsActive()); // unwinding until the encoder has ended
    ASSERT_TRUE(WaitForSignal(&job, &JoinJob::finished));
    EXPECT_EQ(desktop.Of(S("message")).size(), 1u);
}

TEST_F(JoinJobTest, AbandonEndsAtOnceWithoutAWord)
{
    Encoder(S("printf x > \"$out\"; exec sleep 1000"));
    JoinJob job(inputs, desktop, program.Path());
    Recorder rec(job);
    ASSERT_TRUE(job.Start(S("p")));
    const QString folder = job.JobFolder();
    job.Abandon();
    EXPECT_FALSE(job.IsActive());
    EXPECT_EQ(job.State(), JobState::Idle);
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(desktop.calls.empty());
    EXPECT_EQ(rec.finishedCount, 0);
    // The next job starts afresh.
    Encoder(S("printf x > \"$out\""));
    Run(job);
    EXPECT_EQ(rec.outcome, JobOutcome::Completed);
    EXPECT_EQ(rec.finishedCount, 1);
}

} // namespace
