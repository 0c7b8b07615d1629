// Program start, the first showing and the close of the main window.
#include "MainFormSupport.h"

#include "app/ImageButton.h"
#include "app/TProcessForm.h"
#include "app/TSizeForm.h"
#include "profiles/ProfileSettings.h"
#include "settings/IniFile.h"
#include "settings/Preferences.h"
#include "ui/TAboutForm.h"
#include "ui/TSettingForm.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>

using namespace qvj::mainwin;

namespace {

QString IniValue(const ProgramDir &dir, const char *key)
{
    return IniFile(dir.Ini()).GetText(QStringLiteral("Main"), QLatin1String(key),
                                      QStringLiteral("<missing>"));
}

TEST(Startup, WithoutPreferencesTheWindowOpensIdleWithTheDefaults)
{
    ProgramDir dir(false);
    Program program(dir);
    TMainForm &form = *program.form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quintor Video Joiner V1.5"));
    EXPECT_EQ(form.labProgramName->text(), QStringLiteral("Video Joiner"));
    EXPECT_EQ(form.size(), QSize(798, 559));
    EXPECT_EQ(form.frameGeometry().center(),
              QGuiApplication::primaryScreen()->availableGeometry().center());
    // The dialogs exist, hidden; the catalogue is listed, nothing chosen before the showing.
    for (QWidget *w : std::initializer_list<QWidget *> {form.ProcessForm, form.SizeForm,
                                                        form.SettingForm, form.AboutForm})
        EXPECT_TRUE(w && !w->isVisible());
    EXPECT_EQ(form.cmbProfile->count(), 8);
    EXPECT_EQ(form.cmbProfile->currentIndex(), -1);

    program.Show();
    EXPECT_EQ(form.cmbProfile->currentIndex(), 0);
    EXPECT_EQ(form.Profile().ProfilePath(), form.ProfilePath());
    EXPECT_TRUE(form.edtOutputFile->text().isEmpty());
    EXPECT_EQ(form.Preferences().TempDir(), dir.Path() + QStringLiteral("temp/"));
    EXPECT_TRUE(program.desktop.calls.empty());

    // The list is 770 wide at the start-up widths: the first size report was taken before
    // them, so the showing changes nothing. Headers neither move nor stretch.
    EXPECT_EQ(form.LastListWidth(), 770);
    QHeaderView *header = form.ltvTask->header();
    const int widths[] = {350, 90, 80, 150};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(header->sectionSize(i), widths[i]) << i;
    EXPECT_FALSE(header->sectionsMovable() || header->stretchLastSection());
    form.panltvTask->hide();
    const QImage picture = header->grab().toImage();
    EXPECT_EQ(QColor(picture.pixel(picture.width() - 5, 4)), QColor(243, 243, 243));
}

struct IniCase
{
    const char *name;
    int profiles;
    QByteArray ini;
    int selected;
    const char *title;
};

void PrintTo(const IniCase &c, std::ostream *os)
{
    *os << c.name;
}

class RememberedProfile : public ::testing::TestWithParam<IniCase>
{
};

// The first showing restores the profile and the output file, once (Qt shows the window again
// after an un-minimise); the close stores them.
TEST_P(RememberedProfile, IsRestoredAtTheFirstShowingAndStoredAtTheClose)
{
    const IniCase &c = GetParam();
    ProgramDir dir(true, c.profiles);
    dir.WriteIni("[Main]\r\n" + c.ini + "Output File=/videos/joined.avi\r\n");
    Program program(dir);
    program.Show();
    TMainForm &form = *program.form;
    EXPECT_EQ(form.windowTitle(), QLatin1String(c.title));
    EXPECT_EQ(form.cmbProfile->currentIndex(), c.selected);
    EXPECT_EQ(form.Profile().ProfilePath(), c.selected >= 0 ? form.ProfilePath() : QString());
    EXPECT_EQ(form.edtOutputFile->text(), QStringLiteral("/videos/joined.avi"));

    form.cmbProfile->setCurrentIndex(1);
    form.edtOutputFile->setText(QStringLiteral("/v/a b.avi"));
    form.hide();
    program.Show();
    EXPECT_EQ(form.edtOutputFile->text(), QStringLiteral("/v/a b.avi"));
    EXPECT_TRUE(form.close());
    EXPECT_EQ(IniValue(dir, "Profile"), c.profiles ? QStringLiteral("1") : QStringLiteral("-1"));
    EXPECT_EQ(IniValue(dir, "Output File"), QStringLiteral("/v/a b.avi"));
}

INSTANTIATE_TEST_SUITE_P(
    Index, RememberedProfile,
    ::testing::Values(IniCase {"third_of_three", 3, "Version=2.0\r\nProfile=2\r\n", 2,
                               "Quintor Video Joiner V2.0"},
                      IniCase {"beyond_two", 2, "Profile=2\r\n", -1, "Quintor Video Joiner V1.5"},
                      IniCase {"none_stored_last_time", 3, "Profile=-1\r\n", -1,
                               "Quintor Video Joiner V1.5"},
                      IniCase {"missing_key", 3, "", 0, "Quintor Video Joiner V1.5"},
                      IniCase {"no_profiles", 0, "Profile=0\r\n", -1, "Quintor Video Joiner V1.5"}),
    [](const auto &param) { return std::string(param.param.name); });

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

// Paths from the command line or a list file, made absolute against the current folder and
// added by the start-up rule. A list file that cannot be read or a file that cannot be probed is
// reported, and the rest of start-up still runs.
TEST(Startup, PathsNamedAtStartUp)
{
    const QString a = Clip(QStringLiteral("start-a")), b = Clip(QStringLiteral("start-b"));
    QTemporaryDir work;
    const auto write = [&](const char *name, const QByteArray &bytes) {
        QFile f(work.filePath(QLatin1String(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        return f.fileName();
    };
    const QString broken = write("broken.avi", "not a video at all");
    const QString named = work.filePath(QString::fromUtf8("\xC3\xA9t\xC3\xA9.AVI"));
    QFile::copy(a, named);
    write("note.txt", "text");
    // UTF-8 with a byte order mark; lines end at CR, LF or both; empty lines are skipped.
    write("list.TMP", "\xEF\xBB\xBF" + (b + "\r\n\r\n" + named + "\r" + a + "\n").toUtf8());
    const struct
    {
        QStringList arguments;
        QStringList rows;
        int questions;
        QString error; // a text the error names
    } cases[] = {
        {{b, QFileInfo(named).fileName(), named, QStringLiteral("/no/such.avi"),
          QStringLiteral("note.txt")},
         {b, named, named},
         1,
         {}},
        // Only the first argument names a list file; the others are ignored then.
        {{QStringLiteral("list.TMP"), b}, {b, named, a}, 0, {}},
        {{QStringLiteral("missing.tmp")}, {}, 0, work.filePath(QStringLiteral("missing.tmp"))},
        {{broken, b}, {b}, 0, broken},
    };
    for (const auto &c : cases) {
        ProgramDir dir;
        dir.WriteIni("[Main]\r\nProfile=1\r\nOutput File=/v/out.avi\r\n");
        Program program(dir, c.arguments, work.path());
        program.Show();
        TMainForm &form = *program.form;
        EXPECT_EQ(Column(form, 0), c.rows);
        EXPECT_EQ(program.desktop.Of(QStringLiteral("question")).size(), size_t(c.questions));
        const auto errors = program.desktop.Of(QStringLiteral("error"));
        EXPECT_EQ(errors.size(), c.error.isEmpty() ? 0u : 1u);
        EXPECT_TRUE(errors.empty() || errors[0].text.contains(c.error)) << c.error.toStdString();
        EXPECT_EQ(form.panltvTask->isVisible(), c.rows.isEmpty());
        EXPECT_TRUE(form.tbtnClear->isEnabled() && form.acceptDrops());
        EXPECT_EQ(form.ltvTask->header()->sectionSize(3), 150);
        EXPECT_EQ(form.cmbProfile->currentIndex(), 1);
        EXPECT_EQ(form.edtOutputFile->text(), QStringLiteral("/v/out.avi"));
    }
}

} // namespace
