// The pictures of the listed files, made by the real ffmpeg from generated clips.
#include "tasks/Thumbnails.h"
#include "common/TestSupport.h"
#include "tasks/TaskList.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSize>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace qvj::test;

// Width and height from a PNG's header, {0, 0} when the data is not a PNG.
QSize PngSize(const QByteArray &png)
{
    if (png.size() < 24 || !png.startsWith("\x89PNG"))
        return {};
    const auto number = [&](int at) {
        return int(quint8(png[at])) << 24 | int(quint8(png[at + 1])) << 16
            | int(quint8(png[at + 2])) << 8 | int(quint8(png[at + 3]));
    };
    return {number(16), number(20)};
}

class ThumbnailsTest : public testing::Test
{
protected:
    ThumbnailsTest()
    {
        QObject::connect(&pictures, &TaskThumbnails::ready,
                         [this](const QString &path, const QByteArray &png) {
                             made.insert(path, PngSize(png));
                             ++readyCount;
                         });
    }
    static QString Clip(const char *name, int width, int height, QStringList extra = {})
    {
        const QString path = dir().filePath(S(name));
        EXPECT_TRUE(QFile::exists(path)
                    || MakeClip(path, {.width = width, .height = height, .extra = extra}));
        return path;
    }
    static QTemporaryDir &dir()
    {
        static QTemporaryDir d;
        return d;
    }
    bool WaitUntilDone()
    {
        return WaitFor([this] { return pictures.Running() + pictures.Queued() == 0; }, 60000);
    }

    RecordingDesktop desktop;
    TaskListModel model {desktop};
    TaskThumbnails pictures {model};
    QMap<QString, QSize> made;
    int readyCount = 0;
};

// 32 pixels high, as wide as the display aspect says (a file without video is never listed).
// Two are made at a time, and a path listed twice is made once.
TEST_F(ThumbnailsTest, PicturesKeepTheShapeTwoAtATime)
{
    const QMap<QString, QSize> expected {
        {Clip("four-three.avi", 160, 120), {42, 32}},
        {Clip("wide.mp4", 320, 180), {56, 32}},
        {Clip("anamorphic.mp4", 352, 288, {S("-aspect"), S("16:9")}), {56, 32}},
        {Clip("tall.mkv", 120, 240), {16, 32}}};
    desktop.answers = {true};
    for (const QString &path : expected.keys())
        model.AddTaskFile(path);
    model.AddTaskFile(expected.firstKey()); // listed twice
    ASSERT_EQ(model.Count(), 5);
    ASSERT_TRUE(WaitUntilDone());
    EXPECT_EQ(made, expected);
    EXPECT_EQ(readyCount, 4);
    EXPECT_EQ(pictures.MostAtOnce(), TaskThumbnails::kAtOnce);
}

// A row deleted before its picture is made drops the request; one whose picture is being made
// ends that work. A path added again is asked for again.
TEST_F(ThumbnailsTest, DeletedRowsDropTheirPictures)
{
    const QString clip = Clip("wide.mp4", 320, 180);
    QStringList copies;
    for (int i = 0; i < 6; ++i) {
        copies << dir().filePath(S("copy%1.mp4").arg(i));
        QFile::remove(copies.last());
        ASSERT_TRUE(QFile::link(clip, copies.last()));
        model.AddTaskFile(copies.last());
    }
    model.Delete({0, 1, 2}); // still queued
    ASSERT_TRUE(WaitFor([this] { return pictures.Running() == 2; }, 10000));
    model.Delete({0}); // copy3, being made
    ASSERT_TRUE(WaitUntilDone());
    EXPECT_EQ(made.keys(), copies.mid(4));

    model.Clear();
    made.clear();
    model.AddTaskFile(copies[0]);
    ASSERT_TRUE(WaitUntilDone());
    EXPECT_EQ(made.keys(), copies.mid(0, 1));
}

// While rows keep coming (a folder add lets events run between its files) no picture is begun;
// they are all made once the list is still.
TEST_F(ThumbnailsTest, NothingIsBegunWhileAFolderIsAdded)
{
    const QString clip = Clip("wide.mp4", 320, 180);
    const QString folder = dir().filePath(S("folder/"));
    QDir().mkpath(folder);
    for (int i = 0; i < 8; ++i)
        QFile::link(clip, folder + S("clip%1.mp4").arg(i));
    pictures.SetSettleTime(3000);
    int begunDuringAdd = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                     [&] { begunDuringAdd += pictures.Running(); });
    model.AddTaskDirectory(folder);
    ASSERT_EQ(model.Count(), 8);
    EXPECT_EQ(begunDuringAdd, 0);
    EXPECT_EQ(pictures.Running(), 0);
    ASSERT_TRUE(WaitUntilDone());
    EXPECT_EQ(made.size(), 8);
}

} // namespace
