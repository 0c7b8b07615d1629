// Job control in the window with the real encoder: a whole join from a click on the Start
// picture, Stop in both stages, Start's refusals, turning off after the job and closing during one.
#include "MainFormSupport.h"

#include "app/ImageButton.h"
#include "pipeline/JoinJob.h"
#include "settings/Preferences.h"
#include "tasks/MediaProbe.h"
#include "tasks/TimeText.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>

using namespace qvj;
using namespace qvj::mainwin;

namespace {

constexpr int kJobTimeoutMs = 180000;
const QString kJoinTitle = QStringLiteral("Final Step: Joining all files...");

// The AVI profile chosen, the job's folder and the output in a temporary folder of their own.
class JobWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(work.path()).mkdir(QStringLiteral("temp"));
        QDir(work.path()).mkdir(QStringLiteral("out"));
        test::WriteFile(dir.Ini(),
                        "[Main]\r\nProfile=1\r\nAuto Open Dir=1\r\nAsk=1\r\nTemp Dir="
                            + work.filePath(QStringLiteral("temp")).toUtf8() + "\r\n");
    }
    void Open(const QStringList &clips)
    {
        program = std::make_unique<Program>(dir, clips);
        program->Show();
        form().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
        ASSERT_EQ(form().cmbProfile->currentText(), QStringLiteral("AVI - MPEG-4 Video"));
        form().edtOutputFile->setText(Output());
    }
    void OpenWithTwoClips()
    {
        Open({Clip(QStringLiteral("job-a")), Clip(QStringLiteral("job-b"))});
    }

    TMainForm &form() { return *program->form; }
    WindowDesktop &desktop() { return program->desktop; }
    QString Output() const { return work.filePath(QStringLiteral("out/joined.avi")); }
    bool WaitForTheEnd()
    {
        return QTest::qWaitFor([this] { return !form().Job().IsActive(); }, kJobTimeoutMs);
    }
    QStringList Messages() const
    {
        QStringList texts;
        for (const auto &c : program->desktop.Of(QStringLiteral("message")))
            texts.append(c.title + QStringLiteral(": ") + c.text);
        return texts;
    }
    // What the job's folder and the output folder hold, as "temp/..." and "out/...".
    QStringList Files() const
    {
        QStringList files;
        for (const QString &sub : {QStringLiteral("temp"), QStringLiteral("out")})
            for (const QString &name :
                 QDir(work.filePath(sub))
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
                files.append(sub + QLatin1Char('/') + name);
        return files;
    }
    // The idle look (all enabled, Start shown) or the running one (all disabled, Stop shown).
    void ExpectLook(bool idle)
    {
        EXPECT_EQ(form().imgStart->isVisible(), idle);
        EXPECT_EQ(form().imgStop->isVisible(), !idle);
        EXPECT_EQ(form().panBottomCenter->isVisible(), idle);
        EXPECT_EQ(form().panBottomLeft->isVisible(), !idle);
        for (QWidget *w : std::initializer_list<QWidget *> {
                 form().imgStart, form().tbtnAddFile, form().tbtnAddDir, form().tbtnSetting,
                 form().tbtnRemove, form().tbtnClear, form().tbtnUp, form().tbtnDown,
                 form().ltvTask})
            EXPECT_EQ(w->isEnabled(), idle || w == form().imgStart)
                << w->objectName().toStdString();
        EXPECT_TRUE(form().tbtnAbout->isEnabled() && form().tbtnHelp->isEnabled());
    }

    QTemporaryDir work;
    ProgramDir dir;
    std::unique_ptr<Program> program;
};

TEST_F(JobWindow, AWholeJoinFromAClickOnStart)
{
    OpenWithTwoClips();
    form().edtOutputFile->setText(work.filePath(QStringLiteral("out/joined")));
    bool joinSeen = false;
    QObject::connect(&form().Job(), &JoinJob::stageTitleChanged,
                     [&](const QString &title) { joinSeen |= title == kJoinTitle; });
    QTest::mouseClick(form().imgStart, Qt::LeftButton);
    EXPECT_EQ(form().edtOutputFile->text(), Output());
    ExpectLook(false);
    EXPECT_EQ(form().labProcessTitle->text(), QStringLiteral("Prepare (Converting):"));
    ASSERT_TRUE(WaitForTheEnd());

    EXPECT_TRUE(joinSeen);
    EXPECT_EQ(Messages(),
              QStringList {QStringLiteral("Complete: The joining is completed successfully.")});
    const auto opened = desktop().Of(QStringLiteral("open"));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].text, work.filePath(QStringLiteral("out")));
    EXPECT_EQ(Column(form(), 3), QStringList(2, QStringLiteral("Complete")));
    EXPECT_EQ(form().pgbCurrent->value(), 100);
    EXPECT_EQ(form().pgbTotal->value(), 100);
    EXPECT_EQ(form().labTotalProgress->text(), QStringLiteral("100%"));
    ExpectLook(true);
    const MediaProbeResult probe = ProbeMedia(Output());
    ASSERT_TRUE(probe.ok) << probe.error.toStdString();
    EXPECT_NEAR(TimeTextToSeconds(probe.lengthText), 2.0, 0.5) << probe.lengthText.toStdString();
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
        {1.0,
         QStringLiteral("Prepare (Converting):"),
         QStringLiteral("Cancel: The Coversion is canceled."),
         {"Stop", "OK"}},
        {6.0, kJoinTitle, QStringLiteral("Cancel: The Joining is canceled."), {"Stop", "Stop"}},
    };
    for (const auto &c : cases) {
        const QString prefix = QString::number(c.seconds);
        Open({Clip(prefix + QStringLiteral("-a"), c.seconds),
              Clip(prefix + QStringLiteral("-b"), c.seconds)});
        QTest::mouseClick(form().imgStart, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return form().labProcessTitle->text() == c.stage; },
                                    kJobTimeoutMs));
        QTest::mouseClick(form().imgStop, Qt::LeftButton);
        EXPECT_TRUE(form().imgStart->isVisible() && !form().imgStop->isVisible());
        EXPECT_FALSE(form().imgStart->isEnabled());
        form().imgStartClick();
        EXPECT_TRUE(form().Job().IsActive());
        ASSERT_TRUE(WaitForTheEnd());
        EXPECT_EQ(Messages(), QStringList {c.message});
        EXPECT_EQ(Column(form(), 3), c.statuses);
        ExpectLook(true);
        EXPECT_EQ(Files(), QStringList());
    }
}

