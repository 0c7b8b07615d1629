#include "pipeline/job/JobControl.h"
#include "common/TestSupport.h"
#include "pipeline/job/JobFolder.h"
#include "platform/ProcessOwner.h"
#include "platform/RawNames.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <QProcess>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <limits>
#include <tuple>

namespace {

using Verdict = StartCheck::Verdict;

using qvj::test::S;

class JobControl : public testing::Test
{
protected:
    void SetUp() override
    {
        QDir(root).mkdir(S("sub"));
        QDir(root).mkdir(S("taken_2.avi"));
        for (const char *name : {"clip.mpg.avi", "taken.avi", "taken_1.avi", "X.AVI", "noext"})
            qvj::test::WriteFile(root + S(name), "x");
    }

    QTemporaryDir dir;
    QString root = dir.path() + QLatin1Char('/');
};

// Their texts, titles and focus are the window's to show (its tests check them).
TEST_F(JobControl, StartChecksInTheirOrderAndAppendsTheExtension)
{
    const QString more = S("Add More Videos"), path = S("Output path does not exist"),
                  name = S("Icorrect Filename"), ask = S("File Exists");
    const std::vector<std::tuple<int, QString, const char *, QString, QString>> cases {
        // rows, output box, extension, title ("": go), output box after the checks
        {0, S("a.avi"), ".avi", more, S("a.avi")},
        {1, S("/missing/a.avi"), ".avi", more, S("/missing/a.avi")},
        {2, root + S("missing/a.avi"), ".avi", path, root + S("missing/a.avi")},
        {2, S("movie"), ".avi", path, S("movie")}, // no folder at all
        {2, root + S("sub/"), ".avi", name, root + S("sub/")},
        {2, root + S("movie"), ".avi", "", root + S("movie.avi")},
        {2, root + S("movie.AVI"), ".avi", "", root + S("movie.AVI")},
        {2, root + S("movie.mpg"), ".avi", "", root + S("movie.mpg.avi")},
        {2, root + S("clip.mpg"), ".avi", ask, root + S("clip.mpg.avi")},
        // 252 bytes and the extension: more than the folder holds
        {2, root + QString(252, u'n'), ".avi", name, root + QString(252, u'n') + S(".avi")},
        {2, root + QString(251, u'n'), ".avi", "", root + QString(251, u'n') + S(".avi")}};
    for (const auto &[rows, output, extension, title, result] : cases) {
        const StartCheck check = CheckStart({rows, output, S(extension), true, {}});
        EXPECT_EQ(check.verdict,
                  title.isEmpty()    ? Verdict::Go
                      : title == ask ? Verdict::AskOverwrite
                                     : Verdict::Refuse)
            << output.toStdString();
        EXPECT_EQ(check.title, title) << output.toStdString();
        EXPECT_EQ(check.outputText, result);
    }
    // Only "Ask me." asks.
    EXPECT_EQ(CheckStart({2, root + S("clip.mpg"), S(".avi"), false, {}}).verdict, Verdict::Go);
}

// Joining onto one of the inputs would replace it: refused whichever path reaches it.
TEST_F(JobControl, AnOutputThatIsAnInputIsRefused)
{
    QDir(root).mkdir(S("other"));
    QFile::link(root + S("taken.avi"), root + S("other/link.avi"));
    const QStringList inputs {root + S("taken.avi"), root + S("X.AVI"), root + S("clip.mpg")};
    // output box, refused
    const std::vector<std::pair<QString, bool>> cases {
        {root + S("taken.avi"), true},      {root + S("sub/../taken.avi"), true},
        {root + S("other/link.avi"), true}, // a link to an input
        {root + S("X.avi"), true}, // the extension in another letter case
        {root + S("taken"), true}, // "taken" + ".avi"
        {root + S("clip.mpg"), false}, // becomes clip.mpg.avi
        {root + S("taken_1.avi"), false}};
    for (const auto &[output, refused] : cases) {
        const StartCheck check = CheckStart({2, output, S(".avi"), true, inputs});
        EXPECT_EQ(check.verdict == Verdict::Refuse, refused) << output.toStdString();
        if (!refused)
            continue;
        EXPECT_EQ(check.title, S("Error"));
        EXPECT_TRUE(check.text.contains(check.outputText)) << check.text.toStdString();
        EXPECT_EQ(check.icon, MessageIcon::Error);
        EXPECT_EQ(check.focus, StartFocus::OutputFile);
    }
}

TEST(JobClock, EstimatesTheRemainingTimeFromTheTotalBar)
{
    // ticks, bar, remaining before, after
    for (const auto &[ticks, bar, before, after] : std::vector<std::array<int, 4>> {
             {30, 25, 0, 90}, {30, 100, 7, 0}, {5, 0, 42, 42}, {3, 40, 0, 4}, {1, 40, 0, 2}}) {
        JobClock clock;
        clock.remainingSeconds = before;
        for (int i = 0; i < ticks; ++i)
            clock.Tick(i + 1 == ticks ? bar : 0);
        EXPECT_EQ(clock.elapsedSeconds, ticks);
        EXPECT_EQ(clock.remainingSeconds, after) << ticks << " ticks at " << bar;
    }
}

// However long the job and however slow its bar, the counters stop at their largest value.
TEST(JobClock, CountersStopAtTheirLargestValueInsteadOfWrapping)
{
    constexpr int32_t most = std::numeric_limits<int32_t>::max();
    // elapsed before, bar, elapsed after, remaining after
    for (const auto &[before, bar, elapsed, remaining] :
         std::vector<std::array<int32_t, 4>> {{most - 1, 1, most, most},
                                              {most, 1, most, most},
                                              {30000000, 1, 30000001, most},
                                              {most - 1, 99, most, 21691754}}) {
        JobClock clock;
        clock.elapsedSeconds = before;
        clock.Tick(bar);
        EXPECT_EQ(clock.elapsedSeconds, elapsed) << before;
        EXPECT_EQ(clock.remainingSeconds, remaining) << before << " at " << bar;
    }
}

TEST_F(JobControl, RenameTakesTheFirstFreeIndex)
{
    // output, rename, extension, result
    for (const auto &[output, rename, extension, result] :
         std::vector<std::tuple<const char *, bool, const char *, const char *>> {
             {"taken.avi", false, ".avi", "taken.avi"},
             {"fresh.avi", true, ".avi", "fresh.avi"},
             {"taken.avi", true, ".avi", "taken_3.avi"}, // a folder's name is taken too
             {"X.AVI", true, ".avi", "X_1.avi"},
             {"noext", true, "", "noext_1"}})
        EXPECT_EQ(JoinOutputPath(root + S(output), rename, S(extension)), root + S(result))
            << output;
}

TEST_F(JobControl, JobFolderIsAFreshFolderInTheTemporaryFolderOrElseInTheProgramsTemp)
{
    const QString program = root + S("program/");
    const QString fallback = program + S("temp/");
    QDir().mkdir(program);
    QDir().mkdir(root + S("existing"));
    qvj::test::WriteFile(root + S("a file"), "x");
    const std::vector<std::pair<QString, QString>> cases {
        // setting, where the folder lies
        {root + S("existing"), root + S("existing/")},
        {root + S("new ü"), root + S("new ü/")},
        {root + S("missing/parent"), fallback},
        {root + S("a file"), fallback},
        {S(""), fallback}};
    QStringList made;
    for (const auto &[setting, parent] : cases) {
        const JobFolderResult result = MakeJobFolder(setting, program);
        ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
        EXPECT_TRUE(result.folder.endsWith(S("/")));
        EXPECT_EQ(QFileInfo(result.folder.chopped(1)).path() + S("/"), parent);
        EXPECT_TRUE(QFileInfo(result.folder).isDir());
        EXPECT_FALSE(made.contains(result.folder));
        made << result.folder;
    }
    EXPECT_FALSE(QFileInfo::exists(root + S("missing")));
}

TEST_F(JobControl, RemovingTheJobFolderDeletesOnlyTheIntermediateFilesAndThenAnEmptyFolder)
{
    for (const bool extra : {false, true}) {
        const QString folder = MakeJobFolder(root, root).folder;
        for (const char *name : {"0.avi", "2.avi", "5.avi", "notes.txt"})
            if (extra || name[0] < '3')
                qvj::test::WriteFile(folder + S(name), "x");
        EXPECT_TRUE(QFileInfo::exists(folder + S(kJobOwnerFile)));
        RemoveJobFolder(folder, 3);
        const QStringList left = extra ? QStringList {S("5.avi"), S("notes.txt")} : QStringList();
        EXPECT_EQ(QDir(folder).entryList(QDir::Files), left);
        EXPECT_EQ(QFileInfo::exists(folder), extra);
    }
}

// The id of a process that has just ended.
QByteArray EndedProcessId()
{
    QProcess gone;
    gone.start(S("true"), {});
    if (!gone.waitForStarted())
        return QByteArray();
    const QByteArray pid = QByteArray::number(gone.processId());
    gone.waitForFinished();
    return pid;
}

// The folders of killed jobs are removed at the next start; those of running jobs, foreign
// folders and unreadable records are left alone.
TEST_F(JobControl, AJobStartRemovesTheFoldersOfJobsWhoseProcessIsGone)
{
    const QByteArray deadPid = EndedProcessId();
    ASSERT_FALSE(deadPid.isEmpty());
    const QByteArray self = ProcessOwnerRecord();
    const QList<QByteArray> parts = self.trimmed().split(' ');
    const QString temp = root + S("temp/");
    QDir().mkdir(temp);
    // folder, owner record (null: none), removed
    const std::vector<std::tuple<const char *, QByteArray, bool>> cases {
        {"qvj-aaaaaa", self, false},
        {"qvj-bbbbbb", deadPid + ' ' + parts[1] + ' ' + parts[2], true},
        {"qvj-cccccc", parts[0] + " 1 " + parts[2], true}, // the pid taken by another process
        {"qvj-dddddd", parts[0] + ' ' + parts[1] + " another-boot", true},
        {"qvj-eeeeee", "garbled", false},
        {"qvj-ffffff", QByteArray(), false},
        {"mine-gggggg", deadPid + ' ' + parts[1] + ' ' + parts[2], false}};
    for (const auto &[name, record, removed] : cases) {
        const QString folder = temp + S(name) + S("/");
        QDir().mkdir(folder);
        for (const char *file :
             {"0.avi", "12.avi", ".3.avi.0badcafe.part", ".4.mp4.qvj123x0badcafe.part"})
            qvj::test::WriteFile(folder + S(file), "x");
        // The pieces a killed encoder left around a copy's cuts.
        QDir().mkdir(folder + S("qvj-cut-Ab12Cd"));
        for (const char *file : {"0-1.mp4", "3-12.ts", "sound-0.mkv"})
            qvj::test::WriteFile(folder + S("qvj-cut-Ab12Cd/") + S(file), "x");
        if (!record.isNull())
            qvj::test::WriteFile(folder + S(kJobOwnerFile), record);
    }
    // A user's file in an orphaned folder stays, and so does the folder.
    QDir().mkdir(temp + S("qvj-hhhhhh"));
    qvj::test::WriteFile(temp + S("qvj-hhhhhh/") + S(kJobOwnerFile),
                         deadPid + ' ' + parts[1] + ' ' + parts[2]);
    qvj::test::WriteFile(temp + S("qvj-hhhhhh/notes.txt"), "x");

    const QString made = MakeJobFolder(temp, root).folder;
    ASSERT_FALSE(made.isEmpty());
    for (const auto &[name, record, removed] : cases)
        EXPECT_EQ(QFileInfo::exists(temp + S(name)), !removed) << name;
    EXPECT_EQ(QDir(temp + S("qvj-hhhhhh")).entryList(QDir::Files | QDir::Hidden),
              QStringList {S("notes.txt")});
    EXPECT_TRUE(ProcessOwnerAlive(qvj::test::ReadFile(made + S(kJobOwnerFile))));
}

// The link folders that killed processes made for names that are not UTF-8 go too; a running
// process's, an unrecorded one and one holding anything but links stay.
TEST_F(JobControl, TheNameLinksOfKilledProcessesAreRemoved)
{
    const QByteArray deadPid = EndedProcessId();
    ASSERT_FALSE(deadPid.isEmpty());
    const QList<QByteArray> self = ProcessOwnerRecord().trimmed().split(' ');
    const QByteArray dead = deadPid + ' ' + self[1] + ' ' + self[2];
    // folder, owner record (null: none), a plain file beside the link, removed
    const std::vector<std::tuple<const char *, QByteArray, bool, bool>> cases {
        {"qvj-names-aaaaaa", dead, false, true},
        {"qvj-names-bbbbbb", ProcessOwnerRecord(), false, false},
        {"qvj-names-cccccc", QByteArray(), false, false},
        {"qvj-names-dddddd", dead, true, false}};
    for (const auto &[name, record, plain, removed] : cases) {
        const QString folder = root + S(name) + S("/");
        QDir().mkdir(folder);
        ASSERT_EQ(
            ::symlink("/nowhere/caf\xE9.mp4", QFile::encodeName(folder + S("0.mp4")).constData()),
            0);
        if (plain)
            qvj::test::WriteFile(folder + S("notes.txt"), "x");
        if (!record.isNull())
            qvj::test::WriteFile(folder + S(".owner"), record);
    }
    RemoveDeadNameFolders(root);
    for (const auto &[name, record, plain, removed] : cases)
        EXPECT_EQ(QFileInfo::exists(root + S(name)), !removed) << name;
}

// A temporary folder named in Latin-1 holds the job's folder like any other, loses it at the
// job's end, and loses a killed job's at the program's next start.
TEST_F(JobControl, ATemporaryFolderWhoseNameIsNotUtf8IsCleanedLikeAnyOther)
{
    const QByteArray deadPid = EndedProcessId();
    ASSERT_FALSE(deadPid.isEmpty());
    const QList<QByteArray> self = ProcessOwnerRecord().trimmed().split(' ');
    for (const QByteArray &name : {QByteArray("temp \xC3\xBC"), QByteArray("t\xE9mp")}) {
        SCOPED_TRACE(name.toHex().toStdString());
        const QString temp = root + NameFromBytes(name) + S("/");
        const JobFolderResult job = MakeJobFolder(temp, root);
        ASSERT_TRUE(job.folder.startsWith(temp + S("qvj-"))) << job.error.toStdString();
        const auto write = [](const QString &file, const QByteArray &data) {
            const int fd = ::open(NameToBytes(file).constData(), O_CREAT | O_WRONLY, 0644);
            EXPECT_EQ(::write(fd, data.constData(), size_t(data.size())), data.size());
            ::close(fd);
        };
        write(job.folder + S("0.avi"), "x");
        RemoveJobFolder(job.folder, 1);
        EXPECT_EQ(FolderNames(temp), QStringList());

        const QString orphan = temp + S("qvj-zzzzzz/");
        ASSERT_EQ(::mkdir(NameToBytes(orphan).constData(), 0777), 0);
        write(orphan + S(kJobOwnerFile), deadPid + ' ' + self[1] + ' ' + self[2]);
        write(orphan + S("1.mp4"), "x");
        RemoveDeadJobFolders(temp, root);
        EXPECT_EQ(FolderNames(temp), QStringList());
        RemoveEmptyFolder(temp);
    }
}

} // namespace

