#include "ui/TAboutForm.h"
#include "ui/DialogPlacement.h"

#include "platform/Desktop.h"
#include "ui/KeyboardLink.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>

// The resources live in a static library: their initialiser must be referenced to be linked in.
// (Outside any namespace, as the initialiser's declaration requires.)
static void InitResources()
{
    Q_INIT_RESOURCE(ui);
}

namespace {

constexpr int kClientWidth = 476;
constexpr int kClientHeight = 330;

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, const QRect &geometry,
                  const QColor &colour)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

// Puts a link right after the caption it belongs to, whatever the desktop's font.
void PlaceAfter(QLabel *caption, QLabel *link)
{
    const int captionWidth = caption->fontMetrics().horizontalAdvance(caption->text());
    caption->resize(captionWidth + 2, caption->height());
    const int x = caption->x() + captionWidth + 8;
    link->setGeometry(x, caption->y(), link->fontMetrics().horizontalAdvance(link->text()) + 4,
                      caption->height());
}

void MakeLink(QLabel *label, bool underline)
{
    QFont font = label->font();
    font.setUnderline(underline);
    label->setFont(font);
    label->setCursor(Qt::PointingHandCursor);
}

} // namespace

TAboutForm::TAboutForm(const QString &versionText, Desktop &desktop, QWidget *mainWindow)
    : QDialog(mainWindow,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                  | Qt::WindowCloseButtonHint)
    , m_desktop(desktop)
    , m_mainWindow(mainWindow)
{
    InitResources();
    m_background = new QSvgRenderer(QStringLiteral(":/ui/images/about-background.svg"), this);
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(kClientWidth, kClientHeight);

    const QColor light(0xff, 0xff, 0xff);
    const QColor dark(0x1f, 0x2a, 0x3c);
    const QColor link(0x00, 0x4c, 0xd6);
    labProgramName = MakeLabel(this, "labProgramName", QStringLiteral("labProgramName"),
                               QRect(160, 20, 296, 46), light);
    labVersion = MakeLabel(this, "labVersion", QStringLiteral("labVersion"),
                           QRect(160, 70, 296, 22), QColor(0xd8, 0xe4, 0xf8));
    labNotice
        = MakeLabel(this, "labNotice", QStringLiteral("labNotice"), QRect(28, 138, 428, 20), dark);
    labNotice2 = MakeLabel(this, "labNotice2",
                           QStringLiteral("This program is protected by copyright law and "
                                          "international treaties."),
                           QRect(28, 160, 428, 40), dark);
    labNotice2->setWordWrap(true);
    labVisitWebsite = MakeLabel(this, "labVisitWebsite", QStringLiteral("Visit our website"),
                                QRect(28, 212, 190, 20), dark);
    labWebsite = MakeLabel(this, "labWebsite", QStringLiteral("labWebsite"),
                           QRect(218, 212, 238, 20), link);
    Label7 = MakeLabel(this, "Label7", QStringLiteral("More video converting softwares"),
                       QRect(28, 238, 190, 20), dark);
    labMore = MakeLabel(this, "labMore", QStringLiteral("(More)"), QRect(218, 238, 80, 20), link);
    // The address is underlined; "(More)" is only blue.
    MakeLink(labWebsite, true);
    MakeLink(labMore, false);
    labWebsite->installEventFilter(this);
    labMore->installEventFilter(this);
    MakeKeyboardLink(labWebsite);
    MakeKeyboardLink(labMore);

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(364, 284, 92, 28);
    btnOK->setDefault(true);
    btnOK->setFocus(); // Enter closes the box, Tab reaches the links
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate(versionText);
}

void TAboutForm::FormCreate(const QString &versionText)
{
    labProgramName->setText(QString::fromLatin1(kProductName));
    // Large bold italic type, made smaller only where the desktop's font would not fit.
    QFont font = labProgramName->font();
    font.setBold(true);
    font.setItalic(true);
    for (int size = 22; size >= 12; --size) {
        font.setPointSize(size);
        if (QFontMetrics(font).horizontalAdvance(labProgramName->text())
            <= labProgramName->width() - 8)
            break;
    }
    labProgramName->setFont(font);
    labProgramName->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labVersion->setText(QStringLiteral("Version ") + versionText);
    labVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labNotice->setText(QStringLiteral("Copyright \u00a9 ") + QLatin1String(kYearText)
                       + QLatin1Char(' ') + QLatin1String(kCompanyName)
                       + QStringLiteral(". All rights reserved."));
    labWebsite->setText(QLatin1String(kWebSite));
    PlaceAfter(labVisitWebsite, labWebsite);
    PlaceAfter(Label7, labMore);
}

void TAboutForm::ShowDialog()
{
    ShowCentredOn(this, m_mainWindow);
}

bool TAboutForm::eventFilter(QObject *watched, QEvent *event)
{
    if (IsLinkActivation(watched, event)) {
        if (watched == labWebsite)
            labWebsiteClick();
        else if (watched == labMore)
            labMoreClick();
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        auto *label = qobject_cast<QLabel *>(watched);
        if (mouse->button() == Qt::LeftButton && label
            && label->rect().contains(mouse->position().toPoint())) {
            if (label == labWebsite)
                labWebsiteClick();
            else if (label == labMore)
                labMoreClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutForm::labWebsiteClick()
{
    OpenOrSay(m_desktop, QStringLiteral("The link"), labWebsite->text());
}

void TAboutForm::labMoreClick()
{
    OpenOrSay(m_desktop, QStringLiteral("The link"), QLatin1String(kWebSite));
}

void TAboutForm::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    m_background->render(&painter, QRectF(rect()));
}
