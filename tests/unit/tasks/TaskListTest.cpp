#include "tasks/TaskList.h"
#include "common/TestSupport.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using qvj::test::RecordingDesktop;

const QString kDuplicateTitle = QStringLiteral("Already Listed");
const QString kDuplicateText = QStringLiteral(
    "This file has been added to the Task List already. Are you sure to add it again?");

// Probes without files: names with "broken" or "missing" fail as a file without a duration
// does; every other file is a 65.3 s clip of 640x480.
MediaProbeResult FakeProbe(const QString &path)
{
    if (path.contains(QLatin1String("broken")) || path.contains(QLatin1String("missing")))
        return MediaProbeResultFromTexts(QString(), QString(), QString());
    return MediaProbeResultFromTexts(QStringLiteral("65300"), QStringLiteral("640"),
                                     QStringLiteral("480"));
}

void Touch(const QString &path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

class TaskListTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString PathOf(const QString &name) const { return m_dir.filePath(name); }

    QStringList Captions() const
    {
        QStringList captions;
        for (int i = 0; i < model.Count(); ++i) {
            ltvItemData rec;
            model.ReadTaskRow(i, CaptionOnly, rec);
            captions << rec.InputFile;
        }
        return captions;
    }

    void Fill(const QStringList &paths)
    {
        for (const QString &p : paths)
            model.AddTaskFile(p);
    }

    RecordingDesktop desktop;
    TaskListModel model {desktop, &FakeProbe};
    QTemporaryDir m_dir;
};

TEST(InputTypes, MaskAndOpenDialogFilter)
{
    EXPECT_EQ(SupportedMask(), QStringLiteral("*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;"));
    EXPECT_EQ(
        OpenDialogFilter(),
        QStringLiteral(
            "All Support Files(*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;)|*.avi;*.mpg;"
            "*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;|AVI Files (*.avi)|*.avi|MPG Files "
            "(*.mpg)|*.mpg|MPEG Files (*.mpeg)|*.mpeg|MP4 Files (*.mp4)|*.mp4|WMV Files "
            "(*.wmv)|*.wmv|MOV Files (*.mov)|*.mov|VOB Files (*.vob)|*.vob|ASF Files "
            "(*.asf)|*.asf|All Files (*.*)|*.*"));
}

TEST(InputTypes, HasInputExtension)
{
    const std::pair<const char *, bool> cases[] = {
        {"/v/a.avi", true},
        {"/v/a.AVI", true},
        {"/v/a.Mpeg", true},
        {"/v/a.asf", true},
        {"/v/a.flv", false},
        {"/v/a.mkv", false},
        {"/v/avi", false},
        {"/v/a.avi.txt", false},
        {"/v/x.avi/clip", false},
        {"/v/a.tar.vob", true},
        {"", false},
        {"/v/a.avi ", false},
    };
    for (const auto &[path, expected] : cases)
        EXPECT_EQ(HasInputExtension(QLatin1String(path)), expected) << path;
}

