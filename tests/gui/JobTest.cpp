// Job control in the window with the real encoder: a whole join from a click on the Start
// picture, Stop in both stages, Start's refusals, turning off after the job and closing during one.
#include "MainFormSupport.h"

#include "app/TurnOffBox.h"
#include "common/BrokenRecordings.h"
#include "pipeline/job/JoinJob.h"
#include "platform/Paths.h"
#include "platform/RawNames.h"
#include "settings/Preferences.h"
#include "tasks/MediaProbe.h"
#include "tasks/TimeText.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>

#include <algorithm>
#include <cstdlib>
#include <utility>

using namespace qvj;
using namespace qvj::mainwin;

namespace {

// The AVI profile chosen, the job's folder and the output in a temporary folder of their own.
class JobWindow : public WindowTest
{
protected:
    void Open(const QStringList &clips
              = {Clip(QStringLiteral("job-a")), Clip(QStringLiteral("job-b"))})
    {
        QDir(work.path()).mkpath(QStringLiteral("temp"));
        QDir(work.path()).mkpath(QStringLiteral("out"));
        test::WriteFile(Ini(),
                        "[Main]\r\nProfile=1\r\nAuto Open Dir=1\r\nAsk=1\r\nTemp Dir="
                            + work.filePath(QStringLiteral("temp")).toUtf8() + "\r\n");
        desktop.calls.clear();
        Start(clips);
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        ASSERT_EQ(form->cmbProfile->currentText(), QStringLiteral("AVI - MPEG-4 Video"));
        form->edtOutputFile->setText(Output());
    }
    QString Output() const { return work.filePath(QStringLiteral("out/joined.avi")); }
    bool WaitForTheEnd()
    {
        return QTest::qWaitFor([this] { return !form->Job().IsActive(); }, 180000);
    }
    // What the job's folder and the output folder hold, as "temp/..." and "out/...";
    // conversions kept for the next Start are no leftovers and are not listed.
    QStringList Files() const
    {
        QStringList files;
        for (const QString &sub : {QStringLiteral("temp"), QStringLiteral("out")})
            for (const QString &name :
                 QDir(work.filePath(sub))
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
                if (name != QStringLiteral("qvj-kept"))
                    files.append(sub + QLatin1Char('/') + name);
        return files;
    }
    // The idle look (Start and the idle panel shown, all enabled) or the running one (Stop and
    // the progress panel shown, all but About and Help disabled).
    void ExpectLook(bool idle)
    {
        EXPECT_EQ(form->imgStart->isVisible() && form->panBottomCenter->isVisible(), idle);
        EXPECT_EQ(form->imgStop->isVisible() && form->panBottomLeft->isVisible(), !idle);
        for (QWidget *w : std::initializer_list<QWidget *> {
                 form->tbtnAddFile, form->tbtnAddDir, form->tbtnSetting, form->tbtnRemove,
                 form->tbtnClear, form->tbtnUp, form->tbtnDown, form->ltvTask})
            EXPECT_EQ(w->isEnabled(), idle) << w->objectName().toStdString();
        EXPECT_TRUE(form->imgStart->isEnabled() && form->tbtnAbout->isEnabled()
                    && form->tbtnHelp->isEnabled());
    }

    QTemporaryDir work;
};

TEST_F(JobWindow, AWholeJoinFromAClickOnStart)
{
    Open();
    form->edtOutputFile->setText(work.filePath(QStringLiteral("out/joined")));
    QTest::mouseClick(form->imgStart, Qt::LeftButton);
    EXPECT_EQ(form->edtOutputFile->text(), Output());
    ExpectLook(false);
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(Calls(),
              (QStringList {"message|Complete|The joining is completed successfully.\nThe "
                            "joined file is "
                                + Output() + ".",
                            "open||" + work.filePath(QStringLiteral("out"))}));
    EXPECT_EQ(Column(*form, 3), QStringList(2, QStringLiteral("Complete")));
    EXPECT_TRUE(form->pgbCurrent->value() == 100 && form->pgbTotal->value() == 100);
    ExpectLook(true);
    const MediaProbeResult probe = ProbeMedia(Output());
    EXPECT_NEAR(TimeTextToSeconds(probe.lengthText), 2.0, 0.5) << probe.error.toStdString();
    EXPECT_EQ(Files(), QStringList {QStringLiteral("out/joined.avi")});
}

// Stop in either stage: Start shows at once but stays inert until the stopped job has ended,
// then the stage's message; no intermediate file and no output is left.
TEST_F(JobWindow, StopInEitherStage)
{
    const struct
    {
        double seconds;
        QString stage, message;
        QStringList statuses;
    } cases[] = {
        {1.0, "Prepare (Converting):", "The Coversion is canceled.", {"Stop", "OK"}},
        {6.0, "Final Step: Joining all files...", "The Joining is canceled.", {"Stop", "Stop"}},
    };
    for (const auto &c : cases) {
        const QString name = QString::number(c.seconds);
        Open({Clip(name + QLatin1Char('a'), c.seconds), Clip(name + QLatin1Char('b'), c.seconds)});
        QTest::mouseClick(form->imgStart, Qt::LeftButton);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return form->labProcessTitle->text() == c.stage; }, 180000));
        QTest::mouseClick(form->imgStop, Qt::LeftButton);
        EXPECT_TRUE(form->imgStart->isVisible() && !form->imgStart->isEnabled());
        form->imgStartClick();
        EXPECT_TRUE(form->Job().IsActive());
        ASSERT_TRUE(WaitForTheEnd());
        EXPECT_EQ(Calls(), QStringList {QStringLiteral("message|Cancel|") + c.message});
        EXPECT_EQ(Column(*form, 3), c.statuses);
        ExpectLook(true);
        EXPECT_EQ(Files(), QStringList());
    }
    // Started again after a stop in the join, the job goes on from both kept conversions and
    // says so under the list while it runs; the line gives way to the list's summary after.
    const auto noted = [&] {
        return form->labTotalLength->text().contains(
            QStringLiteral("2 of 2 files were already converted; going on from there"));
    };
    QTest::mouseClick(form->imgStart, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor(noted, 10000));
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(Column(*form, 3), QStringList(2, QStringLiteral("Complete")));
    EXPECT_FALSE(noted());
}