// The name Rename makes of an existing output is checked at Start like the typed one, so that
// a name one "_1" too long is refused before anything is converted.
TEST_F(JobControl, TheNameRenameMakesIsCheckedAtStart)
{
    const QString longest = root + QString(251, u'n') + S(".avi"); // 255 bytes: the most
    const QString shorter = root + QString(249, u'n') + S(".avi");
    for (const QString &existing : {longest, shorter})
        qvj::test::WriteFile(existing, "x");
    // output, rename, refused
    for (const auto &[output, rename, refused] : std::vector<std::tuple<QString, bool, bool>> {
             {longest, true, true}, {longest, false, false}, {shorter, true, false}}) {
        StartInputs inputs {2, output, S(".avi"), false, {}};
        inputs.rename = rename;
        const StartCheck check = CheckStart(inputs);
        EXPECT_EQ(check.verdict == Verdict::Refuse, refused) << rename;
        if (refused) {
            EXPECT_EQ(check.title, S("Icorrect Filename"));
            EXPECT_TRUE(check.text.contains(QString(251, u'n') + S("_1.avi")));
            EXPECT_EQ(check.focus, StartFocus::OutputFile);
        }
    }
}

TEST_F(JobControl, TheProposedOutputIsNamedAfterTheFirstInputAndTakesNoFilesName)
{
    qvj::test::WriteFile(root + S("taken joined.mp4"), "x");
    qvj::test::WriteFile(root + S("taken joined 2.mp4"), "x");
    // first input, extension, proposal
    for (const auto &[first, extension, proposal] :
         std::vector<std::tuple<QString, const char *, const char *>> {
             {S("/in/holiday.avi"), ".mp4", "holiday joined.mp4"},
             {S("/in/my.trip.MOV"), ".mkv", "my.trip joined.mkv"},
             {S("/in/noext"), ".avi", "noext joined.avi"},
             {QString(), ".mp4", "joined.mp4"},
             {S("/in/taken.avi"), ".mp4", "taken joined 3.mp4"},
             {S("/in/a.avi"), "", "a joined"}})
        EXPECT_EQ(ProposedOutputFile(root, first, S(extension)), root + S(proposal))
            << first.toStdString();
    EXPECT_EQ(ProposedOutputFile(dir.path(), S("/in/a.avi"), S(".avi")), root + S("a joined.avi"));
}
