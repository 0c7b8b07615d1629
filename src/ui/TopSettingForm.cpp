#include "ui/TopSettingForm.h"

#include "settings/NumberSyntax.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>

namespace {

// MP2 audio takes at most this bitrate (kbit/s).
constexpr int kMp2MaxBitrate = 128;
constexpr int kFieldWidth = 118;
constexpr int kSizeEditWidth = 64;
constexpr int kSpacing = 6;

bool IsWholeNumber(const QString &text)
{
    return ParseWholeNumber(text).has_value();
}

bool IsEnterOrEscape(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter
        || event->key() == Qt::Key_Escape;
}

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

// The column widths shared by the dialog's grid and the grids of the two audio panels, so that
// the panels' labels and boxes line up with the rows above and below them.
struct Columns
{
    int label1 = 0;
    int unit1 = 0;
    int label2 = 0;
    int unit2 = 0;
};

QGridLayout *MakeGrid(QWidget *owner, const Columns &columns)
{
    auto *grid = new QGridLayout(owner);
    grid->setHorizontalSpacing(kSpacing);
    grid->setColumnMinimumWidth(0, columns.label1);
    grid->setColumnMinimumWidth(1, kFieldWidth);
    grid->setColumnMinimumWidth(2, columns.unit1);
    grid->setColumnMinimumWidth(3, columns.label2);
    grid->setColumnMinimumWidth(4, kFieldWidth);
    grid->setColumnMinimumWidth(5, columns.unit2);
    return grid;
}

// A panel that shares its place with another: it keeps that place while hidden, so that the
// other is laid exactly over it.
QWidget *MakeSharedPanel(QWidget *parent, const char *name)
{
    auto *panel = new QWidget(parent);
    panel->setObjectName(QLatin1String(name));
    QSizePolicy policy = panel->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    panel->setSizePolicy(policy);
    return panel;
}

void KeepPlaceWhenHidden(QWidget *widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

} // namespace

TopSettingForm::TopSettingForm(ProfileSettings &settings, QWidget *mainWindow)
    : QDialog(mainWindow,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                  | Qt::WindowCloseButtonHint)
    , m_settings(settings)
    , m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("opSettingForm"));
    setWindowTitle(QStringLiteral("Output Settings"));
    CreateControls();
    layout()->activate(); // the fixed size is known before the first showing
    ConnectModel();
    ShowAllOptions();
    ShowSize();
    ShowPanels();
    ShowDescription();
}

