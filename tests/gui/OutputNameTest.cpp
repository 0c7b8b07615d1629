// The output box day after day: the program started three times in one home folder (a first
// join with the proposed name, a start with other clips, a start with an empty list closed at
// once). A proposal is never stored, a join keeps the name it wrote for the rest of the run,
// and a change of profile changes another type's extension rather than doubling it.
#include "MainFormSupport.h"

#include "app/MainFormRules.h"
#include "pipeline/job/JobControl.h"
#include "pipeline/job/JoinJob.h"
#include "platform/UserFiles.h"
#include "ui/TSettingForm.h"

#include <QScopeGuard>

using namespace qvj;
using namespace qvj::mainwin;
using qvj::test::S;

namespace {

TEST(OutputNameForProfile, ChangesOnlyAnotherProfilesExtension)
{
    // name, the new profile's extension, the name after the change
    for (const auto &[name, extension, after] :
         std::vector<std::tuple<const char *, const char *, const char *>> {
             {"/v/beach1 joined 2.asf", ".mp4", "/v/beach1 joined 2.mp4"},
             {"/v/a.MKV", ".avi", "/v/a.avi"},
             {"/v/a.avi", ".avi", "/v/a.avi"},
             {"/v/a.avi", ".AVI", "/v/a.avi"},
             {"/v/holiday", ".mp4", "/v/holiday"},
             {"/v/notes.txt", ".mp4", "/v/notes.txt"},
             {"/v/film.2024", ".mp4", "/v/film.2024"},
             {"/v/.mp4", ".avi", "/v/.mp4"},
             {"/v.mp4/clip", ".avi", "/v.mp4/clip"},
             {"", ".mp4", ""}}) {
        EXPECT_EQ(OutputNameForProfile(S(name), S(extension)), S(after)) << name;
    }
}

class OutputName : public WindowTest
{
protected:
    OutputName()
    {
        home.reset(new QTemporaryDir);
        QDir(home->path()).mkpath(S("Videos"));
        QDir(home->path()).mkpath(S("temp"));
        savedHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home->path()));
        qunsetenv("XDG_CONFIG_HOME");
        test::WriteFile(Ini(),
                        "[Main]\r\nProfile Name=AVI - MPEG-4 Video\r\nAuto Open Dir=0\r\n"
                        "Ask=1\r\nTemp Dir="
                            + QFile::encodeName(home->filePath(S("temp"))) + "\r\n");
    }
    ~OutputName() override { qputenv("HOME", savedHome); }
    QString Videos(const QString &name) const { return home->filePath(S("Videos/")) + name; }
    QString StoredOutput() const
    {
        const QByteArray ini = test::ReadFile(Ini());
        const qsizetype at = ini.indexOf("\nOutput File=");
        return at < 0 ? QString()
                      : QString::fromUtf8(ini.mid(at + 13, ini.indexOf('\r', at + 1) - at - 13));
    }
    void ChooseProfile(const QString &name)
    {
        form->cmbProfile->setCurrentIndex(form->cmbProfile->findText(name));
        form->cmbProfileChange();
    }

    std::unique_ptr<QTemporaryDir> home;
    QByteArray savedHome;
};

TEST_F(OutputName, AProposalIsNeverStoredAndAJoinKeepsItsName)
{
    // Day one: the proposal is joined to; the statuses the join writes leave the box alone.
    const QStringList day1 {Clip(S("beach1")), Clip(S("beach2"))};
    Start(day1);
    const QString written = Videos(S("beach1 joined.avi"));
    EXPECT_EQ(form->edtOutputFile->text(), written);
    form->imgStartClick();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !form->Job().IsActive(); }, 180000));
    EXPECT_TRUE(QFile::exists(written));
    EXPECT_EQ(Column(*form, 3), (QStringList {S("Complete"), S("Complete")}));
    EXPECT_EQ(form->edtOutputFile->text(), written);
    // For the rest of the run, whatever the list becomes.
    dialogs.answers << QStringList {Clip(S("beach3"))};
    form->tbtnAddFileClick();
    form->TaskList().Clear();
    EXPECT_EQ(form->edtOutputFile->text(), written);
    // Another type's extension follows the profile; it is never doubled.
    ChooseProfile(S("MP4 - Same as Source (No Re-encoding)"));
    EXPECT_EQ(form->edtOutputFile->text(), Videos(S("beach1 joined.mp4")));
    ChooseProfile(S("AVI - MPEG-4 Video"));
    EXPECT_EQ(form->edtOutputFile->text(), written);
    // An emptied box proposes again, selected so that typing replaces it.
    form->edtOutputFile->clear();
    EXPECT_EQ(form->edtOutputFile->text(), Videos(S("joined.avi")));
    EXPECT_TRUE(form->edtOutputFile->hasSelectedText());
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(test::ReadFile(Ini()).contains("Output File"));

    // Day two: other clips get their own name, never the first day's file.
    Start({Clip(S("harbour1")), Clip(S("harbour2"))});
    EXPECT_EQ(form->edtOutputFile->text(), Videos(S("harbour1 joined.avi")));
    // Preferences confirmed as they are: the proposal stays one and is not stored.
    form->SettingForm->ShowDialog();
    form->SettingForm->btnOK->click();
    EXPECT_EQ(StoredOutput(), QString());
    dialogs.answers << QStringList {Clip(S("harbour3"))};
    form->tbtnAddFileClick();
    form->ltvTask->setCurrentIndex(form->TaskList().index(2, 0));
    form->tbtnUpClick();
    form->tbtnUpClick();
    EXPECT_EQ(form->edtOutputFile->text(), Videos(S("harbour3 joined.avi")));
    EXPECT_TRUE(form->close());
    EXPECT_EQ(StoredOutput(), QString());

    // Day three: opened and closed at once with an empty list, which stores nothing new.
    const QByteArray before = test::ReadFile(Ini());
    Start();
    EXPECT_EQ(form->edtOutputFile->text(), Videos(S("joined.avi")));
    EXPECT_TRUE(form->close());
    EXPECT_EQ(StoredOutput(), QString());
    EXPECT_EQ(test::ReadFile(Ini()), before);

    // A typed name is the user's: stored, and kept on the next start.
    Start(day1);
    form->edtOutputFile->selectAll();
    QTest::keyClicks(form->edtOutputFile, Videos(S("mine.asf")));
    ChooseProfile(S("MP4 - H.264 Video"));
    EXPECT_EQ(form->edtOutputFile->text(), Videos(S("mine.mp4")));
    EXPECT_TRUE(form->close());
    EXPECT_EQ(StoredOutput(), Videos(S("mine.mp4")));
    Start();
    EXPECT_EQ(form->edtOutputFile->text(), Videos(S("mine.mp4")));
}

} // namespace
