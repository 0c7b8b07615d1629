// Every window reads whole at the desktop's font and scale: a walk over the widgets of the main
// window (idle and running), Output Settings, Preferences, About, the fit box and the message
// boxes at 9, 11 and 14 points, at scale 1 and 2 (each scale a run of this program of its own,
// as Qt reads the scale once), finds no text wider than its widget, no widget outside its
// parent and no two widgets over one another. QVJ_SCREENSHOT_DIR keeps the 14 point pictures,
// taken under a dark palette.
#include "MainFormSupport.h"

#include "app/FitBox.h"
#include "app/QtDesktop.h"
#include "ui/TAboutForm.h"
#include "ui/TSettingForm.h"
#include "ui/TopSettingForm.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QMessageBox>
#include <QProcess>
#include <QStyleOptionComboBox>
#include <QToolBar>

#include <iostream>

using namespace qvj;
using namespace qvj::mainwin;
using qvj::test::S;

namespace {

// Widgets drawn by another widget's own code: the parts of lists, boxes and editors.
bool IsInnerPart(const QWidget *w, const QWidget *window)
{
    for (const QWidget *p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (qobject_cast<const QAbstractScrollArea *>(p) || qobject_cast<const QComboBox *>(p)
            || qobject_cast<const QLineEdit *>(p) || qobject_cast<const QAbstractSpinBox *>(p))
            return true;
    return false;
}

QString NameOf(const QWidget *w)
{
    return (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                      : w->objectName());
}

// What keeps the widget's text from reading whole; "" when nothing does.
QString TextFault(QWidget *w)
{
    QSize need;
    QString text;
    if (auto *label = qobject_cast<QLabel *>(w)) {
        text = label->text();
        if (text.isEmpty() || !label->pixmap().isNull())
            return {};
        need = label->wordWrap() ? QSize(0, label->heightForWidth(label->width()))
                                 : label->sizeHint();
    } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
        text = button->text();
        need = button->sizeHint();
    } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
        text = combo->currentText();
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        const QFontMetrics metrics(combo->font());
        need = combo->style()->sizeFromContents(
            QStyle::CT_ComboBox, &option, QSize(metrics.horizontalAdvance(text), metrics.height()),
            combo);
    } else if (auto *group = qobject_cast<QGroupBox *>(w)) {
        text = group->title();
        need = QSize(group->fontMetrics().horizontalAdvance(text) + 16, 0);
    } else {
        return {};
    }
    if (need.width() <= w->width() && need.height() <= w->height())
        return {};
    return S("%1 \"%2\" needs %3x%4, has %5x%6")
        .arg(NameOf(w), text.left(40))
        .arg(need.width())
        .arg(need.height())
        .arg(w->width())
        .arg(w->height());
}

// The faults of one shown window, each "window/widget ...".
QStringList Walk(QWidget *window)
{
    QStringList faults;
    const QString where = NameOf(window) + QLatin1Char('/');
    QList<QWidget *> shown;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (w->isWindow() || !w->isVisibleTo(window) || IsInnerPart(w, window))
            continue;
        shown << w;
        if (const QString fault = TextFault(w); !fault.isEmpty())
            faults << where + fault;
        if (!w->parentWidget()->rect().contains(w->geometry()))
            faults << where
                    + S("%1 (%2,%3 %4x%5) reaches outside %6 (%7x%8)")
                          .arg(NameOf(w))
                          .arg(w->x())
                          .arg(w->y())
                          .arg(w->width())
                          .arg(w->height())
                          .arg(NameOf(w->parentWidget()))
                          .arg(w->parentWidget()->width())
                          .arg(w->parentWidget()->height());
    }
    for (qsizetype i = 0; i < shown.size(); ++i)
        for (qsizetype j = i + 1; j < shown.size(); ++j)
            if (shown[i]->parentWidget() == shown[j]->parentWidget()
                && shown[i]->geometry().intersects(shown[j]->geometry()))
                faults << where + S("%1 overlaps %2").arg(NameOf(shown[i]), NameOf(shown[j]));
    // The list's short columns read whole too.
    if (auto *form = qobject_cast<TMainForm *>(window))
        for (int column = 1; column < 4; ++column)
            if (form->ltvTask->header()->sectionSize(column)
                < static_cast<const QAbstractItemView *>(form->ltvTask)->sizeHintForColumn(column))
                faults << where + S("column %1 is narrower than its texts").arg(column);
    return faults;
}

class WindowsFit : public WindowTest
{
protected:
    // Shows a dialog or box, walks it (keeping its picture when asked) and hides it.
    void Look(QWidget *window, const QString &picture = {})
    {
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        QTest::qWait(20);
        faults << Walk(window);
        if (!picture.isEmpty() && !shots.isEmpty())
            window->grab().save(shots + picture + S(".png"));
        window->hide();
    }

