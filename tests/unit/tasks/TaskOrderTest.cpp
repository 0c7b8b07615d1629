// The orders the user asks the task list for: natural names, recording times, drags; the times
// the files state; and the model keeping each row whole and its selection through a reorder.
#include "common/TestSupport.h"
#include "tasks/RecordingTime.h"
#include "tasks/TaskList.h"
#include "tasks/TaskOrder.h"

#include <QFile>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QUrl>
#include <gtest/gtest.h>

#include <memory>

namespace {

using qvj::test::S;

// The letters of the rows' names ("/v/b.avi" -> "b") in the order given.
QString Letters(const QStringList &paths, const QList<int> &order)
{
    QString letters;
    for (const int row : order)
        letters += QFileInfo(paths[row]).completeBaseName() + QLatin1Char(' ');
    return letters.trimmed();
}

TEST(TaskOrder, NaturalNamesTimesAndDrags)
{
    const struct
    {
        const char *a, *b;
        int sign;
    } pairs[] = {
        {"clip2", "clip10", -1},       {"Clip10", "clip9", 1},   {"a", "B", -1},
        {"clip01", "clip1", 1},        {"clip1", "clip1", 0},    {"x99999999999999999999", "x100000000000000000000", -1},
        {"v1.2", "v1.10", -1},         {"a", "a1", -1},          {"A", "a", -1},
        {"\xc3\x89t\xc3\xa9", "\xc3\xa9t\xc3\xa9", -1},
    };
    for (const auto &p : pairs) {
        EXPECT_EQ(NaturalCompare(S(p.a), S(p.b)), p.sign) << p.a << " " << p.b;
        EXPECT_EQ(NaturalCompare(S(p.b), S(p.a)), -p.sign) << p.a << " " << p.b;
    }

    // Names are compared without their folders; the folder breaks ties.
    const QStringList paths = {"/z/clip10.mp4", "/a/clip2.mp4", "/b/clip1.avi", "/a/clip10.mp4",
                               "/y/Clip3.mov"};
    EXPECT_EQ(Letters(paths, NameOrder(paths)), "clip1 clip2 Clip3 clip10 clip10");
    EXPECT_EQ(NameOrder(paths), (QList<int> {2, 1, 4, 3, 0}));

    // Earliest first; equal times by name; no time last, by name.
    const QDateTime t1(QDate(2020, 1, 2), QTime(10, 0), QTimeZone::utc());
    const std::vector<std::optional<QDateTime>> times
        = {t1.addSecs(60), t1, std::nullopt, t1, QDateTime()};
    EXPECT_EQ(TimeOrder(paths, times), (QList<int> {1, 3, 0, 2, 4}));
    EXPECT_EQ(TimeOrder(paths, {}), NameOrder(paths)); // no times at all: by name

    const struct
    {
        int count;
        QList<int> rows;
        int destination;
        QList<int> order;
    } drags[] = {
        {5, {3}, 0, {3, 0, 1, 2, 4}},       {5, {0}, 5, {1, 2, 3, 4, 0}},
        {5, {1, 3}, 0, {1, 3, 0, 2, 4}},    {5, {3, 1, 3}, 5, {0, 2, 4, 1, 3}},
        {5, {1, 2}, 2, {0, 1, 2, 3, 4}},    {5, {1, 3}, 3, {0, 2, 1, 3, 4}},
        {5, {}, 2, {0, 1, 2, 3, 4}},        {5, {7, -1}, 9, {0, 1, 2, 3, 4}},
        {0, {0}, 0, {}},
    };
    for (const auto &d : drags) {
        const QList<int> order = MovedOrder(d.count, d.rows, d.destination);
        EXPECT_EQ(order, d.order) << d.destination;
        EXPECT_TRUE(IsPermutation(order, d.count));
    }
    EXPECT_FALSE(IsPermutation({0, 0, 1}, 3));
    EXPECT_FALSE(IsPermutation({0, 1}, 3));
    EXPECT_EQ(PositionsAfter({3, 0, 1, 2}, {0, 3}), (QList<int> {0, 1}));
}

TEST(RecordingTime, StatedTexts)
{
    const QDateTime utc(QDate(2021, 6, 5), QTime(14, 3, 11), QTimeZone::utc());
    const struct
    {
        const char *text;
        QDateTime expected; // invalid: nothing stated
    } cases[] = {
        {"2021-06-05 14:03:11 UTC", utc},
        {"UTC 2021-06-05 14:03:11", utc},
        {"2021-06-05T14:03:11Z", utc},
        {"2021-06-05T14:03:11.250Z", utc.addMSecs(250)},
        {"2021-06-05 16:03:11+02:00", utc},
        {"2021-06-05 09:03:11-0500", utc},
        {"2021-06-05 14:03:11 UTC / 2021-06-05 14:03:11", utc},
        {"2021-06-05 14:03", QDateTime(QDate(2021, 6, 5), QTime(14, 3))},
        {"2020-01-02", QDateTime(QDate(2020, 1, 2), QTime(0, 0))},
        {"2020-01-02 UTC", QDateTime(QDate(2020, 1, 2), QTime(0, 0), QTimeZone::utc())},
        {"Mon Jan 06 10:11:12 2020", QDateTime(QDate(2020, 1, 6), QTime(10, 11, 12))},
        {"Sat Feb  1 08:00:00 2020", QDateTime(QDate(2020, 2, 1), QTime(8, 0))},
        // Zero dates of the containers, impossible dates and anything else: nothing.
        {"1904-01-01 00:00:00 UTC", {}},
        {"1970-01-01 00:00:00 UTC", {}},
        {"2021-02-30 10:00:00", {}},
        {"2021-06-05 25:00:00", {}},
        {"2021-06-05 14:03:11 CEST", {}},
        {"2021-06-05 14:03:11+15:00", {}},
        {"2021", {}},
        {"20210605", {}},
        {"", {}},
        {"UTC", {}},
        {"Mon Foo 06 10:11:12 2020", {}},
        {"\xd9\xa2\xd9\xa0\xd9\xa2\xd9\xa1-06-05", {}}, // digits of another script
    };
    for (const auto &c : cases) {
        const std::optional<QDateTime> parsed = ParseStatedTime(S(c.text));
        EXPECT_EQ(parsed.has_value(), c.expected.isValid()) << c.text;
        if (parsed && c.expected.isValid()) {
            EXPECT_EQ(parsed->toMSecsSinceEpoch(), c.expected.toMSecsSinceEpoch()) << c.text;
        }
    }
}

// Real files: the time a file states wins over its modification time; a file without one
// gives its modification time; a cached time is read again only when the file changed.
TEST(RecordingTime, ReadFromFilesAndKeptUntilTheyChange)
{
    QTemporaryDir dir;
    const QString stated = dir.filePath(QStringLiteral("stated.mp4"));
    const QString plain = dir.filePath(QStringLiteral("plain.avi"));
    ASSERT_TRUE(qvj::test::MakeClip(
        stated, {.seconds = 0.5, .extra = {"-metadata", "creation_time=2019-03-04T05:06:07Z"}}));
    ASSERT_TRUE(qvj::test::MakeClip(plain, {.seconds = 0.5}));
    const QDateTime modified(QDate(2018, 1, 2), QTime(3, 4, 5), QTimeZone::utc());
    QFile file(plain);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite)
                && file.setFileTime(modified, QFileDevice::FileModificationTime));
    file.close();

    int reads = 0;
    RecordingTimes times([&](const QString &path) {
        ++reads;
        return ReadRecordingTime(path);
    });
    const QString missing = dir.filePath(QStringLiteral("missing.avi"));
    const auto found = times.Times({stated, plain, missing});
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].value_or(QDateTime()).toUTC(),
              QDateTime(QDate(2019, 3, 4), QTime(5, 6, 7), QTimeZone::utc()));
    EXPECT_EQ(found[1].value_or(QDateTime()).toUTC(), modified);
    EXPECT_FALSE(found[2].has_value());
    times.Times({stated, plain});
    EXPECT_EQ(reads, 3);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite)
                && file.setFileTime(modified.addSecs(1), QFileDevice::FileModificationTime));
    file.close();
    EXPECT_EQ(times.Times({plain})[0].value_or(QDateTime()).toUTC(), modified.addSecs(1));
    EXPECT_EQ(reads, 4);

    // The probe of the add states the time; kept from there, it is not read again.
    const MediaProbeResult probe = ProbeMedia(stated);
    EXPECT_EQ(probe.statedTime.value_or(QDateTime()), found[0].value_or(QDateTime()));
    RecordingTimes fromAdd([&](const QString &) {
        ++reads;
        return std::optional<QDateTime>();
    });
    fromAdd.Remember(stated, probe.statedTime);
    fromAdd.Remember(plain, std::nullopt);
    EXPECT_EQ(fromAdd.Times({stated, plain}), (std::vector {found[0], std::optional(modified.addSecs(1))}));
    EXPECT_EQ(reads, 4);
}

