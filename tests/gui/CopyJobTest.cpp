// A join without re-encoding from the window, with the real encoder: one stage from a click on
// Start, and inputs that do not fit refused with one box before anything is written.
#include "MainFormSupport.h"

#include "pipeline/JoinJob.h"
#include "profiles/ProfileCatalogue.h"
#include "tasks/MediaProbe.h"
#include "tasks/TimeText.h"

#include <QProgressBar>

using namespace qvj;
using namespace qvj::mainwin;

namespace {

QString PhoneClip(const QString &name, int width = 160)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(name + QStringLiteral(".mp4"));
    test::ClipSpec clip;
    clip.seconds = 1;
    clip.width = width;
    clip.height = 120;
    clip.extra = {QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-c:a"),
                  QStringLiteral("aac")};
    EXPECT_TRUE(QFile::exists(path) || test::MakeClip(path, clip));
    return path;
}

class CopyJobWindow : public WindowTest
{
protected:
    void Open(const QStringList &clips)
    {
        const int profile = int(ProfileCatalogue::List(Path()).Names().indexOf(
            QStringLiteral("MP4 - Same as Source (No Re-encoding)")));
        ASSERT_GE(profile, 0);
        test::WriteFile(Ini(),
                        "[Main]\r\nProfile=" + QByteArray::number(profile)
                            + "\r\nAsk=1\r\nTemp Dir="
                            + work.filePath(QStringLiteral("temp")).toUtf8() + "\r\n");
        Start(clips);
        form->edtOutputFile->setText(work.filePath(QStringLiteral("joined")));
    }
    bool WaitForTheEnd()
    {
        return QTest::qWaitFor([this] { return !form->Job().IsActive(); }, 180000);
    }

    QTemporaryDir work;
};

TEST_F(CopyJobWindow, FittingClipsAreJoinedInOneStage)
{
    Open({PhoneClip(QStringLiteral("a")), PhoneClip(QStringLiteral("b"))});
    QTest::mouseClick(form->imgStart, Qt::LeftButton);
    const QString output = work.filePath(QStringLiteral("joined.mp4"));
    EXPECT_EQ(form->edtOutputFile->text(), output);
    EXPECT_EQ(form->labProcessTitle->text(), QStringLiteral("Final Step: Joining all files..."));
    EXPECT_TRUE(form->imgStop->isVisible());
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(Calls().value(0),
              QStringLiteral("message|Complete|The joining is completed successfully."));
    EXPECT_EQ(Column(*form, 3), QStringList(2, QStringLiteral("Complete")));
    EXPECT_TRUE(form->pgbCurrent->value() == 100 && form->pgbTotal->value() == 100);
    EXPECT_TRUE(form->imgStart->isVisible() && form->panBottomCenter->isVisible());
    const MediaProbeResult probe = ProbeMedia(output);
    EXPECT_NEAR(TimeTextToSeconds(probe.lengthText), 2.0, 0.1) << probe.error.toStdString();
    EXPECT_EQ(probe.sizeText, QStringLiteral("160x120"));
    // No conversion: the temporary folder was never needed.
    EXPECT_FALSE(QDir(work.filePath(QStringLiteral("temp"))).exists());
}

TEST_F(CopyJobWindow, ClipsThatDoNotFitAreNamedInOneBox)
{
    Open({PhoneClip(QStringLiteral("a")), PhoneClip(QStringLiteral("wide"), 176),
          PhoneClip(QStringLiteral("b"))});
    QTest::mouseClick(form->imgStart, Qt::LeftButton);
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(Calls(),
              QStringList {QStringLiteral(
                  "message|Cannot Join Without Re-encoding|These files cannot be joined without "
                  "re-encoding:\nwide.mp4: 176x120 at 25 fps; the first file is 160x120 at 25 "
                  "fps\nChoose a re-encoding profile such as \"MP4 - H.264 Video\", which joins "
                  "anything.")});
    EXPECT_FALSE(QFile::exists(work.filePath(QStringLiteral("joined.mp4"))));
    EXPECT_EQ(Column(*form, 3), QStringList(3, QStringLiteral("OK")));
    EXPECT_TRUE(form->imgStart->isVisible() && form->panBottomCenter->isVisible());
    EXPECT_TRUE(form->ltvTask->isEnabled());
}

} // namespace