// Each refusal shows its box, moves the focus and leaves the window idle. The existing file is
// found under the name with the profile's extension, which the box keeps after No.
TEST_F(JobWindow, StartRefusals)
{
    Open({Clip(QStringLiteral("job-a"))});
    const QString out = work.filePath(QStringLiteral("out/")),
                  nowhere = out + QStringLiteral("no/x.avi");
    test::WriteFile(out + QStringLiteral("there.avi"), "old");
    const struct
    {
        QString output, box, focus, outputAfter;
    } cases[] = {
        {Output(), "message|Add More Videos|Please add at least 2 videos to the task for joining.",
         "cmbProfile", Output()},
        {nowhere,
         "message|Output path does not exist|The output path does not exist. Please specify "
         "another one.",
         "edtOutputFile", nowhere},
        {out, "message|Icorrect Filename|Please specify the output file.", "edtOutputFile", out},
        {out + QStringLiteral("there"),
         "question|File Exists|The output file is existent. Do you want to continue and "
         "overwrite it? \n\rClick \"No\" to specify another output filename.",
         "edtOutputFile", out + QStringLiteral("there.avi")},
        // Joining onto an input would destroy it, whatever the overwrite policy.
        {Clip(QStringLiteral("job-b")),
         "message|Error|The output file \"" + Clip(QStringLiteral("job-b"))
             + "\" is one of the videos to join. Please specify another output file.",
         "edtOutputFile", Clip(QStringLiteral("job-b"))},
    };
    for (const auto &c : cases) {
        form->edtOutputFile->setText(c.output);
        form->cmbProfile->setFocus();
        desktop.calls.clear();
        desktop.answers = {false};
        QTest::mouseClick(form->imgStart, Qt::LeftButton);
        EXPECT_EQ(Calls(), QStringList {c.box});
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), c.focus);
        EXPECT_EQ(form->edtOutputFile->text(), c.outputAfter);
        ExpectLook(true);
        if (form->TaskList().Count() < 2)
            form->TaskList().AddChosenFiles({Clip(QStringLiteral("job-b"))});
    }
}

