#include "tasks/TaskList.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

class TaskListTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // Makes empty files (and their folders) below the temporary folder; gives their paths.
    QStringList Touch(const QStringList &names) const
    {
        QStringList paths;
        for (const QString &name : names) {
            paths << m_dir.filePath(name);
            QDir().mkpath(QFileInfo(paths.last()).path());
            QFile f(paths.last());
            EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << name.toStdString();
        }
        return paths;
    }

    QTemporaryDir m_dir;
    RecordingDesktop desktop;
    TaskListModel model {desktop, &FakeProbe};
};

TEST(InputTypes, MaskFilterAndExtensionTest)
{
    EXPECT_EQ(SupportedMask(), QStringLiteral("*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;"));
    EXPECT_EQ(OpenDialogFilter(),
              QStringLiteral("All Support Files(*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;)|"
                             "*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;|AVI Files (*.avi)|"
                             "*.avi|MPG Files (*.mpg)|*.mpg|MPEG Files (*.mpeg)|*.mpeg|MP4 Files "
                             "(*.mp4)|*.mp4|WMV Files (*.wmv)|*.wmv|MOV Files (*.mov)|*.mov|VOB "
                             "Files (*.vob)|*.vob|ASF Files (*.asf)|*.asf|All Files (*.*)|*.*"));
    for (const char *yes : {"/v/a.avi", "/v/a.AVI", "/v/a.Mpeg", "/v/a.tar.vob"})
        EXPECT_TRUE(HasInputExtension(QLatin1String(yes))) << yes;
    for (const char *no : {"/v/a.flv", "/v/avi", "/v/a.avi.txt", "/v/x.avi/clip", ""})
        EXPECT_FALSE(HasInputExtension(QLatin1String(no))) << no;
}

TEST_F(TaskListTest, AddedRowHoldsProbeTextsStatusAndBaseName)
{
    const std::pair<const char *, const char *> cases[]
        = {{"/v/a.avi", "a"}, {"/v/x.y.mpg", "x.y"}, {"/v/d.e/noext", "noext"}};
    for (const auto &[path, base] : cases)
        model.AddTaskFile(QLatin1String(path));
    ASSERT_EQ(model.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        ltvItemData rec;
        model.ReadTaskRow(i, AllColumns, rec);
        EXPECT_EQ(rec.InputFile, QLatin1String(cases[i].first));
        EXPECT_EQ(rec.LengthText + rec.SizeText + rec.StatusText,
                  QStringLiteral("00:01:05.3640x480OK"));
        EXPECT_EQ(rec.BaseName, QLatin1String(cases[i].second));
        EXPECT_DOUBLE_EQ(rec.LengthSeconds, 65.3);
        EXPECT_TRUE(rec.SpareText4.isEmpty() && rec.SpareText9.isEmpty());
        EXPECT_EQ(rec.SpareSeconds5 + rec.SpareSeconds9, -2);
    }
    EXPECT_EQ(model.data(model.index(1, TaskListModel::StatusColumn)).toString(),
              QStringLiteral("OK"));
}

TEST_F(TaskListTest, ColumnSelectorsTouchOnlyTheirFields)
{
    model.AddTaskFile(QStringLiteral("/v/a.avi"));
    ltvItemData written;
    written.InputFile = QStringLiteral("/w/b.avi");
    written.StatusText = QStringLiteral("Converting");
    written.SpareText5 = QStringLiteral("00:00:10");
    model.WriteTaskRow(0, 2, written);
    model.WriteTaskRow(0, 5, written);
    model.WriteTaskRow(1, AllColumns, written); // no such row

    ltvItemData rec;
    rec.LengthText = QStringLiteral("untouched");
    model.ReadTaskRow(0, CaptionOnly, rec);
    model.ReadTaskRow(0, 2, rec);
    model.ReadTaskRow(0, 5, rec);
    EXPECT_EQ(rec.InputFile, QStringLiteral("/v/a.avi"));
    EXPECT_EQ(rec.LengthText, QStringLiteral("untouched"));
    EXPECT_EQ(rec.LengthSeconds, -1);
    EXPECT_EQ(rec.StatusText, QStringLiteral("Converting"));
    EXPECT_DOUBLE_EQ(rec.SpareSeconds5, 10);
    EXPECT_EQ(model.Count(), 1);
}