TEST(InputTypes, DialogFilesInAddOrder)
{
    const QStringList one {QStringLiteral("1")};
    EXPECT_EQ(DialogFilesInAddOrder({}), QStringList());
    EXPECT_EQ(DialogFilesInAddOrder(one), one);
    EXPECT_EQ(
        DialogFilesInAddOrder({QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("2")}),
        QStringList({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
}

TEST_F(TaskListTest, AddedRowHoldsProbeTextsStatusAndBaseName)
{
    const std::pair<const char *, const char *> cases[]
        = {{"/v/a.avi", "a"}, {"/v/x.y.mpg", "x.y"}, {"/v/d.e/noext", "noext"}, {"/v/.avi", ""}};
    for (const auto &[path, base] : cases)
        model.AddTaskFile(QLatin1String(path));
    ASSERT_EQ(model.Count(), 4);
    for (int i = 0; i < 4; ++i) {
        ltvItemData rec;
        model.ReadTaskRow(i, AllColumns, rec);
        EXPECT_EQ(rec.InputFile, QLatin1String(cases[i].first));
        EXPECT_EQ(rec.LengthText, QStringLiteral("00:01:05.3"));
        EXPECT_EQ(rec.SizeText, QStringLiteral("640x480"));
        EXPECT_EQ(rec.StatusText, QStringLiteral("OK"));
        EXPECT_EQ(rec.BaseName, QLatin1String(cases[i].second));
        EXPECT_DOUBLE_EQ(rec.LengthSeconds, 65.3);
        for (const QString *spare : {&rec.SpareText4, &rec.SpareText5, &rec.SpareText9})
            EXPECT_TRUE(spare->isEmpty());
        for (double s : {rec.SpareSeconds5, rec.SpareSeconds6, rec.SpareSeconds7, rec.SpareSeconds8,
                         rec.SpareSeconds9})
            EXPECT_EQ(s, -1);
    }
    EXPECT_EQ(model.data(model.index(1, TaskListModel::InputFileColumn)).toString(),
              QStringLiteral("/v/x.y.mpg"));
    EXPECT_EQ(model.data(model.index(1, TaskListModel::LengthColumn)).toString(),
              QStringLiteral("00:01:05.3"));
    EXPECT_EQ(model.data(model.index(1, TaskListModel::SizeColumn)).toString(),
              QStringLiteral("640x480"));
    EXPECT_EQ(model.data(model.index(1, TaskListModel::StatusColumn)).toString(),
              QStringLiteral("OK"));
    QStringList headers;
    for (int c = 0; c < model.columnCount(); ++c)
        headers << model.headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers,
              QStringList({QStringLiteral("Input File"), QStringLiteral("Length"),
                           QStringLiteral("Size"), QStringLiteral("Status")}));
}

TEST_F(TaskListTest, ColumnSelectorsTouchOnlyTheirFields)
{
    model.AddTaskFile(QStringLiteral("/v/a.avi"));

    ltvItemData written;
    written.InputFile = QStringLiteral("/w/b.avi");
    written.StatusText = QStringLiteral("Converting");
    written.SpareText5 = QStringLiteral("00:00:10");
    written.LengthText = QStringLiteral("never written");
    model.WriteTaskRow(0, 2, written);
    model.WriteTaskRow(0, 5, written);

    ltvItemData rec;
    rec.LengthText = QStringLiteral("untouched");
    model.ReadTaskRow(0, CaptionOnly, rec);
    EXPECT_EQ(rec.InputFile, QStringLiteral("/v/a.avi"));
    EXPECT_EQ(rec.LengthText, QStringLiteral("untouched"));
    EXPECT_TRUE(rec.StatusText.isEmpty());

    model.ReadTaskRow(0, 2, rec);
    EXPECT_EQ(rec.StatusText, QStringLiteral("Converting"));
    model.ReadTaskRow(0, 5, rec);
    EXPECT_EQ(rec.SpareText5, QStringLiteral("00:00:10"));
    EXPECT_DOUBLE_EQ(rec.SpareSeconds5, 10);
    EXPECT_EQ(rec.LengthSeconds, -1);
    model.ReadTaskRow(0, 0, rec);
    EXPECT_DOUBLE_EQ(rec.LengthSeconds, 65.3);

    model.WriteTaskRow(0, CaptionOnly, written);
    ltvItemData all;
    model.ReadTaskRow(0, AllColumns, all);
    EXPECT_EQ(all.InputFile, QStringLiteral("/w/b.avi"));
    EXPECT_EQ(all.LengthText, QStringLiteral("00:01:05.3"));

    // Rows and columns that do not exist change nothing.
    ltvItemData untouched;
    untouched.InputFile = QStringLiteral("kept");
    for (int index : {-1, 1})
        model.ReadTaskRow(index, AllColumns, untouched);
    model.ReadTaskRow(0, 10, untouched);
    model.WriteTaskRow(1, AllColumns, written);
    EXPECT_EQ(untouched.InputFile, QStringLiteral("kept"));
    EXPECT_EQ(model.Count(), 1);
}

TEST_F(TaskListTest, DuplicateIsAskedAboutOnceByExactText)
{
    struct Case
    {
        std::vector<bool> answers;
        int rows;
    };
    for (const Case &c : {Case {{false}, 1}, Case {{true}, 2}}) {
        RecordingDesktop d;
        d.answers.assign(c.answers.begin(), c.answers.end());
        TaskListModel m(d, &FakeProbe);
        m.AddTaskFile(QStringLiteral("/v/a.avi"));
        m.AddTaskFile(QStringLiteral("/V/A.AVI")); // another text: no question
        m.AddTaskFile(QStringLiteral("/v/a.avi"));
        ASSERT_EQ(d.Of(QStringLiteral("question")).size(), 1u);
        EXPECT_EQ(d.Of(QStringLiteral("question"))[0].title, kDuplicateTitle);
        EXPECT_EQ(d.Of(QStringLiteral("question"))[0].text, kDuplicateText);
        EXPECT_EQ(m.Count(), c.rows + 1);
    }
}

TEST_F(TaskListTest, EveryAddHidesTheWelcomePanelWhateverItsOutcome)
{
    int hides = 0;
    QObject::connect(&model, &TaskListModel::hideWelcomePanel, [&] { ++hides; });
    EXPECT_TRUE(model.WelcomePanelShown());
    desktop.answers = {false};
    model.AddTaskFile(QStringLiteral("/v/a.avi"));
    model.AddTaskFile(QStringLiteral("/v/a.avi")); // answered No
    model.AddTaskFile(QStringLiteral("/v/broken.avi")); // probe fails
    model.SetListEnabled(false);
    model.DropPaths({QStringLiteral("/v/b.avi")}); // ignored during a job
    EXPECT_EQ(hides, 4);
    EXPECT_FALSE(model.WelcomePanelShown());
    EXPECT_EQ(model.Count(), 1);
}

TEST_F(TaskListTest, UnprobeableFilesAreLeftOutAndReportedInOneBox)
{
    model.AddChosenFiles({QStringLiteral("/v/a.avi"), QStringLiteral("/v/broken1.avi"),
                          QStringLiteral("/v/b.avi"), QStringLiteral("/v/broken2.mpg")});
    EXPECT_EQ(Captions(), QStringList({QStringLiteral("/v/a.avi"), QStringLiteral("/v/b.avi")}));
    const auto errors = desktop.Of(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].text,
              QStringLiteral("/v/broken1.avi\n'' is not a valid floating point "
                             "value.\n/v/broken2.mpg\n'' is not a valid floating "
                             "point value."));

    // A single add of its own reports at once.
    model.AddTaskFile(QStringLiteral("/v/broken3.avi"));
    ASSERT_EQ(desktop.Of(QStringLiteral("error")).size(), 2u);
    EXPECT_EQ(desktop.Of(QStringLiteral("error"))[1].text,
              QStringLiteral("/v/broken3.avi\n'' is not a valid floating point value."));
    EXPECT_EQ(model.Count(), 2);
}

TEST_F(TaskListTest, DirectoryAddsItsOwnSupportedFilesSortedByName)
{
    struct Case
    {
        QStringList files;
        QStringList expected;
    };
    const Case cases[] = {
        {{"b.MPG", "a.avi", "c.txt", "d.mkv", "e/f.avi", ".hidden.avi"}, {"a.avi", "b.MPG"}},
        {{"B.avi", "a.ASF", "A.avi", "a.avi", "c.mov"},
         {"a.ASF", "A.avi", "a.avi", "B.avi", "c.mov"}},
        {{"notes.txt", "sub.avi/g.avi"}, {}},
        {{}, {}},
    };
    int n = 0;
    for (const Case &c : cases) {
        const QString folder = PathOf(QStringLiteral("case%1").arg(n++));
        ASSERT_TRUE(QDir().mkpath(folder));
        for (const QString &f : c.files) {
            QDir().mkpath(ExtractFileDir(folder + QLatin1Char('/') + f));
            Touch(folder + QLatin1Char('/') + f);
        }
        EXPECT_EQ(ListSupportedFiles(folder), c.expected);

        TaskListModel m(desktop, &FakeProbe);
        m.AddTaskDirectory(folder);
        QStringList expectedPaths;
        for (const QString &name : c.expected)
            expectedPaths << folder + QLatin1Char('/') + name;
        QStringList captions;
        for (int i = 0; i < m.Count(); ++i) {
            ltvItemData rec;
            m.ReadTaskRow(i, CaptionOnly, rec);
            captions << rec.InputFile;
        }
        EXPECT_EQ(captions, expectedPaths);
    }
    EXPECT_TRUE(ListSupportedFiles(QString()).isEmpty()); // never the current directory
    EXPECT_TRUE(desktop.calls.empty());
}

TEST_F(TaskListTest, EachFileOfAFolderGetsItsOwnDuplicateQuestion)
{
    for (const char *name : {"a.avi", "b.avi", "c.avi"})
        Touch(PathOf(QLatin1String(name)));
    model.AddTaskDirectory(m_dir.path());
    desktop.answers = {true, false, true};
    model.AddTaskDirectory(m_dir.path() + QLatin1Char('/'));
    EXPECT_EQ(desktop.Of(QStringLiteral("question")).size(), 3u);
    EXPECT_EQ(Captions(),
              QStringList({PathOf(QStringLiteral("a.avi")), PathOf(QStringLiteral("b.avi")),
                           PathOf(QStringLiteral("c.avi")), PathOf(QStringLiteral("a.avi")),
                           PathOf(QStringLiteral("c.avi"))}));
}

TEST_F(TaskListTest, FolderWithABrokenClipStillAddsTheOthers)
{
    for (const char *name : {"a.avi", "b-broken.avi", "c.avi"})
        Touch(PathOf(QLatin1String(name)));
    model.DropPaths({m_dir.path()});
    EXPECT_EQ(Captions(),
              QStringList({PathOf(QStringLiteral("a.avi")), PathOf(QStringLiteral("c.avi"))}));
    ASSERT_EQ(desktop.Of(QStringLiteral("error")).size(), 1u);
    EXPECT_TRUE(desktop.Of(QStringLiteral("error"))[0].text.startsWith(
        PathOf(QStringLiteral("b-broken.avi")) + QLatin1Char('\n')));
}

TEST_F(TaskListTest, DropAndStartUpRulesDiffer)
{
    const QString folder = PathOf(QStringLiteral("clips.avi")); // a folder with a video's name
    ASSERT_TRUE(QDir().mkpath(folder));
    Touch(folder + QStringLiteral("/in.mpg"));
    Touch(PathOf(QStringLiteral("file.AVI")));
    Touch(PathOf(QStringLiteral("readme.txt")));
    const QString missing = PathOf(QStringLiteral("missing.avi"));
    const QStringList paths {folder, PathOf(QStringLiteral("readme.txt")), missing,
                             PathOf(QStringLiteral("file.AVI")), QString()};

    RecordingDesktop dropDesktop;
    TaskListModel dropped(dropDesktop, &FakeProbe);
    dropped.AddTaskPaths(paths, TaskListModel::AddRule::Drop);
    RecordingDesktop startDesktop;
    TaskListModel started(startDesktop, &FakeProbe);
    started.AddTaskPaths(paths, TaskListModel::AddRule::StartUp);

    for (TaskListModel *m : {&dropped, &started}) {
        ASSERT_EQ(m->Count(), 2);
        ltvItemData first, second;
        m->ReadTaskRow(0, CaptionOnly, first);
        m->ReadTaskRow(1, CaptionOnly, second);
        EXPECT_EQ(first.InputFile, folder + QStringLiteral("/in.mpg"));
        EXPECT_EQ(second.InputFile, PathOf(QStringLiteral("file.AVI")));
    }
    // A drop tries a missing file of a video type and says why it failed; start-up skips it.
    ASSERT_EQ(dropDesktop.Of(QStringLiteral("error")).size(), 1u);
    EXPECT_TRUE(dropDesktop.Of(QStringLiteral("error"))[0].text.startsWith(missing));
    EXPECT_TRUE(startDesktop.calls.empty());
}

TEST_F(TaskListTest, LongDroppedPathIsUsedWhole)
{
    QString folder = m_dir.path();
    while (folder.size() < 300)
        folder += QLatin1Char('/') + QString(60, QLatin1Char('d'));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = folder + QStringLiteral("/clip.avi");
    Touch(file);
    model.DropPaths({file, folder});
    EXPECT_EQ(Captions(), QStringList({file, file}));
}

TEST_F(TaskListTest, DeleteAndClearDisableTheListButtonsOnlyWhenEmpty)
{
    QList<bool> buttons;
    QObject::connect(&model, &TaskListModel::listButtonsEnabledChanged,
                     [&](bool enabled) { buttons << enabled; });
    EXPECT_TRUE(model.ListButtonsEnabled()); // enabled from the start, even with no rows
    const QStringList rows {"A", "B", "C", "D", "E"};
    Fill(rows);

    model.Delete({3, 1, 1, 9, -1});
    EXPECT_EQ(Captions(), QStringList({"A", "C", "E"}));
    EXPECT_TRUE(model.ListButtonsEnabled());
    model.Delete({});
    EXPECT_EQ(model.Count(), 3);
    model.Delete({0, 1, 2});
    EXPECT_EQ(model.Count(), 0);
    EXPECT_FALSE(model.ListButtonsEnabled());

    model.AddChosenFiles({}); // cancelled dialog
    EXPECT_FALSE(model.ListButtonsEnabled());
    model.AddChosenFiles({QStringLiteral("/v/broken.avi")});
    EXPECT_FALSE(model.ListButtonsEnabled());
    model.AddChosenFiles({QStringLiteral("/v/a.avi")});
    EXPECT_TRUE(model.ListButtonsEnabled());
    model.Clear();
    EXPECT_EQ(model.Count(), 0);
    EXPECT_FALSE(model.ListButtonsEnabled());
    model.AddStartUpPaths({m_dir.path()}); // an empty folder adds nothing
    EXPECT_FALSE(model.ListButtonsEnabled());

    EXPECT_EQ(buttons, QList<bool>({false, true, false}));
    EXPECT_TRUE(desktop.Of(QStringLiteral("question")).empty());
}

struct MoveCase
{
    const char *rows;
    QList<int> selected;
    bool up;
    const char *after;
    QList<int> selectedAfter;
};

TEST_F(TaskListTest, MoveUpAndDownFollowTheSelection)
{
    const MoveCase cases[] = {
        {"ABC", {2}, true, "ACB", {1}},
        {"ABC", {0, 1}, true, "BAC", {0}},
        {"ABC", {0, 1}, false, "CAB", {1, 2}},
        {"ABC", {}, true, "ABC", {}},
        {"ABC", {}, false, "ABC", {}},
        {"ABCD", {0}, true, "ABCD", {0}}, // the top row stays
        {"ABCD", {3}, false, "ABCD", {3}}, // the bottom row stays
        {"ABCD", {0, 1, 2}, true, "BCAD", {0, 1}}, // a block at the top
        {"ABCD", {2, 3}, false, "ABDC", {3}}, // a block at the bottom
        {"ABCDE", {1, 2}, true, "BCADE", {0, 1}}, // a block moves up by one
        {"ABCDE", {2, 3}, false, "ABECD", {3, 4}}, // and down by one
        {"ABCDE", {1, 3}, true, "BADCE", {0, 2}},
        {"ABCDE", {3, 1, 9}, false, "ACBED", {2, 4}},
    };
    for (const MoveCase &c : cases) {
        RecordingDesktop d;
        TaskListModel m(d, &FakeProbe);
        for (const QChar ch : QLatin1String(c.rows))
            m.AddTaskFile(QString(ch));
        const QList<int> selection = c.up ? m.MoveUp(c.selected) : m.MoveDown(c.selected);
        QString after;
        for (int i = 0; i < m.Count(); ++i) {
            ltvItemData rec;
            m.ReadTaskRow(i, CaptionOnly, rec);
            after += rec.InputFile;
        }
        EXPECT_EQ(after, QLatin1String(c.after)) << c.rows << (c.up ? " up" : " down");
        EXPECT_EQ(selection, c.selectedAfter) << c.rows << (c.up ? " up" : " down");
    }
}

TEST_F(TaskListTest, MovedRowsTakeTheirHiddenTextsAlong)
{
    Fill({"A", "B"});
    ltvItemData rec;
    rec.SpareText7 = QStringLiteral("seven");
    rec.StatusText = QStringLiteral("Stop");
    model.WriteTaskRow(1, 7, rec);
    model.WriteTaskRow(1, 2, rec);
    EXPECT_EQ(model.MoveUp({1}), QList<int>({0}));
    ltvItemData moved;
    model.ReadTaskRow(0, AllColumns, moved);
    EXPECT_EQ(moved.InputFile, QStringLiteral("B"));
    EXPECT_EQ(moved.SpareText7, QStringLiteral("seven"));
    EXPECT_EQ(moved.StatusText, QStringLiteral("Stop"));
    ltvItemData other;
    model.ReadTaskRow(1, AllColumns, other);
    EXPECT_TRUE(other.SpareText7.isEmpty());
    EXPECT_EQ(other.StatusText, QStringLiteral("OK"));
}

TEST_F(TaskListTest, OpenUsesTheFirstSelectedRowInListOrder)
{
    Fill({"A", "B", "C"});
    model.Open({});
    model.Open({2, 1});
    const auto opened = desktop.Of(QStringLiteral("open"));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].text, QStringLiteral("B"));
}

