#include "ui/TAboutForm.h"
#include "ui/DialogPlacement.h"

#include "platform/Desktop.h"
#include "ui/KeyboardLink.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QVBoxLayout>

#include <algorithm>

// The resources live in a static library: their initialiser must be referenced to be linked in.
// (Outside any namespace, as the initialiser's declaration requires.)
static void InitResources()
{
    Q_INIT_RESOURCE(ui);
}

namespace {

// The picture behind the box: its band (0..120 of 330) holds the name and the version in light
// type, the body below it the notice and the links. It is stretched over the whole box.
constexpr int kPictureWidth = 476;
constexpr int kPictureHeight = 330;
constexpr int kPictureBand = 120;
// The band's logo takes its left; its texts begin after it.
constexpr int kBandTextLeft = 160;

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, const QColor &colour)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

void MakeLink(QLabel *label, bool underline)
{
    QFont font = label->font();
    font.setUnderline(underline);
    label->setFont(font);
    label->setCursor(Qt::PointingHandCursor);
}

// A caption and its link on one line, the link right after the caption.
QHBoxLayout *LinkRow(QLabel *caption, QLabel *link)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(8);
    row->addWidget(caption);
    row->addWidget(link);
    row->addStretch(1);
    return row;
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

    const QColor light(0xff, 0xff, 0xff);
    const QColor dark(0x1f, 0x2a, 0x3c);
    const QColor link(0x00, 0x4c, 0xd6);
    m_band = new QWidget(this);
    auto *band = new QVBoxLayout(m_band);
    band->setContentsMargins(kBandTextLeft, 20, 20, 0);
    band->setSpacing(4);
    labProgramName = MakeLabel(m_band, "labProgramName", QStringLiteral("labProgramName"), light);
    labVersion
        = MakeLabel(m_band, "labVersion", QStringLiteral("labVersion"), QColor(0xd8, 0xe4, 0xf8));
    band->addWidget(labProgramName);
    band->addWidget(labVersion);
    band->addStretch(1);

    m_body = new QWidget(this);
    auto *body = new QVBoxLayout(m_body);
    body->setContentsMargins(28, 18, 20, 18);
    body->setSpacing(2);
    labNotice = MakeLabel(m_body, "labNotice", QStringLiteral("labNotice"), dark);
    labNotice2 = MakeLabel(m_body, "labNotice2",
                           QStringLiteral("This program is protected by copyright law and "
                                          "international treaties."),
                           dark);
    labVisitWebsite
        = MakeLabel(m_body, "labVisitWebsite", QStringLiteral("Visit our website"), dark);
    labWebsite = MakeLabel(m_body, "labWebsite", QStringLiteral("labWebsite"), link);
    Label7 = MakeLabel(m_body, "Label7", QStringLiteral("More video converting softwares"), dark);
    labMore = MakeLabel(m_body, "labMore", QStringLiteral("(More)"), link);
    body->addWidget(labNotice);
    body->addWidget(labNotice2);
    body->addSpacing(12);
    body->addLayout(LinkRow(labVisitWebsite, labWebsite));
    body->addSpacing(6);
    body->addLayout(LinkRow(Label7, labMore));
    body->addStretch(1);
    // The address is underlined; "(More)" is only blue.
    MakeLink(labWebsite, true);
    MakeLink(labMore, false);
    labWebsite->installEventFilter(this);
    labMore->installEventFilter(this);
    MakeKeyboardLink(labWebsite);
    MakeKeyboardLink(labMore);

    btnOK = new QPushButton(QStringLiteral("&OK"), m_body);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setMinimumSize(92, 28);
    btnOK->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    body->addLayout(buttons);
    btnOK->setFocus(); // Enter closes the box, Tab reaches the links
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate(versionText);
}

void TAboutForm::FormCreate(const QString &versionText)
{
    labProgramName->setText(QString::fromLatin1(kProductName));
    // Large bold italic type, larger still with a larger desktop font.
    QFont font = labProgramName->font();
    font.setBold(true);
    font.setItalic(true);
    font.setPointSizeF(std::max(22.0, font.pointSizeF() * 2.4));
    labProgramName->setFont(font);
    labProgramName->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labVersion->setText(QStringLiteral("Version ") + versionText);
    labVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labNotice->setText(QStringLiteral("Copyright \u00a9 ") + QLatin1String(kYearText)
                       + QLatin1Char(' ') + QLatin1String(kCompanyName)
                       + QStringLiteral(". All rights reserved."));
    labWebsite->setText(QLatin1String(kWebSite));
    LayOut();
}

void TAboutForm::LayOut()
{
    // The band and the body keep the picture's proportions (120 to 210): whichever needs more
    // room sets the height, the other gets the rest; the width is the widest line's.
    // The picture is stretched to the box's width, its logo with it: the band's texts begin
    // where the stretched logo ends.
    QLayout *bandLayout = m_band->layout();
    QMargins margins = bandLayout->contentsMargins();
    const int bandText = bandLayout->sizeHint().width() - margins.left();
    const int pictureRest = kPictureWidth - kBandTextLeft;
    const QSize bodyNeed = m_body->layout()->sizeHint();
    const int bodyShare = kPictureHeight - kPictureBand;
    int band = std::max(bandLayout->sizeHint().height() + 28,
                        bodyNeed.height() * kPictureBand / bodyShare);
    band = std::max(band, kPictureBand);
    const int body
        = std::max(bodyNeed.height(), (band * bodyShare + kPictureBand - 1) / kPictureBand);
    const int width
        = std::max({kPictureWidth, (bandText * kPictureWidth + pictureRest - 1) / pictureRest,
                    bodyNeed.width()});
    margins.setLeft(kBandTextLeft * width / kPictureWidth);
    bandLayout->setContentsMargins(margins);
    m_band->setGeometry(0, 0, width, band);
    m_body->setGeometry(0, band, width, body);
    setFixedSize(width, band + body);
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