// Turning off counts down in a box of its own, with no success message. Turn Off Now stores the
// window's keys, then asks the system, which answers before the window closes; Cancel leaves
// the program open and idle; a refusal is said in a box and the program stays open. Under
// Overwrite an existing output is replaced without asking.
TEST_F(JobWindow, TurnOffCountsDownAndCanBeStopped)
{
    struct Case
    {
        bool now; // Turn Off Now, else Cancel
        QString refusal; // the system's answer
        bool closes;
        QStringList calls;
    };
    const Case cases[] = {
        {true, {}, true, {"poweroff||"}},
        {false, {}, false, {}},
        {true,
         "Access denied",
         false,
         {"poweroff||", "message|Turn Off|The computer was not turned off: Access denied."}},
    };
    for (const Case &c : cases) {
        Open();
        form->Preferences().SetOverWrite(true);
        form->Preferences().SetTurnOff(true);
        desktop.powerOffAnswer = c.refusal;
        desktop.iniAtPowerOff.clear();
        test::WriteFile(Output(), "old");
        QTest::mouseClick(form->imgStart, Qt::LeftButton);
        ASSERT_TRUE(WaitForTheEnd());
        ASSERT_TRUE(form->boxTurnOff);
        EXPECT_TRUE(form->boxTurnOff->isVisible());
        EXPECT_EQ(form->boxTurnOff->text(),
                  QStringLiteral("The computer will be turned off in 60 seconds."));
        EXPECT_TRUE(Calls().isEmpty());
        EXPECT_GT(QFileInfo(Output()).size(), 3);
        QTest::mouseClick(c.now ? form->boxTurnOff->btnTurnOffNow : form->boxTurnOff->btnCancel,
                          Qt::LeftButton);
        QCoreApplication::processEvents();
        EXPECT_EQ(form->isVisible(), !c.closes);
        EXPECT_EQ(Calls(), c.calls);
        EXPECT_EQ(desktop.iniAtPowerOff.contains(("Output File=" + Output()).toUtf8()), c.now);
        if (!c.closes)
            ExpectLook(true);
    }
}

// The count goes down a second at a time and asks by itself at zero.
TEST(TurnOff, TheCountdownAsksAtZero)
{
    EXPECT_EQ(TurnOffBox::CountdownText(1),
              QStringLiteral("The computer will be turned off in 1 second."));
    TurnOffBox box(nullptr, 3);
    int asked = 0;
    QObject::connect(&box, &TurnOffBox::turnOff, [&] { ++asked; });
    box.SetTickInterval(20);
    box.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked > 0; }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(box.SecondsLeft(), 0);
    EXPECT_FALSE(box.isVisible());
}

// No keeps the job running; Yes stops the encoder, removes the job's files, stores the keys and
// closes without the stage's cancel message.
TEST_F(JobWindow, ClosingDuringAJobAsksFirst)
{
    Open();
    QTest::mouseClick(form->imgStart, Qt::LeftButton);
    desktop.answers = {false, true};
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->Job().IsActive());
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->Job().IsActive());
    const QString asked
        = QStringLiteral("question|Quintor Video Joiner|A job is running. Stop it and exit?");
    EXPECT_EQ(Calls(), QStringList(2, asked));
    EXPECT_EQ(Files(), QStringList());
    EXPECT_TRUE(test::ReadFile(Ini()).contains(("Output File=" + Output()).toUtf8()));
}

} // namespace

