// The controls of the Output Settings dialog and their places, row by row.
#include "ui/TopSettingForm.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>
#include <utility>

// The column widths shared by the dialog's grid and the grids of the two audio panels, so that
// the panels' labels and boxes line up with the rows above and below them.
struct TopSettingForm::Columns
{
    int field = 0;
    int label1 = 0;
    int unit1 = 0;
    int label2 = 0;
    int unit2 = 0;
};

namespace {

constexpr int kMinFieldWidth = 118;
constexpr int kSizeEditWidth = 64;
constexpr int kSpacing = 6;

QLabel *MakeLabel(const QString &text, QWidget *parent, const char *name = nullptr)
{
    auto *label = new QLabel(text, parent);
    if (name)
        label->setObjectName(QLatin1String(name));
    return label;
}

int WidestText(const QFontMetrics &metrics, std::initializer_list<const char *> texts)
{
    int widest = 0;
    for (const char *text : texts)
        widest = std::max(widest, metrics.horizontalAdvance(QLatin1String(text)));
    return widest + 4;
}

// The width of every option box: wide enough for the longest captions of the shipped profiles
// in the desktop's font and style, so that a chosen entry shows whole.
int FieldWidth()
{
    QComboBox sample;
    for (const char *caption : {"CBR (constant bitrate)", "VBR (variable bitrate)"})
        sample.addItem(QLatin1String(caption));
    sample.setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return std::max(kMinFieldWidth, sample.sizeHint().width());
}

// Label, box, unit, label, box, unit.
QGridLayout *MakeGrid(QWidget *owner, int field, int label1, int unit1, int label2, int unit2)
{
    auto *grid = new QGridLayout(owner);
    grid->setHorizontalSpacing(kSpacing);
    int column = 0;
    for (const int width : {label1, field, unit1, label2, field, unit2})
        grid->setColumnMinimumWidth(column++, width);
    // Any width to spare goes behind the last column, never between the columns.
    grid->setColumnStretch(column, 1);
    return grid;
}

// A control that shares its place with another keeps that place while hidden, so that the
// other lies exactly over it.
void KeepPlaceWhenHidden(QWidget *widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

} // namespace

QGridLayout *TopSettingForm::MakeColumns(QWidget *owner, const Columns &columns)
{
    return MakeGrid(owner, columns.field, columns.label1, columns.unit1, columns.label2,
                    columns.unit2);
}

QComboBox *TopSettingForm::MakeBox(ProfileOption option, const char *name, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setFixedWidth(m_fieldWidth);
    box->setMaxVisibleItems(16);
    if (IsEditable(option)) {
        // Typed text stays as typed: no completion, no item added on Enter.
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setCompleter(nullptr);
        connect(box->lineEdit(), &QLineEdit::textEdited, this,
                [this, option](const QString &text) { cmbVcodecEdit(option, text); });
    }
    connect(box, &QComboBox::activated, this,
            [this, option](int index) { cmbVcodecChange(option, index); });
    box->installEventFilter(this);
    m_boxes[size_t(option)] = box;
    return box;
}

void TopSettingForm::CreateControls()
{
    const QFontMetrics metrics = fontMetrics();
    Columns columns;
    m_fieldWidth = columns.field = FieldWidth();
    columns.label1 = WidestText(metrics,
                                {"Video Codec: ", "Video Bitrate:", "Audio Codec:",
                                 "Audio Bitrate:", "Encode To:", "Channels:"});
    columns.unit1 = WidestText(metrics, {"kbit", "Kbps"});
    columns.label2 = WidestText(metrics, {"Aspect:", "Quality:", "Bitrate:", "Sample Rate:"});
    columns.unit2 = WidestText(metrics, {"HZ"});

    QGridLayout *grid = MakeColumns(this, columns);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->setVerticalSpacing(8);
    grid->setContentsMargins(12, 12, 12, 12);
    CreateVideoRows(grid);
    grid->addWidget(CreateSizeGroup(), 2, 0, 1, 6);
    CreateAudioRows(grid, columns);
    CreateDescriptionAndButtons(grid);
    NameControls();
}

void TopSettingForm::NameControls()
{
    // Each caption names the box beside it for a screen reader (on this platform a choice list
    // is named only by the label that points to it).
    const std::pair<const char *, QWidget *> captions[] = {
        {"Video Codec: ", cmbVcodec}, {"Video Bitrate:", cmbVbitrate}, {"Aspect:", cmbAspect},
        {"Width:", edtWidth},         {"Height:", edtHeight},          {"Audio Codec:", cmbAcodec},
        {"Audio Bitrate:", cmbAbitrate}, {"Encode To:", cmbEncodeTo},  {"Quality:", cmbQuality},
        {"Bitrate:", cmbBitrate},     {"Channels:", cmbChannels},      {"Sample Rate:", cmbSrate},
    };
    const QList<QLabel *> labels = findChildren<QLabel *>();
    for (const auto &[text, box] : captions)
        for (QLabel *label : labels)
            if (label->text() == QLatin1String(text) && label->parentWidget() == box->parentWidget())
                label->setBuddy(box);
    // The list size has no caption on screen; its radio button and list are named all the same.
    const QString listSize = QStringLiteral("Output size from the list");
    rdbSelectSize->setAccessibleName(listSize);
    auto *unseen = new QLabel(listSize, gpbOutputSize);
    unseen->setObjectName(QStringLiteral("labListSize"));
    unseen->setBuddy(cmbVideoSize);
    unseen->hide();
    memDescription->setAccessibleName(QStringLiteral("Description"));
}

void TopSettingForm::CreateVideoRows(QGridLayout *grid)
{
    grid->addWidget(MakeLabel(QStringLiteral("Video Codec: "), this), 0, 0);
    cmbVcodec = MakeBox(ProfileOption::VideoCodec, "cmbVcodec", this);
    cmbVcodec->setMinimumWidth(0);
    cmbVcodec->setMaximumWidth(QWIDGETSIZE_MAX);
    grid->addWidget(cmbVcodec, 0, 1, 1, 4);

    grid->addWidget(MakeLabel(QStringLiteral("Video Bitrate:"), this), 1, 0);
    cmbVbitrate = MakeBox(ProfileOption::VideoBitrate, "cmbVbitrate", this);
    grid->addWidget(cmbVbitrate, 1, 1);
    grid->addWidget(MakeLabel(QStringLiteral("kbit"), this), 1, 2);
    grid->addWidget(MakeLabel(QStringLiteral("Aspect:"), this), 1, 3);
    cmbAspect = MakeBox(ProfileOption::Aspect, "cmbAspect", this);
    grid->addWidget(cmbAspect, 1, 4);
}

QGroupBox *TopSettingForm::CreateSizeGroup()
{
    gpbOutputSize = new QGroupBox(QStringLiteral("Output Size"), this);
    gpbOutputSize->setObjectName(QStringLiteral("gpbOutputSize"));
    rdbSelectSize = new QRadioButton(gpbOutputSize);
    rdbSelectSize->setObjectName(QStringLiteral("rdbSelectSize"));
    cmbVideoSize = MakeBox(ProfileOption::VideoSize, "cmbVideoSize", gpbOutputSize);
    cmbVideoSize->setFixedWidth(2 * m_fieldWidth + kSpacing);
    rdbManualSize = new QRadioButton(QStringLiteral("Manual"), gpbOutputSize);
    rdbManualSize->setObjectName(QStringLiteral("rdbManualSize"));
    // Both edits stay enabled whichever size is chosen.
    edtWidth = new QLineEdit(gpbOutputSize);
    edtWidth->setObjectName(QStringLiteral("edtWidth"));
    edtWidth->setFixedWidth(kSizeEditWidth);
    edtHeight = new QLineEdit(gpbOutputSize);
    edtHeight->setObjectName(QStringLiteral("edtHeight"));
    edtHeight->setFixedWidth(kSizeEditWidth);
    auto *choice = new QButtonGroup(this);
    choice->addButton(rdbSelectSize);
    choice->addButton(rdbManualSize);

    auto *grid = new QGridLayout(gpbOutputSize);
    grid->setHorizontalSpacing(kSpacing);
    grid->addWidget(rdbSelectSize, 0, 0);
    grid->addWidget(cmbVideoSize, 0, 1, 1, 4, Qt::AlignLeft);
    grid->addWidget(rdbManualSize, 1, 0);
    grid->addWidget(MakeLabel(QStringLiteral("Width:"), gpbOutputSize), 1, 1);
    grid->addWidget(edtWidth, 1, 2);
    grid->addWidget(MakeLabel(QStringLiteral("Height:"), gpbOutputSize), 1, 3);
    grid->addWidget(edtHeight, 1, 4);
    grid->setColumnStretch(5, 1);

    connect(rdbSelectSize, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            m_settings.SetSelectSize(true);
    });
    connect(rdbManualSize, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            m_settings.SetSelectSize(false);
    });
    connect(edtWidth, &QLineEdit::textEdited, this,
            [this](const QString &text) { m_settings.SetManualWidth(text); });
    connect(edtHeight, &QLineEdit::textEdited, this,
            [this](const QString &text) { m_settings.SetManualHeight(text); });
    return gpbOutputSize;
}

