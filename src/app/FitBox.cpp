#include "app/FitBox.h"

#include "app/QtDesktop.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>

#include <algorithm>

// Each file's line reads whole: the box is as wide as its widest line (up to most of the
// screen), and a number never parts from the word after it ("30 fps") where a line must break.
static void KeepLinesWhole(QMessageBox *box, const QString &question)
{
    static const QRegularExpression numberAndWord(QStringLiteral("(\\d) (?=\\w)"));
    QString text = question;
    text.replace(numberAndWord, QStringLiteral("\\1\u00a0"));
    box->setText(text);
    auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    if (!label)
        return;
    const QFontMetrics metrics(label->font());
    int widest = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const QScreen *screen = box->screen() ? box->screen() : QGuiApplication::primaryScreen();
    // The message box is never wider than this (less its icon and margins) however wide its text.
    const int screenWidth = screen ? screen->availableGeometry().width() : 1024;
    const int most = (screenWidth <= 1024 ? screenWidth : std::min(screenWidth - 480, 1000)) - 120;
    label->setMinimumWidth(std::min(widest + metrics.averageCharWidth(), most));
}

QMessageBox *MakeFitBox(QWidget *owner, const QString &question, int count)
{
    QMessageBox *box = MakeMessageBox(owner, QStringLiteral("Files That Differ"), question,
                                      MessageIcon::Question);
    box->setStandardButtons(QMessageBox::NoButton);
    QPushButton *convert
        = box->addButton(count == 1
                             ? QStringLiteral("Convert this file to match and join")
                             : QStringLiteral("Convert these %1 files to match and join").arg(count),
                         QMessageBox::AcceptRole);
    box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(convert);
    box->setProperty("qvjConvert", QVariant::fromValue<QObject *>(convert));
    KeepLinesWhole(box, question);
    return box;
}

void ShowFitBox(QWidget *owner, const QString &question, int count, std::function<void(bool)> then)
{
    QMessageBox *box = MakeFitBox(owner, question, count);
    QObject::connect(box, &QDialog::finished, box, [box, then = std::move(then)] {
        box->deleteLater();
        then(box->clickedButton() == box->property("qvjConvert").value<QObject *>());
    });
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}