// A reorder moves whole rows (hidden texts too), keeps the selection of a view and the
// model's own answer, and does nothing while the list is disabled; a drag of the list's own
// rows lands where it is dropped, and nothing else is taken.
TEST(TaskListOrder, RowsStayWholeAndSelected)
{
    qvj::test::RecordingDesktop desktop;
    TaskListModel model(desktop, [](const QString &path) {
        return MediaProbeResultFromTexts(QString::number(path.size() * 1000), "1", "2");
    });
    const QStringList paths = {"/v/clip10.avi", "/v/clip2.avi", "/v/a.avi", "/v/clip1.avi"};
    model.AddChosenFiles(paths);
    ltvItemData hidden;
    hidden.SpareText7 = QStringLiteral("with clip2");
    model.WriteTaskRow(1, 7, hidden);
    QItemSelectionModel view(&model);
    view.select(model.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

    const auto rowsText = [&] {
        QStringList rows;
        for (int i = 0; i < model.Count(); ++i) {
            ltvItemData rec;
            model.ReadTaskRow(i, AllColumns, rec);
            rows << QFileInfo(rec.InputFile).completeBaseName() + QLatin1Char(':') + rec.LengthText
                    + rec.SpareText7;
        }
        return rows.join(QLatin1Char(' '));
    };
    EXPECT_EQ(model.SortByName({1}), QList<int> {2});
    EXPECT_EQ(rowsText(), "a:00:00:08 clip1:00:00:12 clip2:00:00:12with clip2 clip10:00:00:13");
    EXPECT_EQ(view.selectedRows().value(0).row(), 2);
    EXPECT_EQ(view.selectedRows().size(), 1);

    const QDateTime t(QDate(2020, 1, 1), QTime(0, 0), QTimeZone::utc());
    EXPECT_EQ(model.SortByTime({0, 2}, {t.addSecs(3), t.addSecs(2), std::nullopt, t}),
              (QList<int> {2, 3}));
    EXPECT_EQ(rowsText(), "clip10:00:00:13 clip1:00:00:12 a:00:00:08 clip2:00:00:12with clip2");

    // Drag "a" and "clip10" to the end.
    std::unique_ptr<QMimeData> dragged(model.mimeData({model.index(2, 0), model.index(0, 3)}));
    EXPECT_TRUE(model.canDropMimeData(dragged.get(), Qt::MoveAction, -1, -1, {}));
    EXPECT_TRUE(model.dropMimeData(dragged.get(), Qt::MoveAction, -1, -1, {}));
    EXPECT_EQ(rowsText(), "clip1:00:00:12 clip2:00:00:12with clip2 clip10:00:00:13 a:00:00:08");
    EXPECT_EQ(view.selectedRows().value(0).row(), 1);

    // Rows of another list, file drops and copies are not taken; a disabled list takes nothing.
    const QString before = rowsText();
    TaskListModel other(desktop,
                        [](const QString &) { return MediaProbeResultFromTexts("1000", "1", "2"); });
    other.AddChosenFiles({"/v/x.avi"});
    std::unique_ptr<QMimeData> foreign(other.mimeData({other.index(0, 0)}));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/v/new.avi")});
    for (const QMimeData *data : std::initializer_list<const QMimeData *> {foreign.get(), &files})
        EXPECT_FALSE(model.dropMimeData(data, Qt::MoveAction, 0, 0, {}));
    std::unique_ptr<QMimeData> own(model.mimeData({model.index(3, 0)}));
    EXPECT_FALSE(model.dropMimeData(own.get(), Qt::CopyAction, 0, 0, {}));
    model.SetListEnabled(false);
    EXPECT_EQ(model.flags(model.index(0, 0)) & Qt::ItemIsDragEnabled, Qt::NoItemFlags);
    EXPECT_FALSE(model.dropMimeData(own.get(), Qt::MoveAction, 0, 0, {}));
    EXPECT_EQ(model.SortByName({3}), QList<int> {3});
    EXPECT_EQ(rowsText(), before);
}

} // namespace
