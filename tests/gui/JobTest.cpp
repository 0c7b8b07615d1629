// Job control in the window with the real encoder: a whole join from a click on the Start
// picture, Stop in both stages, Start's refusals, the after-job actions and closing during a job.
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
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>

using namespace qvj::mainwin;

namespace {

constexpr int kJobTimeoutMs = 180000;
const QString kJoinTitle = QStringLiteral("Final Step: Joining all files...");

// A program with the AVI profile chosen and the job's folder and the output in a temporary
// folder of their own.
class JobWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(work.path()).mkdir(QStringLiteral("temp"));
        QDir(work.path()).mkdir(QStringLiteral("out"));
        dir.WriteIni(("[Main]\r\nProfile=1\r\nTemp Dir=" + work.filePath(QStringLiteral("temp"))
                      + "\r\nAuto Open Dir=1\r\nAsk=1\r\n")
                         .toUtf8());
    }
    void Open(const QStringList &clips)
    {
        program = std::make_unique<Program>(dir, clips);
        program->Show();
        form().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
        ASSERT_EQ(form().cmbProfile->currentText(), QStringLiteral("AVI - MPEG-4 Video"));
    }
    void OpenWithTwoClips()
    {
        Open({Clip(QStringLiteral("job-a")), Clip(QStringLiteral("job-b"))});
    }

    TMainForm &form() { return *program->form; }
    WindowDesktop &desktop() { return program->desktop; }
    QString Output() const { return work.filePath(QStringLiteral("out/joined.avi")); }
    void Click(QWidget *picture) { QTest::mouseClick(picture, Qt::LeftButton); }
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
    QStringList FilesIn(const QString &sub) const
    {
        return QDir(work.filePath(sub))
            .entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
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
    Click(form().imgStart);
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
    for (QProgressBar *bar : {form().pgbCurrent, form().pgbTotal})
        EXPECT_EQ(bar->value(), 100);
    EXPECT_EQ(form().labTotalProgress->text(), QStringLiteral("100%"));
    ExpectLook(true);

    // The output holds both clips; no intermediate file is left.
    const MediaProbeResult probe = ProbeMedia(Output());
    ASSERT_TRUE(probe.ok) << probe.error.toStdString();
    EXPECT_NEAR(TimeTextToSeconds(probe.lengthText), 2.0, 0.5) << probe.lengthText.toStdString();
    EXPECT_EQ(FilesIn(QStringLiteral("temp")), QStringList());
    EXPECT_EQ(FilesIn(QStringLiteral("out")), QStringList {QStringLiteral("joined.avi")});
}

TEST_F(JobWindow, StopDuringTheConversion)
{
    Open({Clip(QStringLiteral("job-a")), Clip(QStringLiteral("job-b")),
          Clip(QStringLiteral("job-c"))});
    form().edtOutputFile->setText(Output());
    Click(form().imgStart);
    ASSERT_EQ(form().Job().State(), JobState::Running);
    // A drop while the job runs is ignored.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Clip(QStringLiteral("job-d")))});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form(), &drop);
    EXPECT_EQ(form().TaskList().Count(), 3);

    Click(form().imgStop);
    // Start shows at once but stays inert until the stopped job has ended.
    EXPECT_TRUE(form().imgStart->isVisible());
    EXPECT_FALSE(form().imgStart->isEnabled());
    EXPECT_FALSE(form().imgStop->isVisible());
    form().imgStartClick();
    form().imgStopClick();
    EXPECT_TRUE(form().Job().IsActive());
    EXPECT_TRUE(desktop().calls.empty());

    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(Messages(), QStringList {QStringLiteral("Cancel: The Coversion is canceled.")});
    EXPECT_EQ(Column(form(), 3),
              (QStringList {QStringLiteral("Stop"), QStringLiteral("OK"), QStringLiteral("OK")}));
    ExpectLook(true);
    EXPECT_EQ(FilesIn(QStringLiteral("temp")) + FilesIn(QStringLiteral("out")), QStringList());
}

TEST_F(JobWindow, StopDuringTheJoin)
{
    Open({Clip(QStringLiteral("long-a"), 6.0), Clip(QStringLiteral("long-b"), 6.0)});
    form().edtOutputFile->setText(Output());
    Click(form().imgStart);
    ASSERT_TRUE(QTest::qWaitFor([this] { return form().labProcessTitle->text() == kJoinTitle; },
                                kJobTimeoutMs));
    EXPECT_FALSE(form().labConvertingFile->isVisible());
    Click(form().imgStop);
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(Messages(), QStringList {QStringLiteral("Cancel: The Joining is canceled.")});
    EXPECT_EQ(Column(form(), 3), QStringList(2, QStringLiteral("Stop")));
    ExpectLook(true);
    EXPECT_EQ(FilesIn(QStringLiteral("temp")) + FilesIn(QStringLiteral("out")), QStringList());
}

