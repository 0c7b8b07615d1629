// What the window shows of the list besides the rows' texts: the count and total length beside
// the list buttons, and a picture of every input in its Input File cell.
#include "MainFormSupport.h"

#include "tasks/Thumbnails.h"

#include <QImage>
#include <QPixmap>

using namespace qvj;
using namespace qvj::mainwin;

namespace {

class ListInfo : public WindowTest
{
protected:
    QString Summary()
    {
        QCoreApplication::processEvents();
        return form->labTotalLength->text();
    }
    QImage Picture(int row)
    {
        const QVariant v = form->TaskList().index(row, 0).data(Qt::DecorationRole);
        return v.value<QPixmap>().toImage();
    }
    bool PicturesDone()
    {
        return QTest::qWaitFor(
            [this] { return form->Thumbnails().Running() + form->Thumbnails().Queued() == 0; },
            60000);
    }
};

TEST_F(ListInfo, TheTotalLengthFollowsEveryChange)
{
    Start();
    EXPECT_EQ(Summary(), QString());
    const QString a = Clip(QStringLiteral("info-a"), 1.0), b = Clip(QStringLiteral("info-b"), 2.0);
    form->TaskList().AddChosenFiles({a, b});
    EXPECT_EQ(Summary(), QStringLiteral("2 files, 00:00:03 in all"));
    EXPECT_TRUE(form->labTotalLength->isVisible());
    // A row whose length text is not a time counts as 0.
    ltvItemData unknown;
    unknown.LengthText = QStringLiteral("unknown");
    form->TaskList().WriteTaskRow(0, 0, unknown);
    EXPECT_EQ(Summary(), QStringLiteral("2 files, at least 00:00:02 in all"));
    form->TaskList().Delete({1});
    EXPECT_EQ(Summary(), QStringLiteral("1 file, at least 00:00:00 in all"));
    form->TaskList().Clear();
    EXPECT_EQ(Summary(), QString());
}

// Every row gets a picture of one size, so that the paths line up: a frame of the video at
// the left, or a neutral picture for a file with no frame to show; empty while it is made.
TEST_F(ListInfo, EveryInputShowsAPictureBesideItsPath)
{
    Start();
    const QString clip = Clip(QStringLiteral("info-a"), 1.0);
    const QString tone = m_dir.filePath(QStringLiteral("tone.mkv"));
    ASSERT_EQ(test::RunProgram(QStringLiteral("ffmpeg"),
                               {"-v", "error", "-f", "lavfi", "-i", "sine=duration=1", tone}),
              0);
    form->TaskList().AddChosenFiles({clip, tone});
    const QImage waiting = Picture(0);
    EXPECT_EQ(waiting.size(), QSize(64, 32));
    EXPECT_EQ(waiting.pixelColor(10, 16).alpha(), 0);
    ASSERT_TRUE(PicturesDone());
    QCoreApplication::processEvents();
    const QImage frame = Picture(0), neutral = Picture(1);
    ASSERT_EQ(frame.size(), QSize(64, 32));
    ASSERT_EQ(neutral.size(), QSize(64, 32));
    // The 160 by 120 clip's frame is 42 pixels wide, drawn from the left.
    EXPECT_EQ(frame.pixelColor(2, 16).alpha(), 255);
    EXPECT_EQ(frame.pixelColor(41, 16).alpha(), 255);
    EXPECT_EQ(frame.pixelColor(50, 16).alpha(), 0);
    EXPECT_EQ(neutral.pixelColor(6, 6), QColor(226, 228, 231));
    EXPECT_NE(frame.pixelColor(6, 6), neutral.pixelColor(6, 6));
    EXPECT_EQ(form->ltvTask->iconSize(), QSize(64, 32));
}

} // namespace