void TopSettingForm::CreateAudioRows(QGridLayout *grid, const Columns &columns)
{
    grid->addWidget(MakeLabel(QStringLiteral("Audio Codec:"), this), 3, 0);
    cmbAcodec = MakeBox(ProfileOption::AudioCodec, "cmbAcodec", this);
    grid->addWidget(cmbAcodec, 3, 1);

    // The audio bitrate panel and, in the same place, the MP3 panel.
    panLavc = new QWidget(this);
    panLavc->setObjectName(QStringLiteral("panLavc"));
    QGridLayout *lavc = MakeColumns(panLavc, columns);
    lavc->setContentsMargins(0, 0, 0, 0);
    lavc->addWidget(MakeLabel(QStringLiteral("Audio Bitrate:"), panLavc), 0, 0);
    cmbAbitrate = MakeBox(ProfileOption::AudioBitrate, "cmbAbitrate", panLavc);
    lavc->addWidget(cmbAbitrate, 0, 1);
    lavc->addWidget(MakeLabel(QStringLiteral("Kbps"), panLavc), 0, 2);

    panMP3 = new QWidget(this);
    panMP3->setObjectName(QStringLiteral("panMP3"));
    QGridLayout *mp3 = MakeColumns(panMP3, columns);
    mp3->setContentsMargins(0, 0, 0, 0);
    mp3->addWidget(MakeLabel(QStringLiteral("Encode To:"), panMP3), 0, 0);
    cmbEncodeTo = MakeBox(ProfileOption::Mp3Encode, "cmbEncodeTo", panMP3);
    mp3->addWidget(cmbEncodeTo, 0, 1);
    // An empty unit column keeps its spacing, so that the next pair lines up with the rows.
    mp3->addWidget(new QLabel(panMP3), 0, 2);
    // The quality pair and, exactly over it, the bitrate pair.
    labQuality = MakeLabel(QStringLiteral("Quality:"), panMP3, "labQuality");
    cmbQuality = MakeBox(ProfileOption::VbrQuality, "cmbQuality", panMP3);
    labBitrate = MakeLabel(QStringLiteral("Bitrate:"), panMP3, "labBitrate");
    cmbBitrate = MakeBox(ProfileOption::AbrCbrBitrate, "cmbBitrate", panMP3);
    mp3->addWidget(labQuality, 0, 3);
    mp3->addWidget(cmbQuality, 0, 4);
    mp3->addWidget(labBitrate, 0, 3);
    mp3->addWidget(cmbBitrate, 0, 4);
    for (QWidget *widget :
         {panLavc, panMP3, static_cast<QWidget *>(labQuality), static_cast<QWidget *>(cmbQuality),
          static_cast<QWidget *>(labBitrate), static_cast<QWidget *>(cmbBitrate)})
        KeepPlaceWhenHidden(widget);
    grid->addWidget(panLavc, 4, 0, 1, 6);
    grid->addWidget(panMP3, 4, 0, 1, 6);

    grid->addWidget(MakeLabel(QStringLiteral("Channels:"), this), 5, 0);
    cmbChannels = MakeBox(ProfileOption::Channels, "cmbChannels", this);
    grid->addWidget(cmbChannels, 5, 1);
    grid->addWidget(MakeLabel(QStringLiteral("Sample Rate:"), this), 5, 3);
    cmbSrate = MakeBox(ProfileOption::SampleRate, "cmbSrate", this);
    grid->addWidget(cmbSrate, 5, 4);
    grid->addWidget(MakeLabel(QStringLiteral("HZ"), this), 5, 5);
}

