// Program start, the first showing and the close of the main window.
#include "MainFormSupport.h"

#include "profiles/ProfileSettings.h"
#include "ui/TAboutForm.h"
#include "ui/TSettingForm.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeView>

#include "app/ImageButton.h"
#include "app/TProcessForm.h"
#include "app/TSizeForm.h"

using namespace qvj::mainwin;

namespace {

QString IniValue(const ProgramDir &dir, const QString &key)
{
    // Plain key lookup in section Main, as the file holds it.
    const QStringList lines
        = QString::fromUtf8(dir.ReadIni()).split(QRegularExpression(QStringLiteral("[\r\n]+")));
    bool inMain = false;
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1Char('[')))
            inMain = line == QLatin1String("[Main]");
        else if (inMain && line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    }
    return QStringLiteral("<missing>");
}

TEST(Startup, WithoutPreferencesEveryKeyTakesItsDefault)
{
    ProgramDir dir(false);
    Program program(dir);
    TMainForm &form = *program.form;

    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quintor Video Joiner V1.5"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Quintor Video Joiner"));
    EXPECT_EQ(form.labProgramName->text(), QStringLiteral("Video Joiner"));
    EXPECT_EQ(form.EncoderPath(), dir.Path() + QStringLiteral("asapi.dll"));
    EXPECT_EQ(form.HelpFile(), dir.Path() + QStringLiteral("Joinhelp.html"));
    EXPECT_EQ(form.size(), QSize(798, 559));

    // The catalogue is listed but nothing is chosen before the window is shown.
    EXPECT_EQ(form.cmbProfile->count(), 8);
    EXPECT_EQ(form.cmbProfile->currentIndex(), -1);
    program.Show();
    EXPECT_EQ(form.cmbProfile->currentIndex(), 0);
    EXPECT_EQ(form.Profile().ProfilePath(),
              dir.Path() + QStringLiteral("Profiles/") + form.cmbProfile->itemText(0)
                  + QStringLiteral(".bpf"));
    EXPECT_TRUE(form.edtOutputFile->text().isEmpty());
    EXPECT_EQ(form.Preferences().TempDir(), dir.Path() + QStringLiteral("temp/"));
    EXPECT_TRUE(program.desktop.calls.empty());
}

