// Job control in the window: Start's refusals, a whole join with the real encoder from a click
// on the Start picture, Stop in both stages, the after-job actions and closing during a job.
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

// A program with two short clips listed, the AVI profile chosen, and the job's folder and the
// output in temporary folders of its own.
class JobWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
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
        Open({Clips::Get(QStringLiteral("job-a")), Clips::Get(QStringLiteral("job-b"))});
    }

    TMainForm &form() { return *program->form; }
    qvj::test::RecordingDesktop &desktop() { return program->desktop; }
    QString Output() const { return work.filePath(QStringLiteral("out/joined.avi")); }

    void ClickStart() { QTest::mouseClick(form().imgStart, Qt::LeftButton); }
    void ClickStop() { QTest::mouseClick(form().imgStop, Qt::LeftButton); }
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

    void ExpectIdleLook()
    {
        EXPECT_TRUE(form().imgStart->isVisible());
        EXPECT_TRUE(form().imgStart->isEnabled());
        EXPECT_FALSE(form().imgStop->isVisible());
        EXPECT_TRUE(form().panBottomCenter->isVisible());
        EXPECT_FALSE(form().panBottomLeft->isVisible());
        for (QWidget *w : std::initializer_list<QWidget *> {
                 form().tbtnAddFile, form().tbtnAddDir, form().tbtnSetting, form().tbtnRemove,
                 form().tbtnClear, form().tbtnUp, form().tbtnDown, form().ltvTask})
            EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    }

    QTemporaryDir work;
    ProgramDir dir;
    std::unique_ptr<Program> program;
};

TEST_F(JobWindow, AWholeJoinFromAClickOnStart)
{
    OpenWithTwoClips();
    form().edtOutputFile->setText(work.filePath(QStringLiteral("out/joined")));
    ClickStart();

    // The running look: only About and Help stay usable.
    EXPECT_EQ(form().edtOutputFile->text(), Output());
    EXPECT_FALSE(form().imgStart->isVisible());
    EXPECT_TRUE(form().imgStop->isVisible());
    EXPECT_TRUE(form().panBottomLeft->isVisible());
    EXPECT_FALSE(form().panBottomCenter->isVisible());
    EXPECT_EQ(form().labProcessTitle->text(), QStringLiteral("Prepare (Converting):"));
    for (QWidget *w : std::initializer_list<QWidget *> {
             form().tbtnAddFile, form().tbtnAddDir, form().tbtnSetting, form().tbtnRemove,
             form().tbtnClear, form().tbtnUp, form().tbtnDown, form().ltvTask})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(form().tbtnAbout->isEnabled());
    EXPECT_TRUE(form().tbtnHelp->isEnabled());

    bool joinSeen = false;
    QObject::connect(&form().Job(), &JoinJob::stageTitleChanged, [&](const QString &title) {
        joinSeen |= title == QStringLiteral("Final Step: Joining all files...");
    });
    ASSERT_TRUE(WaitForTheEnd());

    EXPECT_TRUE(joinSeen);
    EXPECT_EQ(Messages(),
              QStringList {QStringLiteral("Complete: The joining is completed successfully.")});
    const auto opened = desktop().Of(QStringLiteral("open"));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].text, work.filePath(QStringLiteral("out")));
    EXPECT_EQ(RowStatuses(form()),
              (QStringList {QStringLiteral("Complete"), QStringLiteral("Complete")}));
    EXPECT_EQ(form().pgbCurrent->value(), 100);
    EXPECT_EQ(form().pgbTotal->value(), 100);
    EXPECT_EQ(form().labCurProgress->text(), QStringLiteral("100%"));
    EXPECT_EQ(form().labTotalProgress->text(), QStringLiteral("100%"));
    ExpectIdleLook();

    // The output holds both clips; no intermediate file is left.
    const MediaProbeResult probe = ProbeMedia(Output());
    ASSERT_TRUE(probe.ok) << probe.error.toStdString();
    EXPECT_EQ(probe.sizeText, QStringLiteral("640x480"));
    const double seconds = TimeTextToSeconds(probe.lengthText);
    EXPECT_GT(seconds, 1.5) << probe.lengthText.toStdString();
    EXPECT_LT(seconds, 2.6) << probe.lengthText.toStdString();
    EXPECT_EQ(FilesIn(QStringLiteral("temp")), QStringList());
    EXPECT_EQ(FilesIn(QStringLiteral("out")), QStringList {QStringLiteral("joined.avi")});
}