    void WalkEveryWindow(int points, const QString &scale)
    {
        QFont font = QApplication::font();
        font.setPointSize(points);
        QApplication::setFont(font);
        const bool pictures = points == 14 && !shots.isEmpty();
        QApplication::setPalette(pictures ? DarkPalette()
                                          : QApplication::style()->standardPalette());
        const QString tag = S("-%1pt-x%2").arg(points).arg(scale);
        const auto name = [&](const char *what) { return pictures ? S(what) + tag : QString(); };

        Start({Clip(S("fit-a")), Clip(S("fit-b")), Clip(S("fit-c"))});
        // A size as a camera writes it, and the longest status.
        ltvItemData row;
        row.SizeText = S("1920x1080");
        form->TaskList().WriteTaskRow(1, 1, row);
        row.StatusText = S("Waiting for joining");
        form->TaskList().WriteTaskRow(2, 2, row);
        QTest::qWait(20);
        faults << Walk(form.get());
        if (pictures)
            form->grab().save(shots + S("main") + tag + S(".png"));
        // The running look: the progress panel in place of the idle one.
        form->panBottomCenter->hide();
        form->panBottomLeft->show();
        form->labProcessTitle->setText(S("Prepare (Converting):"));
        form->labConvertingFile->setText(S("beach1.mp4"));
        QTest::qWait(20);
        faults << Walk(form.get());
        if (pictures)
            form->grab().save(shots + S("running") + tag + S(".png"));
        // Neither a long name nor the join's title widens the window.
        const int width = form->width();
        form->labConvertingFile->setText(S("Holiday at the seaside with the whole family in the "
                                           "summer of twenty twenty-six, part one of three.mp4"));
        QTest::qWait(20);
        form->labConvertingFile->hide();
        form->labProcessTitle->setText(S("Final Step: Joining all files..."));
        QTest::qWait(20);
        if (form->width() != width)
            faults << S("the running look grows from %1 to %2 px").arg(width).arg(form->width());
        form->labConvertingFile->show();
        form->panBottomLeft->hide();
        form->panBottomCenter->show();

        Look(form->OpSettingForm, name("output-settings"));
        Look(form->SettingForm, name("preferences"));
        Look(form->AboutForm, name("about"));
        QMessageBox *fit = (MakeFitBox(
            form.get(),
            S("These files differ from most of the video:\nphone-upright.mp4: 1080x1920, 30 fps, "
              "AAC sound at 48 kHz\nold-camera.avi: 640x480, 25 fps, MP3 sound at 44.1 kHz\n"
              "Converting them takes about 00:01:12; the other files are joined as they are."),
            2));
        Look(fit, name("fit-box"));
        // Each file's line reads whole, on one line.
        if (auto *label = fit->findChild<QLabel *>(S("qt_msgbox_label")))
            for (const QString &line : label->text().split(u'\n'))
                if (label->fontMetrics().horizontalAdvance(line) > label->width())
                    faults << S("fit box: \"%1\" breaks").arg(line);
        QMessageBox *refusal = (MakeMessageBox(
            form.get(), S("Quintor Video Joiner"),
            S("cutoff.mp4 ends before its index was written: the recording was cut short, and "
              "its pictures cannot be found without it."),
            MessageIcon::Error));
        refusal->setDetailedText(S("/home/user/Videos/cutoff.mp4: '' is not a valid floating "
                                   "point value."));
        Look(refusal, name("refusal"));
        QMessageBox *exists = (MakeMessageBox(
            form.get(), S("File Exists"),
            S("The output file is existent. Do you want to continue and overwrite it? \n\rClick "
              "\"No\" to specify another output filename."),
            MessageIcon::Question));
        exists->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        Look(exists, name("file-exists"));
        form.reset(); // and the boxes it owns
    }

    QStringList faults;
    const QString shots = qEnvironmentVariableIsEmpty("QVJ_SCREENSHOT_DIR")
        ? QString()
        : qEnvironmentVariable("QVJ_SCREENSHOT_DIR") + QLatin1Char('/');
};

TEST_F(WindowsFit, AtEveryFontAndScale)
{
    const QString scale = qEnvironmentVariable("QVJ_WALK_SCALE");
    if (!scale.isEmpty()) { // one scale, in a run of its own
        const QFont desktopFont = QApplication::font();
        for (const int points : {9, 11, 14}) {
            SCOPED_TRACE(points);
            const qsizetype before = faults.size();
            WalkEveryWindow(points, scale);
            for (qsizetype i = before; i < faults.size(); ++i)
                faults[i] = S("%1 pt x%2: ").arg(points).arg(scale) + faults[i];
        }
        QApplication::setFont(desktopFont);
        for (const QString &fault : faults)
            std::cout << "FAULT " << fault.toStdString() << std::endl;
        EXPECT_EQ(faults, QStringList());
        return;
    }
    // A screen of 1920 by 1080 points at either scale, where the platform is the offscreen one.
    QTemporaryDir dir;
    for (const int factor : {1, 2}) {
        SCOPED_TRACE(factor);
        const QString config = dir.filePath(S("screen%1.json").arg(factor));
        test::WriteFile(config,
                        S("{\"screens\": [{\"name\": \"walk\", \"x\": 0, \"y\": 0, "
                          "\"width\": %1, \"height\": %2, \"logicalDpi\": 96, "
                          "\"logicalBaseDpi\": 96, \"dpr\": 1}]}")
                            .arg(1920 * factor)
                            .arg(1080 * factor)
                            .toUtf8());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(S("QVJ_WALK_SCALE"), QString::number(factor));
        env.insert(S("QT_SCALE_FACTOR"), QString::number(factor));
        if (QGuiApplication::platformName() == S("offscreen"))
            env.insert(S("QT_QPA_PLATFORM"), S("offscreen:configfile=") + config);
        QProcess walk;
        walk.setProcessEnvironment(env);
        walk.setProcessChannelMode(QProcess::MergedChannels);
        walk.start(QCoreApplication::applicationFilePath(),
                   {S("--gtest_filter=WindowsFit.AtEveryFontAndScale")});
        ASSERT_TRUE(walk.waitForFinished(600000));
        const QString out = QString::fromLocal8Bit(walk.readAll());
        QStringList found;
        for (const QString &line : out.split(u'\n'))
            if (line.startsWith(S("FAULT ")))
                found << line.mid(6);
        EXPECT_EQ(found, QStringList());
        EXPECT_EQ(walk.exitCode(), 0) << out.right(3000).toStdString();
    }
}

} // namespace