// Each refusal shows its box, moves the focus and leaves the window idle. The existing file is
// found under the name with the profile's extension, which the box keeps after No.
TEST_F(JobWindow, StartRefusals)
{
    Open({Clip(QStringLiteral("job-a"))});
    ASSERT_TRUE(QFile(work.filePath(QStringLiteral("out/there.avi"))).open(QIODevice::WriteOnly));
    const QString out = work.filePath(QStringLiteral("out/"));
    const struct
    {
        QString output, title, text, focus, outputAfter;
    } cases[] = {
        {out + QStringLiteral("x.avi"), QStringLiteral("Add More Videos"),
         QStringLiteral("Please add at least 2 videos to the task for joining."),
         QStringLiteral("cmbProfile"), out + QStringLiteral("x.avi")},
        {work.filePath(QStringLiteral("nowhere/x.avi")),
         QStringLiteral("Output path does not exist"),
         QStringLiteral("The output path does not exist. Please specify another one."),
         QStringLiteral("edtOutputFile"), work.filePath(QStringLiteral("nowhere/x.avi"))},
        {out, QStringLiteral("Icorrect Filename"),
         QStringLiteral("Please specify the output file."), QStringLiteral("edtOutputFile"), out},
        {out + QStringLiteral("there"), QStringLiteral("File Exists"),
         QStringLiteral("The output file is existent. Do you want to continue and overwrite it? "
                        "\n\rClick \"No\" to specify another output filename."),
         QStringLiteral("edtOutputFile"), out + QStringLiteral("there.avi")},
    };
    for (const auto &c : cases) {
        if (form().TaskList().Count() < 2 && c.title != QLatin1String("Add More Videos"))
            form().TaskList().AddChosenFiles({Clip(QStringLiteral("job-b"))});
        form().edtOutputFile->setText(c.output);
        form().cmbProfile->setFocus();
        desktop().calls.clear();
        desktop().answers = {false};
        Click(form().imgStart);
        ASSERT_EQ(desktop().calls.size(), 1u) << c.title.toStdString();
        EXPECT_EQ(desktop().calls[0].title + QLatin1Char('|') + desktop().calls[0].text,
                  c.title + QLatin1Char('|') + c.text);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), c.focus);
        EXPECT_EQ(form().edtOutputFile->text(), c.outputAfter);
        EXPECT_FALSE(form().Job().IsActive());
        ExpectLook(true);
    }
}

// Exiting and turning off close the window without a question or a message; the window's keys
// are stored before the power-off request. An existing output under the Overwrite policy is
// replaced without a question at Start.
class AfterJobActions : public JobWindow, public ::testing::WithParamInterface<bool>
{
};

TEST_P(AfterJobActions, CloseTheWindowWithoutAsking)
{
    const bool turnOff = GetParam();
    OpenWithTwoClips();
    form().Preferences().SetOverWrite(true);
    if (turnOff)
        form().Preferences().SetTurnOff(true);
    else
        form().Preferences().SetExit(true);
    QFile existing(Output());
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly) && existing.write("old") == 3);
    existing.close();
    QByteArray iniAtPowerOff;
    desktop().onPowerOff = [&] { iniAtPowerOff = dir.ReadIni(); };
    form().edtOutputFile->setText(Output());
    Click(form().imgStart);
    ASSERT_TRUE(WaitForTheEnd());

    EXPECT_FALSE(form().isVisible());
    EXPECT_EQ(desktop().calls.size(), turnOff ? 1u : 0u); // the power-off request only
    EXPECT_GT(QFileInfo(Output()).size(), 3);
    const QByteArray stored = turnOff ? iniAtPowerOff : dir.ReadIni();
    EXPECT_TRUE(stored.contains(("Output File=" + Output()).toUtf8())) << stored.toStdString();
    EXPECT_TRUE(stored.contains("Profile=1"));
}

INSTANTIATE_TEST_SUITE_P(Action, AfterJobActions, ::testing::Bool(), [](const auto &param) {
    return std::string(param.param ? "turn_off" : "exit");
});

TEST_F(JobWindow, ClosingDuringAJobAsksFirst)
{
    OpenWithTwoClips();
    form().edtOutputFile->setText(Output());
    Click(form().imgStart);
    ASSERT_TRUE(form().Job().IsActive());

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
    EXPECT_EQ(FilesIn(QStringLiteral("temp")) + FilesIn(QStringLiteral("out")), QStringList());
    EXPECT_TRUE(dir.ReadIni().contains(("Output File=" + Output()).toUtf8()));
}

} // namespace
