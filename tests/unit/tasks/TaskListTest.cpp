#include "tasks/TaskList.h"
#include "common/TestSupport.h"
#include "tasks/ListSummary.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

namespace {

using qvj::test::RecordingDesktop;

// Probes without files: paths with "broken" or "missing" fail as a file without a duration
// does; every other file is a 65.3 s clip of 640x480.
MediaProbeResult FakeProbe(const QString &path)
{
    const bool fails
        = path.contains(QLatin1String("broken")) || path.contains(QLatin1String("missing"));
    return MediaProbeResultFromTexts(fails ? QString() : QStringLiteral("65300"),
                                     QStringLiteral("640"), QStringLiteral("480"));
}

QStringList Captions(const TaskListModel &model)
{
    QStringList captions;
    for (int i = 0; i < model.Count(); ++i) {
        ltvItemData rec;
        model.ReadTaskRow(i, CaptionOnly, rec);
        captions << rec.InputFile;
    }
    return captions;
}

class TaskListTest : public testing::Test
{
protected:
    // Makes empty files (and their folders) below the temporary folder; gives their paths.
    QStringList Touch(const QStringList &names) const
    {
        QStringList paths;
        for (const QString &name : names) {
            paths << dir.filePath(name);
            QDir().mkpath(QFileInfo(paths.last()).path());
            EXPECT_TRUE(QFile(paths.last()).open(QIODevice::WriteOnly)) << name.toStdString();
        }
        return paths;
    }

    QTemporaryDir dir;
    RecordingDesktop desktop;
    TaskListModel model {desktop, &FakeProbe};
};

// Every type is taken in any case and offered by the open dialog's first filter; near misses
// are not taken.
TEST(InputTypes, AcceptedExtensions)
{
    for (const char *ext : {"MTS", "m2ts", "Ts", "mkv", "WebM", "m4v", "3GP", "flv", "ogv", "avi",
                            "mpeg", "Wmv", "asf", "vob", "mov", "mp4", "mpg"}) {
        EXPECT_TRUE(HasInputExtension(QStringLiteral("/v/a.") + QLatin1String(ext))) << ext;
        EXPECT_TRUE(
            OpenDialogFilter()
                .section(u'|', 1, 1)
                .contains(QStringLiteral("*.%1;").arg(QLatin1String(ext).toString().toLower())))
            << ext;
    }
    for (const char *path : {"/v/a.ogg", "/v/a.m2t", "/v/a.mk", "/v/ts", "/v.mkv/a"})
        EXPECT_FALSE(HasInputExtension(QLatin1String(path))) << path;
}

// Exact texts are compared: another spelling of the same path asks nothing.
TEST_F(TaskListTest, DuplicateIsAskedAboutOnce)
{
    desktop.answers = {true};
    for (const char *path : {"/v/a.avi", "/V/A.AVI", "/v/a.avi"})
        model.AddTaskFile(QLatin1String(path));
    EXPECT_EQ(desktop.Of(QStringLiteral("question")).size(), 1u);
    EXPECT_EQ(model.Count(), 3);
}

// Every add and drop hides the welcome panel, whatever its outcome. A file that cannot be probed
// is not added, the command goes on, and its failures come in one box: one failure as the path
// with the message under it, several one line each.
TEST_F(TaskListTest, FailedAddsHideTheWelcomePanelAndReportInOneBox)
{
    int hides = 0;
    QObject::connect(&model, &TaskListModel::hideWelcomePanel, [&] { ++hides; });
    desktop.answers = {false};
    model.AddTaskFile(QStringLiteral("/v/a.avi"));
    model.AddTaskFile(QStringLiteral("/v/a.avi")); // answered No
    model.AddTaskFile(QStringLiteral("/v/broken.avi"));
    model.SetListEnabled(false);
    model.DropPaths({QStringLiteral("/v/c.avi")}); // ignored during a job
    EXPECT_EQ(hides, 4);
    EXPECT_FALSE(model.WelcomePanelShown());
    model.SetListEnabled(true);
    desktop.calls.clear();
    model.AddChosenFiles({QStringLiteral("/v/broken.avi"), QStringLiteral("/v/b.avi")});
    model.AddChosenFiles({QStringLiteral("/v/broken1.avi"), QStringLiteral("/v/broken2.mpg")});
    EXPECT_EQ(Captions(model), QStringList({"/v/a.avi", "/v/b.avi"}));
    const QString error = QStringLiteral("'' is not a valid floating point value.");
    const auto errors = desktop.Of(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].text, QStringLiteral("/v/broken.avi\n") + error);
    EXPECT_EQ(errors[1].text,
              QStringLiteral("/v/broken1.avi: ") + error + QStringLiteral("\n/v/broken2.mpg: ")
                  + error);
}

