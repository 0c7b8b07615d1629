#include "app/QtDesktop.h"

#include "app/FitBox.h"

#include "platform/System.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>

QtDesktop::QtDesktop(QWidget *owner)
    : m_owner(owner)
{
}

static QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

// The box's owner: the window that is active now when it is one of ours (a dialog asks for
// itself), else the main window.
static QWidget *boxOwner(QWidget *owner)
{
    QWidget *active = QApplication::activeModalWidget();
    return active ? active : owner;
}

QString BoxText(const QString &text)
{
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

QMessageBox *MakeMessageBox(QWidget *owner, const QString &title, const QString &text,
                            MessageIcon icon)
{
    auto *box = new QMessageBox(boxIcon(icon), title, BoxText(text),
                                icon == MessageIcon::Question
                                    ? QMessageBox::Yes | QMessageBox::No
                                    : QMessageBox::StandardButtons(QMessageBox::Ok),
                                owner);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    return box;
}

static int runBox(QMessageBox *box)
{
    QPointer<QMessageBox> guard(box);
    const int result = box->exec();
    delete guard.data();
    return result;
}

void QtDesktop::ShowError(const QString &error)
{
    runBox(MakeMessageBox(boxOwner(m_owner), QString::fromLatin1(kProductName),
                          GeneralErrorText(error), MessageIcon::Error));
}

void QtDesktop::ShowMessage(const QString &title, const QString &text, MessageIcon icon)
{
    runBox(MakeMessageBox(boxOwner(m_owner), title, text, icon));
}

void QtDesktop::ShowMessageThen(const QString &title, const QString &text, MessageIcon icon,
                                std::function<void()> then)
{
    // Modal without a loop of its own: the caller's work goes on in then, from the event loop,
    // once the box is closed. A box that goes with its owner runs nothing.
    QMessageBox *box = MakeMessageBox(boxOwner(m_owner), title, text, icon);
    QObject::connect(box, &QDialog::finished, box, [box, then = std::move(then)] {
        box->deleteLater();
        then();
    });
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}

bool QtDesktop::AskQuestion(const QString &title, const QString &text)
{
    return runBox(MakeMessageBox(boxOwner(m_owner), title, text, MessageIcon::Question))
        == QMessageBox::Yes;
}

void QtDesktop::AskToFitThen(const QString &question, const QString &, int count,
                             std::function<void(bool)> then)
{
    ShowFitBox(boxOwner(m_owner), question, count, std::move(then));
}

void QtDesktop::OpenPath(const QString &path)
{
    // A web address (the About box's links) opens in the browser; anything else is a file.
    if (path.startsWith(QLatin1String("https://")) || path.startsWith(QLatin1String("http://")))
        QDesktopServices::openUrl(QUrl(path));
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QString QtDesktop::PowerOff()
{
    return PowerOffComputer();
}
