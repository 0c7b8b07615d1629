#pragma once
// Helpers shared by the tests of the Output Settings dialog and the About box.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace qvj::test {

// A stand-in for the main window: one button that counts the clicks that reach it.
struct OwnerWindow
{
    OwnerWindow()
    {
        widget.setGeometry(100, 80, 798, 559);
        button->setGeometry(10, 10, 120, 30);
        QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
        widget.show();
        EXPECT_TRUE(QTest::qWaitFor([this] { return widget.isActiveWindow(); }));
    }

    // A click through the window system, where a modal dialog blocks it; gives the click count
    // and starts it again.
    int TakeClick()
    {
        QTest::mouseClick(widget.windowHandle(), Qt::LeftButton, {},
                          button->mapTo(&widget, button->rect().center()));
        QCoreApplication::processEvents();
        return std::exchange(clicks, 0);
    }

    QWidget widget;
    QPushButton *button = new QPushButton(QStringLiteral("Add Files"), &widget);
    int clicks = 0;
};

struct SeenMessage { QString title, text; QMessageBox::Icon icon; QWidget *parent; };

// Runs action; every message box it opens is recorded and dismissed with OK.
inline std::vector<SeenMessage> CatchMessages(const std::function<void()> &action)
{
    std::vector<SeenMessage> seen;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box && box->isVisible()) {
            seen.push_back({box->windowTitle(), box->text(), box->icon(), box->parentWidget()});
            box->done(QMessageBox::Ok);
        }
    });
    timer.start(5);
    action();
    return seen;
}

} // namespace qvj::test
