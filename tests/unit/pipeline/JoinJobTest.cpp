// The job against fake encoders, for what the real one cannot be made to do on demand: both
// stages, and the one stage of a profile that copies the streams.
#include "unit/pipeline/FakeEncoderJob.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <map>
#include <tuple>

namespace {

using namespace qvj::test;

// Gone, or a zombie that nobody has reaped yet.
bool ProcessGone(qint64 pid)
{
    QFile stat(S("/proc/%1/stat").arg(pid));
    const QByteArray line = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
    return line.isEmpty() || line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

class JoinJobTest : public FakeEncoderJob
{
protected:
    void SetUp() override
    {
        inputs.openDir = true;
        inputs.tempDir = root + S("temp");
        inputs.outputFile = root + S("out/movie.avi");
        QDir().mkdir(root + S("out"));
    }

    // The encoder is a shell script; body finds the file after "-o" in $out and all the
    // arguments in $all.
    void Encoder(const char *body)
    {
        WriteScript(programDir + S("asapi.dll"),
                    QByteArray("all=\"$*\"; out=\nwhile [ $# -gt 0 ]; do [ \"$1\" = -o ] "
                               "&& out=\"$2\"; shift; done\n")
                        + body);
    }

    // Runs a job to its end from a fresh record of what it did.
    void Run()
    {
        statuses.clear();
        current.clear();
        total.clear();
        desktop.calls.clear();
        ASSERT_TRUE(job.Start(S("/nowhere/Profiles/.bpf")));
        EXPECT_TRUE(!job.IsActive() || WaitForFinished());
    }

    QStringList TempEntries() const
    {
        return QDir(inputs.tempDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }
};

TEST_F(JoinJobTest, CompletesAndActsAsThePreferencesSay)
{
    // Conversion runs of fewer than twenty reads report no position, yet the total bar takes
    // in each file as its run ends; the join, reading more, reaches 20 of 30 s.
    Encoder("case \"$all\" in *-ovc\\ lavc\\ -oac*) yes 'Pos:  20.0s  1f ' | head -c 200000;;\n"
            "*) printf 'Pos:   2.0s\\rPos:   4.0s\\r';; esac; printf x > \"$out\"");
    using A = AfterJobAction;
    const std::vector<std::tuple<bool, bool, bool, AfterJobAction, QString>> cases {
        // turn off, exit, open folder, action, what the desktop was asked
        {true, true, true, A::TurnOff, S("")},
        {false, true, true, A::Exit, S("")},
        {false, false, false, A::Message, S("message:Complete")},
        {false, false, true, A::Message, S("message:Complete open:") + root + S("out")}};
    for (const auto &[turnOff, exit, openDir, expected, asked] : cases) {
        std::tie(inputs.turnOff, inputs.exit, inputs.openDir) = std::tie(turnOff, exit, openDir);
        Run();
        EXPECT_EQ(outcome, JobOutcome::Completed);
        EXPECT_EQ(action, expected);
        QStringList calls;
        for (const RecordingDesktop::Call &call : desktop.calls)
            calls << call.kind + S(":") + (call.kind == S("open") ? call.text : call.title);
        EXPECT_EQ(calls.join(QLatin1Char(' ')), asked);
        EXPECT_EQ(current, (QList<int> {0, 67, 100}));
        total.removeAll(50); // the join's first reads may come before its first position
        EXPECT_EQ(total, (QList<int> {0, 17, 33, 83, 100}));
        EXPECT_EQ(statuses[2].back(), S("Complete"));
        EXPECT_EQ(TempEntries(), QStringList());
    }
}

// A join whose output is much shorter than its rows together says so in the completion
// message's second line; one of the right length says nothing more.
TEST_F(JoinJobTest, TheCompletionMessageComparesTheOutputsLength)
{
    const QString clip = root + S("two-seconds.avi");
    ASSERT_TRUE(MakeClip(clip, {.width = 160, .height = 120, .extra = {}}));
    inputs.openDir = false;
    Encoder(QStringLiteral("case \"$all\" in *-ovc\\ lavc\\ -oac*) cp '%1' \"$out\";;"
                           "*) printf x > \"$out\";; esac")
                .arg(clip)
                .toUtf8()
                .constData());
    const std::vector<std::pair<double, const char *>> cases {
        {10,
         "The joining is completed successfully.\nThe joined file is %1.\nThe output file is "
         "28.0 s shorter than the input files together."},
        {0.7, "The joining is completed successfully.\nThe joined file is %1."}};
    for (const auto &[seconds, text] : cases) {
        for (ltvItemData &row : inputs.rows)
            row.LengthSeconds = seconds;
        Run();
        EXPECT_EQ(outcome, JobOutcome::Completed);
        EXPECT_EQ(Message().text, S(text).arg(inputs.outputFile));
    }
}

TEST_F(JoinJobTest, TheCompletionMessageSaysWhatTheEncoderLeftOutOrMoved)
{
    const QString clip = root + S("two-seconds.avi");
    ASSERT_TRUE(MakeClip(clip, {.width = 160, .height = 120, .extra = {}}));
    inputs.openDir = false;
    for (ltvItemData &row : inputs.rows)
        row.LengthSeconds = 0.7;
    const std::vector<std::pair<const char *, const char *>> cases {
        {"Note: no encoder makes the kind of /in/a b.mp4: its cut moves to keyframes, by 0.4 s "
         "at its start and -0.2 s at its end",
         "No encoder makes the kind of a b.mp4, so its cut moved to the nearest keyframes: by "
         "0.4 s at its start and -0.2 s at its end."},
        {"Note: a copy with cuts keeps the picture and the main sound; the other tracks are "
         "left out",
         "The trimmed files keep their picture and main sound only: their other tracks are left "
         "out."},
        {"Note: the recording date is not kept: unreadable tags",
         "The recording date is not kept: unreadable tags"},
        {"Note: No chapters from /in/c.ts on: its length is not known",
         "There are no chapters from c.ts on, since its length is not known."},
        {"Note: something else", ""},
    };
    for (const auto &[note, said] : cases) {
        Encoder(QStringLiteral("printf '%s\\nPos:   1.0s\\r' \"%1\"; cp '%2' \"$out\"")
                    .arg(S(note), clip)
                    .toUtf8()
                    .constData());
        Run();
        EXPECT_EQ(outcome, JobOutcome::Completed);
        const QString expected = S("The joining is completed successfully.\nThe joined file is %1.")
                                     .arg(inputs.outputFile)
            + (*said ? S("\n") + S(said) : QString());
        EXPECT_EQ(Message().text, expected) << note;
    }
}

TEST_F(JoinJobTest, AFailureIsReportedAndLeavesNothingBehind)
{
    const std::vector<std::tuple<const char *, const char *, const char *, const char *>> cases {
        // encoder; the rows' last statuses; what failed; the message's last line
        {"case \"$all\" in */b\\ b.mp4*) printf 'Pos: 1.0s\\rb.mp4: Invalid data\\n'; exit 1;;"
         "esac; printf x > \"$out\"",
         "Waiting for joining|Failed|", "failed while converting b b.mp4", "b.mp4: Invalid data"},
        {"echo 'about to fail'; kill -SEGV $$", "Failed||",
         "was ended from outside, or crashed, while converting a.mp4", "about to fail"},
        {"case \"$all\" in */c.mp4*) exit 0;; esac; printf x > \"$out\"",
         "Waiting for joining|Waiting for joining|Failed", "ended without writing", "2.avi.)"},
        {": > \"$out\"; echo done", "Failed||", "ended without writing", "done"},
        {"case \"$all\" in *-ovc\\ lavc\\ -oac*) echo 'cannot join'; exit 2;; esac;"
         "printf x > \"$out\"",
         // a failed join leaves the inputs as they were: converted, none of them failed
         "Waiting for joining|Waiting for joining|Waiting for joining",
         "failed while joining the files (exit status 2)", "cannot join"},
        // an output that was there before is no proof of success
        {"case \"$all\" in *-ovc\\ lavc\\ -oac*) exit 0;; esac; printf x > \"$out\"",
         "Waiting for joining|Waiting for joining|Waiting for joining", "ended without writing",
         "movie.avi.)"}};
    // A file of the user's with an intermediate file's name is never touched.
    QDir().mkdir(inputs.tempDir);
    WriteFile(inputs.tempDir + S("/0.avi"), "mine");
    for (const auto &[body, rows, what, lastLine] : cases) {
        SCOPED_TRACE(body);
        Encoder(body);
        WriteFile(inputs.outputFile, "old");
        Run();
        EXPECT_EQ(outcome, JobOutcome::Failed);
        EXPECT_EQ(action, AfterJobAction::None);
        const RecordingDesktop::Call message = Message();
        EXPECT_EQ(message.title, S("Error"));
        EXPECT_EQ(message.icon, MessageIcon::Error);
        // The reason first, the encoder's lines after it.
        EXPECT_TRUE(message.text.startsWith(S("The encoder ") + S(what)))
            << message.text.toStdString();
        EXPECT_TRUE(message.text.endsWith(S(lastLine))) << message.text.toStdString();
        EXPECT_FALSE(message.text.contains(S("Pos:")));
        QStringList last;
        for (int row = 0; row < 3; ++row)
            last << statuses[row].value(statuses[row].size() - 1);
        EXPECT_EQ(last.join(QLatin1Char('|')), S(rows));
        EXPECT_TRUE(desktop.Of(S("open")).empty());
        EXPECT_EQ(TempEntries(), QStringList {S("0.avi")});
        EXPECT_EQ(ReadFile(inputs.tempDir + S("/0.avi")), QByteArray("mine"));
    }
}

TEST_F(JoinJobTest, WithoutEncoderOrFolderTheJobEndsWithAMessage)
{
    Run(); // no encoder
    EXPECT_EQ(outcome, JobOutcome::Failed);
    EXPECT_EQ(statuses[0], QStringList {S("Converting")});
    EXPECT_EQ(Message().title, S("Quintor Video Joiner"));
    // The prescribed words, then (behind "Show Details") which encoder and why.
    EXPECT_TRUE(Message().text.startsWith(S("Error. Please re-install Quintor Video Joiner\n\n"
                                            "The encoder %1asapi.dll could not be started: ")
                                              .arg(programDir)))
        << Message().text.toStdString();
    EXPECT_EQ(TempEntries(), QStringList());

    // Neither the temporary folder nor the fallback can hold a folder: the message names the
    // folder and the system's reason.
    WriteFile(root + S("plain"), "x");
    inputs.tempDir = root + S("plain");
    JoinJob blocked(inputs, desktop, root + S("plain/"));
    desktop.calls.clear();
    ASSERT_TRUE(blocked.Start(S("p")));
    EXPECT_FALSE(blocked.IsActive());
    EXPECT_EQ(blocked.State(), JobState::Idle);
    EXPECT_TRUE(Message().text.contains(root + S("plain/temp/\": Not a directory")))
        << Message().text.toStdString();
}

TEST_F(JoinJobTest, StopEndsAHangingEncoderAndWhatItStarted)
{
    Encoder("printf x > \"$out\"; sleep 1000 & echo $! > \"$out.pid\"; wait");
    EXPECT_FALSE(job.Stop());
    ASSERT_TRUE(job.Start(S("p")));
    EXPECT_FALSE(job.Start(S("p"))); // one job at a time
    const QString pidFile = job.JobFolder() + S("0.avi.pid");
    for (int i = 0; i < 500 && ReadFile(pidFile).isEmpty(); ++i)
        QThread::msleep(10);
    const qint64 child = ReadFile(pidFile).trimmed().toLongLong();
    QFile::remove(pidFile);
    EXPECT_TRUE(job.Stop());
    EXPECT_FALSE(job.Stop());
    EXPECT_TRUE(job.IsActive()); // unwinding until the encoder has ended
    ASSERT_TRUE(WaitForFinished());
    EXPECT_EQ(outcome, JobOutcome::Stopped);
    EXPECT_EQ(job.State(), JobState::Cancelled); // no join follows
    EXPECT_EQ(statuses.count(1), 0u);
    ASSERT_GT(child, 0);
    for (int i = 0; i < 500 && !ProcessGone(child); ++i)
        QThread::msleep(10);
    EXPECT_TRUE(ProcessGone(child)) << "the encoder's child outlived it";
}

TEST_F(JoinJobCopyTest, FittingInputsAreCopiedInOneStage)
{
    Encoder("1920x1080");
    ASSERT_TRUE(job.Start(S("p")));
    ASSERT_TRUE(WaitForFinished());
    EXPECT_EQ(outcome, JobOutcome::Completed);
    // Each argument whole, a name with a blank included.
    const QString files = S("%1a.mp4|%1b b.mp4|%1c.mp4|").arg(root);
    EXPECT_EQ(Log(),
              (QStringList {S("-identify|") + files,
                            files + S("-o|%1movie.mp4|-ovc|copy|-oac|copy|").arg(root)}));
    EXPECT_EQ(ReadFile(inputs.outputFile), QByteArray("x"));
    // No conversion: every row goes from "Joining" to "Complete", under the join's title.
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(statuses[row], (QStringList {S("Joining"), S("Complete")}));
    // The check before it names no stage.
    titles.removeDuplicates();
    EXPECT_EQ(titles, (QStringList {QString(), S("Final Step: Joining all files...")}));
    // The total bar spans the whole range in this one stage: 15 of 30 s is half of it. At the
    // end nothing remains, whatever the last estimate was.
    EXPECT_EQ(total, (QList<int> {0, 50, 100}));
    EXPECT_EQ(remaining, S("00:00:00"));
    EXPECT_EQ(desktop.Of(S("message")).at(0).title, S("Complete"));
    EXPECT_FALSE(QDir(S("/nonexistent")).exists());
}

// With chapters the join's last option names the list of titles and original files, written
// into a job folder of its own (a copy has no intermediate files), and gone with it after.
TEST_F(JoinJobCopyTest, ChaptersAreListedForTheEncoderAndTheListIsRemoved)
{
    inputs.chapters = true;
    inputs.tempDir = root + S("temp");
    Encoder("1920x1080",
            "case \"$*\" in *-chapters*) eval cat \\\"\\${$#}\\\" >> \"$0.log\";; esac");
    ASSERT_TRUE(job.Start(S("p")));
    ASSERT_TRUE(WaitForFinished());
    EXPECT_EQ(outcome, JobOutcome::Completed);
    const QStringList log = Log();
    ASSERT_EQ(log.size(), 5);
    EXPECT_TRUE(log[1].contains(QRegularExpression(
        S("-oac\\|copy\\|-chapters\\|%1temp/qvj-\\w{6}/chapters\\.txt\\|$").arg(root))))
        << log[1].toStdString();
    EXPECT_EQ(log.mid(2),
              (QStringList {S("a\t%1a.mp4").arg(root), S("b b\t%1b b.mp4").arg(root),
                            S("c\t%1c.mp4").arg(root)}));
    EXPECT_EQ(QDir(inputs.tempDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList());
}

TEST_F(JoinJobCopyTest, AnEarlyCheckOfTheSameFilesIsNotAskedAgain)
{
    // c.mp4 does not fit: the job must end on the answer about its own rows, whenever the early
    // check ended and whichever files it was about.
    const struct
    {
        int earlyFiles; // the first rows' files asked about early; 0: no early check
        bool answeredBeforeStart;
        int identifyRuns;
    } cases[] = {{3, false, 1}, {3, true, 1}, {2, true, 2}, {0, false, 1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.earlyFiles << ' ' << c.answeredBeforeStart);
        Encoder("1280x720");
        WriteFile(programDir + S("asapi.dll.log"), "");
        desktop.calls.clear();
        QStringList files;
        for (int i = 0; i < c.earlyFiles; ++i)
            files << inputs.rows.at(size_t(i)).InputFile;
        if (c.earlyFiles)
            job.CheckEarly(files);
        if (c.answeredBeforeStart)
            WaitFor([&] { return Log().size() >= 1; }, 5000);
        ASSERT_TRUE(job.Start(S("p")));
        ASSERT_TRUE(WaitForFinished());
        EXPECT_EQ(outcome, JobOutcome::Failed);
        EXPECT_EQ(Log().size(), c.identifyRuns);
        EXPECT_EQ(Message().title, S("Cannot Join Without Re-encoding"));
    }
}

TEST_F(JoinJobCopyTest, InputsThatDoNotFitAreRefusedBeforeAnythingIsWritten)
{
    Encoder("1280x720");
    ASSERT_TRUE(job.Start(S("p")));
    ASSERT_TRUE(WaitForFinished());
    EXPECT_EQ(outcome, JobOutcome::Failed);
    EXPECT_EQ(Log().size(), 1); // the check only
    EXPECT_FALSE(QFile::exists(inputs.outputFile));
    EXPECT_TRUE(statuses.empty()); // the rows keep what they showed
    const auto messages = desktop.Of(S("message"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, S("Cannot Join Without Re-encoding"));
    EXPECT_EQ(messages[0].text.split(u'\n').at(1),
              S("c.mp4: 1280x720 at 25 fps; most of the video is 1920x1080 at 25 fps"));
    EXPECT_EQ(job.State(), JobState::Idle);

    // An encoder that cannot answer: what happened, then its last words.
    WriteScript(programDir + S("asapi.dll"), "echo 'no such codec'\nexit 1");
    desktop.calls.clear();
    ASSERT_TRUE(job.Start(S("p")));
    ASSERT_TRUE(WaitForFinished());
    EXPECT_EQ(outcome, JobOutcome::Failed);
    EXPECT_EQ(desktop.Of(S("message")).at(0).text,
              S("The encoder failed while reading the files (exit status 1). Nothing was "
                "written.\nIt said: no such codec\n\nno such codec"));
}

// A trimmed row goes to the copy with its cut after its file, which the copy cuts itself.
TEST_F(JoinJobCopyTest, TrimmedRowsAreCutByTheCopy)
{
    Encoder("1920x1080");
    inputs.rows[1].Trim = TaskTrim {1, 4};
    ASSERT_TRUE(job.Start(S("p")));
    ASSERT_TRUE(WaitForFinished());
    EXPECT_EQ(outcome, JobOutcome::Completed);
    const QStringList log = Log();
    ASSERT_EQ(log.size(), 2);
    EXPECT_TRUE(log[1].contains(S("|%1b b.mp4|-ss|1.000|-endpos|3.000|%1c.mp4|").arg(root)))
        << log[1].toStdString();
}

TEST_F(JoinJobCopyTest, StopDuringTheCheckOrTheCopyCancelsTheJoin)
{
    for (const char *where : {"identify", "copy", "fit box"}) {
        SCOPED_TRACE(where);
        WriteFile(programDir + S("asapi.dll.log"), "");
        const QByteArray place(where);
        if (place == "identify")
            WriteScript(programDir + S("asapi.dll"), "echo \"$*\" >> \"$0.log\"\nsleep 1000");
        else if (place == "copy")
            Encoder("1920x1080", "sleep 1000");
        else // c.mp4 can be converted to the others' kind: the box waits for its answer
            Encoder("1280x720", "",
                    "echo ID_VIDEO_PIXEL_FORMAT=yuv420p; echo ID_VIDEO_SAR=1:1; "
                    "echo ID_VIDEO_STREAM=0;");
        statuses.clear();
        titles.clear();
        desktop.calls.clear();
        desktop.holdFit = place == "fit box";
        ASSERT_TRUE(job.Start(S("p")));
        if (desktop.holdFit) {
            ASSERT_TRUE(WaitFor([&] { return bool(desktop.heldFit); }, 5000));
            // While the question is open no stage has begun, and none says so.
            EXPECT_EQ(titles.join(QString()), QString());
            EXPECT_TRUE(job.Stop());
            std::exchange(desktop.heldFit, {})(true);
        } else {
            WaitFor([&] { return Log().size() >= (place == "identify" ? 1 : 2); }, 5000);
            EXPECT_TRUE(job.Stop());
        }
        ASSERT_TRUE(WaitForFinished());
        EXPECT_EQ(outcome, JobOutcome::Stopped);
        EXPECT_EQ(statuses[2].back(), S("Stop"));
        EXPECT_EQ(desktop.Of(S("message")).at(0).text, S("The Joining is canceled."));
        EXPECT_EQ(job.State(), JobState::Idle);
        EXPECT_FALSE(QFile::exists(inputs.outputFile));
    }
}

} // namespace