namespace {

// The held-back set of recordings that went wrong, added as a folder from the command line:
// the readable ones are listed (a name in Latin-1 bytes with its letters shown) and joined to
// the length of what they hold; the others are named in one error box, each with what is wrong.
TEST_F(JobWindow, RecordingsThatWentWrongJoinOrAreRefusedInWords)
{
    const QString folder = work.filePath(QStringLiteral("set/"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::vector<test::BrokenRecording> set = test::MakeBrokenRecordings(folder);
    QStringList made;
    for (const test::BrokenRecording &b : set)
        made << b.path;
    const auto removeRaw = qScopeGuard([&] { test::RemoveRawNamedFiles(made); });
    QStringList joinable, refused;
    double seconds = 0;
    for (const test::BrokenRecording &b : set)
        if (b.refusal.isEmpty()) {
            joinable << ShownName(b.path);
            seconds += test::DecodableSeconds(b.path);
        } else {
            refused << ExtractFileName(b.path) + QLatin1Char(' ') + b.refusal;
        }
    Open({folder});
    joinable.sort(Qt::CaseInsensitive);
    EXPECT_EQ(Column(*form, 0), joinable);
    EXPECT_TRUE(Column(*form, 0).join(u'\n').contains(QStringLiteral("café déjà.mp4")));
    ASSERT_EQ(desktop.Of(QStringLiteral("error")).size(), 1u);
    const QString error = desktop.Of(QStringLiteral("error")).front().text;
    for (const QString &r : refused)
        EXPECT_TRUE(error.contains(r.section(u' ', 0, 0) + u' ')
                    && error.contains(r.section(u' ', 1)))
            << r.toStdString() << "\n"
            << error.toStdString();
    // The explanations lead; the library's words come after a blank line, behind the box's
    // "Show Details" on a desktop that has one.
    EXPECT_FALSE(error.section(u'\n', 0, 0).contains(QStringLiteral("floating point")));
    EXPECT_TRUE(error.section(QStringLiteral("\n\n"), 1)
                    .contains(QStringLiteral(": '' is not a valid floating point value.")))
        << error.toStdString();
    if (const char *shot = std::getenv("QVJ_SCREENSHOT"))
        form->grab().save(QString::fromLocal8Bit(shot));
    desktop.calls.clear();
    QTest::mouseClick(form->imgStart, Qt::LeftButton);
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(Column(*form, 3), QStringList(joinable.size(), QStringLiteral("Complete")));
    EXPECT_NEAR(test::DecodableSeconds(Output()), seconds, joinable.size() / 25.0 + 1e-6);

    // Dropped from a file manager (its bytes percent-encoded in the URL), the Latin-1 name is
    // the same file again: asked about as listed already, then listed with its letters.
    const auto latin
        = std::find_if(set.begin(), set.end(), [](const auto &b) { return HoldsRawBytes(b.path); });
    ASSERT_NE(latin, set.end());
    QMimeData files;
    files.setData(QStringLiteral("text/uri-list"),
                  QByteArray("file://")
                      .append(NameToBytes(latin->path).toPercentEncoding("/"))
                      .append("\r\n"));
    desktop.calls.clear();
    desktop.answers = {true};
    DropOnList(*form, files);
    EXPECT_EQ(desktop.Of(QStringLiteral("question")).size(), 1u);
    EXPECT_EQ(Column(*form, 0).count(ShownName(latin->path)), 2);
}

// A copy of files that differ: while the box asks whether to convert them, no stage is named
// and Stop is shown inactive; Cancel ends the job with nothing written.
TEST_F(JobWindow, NothingSaysAStageHasBegunWhileTheFitBoxAsks)
{
    // H.264 clips, one of another size: the copy can convert it to match the others.
    QStringList clips;
    for (const auto &[name, width] : {std::pair {"a.mp4", 160}, {"b.mp4", 160}, {"odd.mp4", 320}}) {
        clips << work.filePath(QLatin1String(name));
        ASSERT_TRUE(test::MakeClip(clips.back(),
                                   {.seconds = 1.0,
                                    .width = width,
                                    .height = width * 3 / 4,
                                    .extra = {QStringLiteral("-c:v"), QStringLiteral("libx264")}}));
    }
    Open(clips);
    form->cmbProfile->setCurrentIndex(
        form->cmbProfile->findText(QStringLiteral("MP4 - Same as Source (No Re-encoding)")));
    form->cmbProfileChange();
    form->edtOutputFile->setText(work.filePath(QStringLiteral("out/joined.mp4")));
    desktop.holdFit = true;
    QStringList titles;
    QObject::connect(&form->Job(), &JoinJob::stageTitleChanged, form.get(),
                     [&](const QString &t) { titles << t; });
    form->imgStartClick();
    ASSERT_TRUE(QTest::qWaitFor([this] { return bool(desktop.heldFit); }, 60000))
        << Calls().join(u'\n').toStdString();
    EXPECT_EQ(titles.join(QString()), QString());
    EXPECT_TRUE(form->labProcessTitle->text().isEmpty());
    EXPECT_TRUE(form->imgStop->isVisible());
    EXPECT_FALSE(form->imgStop->isEnabled());
    std::exchange(desktop.heldFit, {})(false);
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_TRUE(form->imgStop->isEnabled());
    EXPECT_TRUE(form->imgStart->isVisible());
    EXPECT_FALSE(QFile::exists(work.filePath(QStringLiteral("out/joined.mp4"))));
}

} // namespace