TEST(Startup, TheWindowOpensIdleWithTheWelcomePanel)
{
    ProgramDir dir;
    Program program(dir);
    program.Show();
    TMainForm &form = *program.form;

    EXPECT_TRUE(form.panltvTask->isVisible());
    EXPECT_EQ(form.TaskList().Count(), 0);
    for (QPushButton *b : {form.tbtnRemove, form.tbtnClear, form.tbtnUp, form.tbtnDown}) {
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
        EXPECT_EQ(b->size(), QSize(100, 22));
    }
    EXPECT_TRUE(form.panBottomCenter->isVisible());
    EXPECT_FALSE(form.panBottomLeft->isVisible());
    EXPECT_EQ(form.panBottomCenter->width(), 612);
    EXPECT_EQ(form.panBottomLeft->width(), 612);
    EXPECT_EQ(form.Image1->width(), 178);
    EXPECT_TRUE(form.imgStart->isVisible());
    EXPECT_FALSE(form.imgStop->isVisible());
    EXPECT_EQ(form.imgStart->size(), QSize(133, 65));
    EXPECT_EQ(form.labConvertingFile->text(), QStringLiteral("No File"));
    EXPECT_EQ(form.labCurProgress->text(), QStringLiteral("0%"));
    EXPECT_EQ(form.labTotalProgress->text(), QStringLiteral("0%"));
    EXPECT_TRUE(form.acceptDrops());

    // The list is 770 wide and opens with the start-up widths; the rule has taken the first
    // size report already, so showing the window changed nothing.
    EXPECT_EQ(form.ltvTask->width(), 770);
    EXPECT_EQ(form.LastListWidth(), 770);
    QHeaderView *header = form.ltvTask->header();
    EXPECT_EQ(header->count(), 4);
    const int widths[] = {350, 90, 80, 150};
    const char *captions[] = {"Input File", "Length", "Size", "Status"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(header->sectionSize(i), widths[i]) << i;
        EXPECT_EQ(form.TaskList().headerData(i, Qt::Horizontal).toString(),
                  QLatin1String(captions[i]));
    }
    EXPECT_FALSE(header->sectionsMovable());
    EXPECT_FALSE(header->stretchLastSection());
    EXPECT_FALSE(form.ltvTask->isSortingEnabled());
    EXPECT_EQ(form.ltvTask->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(form.ltvTask->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(form.ltvTask->editTriggers(), QAbstractItemView::NoEditTriggers);

    // The header is painted in red, green and blue 243.
    form.panltvTask->hide();
    const QImage picture = header->grab().toImage();
    EXPECT_EQ(QColor(picture.pixel(picture.width() - 5, 4)), QColor(243, 243, 243));
}

TEST(Startup, TheDialogsAreCreatedHidden)
{
    ProgramDir dir;
    Program program(dir);
    TMainForm &form = *program.form;
    ASSERT_NE(form.ProcessForm, nullptr);
    ASSERT_NE(form.SizeForm, nullptr);
    ASSERT_NE(form.SettingForm, nullptr);
    ASSERT_NE(form.AboutForm, nullptr);
    EXPECT_EQ(form.ProcessForm->windowTitle(), QStringLiteral("Process"));
    EXPECT_EQ(form.ProcessForm->btnStop->text(), QStringLiteral("Stop"));
    for (QWidget *w : std::initializer_list<QWidget *> {form.ProcessForm, form.SizeForm,
                                                        form.SettingForm, form.AboutForm})
        EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
}

TEST(Startup, VersionTextComesFromThePreferences)
{
    ProgramDir dir;
    dir.WriteIni("[Main]\r\nVersion=2.0\r\n");
    Program program(dir);
    EXPECT_EQ(program.form->windowTitle(), QStringLiteral("Quintor Video Joiner V2.0"));
    EXPECT_EQ(program.form->VersionText(), QStringLiteral("2.0"));
}

struct ProfileIndexCase
{
    const char *name;
    int profiles;
    QByteArray stored; // the Profile line, or nothing
    int selected;
};

class RememberedProfile : public ::testing::TestWithParam<ProfileIndexCase>
{
};

TEST_P(RememberedProfile, IsSelectedAndLoadedWhenInRange)
{
    const ProfileIndexCase &c = GetParam();
    ProgramDir dir(true, c.profiles);
    dir.WriteIni("[Main]\r\n" + c.stored + "Output File=/videos/joined.avi\r\n");
    Program program(dir);
    program.Show();
    TMainForm &form = *program.form;
    EXPECT_EQ(form.cmbProfile->currentIndex(), c.selected);
    if (c.selected >= 0)
        EXPECT_EQ(form.Profile().ProfilePath(),
                  dir.Path() + QStringLiteral("Profiles/") + form.cmbProfile->currentText()
                      + QStringLiteral(".bpf"));
    else
        EXPECT_TRUE(form.Profile().ProfilePath().isEmpty());
    EXPECT_EQ(form.edtOutputFile->text(), QStringLiteral("/videos/joined.avi"));
}

INSTANTIATE_TEST_SUITE_P(
    Index, RememberedProfile,
    ::testing::Values(ProfileIndexCase {"third_of_three", 3, "Profile=2\r\n", 2},
                      ProfileIndexCase {"beyond_two", 2, "Profile=2\r\n", -1},
                      ProfileIndexCase {"none_stored_last_time", 3, "Profile=-1\r\n", -1},
                      ProfileIndexCase {"missing_key", 3, "", 0},
                      ProfileIndexCase {"not_a_number", 3, "Profile=two\r\n", 0},
                      ProfileIndexCase {"no_profiles", 0, "Profile=0\r\n", -1}),
    [](const ::testing::TestParamInfo<ProfileIndexCase> &param) {
        return std::string(param.param.name);
    });

TEST(Startup, TheFirstShowingsWorkRunsOnce)
{
    ProgramDir dir;
    dir.WriteIni("[Main]\r\nProfile=1\r\nOutput File=/v/out.avi\r\n");
    Program program(dir);
    program.Show();
    TMainForm &form = *program.form;
    form.cmbProfile->setCurrentIndex(3);
    form.edtOutputFile->setText(QStringLiteral("/v/other.avi"));
    // Minimised and back: Qt shows the window again.
    form.hide();
    program.Show();
    EXPECT_EQ(form.cmbProfile->currentIndex(), 3);
    EXPECT_EQ(form.edtOutputFile->text(), QStringLiteral("/v/other.avi"));
}

TEST(Startup, CloseStoresTheProfileIndexAndTheOutputFile)
{
    ProgramDir dir;
    {
        Program program(dir);
        program.Show();
        program.form->cmbProfile->setCurrentIndex(4);
        program.form->edtOutputFile->setText(QStringLiteral("/v/a b.avi"));
        EXPECT_TRUE(program.form->close());
    }
    EXPECT_EQ(IniValue(dir, QStringLiteral("Profile")), QStringLiteral("4"));
    EXPECT_EQ(IniValue(dir, QStringLiteral("Output File")), QStringLiteral("/v/a b.avi"));
    // The shipped keys stay.
    EXPECT_EQ(IniValue(dir, QStringLiteral("Version")), QStringLiteral("1.5"));

    ProgramDir none(true, 0);
    {
        Program program(none);
        program.Show();
        EXPECT_TRUE(program.form->close());
    }
    EXPECT_EQ(IniValue(none, QStringLiteral("Profile")), QStringLiteral("-1"));
    EXPECT_EQ(IniValue(none, QStringLiteral("Output File")), QString());
}

TEST(Startup, AFailedStoreAtCloseIsShownAndTheWindowStillCloses)
{
    ProgramDir dir;
    Program program(dir);
    program.Show();
    QFile::setPermissions(dir.Ini(), QFile::ReadOwner);
    const QByteArray before = dir.ReadIni();
    EXPECT_TRUE(program.form->close());
    QFile::setPermissions(dir.Ini(), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_FALSE(program.form->isVisible());
    const auto errors = program.desktop.Of(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].text, QStringLiteral("Unable to write to ") + dir.Ini() + QLatin1Char('.'));
    EXPECT_EQ(dir.ReadIni(), before);
}

TEST(Startup, CommandLinePathsAreAddedByTheStartUpRule)
{
    ProgramDir dir;
    const QString a = Clips::Get(QStringLiteral("start-a"));
    const QString b = Clips::Get(QStringLiteral("start-b"));
    QTemporaryDir folder;
    QFile::copy(a, folder.filePath(QStringLiteral("x.AVI")));
    QFile::copy(b, folder.filePath(QStringLiteral("note.txt")));
    const QString relativeB = QDir(QFileInfo(a).path()).relativeFilePath(b);

    Program program(dir,
                    {b, relativeB, folder.path(), QStringLiteral("/no/such.avi"),
                     folder.filePath(QStringLiteral("note.txt"))},
                    QFileInfo(a).path());
    EXPECT_EQ(RowPaths(*program.form),
              (QStringList {b, b, folder.filePath(QStringLiteral("x.AVI"))}));
    // The second b was a duplicate: the question came once and was answered Yes.
    EXPECT_EQ(program.desktop.Of(QStringLiteral("question")).size(), 1u);
    EXPECT_FALSE(program.form->TaskList().WelcomePanelShown());
    program.Show();
    EXPECT_FALSE(program.form->panltvTask->isVisible());
}

TEST(Startup, AListFileNamesThePathsOneALine)
{
    ProgramDir dir;
    const QString a = Clips::Get(QStringLiteral("list-a"));
    const QString b = Clips::Get(QStringLiteral("list-b"));
    QTemporaryDir work;
    QFile list(work.filePath(QStringLiteral("files.TMP")));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write((b + QStringLiteral("\r\n\r\n") + a + QStringLiteral("\n")).toUtf8());
    list.close();

    Program program(dir, {QStringLiteral("files.TMP"), Clips::Get(QStringLiteral("list-c"))},
                    work.path());
    EXPECT_EQ(RowPaths(*program.form), (QStringList {b, a}));
    EXPECT_TRUE(program.desktop.calls.empty());
}

TEST(Startup, AnUnreadableListFileIsReportedAndStartUpGoesOn)
{
    ProgramDir dir;
    dir.WriteIni("[Main]\r\nProfile=1\r\nOutput File=/v/out.avi\r\n");
    QTemporaryDir work;
    Program program(dir, {QStringLiteral("missing.tmp")}, work.path());
    const auto errors = program.desktop.Of(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].text.contains(work.filePath(QStringLiteral("missing.tmp"))))
        << errors[0].text.toStdString();
    program.Show();
    TMainForm &form = *program.form;
    EXPECT_EQ(form.TaskList().Count(), 0);
    EXPECT_TRUE(form.tbtnClear->isEnabled());
    EXPECT_TRUE(form.acceptDrops());
    EXPECT_EQ(form.ltvTask->header()->sectionSize(0), 350);
    EXPECT_EQ(form.cmbProfile->currentIndex(), 1);
    EXPECT_EQ(form.edtOutputFile->text(), QStringLiteral("/v/out.avi"));
}

TEST(Startup, AFileThatCannotBeProbedIsReportedAndTheOthersAreAdded)
{
    ProgramDir dir;
    QTemporaryDir work;
    QFile bad(work.filePath(QStringLiteral("broken.avi")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a video at all");
    bad.close();
    const QString good = Clips::Get(QStringLiteral("probe-ok"));
    Program program(dir, {bad.fileName(), good}, work.path());
    EXPECT_EQ(RowPaths(*program.form), QStringList {good});
    const auto errors = program.desktop.Of(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].text.contains(bad.fileName())) << errors[0].text.toStdString();
    EXPECT_EQ(program.form->ltvTask->header()->sectionSize(3), 150);
}

} // namespace
