// The program without a mouse and through a screen reader: every interactive control of every
// window named and of its role, Tab through every command, the shortcuts (a real join started
// with Ctrl+Return and stopped with Escape, its progress read back through the accessibility
// interface), the list sorted and dropped on, and text readable under a dark palette.
#include "MainFormSupport.h"

#include "pipeline/job/JoinJob.h"
#include "tasks/Thumbnails.h"
#include "ui/TAboutForm.h"
#include "ui/TSettingForm.h"
#include "ui/TopSettingForm.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleFactory>

#include <cmath>
#include <iostream>
#include <map>
#include <set>

using namespace qvj;
using namespace qvj::mainwin;

namespace {

// Contrast of two colours as the accessibility guidelines define it (1 to 21).
double Contrast(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF())
            + 0.0722 * channel(c.blueF());
    };
    const double x = luminance(a) + 0.05, y = luminance(b) + 0.05;
    return std::max(x, y) / std::min(x, y);
}

// What a text is drawn on: the mean colour of its area's edge rows, which the text leaves free
// (a gradient behind it too).
QColor Background(const QImage &image, const QRect &area)
{
    double r = 0, g = 0, b = 0;
    int n = 0;
    for (const int y : {area.top(), area.bottom()})
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.rect().contains(x, y)) {
                const QColor c = image.pixelColor(x, y);
                r += c.redF(), g += c.greenF(), b += c.blueF(), ++n;
            }
    return n ? QColor::fromRgbF(float(r / n), float(g / n), float(b / n)) : QColor();
}

// The name a screen reader gives a control; on this platform a choice list is named only by
// the label that points to it (its own name is the value it shows).
QString NameOf(QWidget *w)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    if (!iface)
        return {};
    if (!qobject_cast<QComboBox *>(w))
        return iface->text(QAccessible::Name).trimmed();
    for (const auto &relation : iface->relations(QAccessible::Label))
        return relation.first->text(QAccessible::Name).trimmed();
    return {};
}

QAccessible::Role ExpectedRole(QWidget *w)
{
    if (qobject_cast<QCheckBox *>(w))
        return QAccessible::CheckBox;
    if (qobject_cast<QRadioButton *>(w))
        return QAccessible::RadioButton;
    if (qobject_cast<QAbstractButton *>(w))
        return QAccessible::Button;
    if (qobject_cast<QComboBox *>(w))
        return QAccessible::ComboBox;
    if (qobject_cast<QAbstractSpinBox *>(w))
        return QAccessible::SpinBox;
    if (qobject_cast<QLineEdit *>(w) || qobject_cast<QPlainTextEdit *>(w))
        return QAccessible::EditableText;
    if (qobject_cast<QTreeView *>(w))
        return QAccessible::Tree;
    if (qobject_cast<QProgressBar *>(w))
        return QAccessible::ProgressBar;
    return QAccessible::StaticText; // a link of the About box: read by its text
}

// The controls a user acts on or reads a value from, without the inner parts of composite
// ones (a choice list's edit and popup, a spin box's edit, a list's scroll bars and header).
bool Interactive(QWidget *w)
{
    for (QWidget *p = w->parentWidget(); p; p = p->parentWidget())
        if (qobject_cast<QComboBox *>(p) || qobject_cast<QAbstractScrollArea *>(p)
            || qobject_cast<QAbstractSpinBox *>(p))
            return false;
    if (qobject_cast<QScrollBar *>(w) || qobject_cast<QMenu *>(w))
        return false;
    return qobject_cast<QAbstractButton *>(w) || qobject_cast<QComboBox *>(w)
        || qobject_cast<QLineEdit *>(w) || qobject_cast<QAbstractItemView *>(w)
        || qobject_cast<QProgressBar *>(w) || qobject_cast<QPlainTextEdit *>(w)
        || (w->focusPolicy() & Qt::TabFocus);
}

