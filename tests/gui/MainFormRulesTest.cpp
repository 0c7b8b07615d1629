// The main window's rules that need no widget: column widths, dialog filters, titles and the
// paths named at start-up.
#include "app/MainFormRules.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ColumnCase
{
    const char *name;
    ColumnWidths before;
    int delta;
    ColumnWidths after;
};

class ColumnWidthRule : public ::testing::TestWithParam<ColumnCase>
{
};

TEST_P(ColumnWidthRule, EachColumnTakesItsShareRoundedHalfToEven)
{
    const ColumnCase &c = GetParam();
    EXPECT_EQ(AdjustColumnWidths(c.before, c.delta), c.after) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Widths, ColumnWidthRule,
    ::testing::Values(
        ColumnCase {"grows by 100", {350, 90, 80, 150}, 100, {399, 107, 95, 169}},
        // 345.1, 88.3, 78.5 and 148.1: the half goes to the even 78.
        ColumnCase {"shrinks by 10", {350, 90, 80, 150}, -10, {345, 88, 78, 148}},
        ColumnCase {"no change", {350, 90, 80, 150}, 0, {350, 90, 80, 150}},
        // 81.5 rounds up to the even 82, 80.5 down to 80 (0.15 x 10 and 0.15 x 30 are halves).
        ColumnCase {"halves go to even", {10, 10, 80, 10}, 10, {15, 12, 82, 12}},
        ColumnCase {"odd half", {10, 10, 79, 10}, 10, {15, 12, 80, 12}},
        ColumnCase {"negative halves", {0, 0, 0, 0}, -10, {-5, -2, -2, -2}},
        ColumnCase {"first report from 562 to 770", {50, 50, 50, 50}, 208, {152, 85, 81, 90}}),
    [](const ::testing::TestParamInfo<ColumnCase> &param) {
        std::string n = param.param.name;
        for (char &ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return n;
    });

TEST(DialogFilters, SaveFilterListsTheOutputTypesThenAllFiles)
{
    EXPECT_EQ(BuildSaveDialogFilter(),
              QStringLiteral("AVI Files (*.avi)|*.avi|MPG Files (*.mpg)|*.mpg|MP4 Files "
                             "(*.mp4)|*.mp4|WMV Files (*.wmv)|*.wmv|MOV Files (*.mov)|*.mov|VOB "
                             "Files (*.vob)|*.vob|ASF Files (*.asf)|*.asf|FLV Files "
                             "(*.flv)|*.flv|All Files (*.*)|*.*"));
}

TEST(DialogFilters, PairsBecomeQtNameFilters)
{
    const struct
    {
        QString pairs;
        QStringList expected;
    } cases[] = {
        {QStringLiteral("AVI Files (*.avi)|*.avi|All Files (*.*)|*.*"),
         {QStringLiteral("AVI Files (*.avi)"), QStringLiteral("All Files (*)")}},
        // The pattern list of the first pair loses its semicolons and its empty last entry,
        // and the description's own bracket group is not repeated.
        {QStringLiteral("All Support Files(*.avi;*.mpg;)|*.avi;*.mpg;|MPEG Files "
                        "(*.mpeg)|*.mpeg"),
         {QStringLiteral("All Support Files (*.avi *.mpg)"),
          QStringLiteral("MPEG Files (*.mpeg)")}},
        {QStringLiteral("Plain|*.txt"), {QStringLiteral("Plain (*.txt)")}},
        // A pair without a pattern offers nothing; a trailing description without one neither.
        {QStringLiteral("Empty||Text|*.txt|Dangling"), {QStringLiteral("Text (*.txt)")}},
        {QString(), {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ToQtNameFilters(c.pairs), c.expected) << c.pairs.toStdString();
}

TEST(Titles, TitleAndProgramName)
{
    EXPECT_EQ(MainWindowTitle(QStringLiteral("Quintor Video Joiner"), QStringLiteral("1.5")),
              QStringLiteral("Quintor Video Joiner V1.5"));
    EXPECT_EQ(MainWindowTitle(QStringLiteral("Quintor Video Joiner"), QStringLiteral("2.0")),
              QStringLiteral("Quintor Video Joiner V2.0"));
    EXPECT_EQ(ProgramNameCaption(QStringLiteral("Quintor Video Joiner")),
              QStringLiteral("Video Joiner"));
    EXPECT_EQ(ProgramNameCaption(QStringLiteral("Joiner")), QStringLiteral("Joiner"));
}

class StartupPathsTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Write(const QString &name, const QByteArray &bytes)
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    QTemporaryDir dir;
};

TEST_F(StartupPathsTest, ArgumentsAreTakenInOrderAndMadeAbsolute)
{
    const StartupPathList list = StartupPaths(
        {QStringLiteral("a.avi"), QStringLiteral("/v/b.avi"), QStringLiteral("sub/../c.mpg")},
        QStringLiteral("/work/here"));
    EXPECT_EQ(list.paths,
              (QStringList {QStringLiteral("/work/here/a.avi"), QStringLiteral("/v/b.avi"),
                            QStringLiteral("/work/here/c.mpg")}));
    EXPECT_TRUE(list.unreadableListFile.isEmpty());
    EXPECT_TRUE(StartupPaths({}, QStringLiteral("/x")).paths.isEmpty());
}

TEST_F(StartupPathsTest, ListFileLinesEndAtCrLfOrBothAndSkipEmptyLines)
{
    Write(QStringLiteral("files.TMP"),
          QByteArray(
              "\xEF\xBB\xBF/v/\xC3\xA9t\xC3\xA9.avi\r\nrel.avi\n\n/v/c d.avi\r/v/e.avi\r\n\r\n"));
    const StartupPathList list
        = StartupPaths({QStringLiteral("files.TMP"), QStringLiteral("/ignored.avi")}, dir.path());
    EXPECT_EQ(list.paths,
              (QStringList {QString::fromUtf8("/v/\xC3\xA9t\xC3\xA9.avi"),
                            dir.filePath(QStringLiteral("rel.avi")), QStringLiteral("/v/c d.avi"),
                            QStringLiteral("/v/e.avi")}));
    EXPECT_TRUE(list.unreadableListFile.isEmpty());
}

TEST_F(StartupPathsTest, AnUnreadableListFileIsNamed)
{
    const StartupPathList missing = StartupPaths({QStringLiteral("gone.tmp")}, dir.path());
    EXPECT_TRUE(missing.paths.isEmpty());
    EXPECT_EQ(missing.unreadableListFile, dir.filePath(QStringLiteral("gone.tmp")));

    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.tmp")));
    EXPECT_EQ(StartupPaths({QStringLiteral("folder.tmp")}, dir.path()).unreadableListFile,
              dir.filePath(QStringLiteral("folder.tmp")));
}

TEST_F(StartupPathsTest, OnlyTheFirstArgumentCanNameAListFile)
{
    const StartupPathList list
        = StartupPaths({QStringLiteral("/v/a.avi"), QStringLiteral("/v/list.tmp")}, dir.path());
    EXPECT_EQ(list.paths,
              (QStringList {QStringLiteral("/v/a.avi"), QStringLiteral("/v/list.tmp")}));
    // A dot inside a folder name is no extension.
    const StartupPathList folder = StartupPaths({QStringLiteral("/v/x.tmp/clip")}, dir.path());
    EXPECT_EQ(folder.paths, QStringList {QStringLiteral("/v/x.tmp/clip")});
}

} // namespace
