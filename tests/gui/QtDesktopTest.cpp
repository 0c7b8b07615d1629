// The desktop's message boxes as the window shows them.
#include "app/QtDesktop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(QtDesktop, AMessageThatGoesOnLaterReturnsAtOnceAndGoesOnOnceWhenClosed)
{
    QWidget owner;
    owner.show();
    QtDesktop desktop(&owner);
    int done = 0;
    desktop.ShowMessageThen(QStringLiteral("Complete"), QStringLiteral("line\n\rnext"),
                            MessageIcon::Information, [&done] { ++done; });
    // The call has returned with the box still open: the caller's work has not gone on.
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(done, 0);
    EXPECT_EQ(box->text(), QStringLiteral("line\nnext"));

    box->button(QMessageBox::Ok)->click();
    QTest::qWait(0);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(owner.findChildren<QMessageBox *>().isEmpty());
}

TEST(QtDesktop, AMessageWhoseOwnerIsGoneNeverGoesOn)
{
    auto *owner = new QWidget;
    owner->show();
    QtDesktop desktop(owner);
    int done = 0;
    desktop.ShowMessageThen(QStringLiteral("Error"), QStringLiteral("x"), MessageIcon::Error,
                            [&done] { ++done; });
    delete owner;
    QTest::qWait(0);
    EXPECT_EQ(done, 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The box before converting the files that differ: its two choices, the conversion first and
// default; the answer reaches the job once it is closed.
TEST(QtDesktop, TheFitBoxOffersTheConversionOrCancel)
{
    QWidget owner;
    owner.show();
    QtDesktop desktop(&owner);
    for (const bool convert : {true, false}) {
        int answers = 0;
        bool answer = !convert;
        desktop.AskToFitThen(QStringLiteral("These files differ from most of the video:\nb.mp4: "
                                            "1280x720 at 25 fps; most of the video is 1920x1080 "
                                            "at 30 fps\nConverting them takes about 00:01:12; "
                                            "the other files are joined as they are."),
                             QString(), convert ? 2 : 1,
                             [&](bool yes) { ++answers, answer = yes; });
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        QStringList texts;
        for (QAbstractButton *b : box->buttons())
            texts << b->text();
        texts.sort();
        const QString choice = convert ? QStringLiteral("Convert these 2 files to match and join")
                                       : QStringLiteral("Convert this file to match and join");
        EXPECT_EQ(texts, (QStringList {QStringLiteral("Cancel"), choice}));
        EXPECT_EQ(box->defaultButton()->text(), choice);
        if (const QString shot = qEnvironmentVariable("QVJ_FIT_BOX_SHOT"); !shot.isEmpty())
            box->grab().save(shot);
        for (QAbstractButton *b : box->buttons())
            if ((b->text() == QStringLiteral("Cancel")) != convert)
                b->click();
        QTest::qWait(0);
        EXPECT_EQ(answers, 1);
        EXPECT_EQ(answer, convert);
    }
}

} // namespace