class KeyboardAndReader : public WindowTest
{
protected:
    void Open(const QStringList &clips)
    {
        QDir(work.path()).mkpath(QStringLiteral("temp"));
        test::WriteFile(Ini(),
                        "[Main]\r\nProfile=1\r\nAsk=1\r\nTemp Dir="
                            + work.filePath(QStringLiteral("temp")).toUtf8() + "\r\n");
        Start(clips);
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }
    QTemporaryDir work;
};

TEST_F(KeyboardAndReader, EveryControlOfEveryWindowHasANameAndItsRole)
{
    Open({Clip(QStringLiteral("name-a")), Clip(QStringLiteral("name-b"))});
    QStringList faults;
    int walked = 0;
    for (QWidget *window : std::initializer_list<QWidget *> {form.get(), form->OpSettingForm,
                                                             form->SettingForm, form->AboutForm}) {
        QList<QWidget *> widgets = window->findChildren<QWidget *>();
        for (QWidget *w : widgets) {
            if (w->window() != window || !Interactive(w))
                continue;
            ++walked;
            const QString where = window->objectName() + QLatin1Char('/') + w->objectName()
                + QLatin1Char(' ') + QLatin1String(w->metaObject()->className());
            const QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
            if (NameOf(w).isEmpty())
                faults << where + QStringLiteral(": no name");
            const QAccessible::Role role = iface ? iface->role() : QAccessible::NoRole;
            const QAccessible::Role expected = ExpectedRole(w);
            // A tool button is a push button; either is a button.
            const auto *button = qobject_cast<QAbstractButton *>(w);
            const bool fits = role == expected
                || (expected == QAccessible::Button && role == QAccessible::PushButton)
                || (expected == QAccessible::Button && button->isCheckable()
                    && role == QAccessible::CheckBox)
                // Qt calls a radio button that is not exclusive (the preferences allow none of
                // the three marked) a check box.
                || (expected == QAccessible::RadioButton && !button->autoExclusive()
                    && role == QAccessible::CheckBox);
            if (!fits)
                faults << where + QStringLiteral(": role %1").arg(int(role));
        }
    }
    for (QAction *action : form->ppmTask->actions())
        if (!action->isSeparator() && action->text().isEmpty())
            faults << QStringLiteral("ppmTask: an entry without a name");
    std::cout << "walked " << walked << " interactive controls in 4 windows, " << faults.size()
              << " without a name or of the wrong role\n";
    EXPECT_GT(walked, 40);
    EXPECT_EQ(faults, QStringList());

    // The list's columns and cells say what they hold.
    EXPECT_EQ(form->TaskList().index(0, 1).data(Qt::AccessibleDescriptionRole).toString(),
              QStringLiteral("Length"));
    EXPECT_EQ(form->TaskList().index(0, 0).data(Qt::AccessibleDescriptionRole).toString(),
              "Input File, with a picture from the video");
}

