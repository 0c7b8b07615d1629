// The desktop's message boxes as the window shows them.
#include "app/QtDesktop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
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

} // namespace