// The folder's own supported files, not hidden ones, by name without regard to case, ties by
// the exact name; a broken clip does not keep the others out.
TEST_F(TaskListTest, DirectoryAddsItsOwnSupportedFilesSortedByName)
{
    const std::pair<QStringList, QStringList> cases[]
        = {{{"b.MPG", "a.avi", "c.txt", "d.mkv", "e.avi/f.avi", ".hidden.avi", "g.M2TS", "h.ogg"},
            {"a.avi", "b.MPG", "d.mkv", "g.M2TS"}},
           {{"B.avi", "a.ASF", "A.avi", "a.avi"}, {"a.ASF", "A.avi", "a.avi", "B.avi"}},
           {{"a-broken.avi", "b.mov"}, {"b.mov"}}};
    int n = 0;
    for (const auto &[files, added] : cases) {
        const QString folder = QStringLiteral("case%1/").arg(n++);
        QStringList expected;
        for (const QString &f : files)
            Touch({folder + f});
        for (const QString &name : added)
            expected << dir.filePath(folder + name);
        RecordingDesktop d;
        TaskListModel m(d, &FakeProbe);
        m.AddTaskDirectory(dir.filePath(folder));
        EXPECT_EQ(Captions(m), expected);
        EXPECT_EQ(d.Of(QStringLiteral("error")).size(), n == 3 ? 1u : 0u);
    }
    EXPECT_TRUE(ListSupportedFiles(QString()).isEmpty()); // never the current folder
}

// A drop tries every path with a video's extension and says why one failed; start-up adds
// existing files only and skips the rest silently. Paths are used whole, however long.
TEST_F(TaskListTest, DropAndStartUpRulesDiffer)
{
    QString deep = QStringLiteral("clip.avi");
    while (deep.size() < 300)
        deep.prepend(QString(60, QLatin1Char('d')) + QLatin1Char('/'));
    const QStringList files = Touch({"clips.avi/in.mpg", "readme.txt", "file.AVI", deep});
    const QString missing = dir.filePath(QStringLiteral("missing.avi"));
    const QString folder = dir.filePath(QStringLiteral("clips.avi"));
    const QStringList paths {folder, files[1], missing, files[2], files[3], QString()};
    RecordingDesktop dropDesktop, startDesktop;
    TaskListModel dropped(dropDesktop, &FakeProbe), started(startDesktop, &FakeProbe);
    dropped.DropPaths(paths);
    started.AddStartUpPaths(paths);
    EXPECT_EQ(Captions(dropped), QStringList({files[0], files[2], files[3]}));
    EXPECT_EQ(Captions(started), QStringList({files[0], files[2], files[3]}));
    ASSERT_EQ(dropDesktop.calls.size(), 1u);
    EXPECT_TRUE(dropDesktop.calls[0].text.startsWith(missing + QLatin1Char('\n')));
    EXPECT_TRUE(startDesktop.calls.empty());
}

// Probes run ahead on threads of their own, but every row gets its own file's result, in the
// list's order: a folder dropped among files (probes ahead within probes ahead), a file given
// twice (asked about, added again), and one that fails.
TEST_F(TaskListTest, ProbesRunAheadYetEveryRowGetsItsOwnResult)
{
    const QStringList files = Touch({"in/b.avi", "in/a.avi", "c.avi", "d-broken.avi", "e.avi"});
    const std::thread::id listThread = std::this_thread::get_id();
    std::mutex mutex;
    int probedElsewhere = 0;
    // Each file's length is told by its name, and the first files take longest.
    TaskListModel m(desktop, [&](const QString &path) {
        {
            const std::lock_guard lock(mutex);
            probedElsewhere += std::this_thread::get_id() != listThread;
        }
        const QString name = QFileInfo(path).completeBaseName();
        std::this_thread::sleep_for(std::chrono::milliseconds(name == u"a" ? 40 : 5));
        return MediaProbeResultFromTexts(name.contains(u"broken")
                                             ? QString()
                                             : QString::number(1000 * (name.at(0).unicode() - 'a' + 1)),
                                         QStringLiteral("640"), QStringLiteral("480"));
    });
    m.DropPaths({dir.filePath(QStringLiteral("in")), files[2], files[3], files[4], files[2]});
    EXPECT_EQ(Captions(m), QStringList({files[1], files[0], files[2], files[4], files[2]}));
    for (int i = 0; i < m.Count(); ++i) {
        ltvItemData rec;
        m.ReadTaskRow(i, AllColumns, rec);
        const int letter = QFileInfo(rec.InputFile).completeBaseName().at(0).unicode() - 'a' + 1;
        EXPECT_EQ(rec.LengthSeconds, letter) << rec.InputFile.toStdString();
    }
    EXPECT_GT(probedElsewhere, 0);
    EXPECT_EQ(desktop.Of(QStringLiteral("question")).size(), 1u);
    EXPECT_EQ(desktop.Of(QStringLiteral("error")).size(), 1u);
}

