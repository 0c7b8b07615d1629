// Program start, the first showing and the close of the main window.
#include "MainFormSupport.h"

#include "profiles/ProfileSettings.h"
#include "settings/Preferences.h"

using namespace qvj;
using namespace qvj::mainwin;

namespace {

using Startup = WindowTest;

// Without Preferences.ini: the defaults, the first profile at the first showing and the start-up
// column widths for a list 770 wide. The first showing's work runs once (Qt shows the window
// again after an un-minimise); the close stores the profile and the output file.
TEST_F(Startup, WithoutPreferences)
{
    QFile::remove(Ini());
    Start({}, QDir::currentPath(), false);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quintor Video Joiner V1.5"));
    EXPECT_EQ(form->size(), QSize(798, 559));
    EXPECT_EQ(form->cmbProfile->currentIndex(), -1);
    Show();
    EXPECT_EQ(form->cmbProfile->currentIndex(), 0);
    EXPECT_EQ(form->Profile().ProfilePath(), form->ProfilePath());
    EXPECT_TRUE(form->edtOutputFile->text().isEmpty());
    EXPECT_EQ(form->Preferences().TempDir(), Path() + QStringLiteral("temp/"));
    EXPECT_EQ(form->LastListWidth(), 770);
    const int widths[] = {350, 90, 80, 150};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form->ltvTask->header()->sectionSize(i), widths[i]) << i;

    form->cmbProfile->setCurrentIndex(1);
    form->edtOutputFile->setText(QStringLiteral("/v/a b.avi"));
    form->hide();
    Show();
    EXPECT_EQ(form->cmbProfile->currentText() + form->edtOutputFile->text(),
              form->cmbProfile->itemText(1) + QStringLiteral("/v/a b.avi"));
    EXPECT_TRUE(form->close());
    const QByteArray stored = test::ReadFile(Ini());
    EXPECT_TRUE(stored.contains("Profile=1\r\n") && stored.contains("Output File=/v/a b.avi\r\n"));
}

TEST_F(Startup, AFailedStoreAtCloseIsShownAndTheWindowStillCloses)
{
    Start();
    QFile::setPermissions(Ini(), QFile::ReadOwner);
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(Calls(),
              QStringList {"error|Quintor Video Joiner|Unable to write to " + Ini() + "."});
}

// The remembered profile (by index, in and out of range), the output file and the paths named
// at start-up, made absolute against the current folder. A list file that cannot be read or a
// file that cannot be probed is reported, and start-up goes on.
TEST_F(Startup, WithPreferencesAndPaths)
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
        QByteArray ini;
        QStringList arguments, rows;
        QString error; // a text the error names
        int selected;
        QString title;
    } cases[] = {
        // A bare name is found in the current folder; a duplicate is added again after Yes.
        {"Profile=1",
         {b, QFileInfo(named).fileName(), named, "/no/such.avi"},
         {b, named, named},
         {},
         1,
         "V1.5"},
        // Only the first argument names a list file; the others are ignored then.
        {"Version=2.0\r\nProfile=2", {"list.TMP", b}, {b, named, a}, {}, 2, "V2.0"},
        {"Profile=8",
         {"missing.tmp"},
         {},
         work.filePath(QStringLiteral("missing.tmp")),
         -1,
         "V1.5"},
        {"Profile=1", {broken, b}, {b}, broken, 1, "V1.5"},
    };
    for (const auto &c : cases) {
        test::WriteFile(Ini(), "[Main]\r\n" + c.ini + "\r\nOutput File=/v/out.avi\r\n");
        desktop.calls.clear();
        Start(c.arguments, work.path());
        EXPECT_EQ(Column(*form, 0), c.rows);
        const auto errors = desktop.Of(QStringLiteral("error"));
        EXPECT_TRUE(c.error.isEmpty() ? errors.empty()
                                      : errors.size() == 1 && errors[0].text.contains(c.error));
        EXPECT_EQ(form->panltvTask->isVisible(), c.rows.isEmpty());
        EXPECT_TRUE(form->tbtnClear->isEnabled() && form->acceptDrops());
        EXPECT_EQ(form->windowTitle(), QStringLiteral("Quintor Video Joiner ") + c.title);
        EXPECT_EQ(form->cmbProfile->currentIndex(), c.selected);
        EXPECT_EQ(form->Profile().ProfilePath(), c.selected >= 0 ? form->ProfilePath() : QString());
        EXPECT_EQ(form->edtOutputFile->text(), QStringLiteral("/v/out.avi"));
    }
}

} // namespace