// Each refusal shows its box, moves the focus and leaves the window idle. The existing file is
// found under the name with the profile's extension, which the box keeps after No.
TEST_F(JobWindow, StartRefusals)
{
    Open({Clip(QStringLiteral("job-a"))});
    test::WriteFile(work.filePath(QStringLiteral("out/there.avi")), "old");
    const QString out = work.filePath(QStringLiteral("out/"));
    const QString nowhere = work.filePath(QStringLiteral("nowhere/x.avi"));
    const struct
    {
        QString output, box, focus, outputAfter;
    } cases[] = {
        {Output(), "Add More Videos|Please add at least 2 videos to the task for joining.",
         "cmbProfile", Output()},
        {nowhere,
         "Output path does not exist|The output path does not exist. Please specify another one.",
         "edtOutputFile", nowhere},
        {out, "Icorrect Filename|Please specify the output file.", "edtOutputFile", out},
        {out + QStringLiteral("there"),
         "File Exists|The output file is existent. Do you want to continue and overwrite it? "
         "\n\rClick \"No\" to specify another output filename.",
         "edtOutputFile", out + QStringLiteral("there.avi")},
    };
    for (const auto &c : cases) {
        form().edtOutputFile->setText(c.output);
        form().cmbProfile->setFocus();
        desktop().calls.clear();
        desktop().answers = {false};
        QTest::mouseClick(form().imgStart, Qt::LeftButton);
        ASSERT_EQ(desktop().calls.size(), 1u) << c.box.toStdString();
        EXPECT_EQ(desktop().calls[0].title + QLatin1Char('|') + desktop().calls[0].text, c.box);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), c.focus);
        EXPECT_EQ(form().edtOutputFile->text(), c.outputAfter);
        ExpectLook(true);
        if (form().TaskList().Count() < 2)
            form().TaskList().AddChosenFiles({Clip(QStringLiteral("job-b"))});
    }
}

// Turning off closes the window without a question or a message, and the window's keys are
// stored before the power-off request. Under the Overwrite policy an existing output is
// replaced without a question.
TEST_F(JobWindow, TurnOffStoresTheKeysFirst)
{
    OpenWithTwoClips();
    form().Preferences().SetOverWrite(true);
    form().Preferences().SetTurnOff(true);
    test::WriteFile(Output(), "old");
    QByteArray iniAtPowerOff;
    desktop().onPowerOff = [&] { iniAtPowerOff = test::ReadFile(dir.Ini()); };
    QTest::mouseClick(form().imgStart, Qt::LeftButton);
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_FALSE(form().isVisible());
    ASSERT_EQ(desktop().calls.size(), 1u);
    EXPECT_EQ(desktop().calls[0].kind, QStringLiteral("poweroff"));
    EXPECT_GT(QFileInfo(Output()).size(), 3);
    EXPECT_TRUE(iniAtPowerOff.contains(("Output File=" + Output()).toUtf8()));
    EXPECT_TRUE(iniAtPowerOff.contains("Profile=1"));
}

TEST_F(JobWindow, ClosingDuringAJobAsksFirst)
{
    OpenWithTwoClips();
    QTest::mouseClick(form().imgStart, Qt::LeftButton);
    desktop().answers = {false, true};
    EXPECT_FALSE(form().close());
    EXPECT_TRUE(form().Job().IsActive());
    const auto asked = desktop().Of(QStringLiteral("question"));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, QStringLiteral("A job is running. Stop it and exit?"));
    // Yes: the encoder is stopped, the job's files go, the keys are stored, no cancel message.
    EXPECT_TRUE(form().close());
    EXPECT_FALSE(form().Job().IsActive());
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_EQ(Files(), QStringList());
    EXPECT_TRUE(test::ReadFile(dir.Ini()).contains(("Output File=" + Output()).toUtf8()));
}

} // namespace