QComboBox *TopSettingForm::MakeBox(ProfileOption option, const char *name)
{
    auto *box = new QComboBox(this);
    box->setObjectName(QLatin1String(name));
    box->setFixedWidth(kFieldWidth);
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
    Columns columns;
    columns.label1 = WidestText(fontMetrics(),
                                {"Video Codec: ", "Video Bitrate:", "Audio Codec:",
                                 "Audio Bitrate:", "Encode To:", "Channels:"});
    columns.unit1 = WidestText(fontMetrics(), {"kbit", "Kbps"});
    columns.label2 = WidestText(fontMetrics(), {"Aspect:", "Quality:", "Bitrate:", "Sample Rate:"});
    columns.unit2 = WidestText(fontMetrics(), {"HZ"});

    auto *grid = MakeGrid(this, columns);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->setVerticalSpacing(8);
    grid->setContentsMargins(12, 12, 12, 12);

    // Row 1
    grid->addWidget(MakeLabel(QStringLiteral("Video Codec: "), this), 0, 0);
    cmbVcodec = MakeBox(ProfileOption::VideoCodec, "cmbVcodec");
    cmbVcodec->setMinimumWidth(0);
    cmbVcodec->setMaximumWidth(QWIDGETSIZE_MAX);
    grid->addWidget(cmbVcodec, 0, 1, 1, 4);

    // Row 2
    grid->addWidget(MakeLabel(QStringLiteral("Video Bitrate:"), this), 1, 0);
    cmbVbitrate = MakeBox(ProfileOption::VideoBitrate, "cmbVbitrate");
    grid->addWidget(cmbVbitrate, 1, 1);
    grid->addWidget(MakeLabel(QStringLiteral("kbit"), this), 1, 2);
    grid->addWidget(MakeLabel(QStringLiteral("Aspect:"), this), 1, 3);
    cmbAspect = MakeBox(ProfileOption::Aspect, "cmbAspect");
    grid->addWidget(cmbAspect, 1, 4);

    // Row 3: the list size or the manual width and height.
    gpbOutputSize = new QGroupBox(QStringLiteral("Output Size"), this);
    gpbOutputSize->setObjectName(QStringLiteral("gpbOutputSize"));
    rdbSelectSize = new QRadioButton(gpbOutputSize);
    rdbSelectSize->setObjectName(QStringLiteral("rdbSelectSize"));
    cmbVideoSize = MakeBox(ProfileOption::VideoSize, "cmbVideoSize");
    cmbVideoSize->setParent(gpbOutputSize);
    cmbVideoSize->setFixedWidth(2 * kFieldWidth + kSpacing);
    rdbManualSize = new QRadioButton(QStringLiteral("Manual"), gpbOutputSize);
    rdbManualSize->setObjectName(QStringLiteral("rdbManualSize"));
    edtWidth = new QLineEdit(gpbOutputSize);
    edtWidth->setObjectName(QStringLiteral("edtWidth"));
    edtWidth->setFixedWidth(kSizeEditWidth);
    edtHeight = new QLineEdit(gpbOutputSize);
    edtHeight->setObjectName(QStringLiteral("edtHeight"));
    edtHeight->setFixedWidth(kSizeEditWidth);
    auto *sizeChoice = new QButtonGroup(this);
    sizeChoice->addButton(rdbSelectSize);
    sizeChoice->addButton(rdbManualSize);
    auto *sizeGrid = new QGridLayout(gpbOutputSize);
    sizeGrid->setHorizontalSpacing(kSpacing);
    sizeGrid->addWidget(rdbSelectSize, 0, 0);
    sizeGrid->addWidget(cmbVideoSize, 0, 1, 1, 4, Qt::AlignLeft);
    sizeGrid->addWidget(rdbManualSize, 1, 0);
    sizeGrid->addWidget(MakeLabel(QStringLiteral("Width:"), gpbOutputSize), 1, 1);
    sizeGrid->addWidget(edtWidth, 1, 2);
    sizeGrid->addWidget(MakeLabel(QStringLiteral("Height:"), gpbOutputSize), 1, 3);
    sizeGrid->addWidget(edtHeight, 1, 4);
    sizeGrid->setColumnStretch(5, 1);
    grid->addWidget(gpbOutputSize, 2, 0, 1, 6);

    // Row 4
    grid->addWidget(MakeLabel(QStringLiteral("Audio Codec:"), this), 3, 0);
    cmbAcodec = MakeBox(ProfileOption::AudioCodec, "cmbAcodec");
    grid->addWidget(cmbAcodec, 3, 1);

    // Row 5: the audio bitrate panel, or in the same place the MP3 panel.
    panLavc = MakeSharedPanel(this, "panLavc");
    auto *lavcGrid = MakeGrid(panLavc, columns);
    lavcGrid->setContentsMargins(0, 0, 0, 0);
    lavcGrid->addWidget(MakeLabel(QStringLiteral("Audio Bitrate:"), panLavc), 0, 0);
    cmbAbitrate = MakeBox(ProfileOption::AudioBitrate, "cmbAbitrate");
    cmbAbitrate->setParent(panLavc);
    lavcGrid->addWidget(cmbAbitrate, 0, 1);
    lavcGrid->addWidget(MakeLabel(QStringLiteral("Kbps"), panLavc), 0, 2);
    lavcGrid->setColumnStretch(6, 1);

    panMP3 = MakeSharedPanel(this, "panMP3");
    auto *mp3Grid = MakeGrid(panMP3, columns);
    mp3Grid->setContentsMargins(0, 0, 0, 0);
    mp3Grid->addWidget(MakeLabel(QStringLiteral("Encode To:"), panMP3), 0, 0);
    cmbEncodeTo = MakeBox(ProfileOption::Mp3Encode, "cmbEncodeTo");
    cmbEncodeTo->setParent(panMP3);
    mp3Grid->addWidget(cmbEncodeTo, 0, 1);
    // An empty unit column keeps its spacing, so that the next pair lines up with the rows.
    mp3Grid->addWidget(new QLabel(panMP3), 0, 2);
    // The quality pair and, exactly over it, the bitrate pair.
    labQuality = MakeLabel(QStringLiteral("Quality:"), panMP3, "labQuality");
    cmbQuality = MakeBox(ProfileOption::VbrQuality, "cmbQuality");
    cmbQuality->setParent(panMP3);
    labBitrate = MakeLabel(QStringLiteral("Bitrate:"), panMP3, "labBitrate");
    cmbBitrate = MakeBox(ProfileOption::AbrCbrBitrate, "cmbBitrate");
    cmbBitrate->setParent(panMP3);
    for (QWidget *widget : {static_cast<QWidget *>(labQuality), static_cast<QWidget *>(cmbQuality),
                            static_cast<QWidget *>(labBitrate), static_cast<QWidget *>(cmbBitrate)})
        KeepPlaceWhenHidden(widget);
    mp3Grid->addWidget(labQuality, 0, 3);
    mp3Grid->addWidget(cmbQuality, 0, 4);
    mp3Grid->addWidget(labBitrate, 0, 3);
    mp3Grid->addWidget(cmbBitrate, 0, 4);
    mp3Grid->setColumnStretch(6, 1);
    grid->addWidget(panLavc, 4, 0, 1, 6);
    grid->addWidget(panMP3, 4, 0, 1, 6);

    // Row 6
    grid->addWidget(MakeLabel(QStringLiteral("Channels:"), this), 5, 0);
    cmbChannels = MakeBox(ProfileOption::Channels, "cmbChannels");
    grid->addWidget(cmbChannels, 5, 1);
    grid->addWidget(MakeLabel(QStringLiteral("Sample Rate:"), this), 5, 3);
    cmbSrate = MakeBox(ProfileOption::SampleRate, "cmbSrate");
    grid->addWidget(cmbSrate, 5, 4);
    grid->addWidget(MakeLabel(QStringLiteral("HZ"), this), 5, 5);

    // Row 7: read-only text without border, in the dialog's own colour.
    gpbDecription = new QGroupBox(QStringLiteral("Decription"), this);
    gpbDecription->setObjectName(QStringLiteral("gpbDecription"));
    memDescription = new QPlainTextEdit(gpbDecription);
    memDescription->setObjectName(QStringLiteral("memDescription"));
    memDescription->setReadOnly(true);
    memDescription->setFrameShape(QFrame::NoFrame);
    memDescription->setFocusPolicy(Qt::NoFocus);
    memDescription->viewport()->setAutoFillBackground(false);
    QPalette palette = memDescription->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    memDescription->setPalette(palette);
    memDescription->setFixedHeight(memDescription->fontMetrics().lineSpacing() * 4 + 8);
    auto *descriptionLayout = new QVBoxLayout(gpbDecription);
    descriptionLayout->addWidget(memDescription);
    grid->addWidget(gpbDecription, 6, 0, 1, 6);

    // Row 8. Enter presses neither button: only a click (or Space on a focused button) does.
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

    // The user's choices go straight into the model.
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
}