// A selected block moves by one and stays selected; a selected row at the edge stays unless the
// row next to it moves over it. Hidden sub-texts travel with their row.
TEST_F(TaskListTest, MoveUpAndDownFollowTheSelection)
{
    const struct
    {
        const char *rows;
        QList<int> selected;
        bool up;
        const char *after;
        QList<int> selectedAfter;
    } cases[]
        = {{"ABC", {2}, true, "ACB", {1}},        {"ABC", {0, 1}, true, "BAC", {0}},
           {"ABC", {0, 1}, false, "CAB", {1, 2}}, {"ABC", {}, false, "ABC", {}},
           {"ABCD", {0}, true, "ABCD", {0}},      {"ABCD", {0, 1, 2}, true, "BCAD", {0, 1}},
           {"ABCD", {2, 3}, false, "ABDC", {3}},  {"ABCDE", {3, 1, 9}, false, "ACBED", {2, 4}}};
    for (const auto &c : cases) {
        RecordingDesktop d;
        TaskListModel m(d, &FakeProbe);
        for (const QChar ch : QLatin1String(c.rows))
            m.AddTaskFile(QString(ch));
        ltvItemData hidden;
        hidden.SpareText7 = QStringLiteral("B's");
        m.WriteTaskRow(1, 7, hidden);
        const QList<int> selection = c.up ? m.MoveUp(c.selected) : m.MoveDown(c.selected);
        const QString after = Captions(m).join(QString());
        EXPECT_EQ(after, QLatin1String(c.after)) << c.rows << (c.up ? " up" : " down");
        EXPECT_EQ(selection, c.selectedAfter) << c.rows << (c.up ? " up" : " down");
        ltvItemData rec;
        m.ReadTaskRow(int(after.indexOf(QLatin1Char('B'))), 7, rec);
        EXPECT_EQ(rec.SpareText7, QStringLiteral("B's"));
    }
}

// A job started while a folder is being added (its Start runs between two files) owns the
// rows from then on: the add stops, a file dropped after the folder is not appended, the list
// buttons stay off and Delete, Clear and the moves change nothing until the job ends.
TEST_F(TaskListTest, AJobStartedDuringAnAddFreezesTheList)
{
    const QStringList files = Touch({"f/a.avi", "f/b.avi", "f/c.avi", "z.avi"});
    const QString folder = dir.filePath(QStringLiteral("f"));
    for (const bool drop : {false, true}) {
        RecordingDesktop d;
        TaskListModel m(d, &FakeProbe);
        // Start, as the window runs it, pressed once the first row is in.
        QObject::connect(
            &m, &QAbstractItemModel::rowsInserted, &m,
            [&] {
                QTimer::singleShot(0, &m, [&] {
                    m.SetListButtonsEnabled(false);
                    m.SetListEnabled(false);
                });
            },
            Qt::SingleShotConnection);
        m.SetListButtonsEnabled(false);
        if (drop)
            m.DropPaths({folder, files[3]});
        else
            m.AddChosenDirectory(folder);
        EXPECT_EQ(Captions(m), QStringList {files[0]}) << drop;
        EXPECT_FALSE(m.ListButtonsEnabled()) << drop;
        m.Delete({0});
        m.Clear();
        m.AddTaskPaths({files[3]}, TaskListModel::AddRule::Drop);
        EXPECT_EQ(Captions(m), QStringList {files[0]}) << drop;
    }
}

// The line beside the list buttons: how many files, how long together.
TEST(ListSummary, CountAndTotalLength)
{
    struct Case
    {
        int files;
        double seconds;
        bool unknown;
        const char *text;
    };
    const Case cases[] = {
        {0, 0, false, ""},
        {1, 5, false, "1 file, 00:00:05 in all"},
        {4, 754, false, "4 files, 00:12:34 in all"},
        {2, 65.3, false, "2 files, 00:01:05.3 in all"},
        {3, 360000, true, "3 files, at least 100:00:00 in all"},
        {1, 0, true, "1 file, at least 00:00:00 in all"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ListSummaryText(c.files, c.seconds, c.unknown), QString::fromUtf8(c.text));
}

} // namespace