// Tab reaches every command in the window's order; the shortcuts act, are shown in the
// tooltips and the popup; a join is started with Ctrl+Return, stopped with Escape and run
// again to its end, its progress read back through the accessibility interface.
TEST_F(KeyboardAndReader, AJoinFromTheKeyboard)
{
    const QString a = Clip(QStringLiteral("keys-a"), 3.0), b = Clip(QStringLiteral("keys-b"));
    Open({b});
    QStringList chain;
    QWidget *w = form->tbtnAddFile;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled()
            && w->window() == form.get())
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != form->tbtnAddFile);
    EXPECT_EQ(chain.join(QLatin1Char(' ')),
              "tbtnAddFile tbtnAddDir tbtnSetting tbtnAbout tbtnHelp ltvTask tbtnRemove tbtnClear "
              "tbtnUp tbtnDown cmbProfile bbtnSetting edtOutputFile bbtnBrowser bbtnOpen imgStart");
    EXPECT_TRUE(form->tbtnAddFile->toolTip().endsWith(QStringLiteral("(Ctrl+O)")));
    EXPECT_TRUE(form->imgStart->toolTip().endsWith(QStringLiteral("(Ctrl+Return)")));
    EXPECT_EQ(form->AddDirectorys1->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+O")));
    EXPECT_EQ(form->Remove1->shortcut(), QKeySequence(Qt::Key_Delete));

    // Ctrl+O adds and selects what it added, so Ctrl+Up moves it at once; with nothing
    // selected the moves take the current row. Space on Start with the focus there.
    dialogs.answers = {{a}};
    Key(Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(Column(*form, 0), (QStringList {b, a}));
    EXPECT_EQ(form->SelectedRows(), QList<int> {1});
    form->ltvTask->setFocus();
    Key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(Column(*form, 0), (QStringList {a, b}));
    form->ltvTask->clearSelection();
    Key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(Column(*form, 0), (QStringList {b, a}));
    Key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(Column(*form, 0), (QStringList {a, b}));
    EXPECT_EQ(form->SelectedRows(), QList<int> {0});
    form->edtOutputFile->setText(work.filePath(QStringLiteral("joined")));
    form->edtOutputFile->setFocus();
    Key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(form->imgStop->isVisible() && form->imgStop->hasFocus());
    Key(Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !form->Job().IsActive(); }, 60000));
    EXPECT_EQ(Calls(), QStringList {"message|Cancel|The Coversion is canceled."});
    EXPECT_TRUE(form->imgStart->hasFocus());

    // Again, to the end, with Space on Start: the bars read back what they show.
    QList<double> readBack;
    QStringList described;
    QObject::connect(&form->Job(), &JoinJob::totalProgressChanged, form.get(), [&] {
        readBack << QAccessible::queryAccessibleInterface(form->pgbTotal)
                        ->valueInterface()
                        ->currentValue()
                        .toDouble()
                 << form->pgbTotal->value();
        described << QAccessible::queryAccessibleInterface(form->pgbCurrent)
                         ->text(QAccessible::Description);
    });
    // The description is also read as each file begins: a short conversion may move the
    // total bar only once.
    QObject::connect(&form->Job(), &JoinJob::currentFileChanged, form.get(), [&] {
        described << QAccessible::queryAccessibleInterface(form->pgbCurrent)
                         ->text(QAccessible::Description);
    });
    desktop.calls.clear();
    Key(Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !form->Job().IsActive(); }, 120000));
    EXPECT_TRUE(
        Calls().value(0).startsWith("message|Complete|The joining is completed successfully.\n"))
        << Calls().value(0).toStdString();
    ASSERT_GE(readBack.size(), 4);
    for (qsizetype i = 0; i + 1 < readBack.size(); i += 2)
        EXPECT_EQ(readBack[i], readBack[i + 1]);
    EXPECT_EQ(readBack.last(), 100);
    EXPECT_TRUE(described.contains("Prepare (Converting): " + QFileInfo(a).fileName()))
        << described.join(QLatin1Char('|')).toStdString();
    Key(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(form->isVisible());
}