void TopSettingForm::CreateDescriptionAndButtons(QGridLayout *grid)
{
    // Read-only text without border, in the dialog's own colour.
    gpbDecription = new QGroupBox(QStringLiteral("Decription"), this);
    gpbDecription->setObjectName(QStringLiteral("gpbDecription"));
    memDescription = new QPlainTextEdit(gpbDecription);
    memDescription->setObjectName(QStringLiteral("memDescription"));
    memDescription->setReadOnly(true);
    memDescription->setFrameShape(QFrame::NoFrame);
    memDescription->setFocusPolicy(Qt::NoFocus);
    QPalette palette = memDescription->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    memDescription->setPalette(palette);
    memDescription->setFixedHeight(memDescription->fontMetrics().lineSpacing() * 4 + 8);
    auto *description = new QVBoxLayout(gpbDecription);
    description->addWidget(memDescription);
    grid->addWidget(gpbDecription, 6, 0, 1, 6);

    // Enter presses neither button: only a click (or Space on a focused button) does.
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch(1);
    for (QPushButton *button : {btnOK, btnCancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
        button->setMinimumWidth(86);
        buttons->addWidget(button);
    }
    grid->addLayout(buttons, 7, 0, 1, 6);
    connect(btnOK, &QPushButton::clicked, this, &TopSettingForm::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TopSettingForm::btnCancelClick);
}