TEST_F(TaskListTest, DuplicateIsAskedAboutOnceByExactText)
{
    for (const bool yes : {false, true}) {
        RecordingDesktop d;
        d.answers = {yes};
        TaskListModel m(d, &FakeProbe);
        m.AddTaskFile(QStringLiteral("/v/a.avi"));
        m.AddTaskFile(QStringLiteral("/V/A.AVI")); // another text: no question
        m.AddTaskFile(QStringLiteral("/v/a.avi"));
        ASSERT_EQ(d.Of(QStringLiteral("question")).size(), 1u);
        EXPECT_EQ(d.calls[0].title, QStringLiteral("Already Listed"));
        EXPECT_EQ(d.calls[0].text,
                  QStringLiteral("This file has been added to the Task List "
                                 "already. Are you sure to add it again?"));
        EXPECT_EQ(m.Count(), yes ? 3 : 2);
    }
}

TEST_F(TaskListTest, EveryAddHidesTheWelcomePanelWhateverItsOutcome)
{
    int hides = 0;
    QObject::connect(&model, &TaskListModel::hideWelcomePanel, [&] { ++hides; });
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
    EXPECT_EQ(Captions(model), QStringList({"/v/a.avi", "/v/b.avi"}));
    const auto errors = desktop.Of(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].text,
              QStringLiteral("/v/broken1.avi\n'' is not a valid floating point "
                             "value.\n/v/broken2.mpg\n'' is not a valid floating "
                             "point value."));
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
        {{"B.avi", "a.ASF", "A.avi", "a.avi"}, {"a.ASF", "A.avi", "a.avi", "B.avi"}},
        {{"a-broken.avi", "b.mov"}, {"b.mov"}}, // the others of a folder are still added
        {{"notes.txt", "sub.avi/g.avi"}, {}},
    };
    int n = 0;
    for (const Case &c : cases) {
        const QString folder = QStringLiteral("case%1/").arg(n++);
        QStringList names;
        for (const QString &f : c.files)
            names << folder + f;
        Touch(names);
        RecordingDesktop d;
        TaskListModel m(d, &FakeProbe);
        m.AddTaskDirectory(m_dir.filePath(folder));
        QStringList expected;
        for (const QString &name : c.expected)
            expected << m_dir.filePath(folder + name);
        EXPECT_EQ(Captions(m), expected);
        EXPECT_EQ(d.Of(QStringLiteral("error")).size(), n == 3 ? 1u : 0u);
    }
    EXPECT_TRUE(ListSupportedFiles(QString()).isEmpty()); // never the current directory
}

TEST_F(TaskListTest, DropAndStartUpRulesDiffer)
{
    // A folder with a video's name, a text file, a missing video and a video in capitals.
    const QStringList files = Touch({"clips.avi/in.mpg", "readme.txt", "file.AVI"});
    const QString missing = m_dir.filePath(QStringLiteral("missing.avi"));
    const QStringList paths {m_dir.filePath(QStringLiteral("clips.avi")), files[1], missing,
                             files[2], QString()};
    RecordingDesktop dropDesktop, startDesktop;
    TaskListModel dropped(dropDesktop, &FakeProbe), started(startDesktop, &FakeProbe);
    dropped.AddTaskPaths(paths, TaskListModel::AddRule::Drop);
    started.AddTaskPaths(paths, TaskListModel::AddRule::StartUp);

    EXPECT_EQ(Captions(dropped), QStringList({files[0], files[2]}));
    EXPECT_EQ(Captions(started), QStringList({files[0], files[2]}));
    // A drop tries the missing video and says why it failed; start-up skips it silently.
    ASSERT_EQ(dropDesktop.calls.size(), 1u);
    EXPECT_TRUE(dropDesktop.calls[0].text.startsWith(missing + QLatin1Char('\n')));
    EXPECT_TRUE(startDesktop.calls.empty());
}