// The popup's sorts keep each row's texts and picture with its file and the selection; files
// dropped on the list from outside are still added; Escape cancels the Output Settings.
TEST_F(KeyboardAndReader, SortDropAndEscape)
{
    const QStringList clips = {Clip(QStringLiteral("clip10")), Clip(QStringLiteral("clip2")),
                               Clip(QStringLiteral("clip1"), 2.0)};
    Open(clips);
    TaskListModel &list = form->TaskList();
    const auto rows = [&] {
        std::map<QString, QString> byPath;
        for (int i = 0; i < list.Count(); ++i)
            byPath[list.index(i, 0).data().toString()]
                = list.index(i, 1).data().toString()
                + QString::number(
                      list.index(i, 0).data(Qt::DecorationRole).value<QPixmap>().cacheKey());
        return byPath;
    };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return form->Thumbnails().Running() + form->Thumbnails().Queued() == 0; }, 30000));
    const auto before = rows();
    form->ltvTask->selectionModel()->select(
        list.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    form->ppmTaskPopup();
    EXPECT_TRUE(form->SortByName1->isEnabled() && form->SortByTime1->isEnabled());
    form->SortByName1->trigger();
    EXPECT_EQ(Column(*form, 0), (QStringList {clips[2], clips[1], clips[0]}));
    EXPECT_EQ(form->SelectedRows(), QList<int> {2});
    EXPECT_EQ(rows(), before);
    form->SortByTime1->trigger(); // made in this order: clip10, clip2, clip1
    EXPECT_EQ(Column(*form, 0), clips);
    EXPECT_EQ(form->SelectedRows(), QList<int> {0});

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(clips[1])});
    desktop.answers = {true};
    DropOnList(*form, files);
    EXPECT_EQ(Column(*form, 0), clips + QStringList {clips[1]});

    // Escape in the Output Settings gives back what was there when the dialog opened.
    TopSettingForm &settings = *form->OpSettingForm;
    settings.ShowDialog();
    QComboBox *bitrate = settings.Box(ProfileOption::VideoBitrate);
    const QString kept = bitrate->currentText();
    bitrate->setFocus();
    QTest::keyClicks(bitrate, QStringLiteral("99"));
    EXPECT_NE(form->Profile().Text(ProfileOption::VideoBitrate), kept);
    QTest::keyClick(bitrate, Qt::Key_Escape);
    EXPECT_FALSE(settings.isVisible());
    EXPECT_EQ(form->Profile().Text(ProfileOption::VideoBitrate), kept);
}

// Under a dark palette every text the windows show keeps a contrast of 4.5 to 1 against what
// is drawn behind it; QVJ_SCREENSHOT_DIR keeps the pictures.
TEST_F(KeyboardAndReader, TextIsReadableUnderADarkPalette)
{
    const QPalette light = QApplication::palette();
    const QPalette dark = DarkPalette();
    QStringList faults;
    for (const bool isDark : {true, false}) {
        QApplication::setPalette(isDark ? dark : light);
        Open({Clip(QStringLiteral("dark-a")), Clip(QStringLiteral("dark-b"))});
        form->panBottomLeft->show(); // the progress panel too, beside the idle one's place
        for (QWidget *window : std::initializer_list<QWidget *> {
                 form.get(), form->AboutForm, form->SettingForm, form->OpSettingForm}) {
            if (window != form.get())
                static_cast<QDialog *>(window)->show();
            QTest::qWait(50);
            const QImage shot = window->grab().toImage();
            if (const QByteArray dir = qgetenv("QVJ_SCREENSHOT_DIR"); !dir.isEmpty())
                shot.save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + window->objectName()
                          + (isDark ? QStringLiteral("-dark.png") : QStringLiteral("-light.png")));
            for (QLabel *label : window->findChildren<QLabel *>()) {
                if (!label->isVisibleTo(window) || label->text().isEmpty()
                    || !label->pixmap().isNull())
                    continue;
                const QRect area(label->mapTo(window, QPoint(0, 0)), label->size());
                const QColor fg = label->palette().color(label->foregroundRole());
                const double ratio = Contrast(fg, Background(shot, area));
                if (ratio < 4.5)
                    faults << QStringLiteral("%1/%2 %3")
                                  .arg(window->objectName(), label->objectName(), label->text())
                            + QString::asprintf(" %.2f", ratio);
            }
            if (window != form.get())
                window->hide();
        }
        // The list's header keeps its own light colour and dark text.
        const QImage header = form->ltvTask->header()->grab().toImage();
        EXPECT_GE(Contrast(QColor(0x1f, 0x23, 0x29), Background(header, header.rect())), 4.5);
    }
    QApplication::setPalette(light);
    EXPECT_EQ(faults, QStringList());
}

} // namespace
