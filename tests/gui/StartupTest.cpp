// Program start, the first showing and the close of the main window.
#include "MainFormSupport.h"

#include "profiles/ProfileSettings.h"
#include "settings/Preferences.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

using namespace qvj;
using namespace qvj::mainwin;

namespace {

// Without Preferences.ini: the defaults, the first profile at the first showing, the start-up
// column widths for a list 770 wide. A failed store at the close is shown; the window closes.
TEST(Startup, WithoutPreferences)
{
    ProgramDir dir(false);
    Program program(dir);
    TMainForm &form = *program.form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quintor Video Joiner V1.5"));
    EXPECT_EQ(form.size(), QSize(798, 559));
    EXPECT_EQ(form.cmbProfile->currentIndex(), -1);
    program.Show();
    EXPECT_EQ(form.cmbProfile->currentIndex(), 0);
    EXPECT_EQ(form.Profile().ProfilePath(), form.ProfilePath());
    EXPECT_TRUE(form.edtOutputFile->text().isEmpty());
    EXPECT_EQ(form.Preferences().TempDir(), dir.Path() + QStringLiteral("temp/"));
    EXPECT_EQ(form.LastListWidth(), 770);
    const int widths[] = {350, 90, 80, 150};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form.ltvTask->header()->sectionSize(i), widths[i]) << i;

    test::WriteFile(dir.Ini(), "");
    QFile::setPermissions(dir.Ini(), QFile::ReadOwner);
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(program.desktop.Of(QStringLiteral("error")).at(0).text,
              QStringLiteral("Unable to write to ") + dir.Ini() + QLatin1Char('.'));
}

// The first showing restores the profile by index and the output file, once (Qt shows the
// window again after an un-minimise); the close stores both.
TEST(Startup, RememberedProfileAndOutput)
{
    const struct
    {
        QByteArray ini;
        int selected;
        QString title;
    } cases[] = {
        {"Version=2.0\r\nProfile=2\r\n", 2, QStringLiteral("Quintor Video Joiner V2.0")},
        {"Profile=8\r\n", -1, QStringLiteral("Quintor Video Joiner V1.5")},
    };
    for (const auto &c : cases) {
        ProgramDir dir;
        test::WriteFile(dir.Ini(), "[Main]\r\n" + c.ini + "Output File=/videos/joined.avi\r\n");
        Program program(dir);
        program.Show();
        TMainForm &form = *program.form;
        EXPECT_EQ(form.windowTitle(), c.title);
        EXPECT_EQ(form.cmbProfile->currentIndex(), c.selected);
        EXPECT_EQ(form.Profile().ProfilePath(), c.selected >= 0 ? form.ProfilePath() : QString());
        EXPECT_EQ(form.edtOutputFile->text(), QStringLiteral("/videos/joined.avi"));
        form.cmbProfile->setCurrentIndex(1);
        form.edtOutputFile->setText(QStringLiteral("/v/a b.avi"));
        form.hide();
        program.Show();
        EXPECT_EQ(form.edtOutputFile->text(), QStringLiteral("/v/a b.avi"));
        EXPECT_TRUE(form.close());
        const QByteArray stored = test::ReadFile(dir.Ini());
        EXPECT_TRUE(stored.contains("Profile=1\r\n")
                    && stored.contains("Output File=/v/a b.avi\r\n"));
    }
}

// Paths from the command line or a list file, made absolute against the current folder. A list
// file that cannot be read or a file that cannot be probed is reported, and start-up goes on.
TEST(Startup, PathsNamedAtStartUp)
{
    const QString a = Clip(QStringLiteral("start-a")), b = Clip(QStringLiteral("start-b"));
    QTemporaryDir work;
    const QString broken = work.filePath(QStringLiteral("broken.avi"));
    test::WriteFile(broken, "not a video at all");
    const QString named = work.filePath(QString::fromUtf8("\xC3\xA9t\xC3\xA9.AVI"));
    QFile::copy(a, named);
    // UTF-8 with a byte order mark; lines end at CR, LF or both; empty lines are skipped.
    test::WriteFile(work.filePath(QStringLiteral("list.TMP")),
                    "\xEF\xBB\xBF" + (b + "\r\n\r\n" + named + "\r" + a + "\n").toUtf8());
    const struct
    {
        QStringList arguments, rows;
        QString error; // a text the error names
    } cases[] = {
        // A bare name is found in the current folder; a duplicate is added again after Yes.
        {{b, QFileInfo(named).fileName(), named, QStringLiteral("/no/such.avi")},
         {b, named, named},
         {}},
        // Only the first argument names a list file; the others are ignored then.
        {{QStringLiteral("list.TMP"), b}, {b, named, a}, {}},
        {{QStringLiteral("missing.tmp")}, {}, work.filePath(QStringLiteral("missing.tmp"))},
        {{broken, b}, {b}, broken},
    };
    for (const auto &c : cases) {
        ProgramDir dir;
        test::WriteFile(dir.Ini(), "[Main]\r\nProfile=1\r\nOutput File=/v/out.avi\r\n");
        Program program(dir, c.arguments, work.path());
        program.Show();
        TMainForm &form = *program.form;
        EXPECT_EQ(Column(form, 0), c.rows);
        const auto errors = program.desktop.Of(QStringLiteral("error"));
        EXPECT_TRUE(c.error.isEmpty() ? errors.empty()
                                      : errors.size() == 1 && errors[0].text.contains(c.error));
        EXPECT_EQ(form.panltvTask->isVisible(), c.rows.isEmpty());
        EXPECT_TRUE(form.tbtnClear->isEnabled() && form.acceptDrops());
        EXPECT_EQ(form.cmbProfile->currentIndex(), 1);
        EXPECT_EQ(form.edtOutputFile->text(), QStringLiteral("/v/out.avi"));
    }
}

} // namespace