TEST_F(JobWindow, StopDuringTheConversion)
{
    Open({Clips::Get(QStringLiteral("job-a")), Clips::Get(QStringLiteral("job-b")),
          Clips::Get(QStringLiteral("job-c"))});
    form().edtOutputFile->setText(Output());
    ClickStart();
    ASSERT_EQ(form().Job().State(), JobState::Running);
    ClickStop();

    // Stop shows Start at once, but Start does nothing until the stopped job has ended.
    EXPECT_TRUE(form().imgStart->isVisible());
    EXPECT_FALSE(form().imgStop->isVisible());
    EXPECT_EQ(form().Job().State(), JobState::Cancelled);
    form().imgStartClick();
    ClickStop();
    EXPECT_TRUE(form().Job().IsActive());
    EXPECT_TRUE(Messages().isEmpty());

    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(Messages(), QStringList {QStringLiteral("Cancel: The Coversion is canceled.")});
    EXPECT_EQ(RowStatuses(form()),
              (QStringList {QStringLiteral("Stop"), QStringLiteral("OK"), QStringLiteral("OK")}));
    ExpectIdleLook();
    EXPECT_EQ(FilesIn(QStringLiteral("temp")), QStringList());
    EXPECT_FALSE(QFile::exists(Output()));
}

TEST_F(JobWindow, StopDuringTheJoin)
{
    Open({Clips::Get(QStringLiteral("long-a"), 6.0), Clips::Get(QStringLiteral("long-b"), 6.0)});
    form().edtOutputFile->setText(Output());
    ClickStart();
    ASSERT_TRUE(QTest::qWaitFor(
        [this] {
            return form().labProcessTitle->text()
                == QStringLiteral("Final Step: Joining all files...");
        },
        kJobTimeoutMs));
    EXPECT_FALSE(form().labConvertingFile->isVisible());
    ClickStop();
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(Messages(), QStringList {QStringLiteral("Cancel: The Joining is canceled.")});
    EXPECT_EQ(RowStatuses(form()), (QStringList {QStringLiteral("Stop"), QStringLiteral("Stop")}));
    ExpectIdleLook();
    EXPECT_EQ(FilesIn(QStringLiteral("temp")), QStringList());
}

struct RefusalCase
{
    const char *name;
    int rows;
    const char *output; // relative to the work folder when it begins with "@"
    const char *title; // "" for a start
    const char *text;
    const char *focus; // object name of the focused widget after the command
    const char *outputAfter;
};

void PrintTo(const RefusalCase &c, std::ostream *os)
{
    *os << c.name;
}

class StartRefusals : public JobWindow, public ::testing::WithParamInterface<RefusalCase>
{
protected:
    QString Expand(const char *text) const
    {
        const QString s = QString::fromUtf8(text);
        return s.startsWith(QLatin1Char('@')) ? work.filePath(s.mid(1)) : s;
    }
};

TEST_P(StartRefusals, ShowTheirMessageAndMoveTheFocus)
{
    const RefusalCase &c = GetParam();
    QStringList clips;
    for (int i = 0; i < c.rows; ++i)
        clips.append(Clips::Get(QStringLiteral("refuse-%1").arg(i)));
    Open(clips);
    QFile existing(work.filePath(QStringLiteral("out/there.avi")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    form().edtOutputFile->setText(Expand(c.output));
    form().cmbProfile->setFocus();
    desktop().answers = {false};

    ClickStart();
    const auto shown = desktop().calls;
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, QString::fromUtf8(c.title));
    EXPECT_EQ(shown[0].text, QString::fromUtf8(c.text));
    EXPECT_EQ(QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                          : QStringLiteral("<none>"),
              QString::fromUtf8(c.focus));
    EXPECT_EQ(form().edtOutputFile->text(), Expand(c.outputAfter));
    EXPECT_FALSE(form().Job().IsActive());
    EXPECT_TRUE(form().imgStart->isVisible());
    EXPECT_TRUE(form().panBottomCenter->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Checks, StartRefusals,
    ::testing::Values(
        RefusalCase {"no_rows", 0, "@out/x.avi", "Add More Videos",
                     "Please add at least 2 videos to the task for joining.", "cmbProfile",
                     "@out/x.avi"},
        RefusalCase {"one_row", 1, "@out/x.avi", "Add More Videos",
                     "Please add at least 2 videos to the task for joining.", "cmbProfile",
                     "@out/x.avi"},
        RefusalCase {"bare_name", 2, "movie", "Output path does not exist",
                     "The output path does not exist. Please specify another one.", "edtOutputFile",
                     "movie"},
        RefusalCase {"missing_folder", 2, "@nowhere/x.avi", "Output path does not exist",
                     "The output path does not exist. Please specify another one.", "edtOutputFile",
                     "@nowhere/x.avi"},
        RefusalCase {"folder_only", 2, "@out/", "Icorrect Filename",
                     "Please specify the output file.", "edtOutputFile", "@out/"},
        // The existing file is found under the name with the profile's extension, which the
        // box keeps after No.
        RefusalCase {"existing_output", 2, "@out/there", "File Exists",
                     "The output file is existent. Do you want to continue and overwrite it? "
                     "\n\rClick \"No\" to specify another output filename.",
                     "edtOutputFile", "@out/there.avi"}),
    [](const ::testing::TestParamInfo<RefusalCase> &param) {
        return std::string(param.param.name);
    });

TEST_F(JobWindow, NoOverwriteQuestionUnderAnotherPolicy)
{
    OpenWithTwoClips();
    form().Preferences().SetOverWrite(true);
    QFile existing(Output());
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("old");
    existing.close();
    form().edtOutputFile->setText(Output());
    ClickStart();
    EXPECT_TRUE(form().Job().IsActive());
    EXPECT_TRUE(desktop().Of(QStringLiteral("question")).empty());
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_GT(QFileInfo(Output()).size(), 3);
}

TEST_F(JobWindow, DropsAreIgnoredWhileAJobRuns)
{
    OpenWithTwoClips();
    form().edtOutputFile->setText(Output());
    ClickStart();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Clips::Get(QStringLiteral("job-c")))});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form(), &drop);
    EXPECT_EQ(form().TaskList().Count(), 2);
    form().imgStopClick();
    ASSERT_TRUE(WaitForTheEnd());
}

