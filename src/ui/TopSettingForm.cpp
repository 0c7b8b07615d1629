#include "ui/TopSettingForm.h"
#include "ui/DialogPlacement.h"

#include "settings/NumberSyntax.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>

namespace {

// MP2 audio takes at most this bitrate (kbit/s).
constexpr int kMp2MaxBitrate = 128;

bool IsWholeNumber(const QString &text)
{
    return ParseWholeNumber(text).has_value();
}

bool IsEnterOrEscape(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter
        || event->key() == Qt::Key_Escape;
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
    ShowCentredOn(this, m_mainWindow);
}

bool TopSettingForm::eventFilter(QObject *watched, QEvent *event)
{
    const auto box = std::find(m_boxes.begin(), m_boxes.end(), watched);
    if (box != m_boxes.end()) {
        if (event->type() == QEvent::FocusIn
            && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason)
            cmbVcodecEnter(kProfileOptions[size_t(box - m_boxes.begin())]);
        // An editable box would otherwise act on Enter; Escape cancels from any box.
        if (event->type() == QEvent::KeyPress && IsEnterOrEscape(static_cast<QKeyEvent *>(event))) {
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
                btnCancelClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TopSettingForm::keyPressEvent(QKeyEvent *event)
{
    // Escape is Cancel, as in the program's other dialogs; Enter closes nothing: OK checks
    // what was typed only when it is pressed.
    if (IsEnterOrEscape(event)) {
        event->accept();
        if (event->key() == Qt::Key_Escape)
            btnCancelClick();
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
    // A profile that copies the streams has nothing the user could have entered wrongly.
    if (m_settings.StreamCopy() || CheckOutputSettings())
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
    // A profile that copies the streams only describes them: its boxes still take the focus
    // for their descriptions, but no text can be typed and no size entered.
    const bool locked = m_settings.StreamCopy();
    for (QComboBox *box : m_boxes)
        if (box->lineEdit())
            box->lineEdit()->setReadOnly(locked);
    for (QWidget *w : {static_cast<QWidget *>(rdbSelectSize), static_cast<QWidget *>(rdbManualSize),
                       static_cast<QWidget *>(edtWidth), static_cast<QWidget *>(edtHeight)})
        w->setEnabled(!locked);
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
