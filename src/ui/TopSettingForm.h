#pragma once
// The Output Settings dialog: the view and editor of the current output settings. Every change
// goes straight into the ProfileSettings model, so whoever reads the model reads what the
// dialog shows, whether it is open or not.

#include "profiles/ProfileSettings.h"

#include <QDialog>

#include <array>

class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class TopSettingForm : public QDialog
{
    Q_OBJECT

public:
    TopSettingForm(ProfileSettings &settings, QWidget *mainWindow);

    // Shows the dialog without a modal loop (the main window takes no input while it is
    // visible) and takes the snapshot that Cancel gives back.
    void ShowDialog();

    // The box that shows an option (cmbVcodec for ProfileOption::VideoCodec, ...).
    QComboBox *Box(ProfileOption option) const { return m_boxes[size_t(option)]; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Columns;
    void CreateControls();
    void CreateVideoRows(QGridLayout *grid);
    QGroupBox *CreateSizeGroup();
    void CreateAudioRows(QGridLayout *grid, const Columns &columns);
    void CreateDescriptionAndButtons(QGridLayout *grid);
    QGridLayout *MakeColumns(QWidget *owner, const Columns &columns);
    QComboBox *MakeBox(ProfileOption option, const char *name, QWidget *parent);
    void ConnectModel();
    void NameControls();

    // The dialog's reactions to the user.
    void cmbVcodecEnter(ProfileOption option);
    void cmbVcodecChange(ProfileOption option, int index);
    void cmbVcodecEdit(ProfileOption option, const QString &text);
    void btnOKClick();
    void btnCancelClick();
    bool CheckOutputSettings();
    void Refuse(const QString &text, const QString &title, QWidget *focus);

    // The model shown in the controls, with their signals blocked.
    void ShowOption(ProfileOption option);
    void ShowAllOptions();
    void ShowSize();
    void ShowPanels();
    void ShowDescription();

    ProfileSettings &m_settings;
    QWidget *m_mainWindow;
    ProfileSettings::Snapshot m_snapshot;
    std::array<QComboBox *, kProfileOptions.size()> m_boxes {};
    int m_fieldWidth = 0;

    QComboBox *cmbVcodec = nullptr;
    QComboBox *cmbVbitrate = nullptr;
    QComboBox *cmbAspect = nullptr;
    QGroupBox *gpbOutputSize = nullptr;
    QRadioButton *rdbSelectSize = nullptr;
    QComboBox *cmbVideoSize = nullptr;
    QRadioButton *rdbManualSize = nullptr;
    QLineEdit *edtWidth = nullptr;
    QLineEdit *edtHeight = nullptr;
    QComboBox *cmbAcodec = nullptr;
    QWidget *panLavc = nullptr;
    QComboBox *cmbAbitrate = nullptr;
    QWidget *panMP3 = nullptr;
    QComboBox *cmbEncodeTo = nullptr;
    QLabel *labQuality = nullptr;
    QComboBox *cmbQuality = nullptr;
    QLabel *labBitrate = nullptr;
    QComboBox *cmbBitrate = nullptr;
    QComboBox *cmbChannels = nullptr;
    QComboBox *cmbSrate = nullptr;
    QGroupBox *gpbDecription = nullptr;
    QPlainTextEdit *memDescription = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;
};