TEST_F(JobWindow, ExitAfterTheJobClosesWithoutAMessage)
{
    OpenWithTwoClips();
    form().Preferences().SetExit(true);
    form().edtOutputFile->setText(Output());
    ClickStart();
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_FALSE(form().isVisible());
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_TRUE(desktop().Of(QStringLiteral("open")).empty());
    EXPECT_TRUE(desktop().Of(QStringLiteral("question")).empty());
    EXPECT_TRUE(QFileInfo(Output()).size() > 0);
    EXPECT_TRUE(dir.ReadIni().contains(("Output File=" + Output()).toUtf8()));
}

// Records what Preferences.ini held when the power-off request came.
class PowerOffWitness : public qvj::test::RecordingDesktop
{
public:
    explicit PowerOffWitness(const ProgramDir &dir)
        : m_dir(dir)
    {
    }
    void PowerOff() override
    {
        iniAtPowerOff = m_dir.ReadIni();
        RecordingDesktop::PowerOff();
    }
    QByteArray iniAtPowerOff;

private:
    const ProgramDir &m_dir;
};

TEST_F(JobWindow, TurnOffStoresTheWindowsKeysBeforeThePowerOffRequest)
{
    PowerOffWitness witness(dir);
    ScriptedDialogs dialogs;
    TMainForm window(
        MainFormSetup {dir.Path(),
                       {Clips::Get(QStringLiteral("job-a")), Clips::Get(QStringLiteral("job-b"))},
                       QDir::currentPath(),
                       &witness,
                       &dialogs});
    window.CreateDialogs();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.Preferences().SetTurnOff(true);
    window.Preferences().SetExit(true);
    window.cmbProfile->setCurrentIndex(1);
    window.edtOutputFile->setText(Output());
    window.imgStartClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.Job().IsActive(); }, kJobTimeoutMs));

    ASSERT_EQ(witness.Of(QStringLiteral("poweroff")).size(), 1u);
    EXPECT_TRUE(witness.iniAtPowerOff.contains("Profile=1"));
    EXPECT_TRUE(witness.iniAtPowerOff.contains(("Output File=" + Output()).toUtf8()));
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(witness.Of(QStringLiteral("message")).empty());
    EXPECT_TRUE(witness.Of(QStringLiteral("question")).empty());
}

TEST_F(JobWindow, ClosingDuringAJobAsksFirst)
{
    OpenWithTwoClips();
    form().edtOutputFile->setText(Output());
    ClickStart();
    ASSERT_TRUE(form().Job().IsActive());

    // No: the job goes on.
    desktop().answers = {false};
    EXPECT_FALSE(form().close());
    EXPECT_TRUE(form().isVisible());
    EXPECT_TRUE(form().Job().IsActive());
    const auto asked = desktop().Of(QStringLiteral("question"));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, QStringLiteral("A job is running. Stop it and exit?"));

    // Yes: the encoder is stopped, the job's files go, the keys are stored, no cancel message.
    desktop().answers = {true};
    EXPECT_TRUE(form().close());
    EXPECT_FALSE(form().Job().IsActive());
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_EQ(FilesIn(QStringLiteral("temp")), QStringList());
    EXPECT_TRUE(dir.ReadIni().contains(("Output File=" + Output()).toUtf8()));
}

} // namespace