// Commands given while a folder is being added run between two files.
TEST_F(TaskListTest, ClearDuringAFolderAddKeepsOnlyTheLaterFiles)
{
    for (const char *name : {"a.avi", "b.avi", "c.avi", "d.avi"})
        Touch(PathOf(QLatin1String(name)));
    bool cleared = false;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, &model, [&] {
        if (model.Count() == 2 && !cleared) {
            cleared = true;
            QMetaObject::invokeMethod(
                &model, [&] { model.Clear(); }, Qt::QueuedConnection);
        }
    });
    model.AddChosenDirectory(m_dir.path());
    EXPECT_TRUE(cleared);
    EXPECT_EQ(Captions(),
              QStringList({PathOf(QStringLiteral("c.avi")), PathOf(QStringLiteral("d.avi"))}));
    EXPECT_TRUE(model.ListButtonsEnabled());
}

TEST_F(TaskListTest, FolderAddStopsWhenAJobTakesTheList)
{
    for (const char *name : {"a.avi", "b.avi", "c.avi"})
        Touch(PathOf(QLatin1String(name)));
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, &model, [&] {
        QMetaObject::invokeMethod(
            &model, [&] { model.SetListEnabled(false); }, Qt::QueuedConnection);
    });
    model.AddTaskDirectory(m_dir.path());
    EXPECT_EQ(Captions(), QStringList({PathOf(QStringLiteral("a.avi"))}));
}

} // namespace
