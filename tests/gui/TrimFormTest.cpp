// The Trim window from the keyboard: Ctrl+T opens it for the current row, the keys move the
// points by frames and seconds, Return keeps the choice and Reset removes it.
#include "MainFormSupport.h"
#include "app/TTrimForm.h"

#include <QAccessible>
#include <QApplication>
#include <QSlider>
#include <QTimer>

#include <functional>

namespace qvj::mainwin {
namespace {

class TrimFormTest : public WindowTest
{
protected:
    // Presses Ctrl+T in the list and runs steps in the window it opens; true when one opened.
    bool InTrimWindow(const std::function<void(TTrimForm &)> &steps)
    {
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        form->ltvTask->setFocus();
        bool opened = false;
        QTimer::singleShot(0, form.get(), [&] {
            auto *trim = qobject_cast<TTrimForm *>(QApplication::activeModalWidget());
            if (!trim)
                return;
            opened = true;
            trim->activateWindow();
            EXPECT_TRUE(QTest::qWaitFor([&] {
                return QApplication::focusWidget() && QApplication::focusWidget()->window() == trim;
            }));
            steps(*trim);
            if (trim->isVisible()) // a step that did not close it fails; the test goes on
                trim->reject();
        });
        QTest::keyClick(form->ltvTask, Qt::Key_T, Qt::ControlModifier);
        QCoreApplication::processEvents(); // the steps run here when no window opened
        return opened;
    }
    static void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
    }
};

TEST_F(TrimFormTest, PointsAreChosenByFramesFromTheKeyboard)
{
    Start({Clip(QStringLiteral("trim-a"), 3.0)}); // 75 frames at 25 a second
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->ltvTask->setFocus();
    form->ltvTask->setCurrentIndex(form->TaskList().index(0, 0));

    QStringList unnamed;
    bool pictures = false;
    ASSERT_TRUE(InTrimWindow([&](TTrimForm &trim) {
        for (QWidget *w : trim.findChildren<QWidget *>())
            if ((w->focusPolicy() & Qt::TabFocus) && w->accessibleName().isEmpty()
                && qobject_cast<QAbstractButton *>(w) == nullptr)
                unnamed << w->objectName();
        // The start slider has the focus: three frames, then a second on.
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("TrimStartSlider"));
        for (int i = 0; i < 3; ++i)
            Key(Qt::Key_Right);
        Key(Qt::Key_Right, Qt::ShiftModifier);
        EXPECT_EQ(trim.StartFrame(), 28);
        EXPECT_EQ(trim.findChild<QLineEdit *>(QStringLiteral("TrimStartTime"))->text(),
                  QStringLiteral("00:00:01.120"));
        // On to the end slider past the start's time field: its end, then a frame back.
        Key(Qt::Key_Tab);
        Key(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("TrimEndSlider"));
        Key(Qt::Key_Home);
        EXPECT_EQ(trim.EndFrame(), 0);
        Key(Qt::Key_End);
        Key(Qt::Key_Left);
        EXPECT_EQ(trim.EndFrame(), 73);
        // Both pictures are made.
        const auto *start = trim.findChild<QLabel *>(QStringLiteral("TrimStartPicture"));
        const auto *end = trim.findChild<QLabel *>(QStringLiteral("TrimEndPicture"));
        pictures = QTest::qWaitFor(
            [&] { return !start->pixmap().isNull() && !end->pixmap().isNull(); }, 15000);
        Key(Qt::Key_Return);
    }));
    EXPECT_EQ(unnamed, QStringList());
    EXPECT_TRUE(pictures);
    ASSERT_TRUE(form->TaskList().Trim(0));
    EXPECT_NEAR(form->TaskList().Trim(0)->from, 1.12, 1e-9);
    EXPECT_NEAR(form->TaskList().Trim(0)->to, 2.96, 1e-9);
    EXPECT_EQ(Column(*form, 1), QStringList {QStringLiteral("00:00:01.8 (trimmed)")});
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return form->labTotalLength->text() == QStringLiteral("1 file, 00:00:01.8 in all");
    })) << form->labTotalLength->text().toStdString();

    // The window opens on the row's points; Reset and Return keep the whole file again.
    ASSERT_TRUE(InTrimWindow([&](TTrimForm &trim) {
        EXPECT_EQ(trim.StartFrame(), 28);
        EXPECT_EQ(trim.EndFrame(), 73);
        QTest::keyClick(trim.findChild<QPushButton *>(QStringLiteral("TrimReset")), Qt::Key_Space);
        Key(Qt::Key_Return);
    }));
    EXPECT_FALSE(form->TaskList().Trim(0));

    // No trim while a job runs.
    form->TaskList().SetListEnabled(false);
    EXPECT_FALSE(InTrimWindow([](TTrimForm &) {}));
    form->TaskList().SetListEnabled(true);
}

} // namespace
} // namespace qvj::mainwin