void TopSettingForm::ConnectModel()
{
    connect(&m_settings, &ProfileSettings::optionChanged, this, &TopSettingForm::ShowOption);
    connect(&m_settings, &ProfileSettings::sizeChanged, this, &TopSettingForm::ShowSize);
    connect(&m_settings, &ProfileSettings::panelsChanged, this, &TopSettingForm::ShowPanels);
    connect(&m_settings, &ProfileSettings::descriptionChanged, this,
            &TopSettingForm::ShowDescription);
    connect(&m_settings, &ProfileSettings::loaded, this, &TopSettingForm::ShowAllOptions);
}

void TopSettingForm::ShowDialog()
{
    m_snapshot = m_settings.TakeSnapshot();
    setWindowModality(Qt::ApplicationModal);
    if (m_mainWindow) {
        const QPoint centre = m_mainWindow->frameGeometry().center();
        move(centre - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    show();
    raise();
    activateWindow();
}

bool TopSettingForm::eventFilter(QObject *watched, QEvent *event)
{
    const auto box = std::find(m_boxes.begin(), m_boxes.end(), watched);
    if (box != m_boxes.end()) {
        if (event->type() == QEvent::FocusIn
            && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason)
            cmbVcodecEnter(kProfileOptions[size_t(box - m_boxes.begin())]);
        // An editable box would otherwise act on Enter (and pass Escape on to the dialog).
        if (event->type() == QEvent::KeyPress && IsEnterOrEscape(static_cast<QKeyEvent *>(event)))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TopSettingForm::keyPressEvent(QKeyEvent *event)
{
    // Enter and Escape close nothing: only the two buttons and the close box end the dialog.
    if (IsEnterOrEscape(event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TopSettingForm::cmbVcodecEnter(ProfileOption option)
{
    m_settings.ShowDescription(option);
}

void TopSettingForm::cmbVcodecChange(ProfileOption option, int index)
{
    m_settings.SetIndex(option, index);
}

void TopSettingForm::cmbVcodecEdit(ProfileOption option, const QString &text)
{
    m_settings.SetText(option, text);
}

void TopSettingForm::btnOKClick()
{
    if (CheckOutputSettings())
        accept();
}

void TopSettingForm::btnCancelClick()
{
    reject();
    m_settings.RestoreSnapshot(m_snapshot);
}

bool TopSettingForm::CheckOutputSettings()
{
    const auto invalidAudioBitrate = QStringLiteral("Invalid Audio Bitrate");
    if (!IsWholeNumber(m_settings.Text(ProfileOption::VideoBitrate))) {
        Refuse(QStringLiteral("The video bitrate is invalid."),
               QStringLiteral("Invalid Video Bitrate"), cmbVbitrate);
        return false;
    }
    if (!m_settings.SelectSize() && !IsWholeNumber(m_settings.ManualWidth())) {
        Refuse(QStringLiteral("The output width is invalid."), QStringLiteral("Invalid Width"),
               edtWidth);
        return false;
    }
    if (!m_settings.SelectSize() && !IsWholeNumber(m_settings.ManualHeight())) {
        Refuse(QStringLiteral("The output height is invalid."), QStringLiteral("Invalid Height"),
               edtHeight);
        return false;
    }
    if (!IsWholeNumber(m_settings.Text(ProfileOption::SampleRate))) {
        Refuse(QStringLiteral("The sample rate is invalid."), QStringLiteral("Invalid Sample Rate"),
               cmbSrate);
        return false;
    }
    const auto audioBitrate = ParseWholeNumber(m_settings.Text(ProfileOption::AudioBitrate));
    if (!audioBitrate) {
        // Checked whatever the codec; while the MP3 panel hides the box, the focus goes to the
        // codec box, the nearest control the user can see.
        Refuse(QStringLiteral("The Audio bitrate is invalid."), invalidAudioBitrate,
               m_settings.Mp3PanelShown() ? cmbAcodec : cmbAbitrate);
        return false;
    }
    if (m_settings.Text(ProfileOption::AudioCodec) == QLatin1String("MP2")
        && *audioBitrate > kMp2MaxBitrate) {
        m_settings.SetText(ProfileOption::AudioBitrate, QString::number(kMp2MaxBitrate));
        Refuse(QStringLiteral("The maximum value of audio bitrate for MP2 codec is 128"),
               invalidAudioBitrate, cmbAbitrate);
        return false;
    }
    return true;
}

void TopSettingForm::Refuse(const QString &text, const QString &title, QWidget *focus)
{
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, this);
    box.exec();
    focus->setFocus(Qt::OtherFocusReason);
}

void TopSettingForm::ShowOption(ProfileOption option)
{
    QComboBox *box = Box(option);
    const QSignalBlocker blocker(box);
    const QStringList captions = m_settings.Captions(option);
    QStringList shown;
    for (int i = 0; i < box->count(); ++i)
        shown.append(box->itemText(i));
    if (shown != captions) {
        box->clear();
        box->addItems(captions);
    }
    const int index = m_settings.Index(option);
    const QString text = m_settings.Text(option);
    if (!box->isEditable()) {
        box->setCurrentIndex(index);
        return;
    }
    // Typing into the box leaves the text where it is: only the selection is cleared.
    const bool typing = box->hasFocus() && box->currentText() == text;
    const int cursor = box->lineEdit()->cursorPosition();
    if (box->currentIndex() != index)
        box->setCurrentIndex(index);
    if (box->currentText() != text)
        box->setEditText(text);
    if (typing)
        box->lineEdit()->setCursorPosition(cursor);
}

void TopSettingForm::ShowAllOptions()
{
    for (const ProfileOption option : kProfileOptions)
        ShowOption(option);
}

void TopSettingForm::ShowSize()
{
    const QSignalBlocker blockSelect(rdbSelectSize);
    const QSignalBlocker blockManual(rdbManualSize);
    rdbSelectSize->setChecked(m_settings.SelectSize());
    rdbManualSize->setChecked(!m_settings.SelectSize());
    if (edtWidth->text() != m_settings.ManualWidth())
        edtWidth->setText(m_settings.ManualWidth());
    if (edtHeight->text() != m_settings.ManualHeight())
        edtHeight->setText(m_settings.ManualHeight());
}

void TopSettingForm::ShowPanels()
{
    panMP3->setVisible(m_settings.Mp3PanelShown());
    panLavc->setVisible(!m_settings.Mp3PanelShown());
    labQuality->setVisible(m_settings.QualityShown());
    cmbQuality->setVisible(m_settings.QualityShown());
    labBitrate->setVisible(!m_settings.QualityShown());
    cmbBitrate->setVisible(!m_settings.QualityShown());
}

void TopSettingForm::ShowDescription()
{
    memDescription->setPlainText(m_settings.DescriptionText());
}
