// The main window's own commands: the column-width rule as the list is resized, the look states
// of the Start and Stop pictures and the profile box.
#include "MainFormSupport.h"

#include "profiles/ProfileSettings.h"

#include <QApplication>
#include <QMouseEvent>

#include <cstring>

using namespace qvj;
using namespace qvj::mainwin;

namespace {

class MainCommands : public WindowTest
{
protected:
    void SetUp() override { Start(); }
    QString Widths()
    {
        QStringList w;
        for (int i = 0; i < 4; ++i)
            w.append(QString::number(form->ltvTask->header()->sectionSize(i)));
        return w.join(u' ');
    }
    void ResizeWindowBy(int dx)
    {
        const int listWidth = form->ltvTask->width() + dx;
        form->resize(form->width() + dx, form->height());
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->LastListWidth() == listWidth; }));
    }
};

TEST_F(MainCommands, ColumnsFollowTheListsWidth)
{
    ResizeWindowBy(100);
    EXPECT_EQ(Widths(), QStringLiteral("399 107 95 169"));
    // Widths set by dragging a border are the starting point of the next change.
    const int start[] = {350, 90, 80, 150};
    for (int i = 0; i < 4; ++i)
        form->ltvTask->header()->resizeSection(i, start[i]);
    ResizeWindowBy(-10); // 345.1, 88.3, 78.5 and 148.1
    EXPECT_EQ(Widths(), QStringLiteral("345 88 78 148"));
}

// Steps of a script, each some actions then the looks (state and picture of imgStart, then of
// imgStop): m/M mouse move over Start/Stop, p/r press/release on Start (the right button, which
// clicks nothing), b move over the panel's background, s swap which of the two is shown.
TEST_F(MainCommands, LookStatesOfTheStartAndStopPictures)
{
    TImageButton *start = form->imgStart, *stop = form->imgStop;
    const auto move = [](QWidget *w) {
        QMouseEvent e(QEvent::MouseMove, QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    const auto act = [&](char a) {
        if (a == 'm' || a == 'M' || a == 'b')
            move(a == 'm' ? start : a == 'M' ? static_cast<QWidget *>(stop) : form->Image1);
        else if (a == 'p')
            QTest::mousePress(start, Qt::RightButton);
        else if (a == 'r')
            QTest::mouseRelease(start, Qt::RightButton);
        else if (a == 's') {
            start->setVisible(!start->isVisible());
            stop->setVisible(!stop->isVisible());
        }
    };
    for (const char *step : {"m 1100", "p 2200", "m 2200", "r 1100", "b 0000", "p 2200", "b 0000",
                             "r 0000", "sM 0011", "sm 1111", "b 0011"}) {
        for (const char *a = step; *a != ' '; ++a)
            act(*a);
        const QString shown = QString::asprintf("%d%d%d%d", start->State(), start->PictureIndex(),
                                                stop->State(), stop->PictureIndex());
        EXPECT_EQ(shown, QLatin1String(std::strchr(step, ' ') + 1)) << step;
    }
    EXPECT_TRUE(desktop.calls.empty());
}

TEST_F(MainCommands, ChoosingAProfileLoadsItAlsoTheSameOneAgain)
{
    int loads = 0;
    QObject::connect(&form->Profile(), &ProfileSettings::loaded, [&] { ++loads; });
    QComboBox *box = form->cmbProfile;
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->currentIndex(), 1);
    EXPECT_EQ(form->Profile().ProfilePath(), form->ProfilePath());
    Q_EMIT box->activated(1);
    EXPECT_EQ(loads, 2);
}

} // namespace
