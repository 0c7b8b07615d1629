#include "app/QtDesktop.h"

#include "app/FitBox.h"

#include "platform/Paths.h"
#include "platform/RawNames.h"
#include "platform/System.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QStandardPaths>
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

void QtDesktop::ShowDetailedError(const QString &error, const QString &details)
{
    QMessageBox *box = MakeMessageBox(boxOwner(m_owner), QString::fromLatin1(kProductName),
                                      GeneralErrorText(error), MessageIcon::Error);
    if (!details.isEmpty())
        box->setDetailedText(details);
    runBox(box);
}

void QtDesktop::ShowMessage(const QString &title, const QString &text, MessageIcon icon)
{
    runBox(MakeMessageBox(boxOwner(m_owner), title, text, icon));
}

void QtDesktop::ShowMessageThen(const QString &title, const QString &text, MessageIcon icon,
                                std::function<void()> then)
{
    ShowDetailedMessageThen(title, text, QString(), icon, std::move(then));
}

void QtDesktop::ShowDetailedMessageThen(const QString &title, const QString &text,
                                        const QString &details, MessageIcon icon,
                                        std::function<void()> then)
{
    // Modal without a loop of its own: the caller's work goes on in then, from the event loop,
    // once the box is closed. A box that goes with its owner runs nothing.
    QMessageBox *box = MakeMessageBox(boxOwner(m_owner), title, text, icon);
    if (!details.isEmpty())
        box->setDetailedText(details);
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

QString QtDesktop::OpenPath(const QString &path)
{
    // A web address (the About box's links) opens in the browser; anything else is a file.
    const bool link
        = path.startsWith(QLatin1String("https://")) || path.startsWith(QLatin1String("http://"));
    if (!link && !FileExists(path) && !DirectoryExists(path))
        return QStringLiteral("It does not exist: it may have been moved, renamed or deleted.");
    if (QDesktopServices::openUrl(link ? QUrl(path) : UrlFromName(path)))
        return QString();
    return OpenFailureReason(link, DirectoryExists(path),
                             !QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty());
}

QString OpenFailureReason(bool link, bool folder, bool openerInstalled)
{
    if (!openerInstalled)
        return QStringLiteral("The desktop's opener, xdg-open, is not installed (it comes with "
                              "the package xdg-utils).");
    if (link)
        return QStringLiteral("No web browser could be started for it.");
    if (folder)
        return QStringLiteral("No file manager could be started for it.");
    return QStringLiteral("The desktop has no program set up to open this kind of file.");
}

QString QtDesktop::PowerOff()
{
    return PowerOffComputer();
}