TEST_F(TaskListTest, LongDroppedPathIsUsedWhole)
{
    QString name = QStringLiteral("clip.avi");
    while (name.size() < 300)
        name.prepend(QString(60, QLatin1Char('d')) + QLatin1Char('/'));
    const QString file = Touch({name}).first();
    model.DropPaths({file, QFileInfo(file).path()});
    EXPECT_EQ(Captions(model), QStringList({file, file}));
}

TEST_F(TaskListTest, ListButtonsAreDisabledOnlyByEmptyingTheList)
{
    QList<bool> buttons;
    QObject::connect(&model, &TaskListModel::listButtonsEnabledChanged,
                     [&](bool enabled) { buttons << enabled; });
    EXPECT_TRUE(model.ListButtonsEnabled()); // enabled from the start, even with no rows
    model.AddChosenFiles({"A", "B", "C", "D", "E"});
    model.Delete({3, 1, 1, 9, -1});
    EXPECT_EQ(Captions(model), QStringList({"A", "C", "E"}));
    model.Delete({0, 1, 2});
    model.AddChosenFiles({}); // cancelled dialog
    model.AddChosenFiles({QStringLiteral("/v/broken.avi")}); // nothing added
    model.AddChosenFiles({QStringLiteral("/v/a.avi")});
    model.Clear();
    model.AddStartUpPaths({m_dir.path()}); // an empty folder adds nothing
    EXPECT_EQ(model.Count(), 0);
    EXPECT_EQ(buttons, QList<bool>({false, true, false}));
}

TEST_F(TaskListTest, MoveUpAndDownFollowTheSelection)
{
    struct Case
    {
        const char *rows;
        QList<int> selected;
        bool up;
        const char *after;
        QList<int> selectedAfter;
    };
    const Case cases[] = {
        {"ABC", {2}, true, "ACB", {1}},
        {"ABC", {0, 1}, true, "BAC", {0}},
        {"ABC", {0, 1}, false, "CAB", {1, 2}},
        {"ABC", {}, false, "ABC", {}},
        {"ABCD", {0}, true, "ABCD", {0}}, // the top row stays
        {"ABCD", {3}, false, "ABCD", {3}}, // the bottom row stays
        {"ABCD", {0, 1, 2}, true, "BCAD", {0, 1}}, // a block at the top
        {"ABCD", {2, 3}, false, "ABDC", {3}}, // a block at the bottom
        {"ABCDE", {1, 2}, true, "BCADE", {0, 1}}, // a block inside moves by one
        {"ABCDE", {3, 1, 9}, false, "ACBED", {2, 4}},
    };
    for (const Case &c : cases) {
        RecordingDesktop d;
        TaskListModel m(d, &FakeProbe);
        for (const QChar ch : QLatin1String(c.rows))
            m.AddTaskFile(QString(ch));
        ltvItemData hidden; // a hidden sub-text travels with its row
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

// Commands given while a folder is being added run between two files.
TEST_F(TaskListTest, CommandsDuringAFolderAddRunBetweenFiles)
{
    Touch({"a.avi", "b.avi", "c.avi", "d.avi"});
    for (const bool job : {false, true}) {
        RecordingDesktop d;
        TaskListModel m(d, &FakeProbe);
        QObject::connect(&m, &QAbstractItemModel::rowsInserted, &m, [&] {
            if (m.Count() == 2)
                QMetaObject::invokeMethod(
                    &m, [&] { job ? m.SetListEnabled(false) : m.Clear(); }, Qt::QueuedConnection);
        });
        m.AddTaskDirectory(m_dir.path());
        // A Clear leaves the later files; a job that takes the list ends the add.
        EXPECT_EQ(Captions(m).join(QLatin1Char(',')).remove(m_dir.path() + QLatin1Char('/')),
                  job ? QStringLiteral("a.avi,b.avi") : QStringLiteral("c.avi,d.avi"));
    }
}

} // namespace
