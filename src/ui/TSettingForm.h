#pragma once
// The Preferences dialog: the output file, the temporary folder, the after-job actions and the
// overwrite policy. Its controls show the live preferences and write every change straight
// into them, so whoever reads the preferences reads what the dialog shows.

#include <QDialog>
#include <QString>

#include <functional>

#include "settings/Preferences.h"

class Desktop;
class QCheckBox;
class QDoubleSpinBox;
class QGroupBox;
class QLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

class TSettingForm : public QDialog
{
    Q_OBJECT
public:
    // What the dialog uses of the main window.
    struct MainWindowLink
    {
        std::function<QString()> outputFile; // the main window's output box
        std::function<void(const QString &)> setOutputFile; // sets that box
        std::function<QString(QWidget *owner)> chooseOutputFile; // its save dialog; "" = cancel
        std::function<QString(QWidget *owner, const QString &title)> browseForFolder; // "" = cancel
        // What the window stores of its output box: "" while it shows a name of its own making.
        std::function<QString()> outputFileToStore;
    };

    // Loads the preferences from section "Main" of iniPath (FormCreate) and stays hidden.
    TSettingForm(PreferencesModel &prefs, Desktop &desktop, const QString &iniPath,
                 const QString &programDir, MainWindowLink link, QWidget *mainWindow);

    // Shows the dialog without a modal loop; the main window takes no input while it is shown.
    void ShowDialog();

    QLineEdit *edtOutputFile = nullptr;
    QToolButton *SpeedButton1 = nullptr;
    QLineEdit *edtTempDir = nullptr;
    QToolButton *SpeedButton2 = nullptr;
    QCheckBox *chkOpenDir = nullptr;
    QCheckBox *chkExit = nullptr;
    QCheckBox *chkTurnoff = nullptr;
    QCheckBox *chkChapters = nullptr;
    QCheckBox *chkKeepConverted = nullptr;
    QCheckBox *chkLowPriority = nullptr;
    QCheckBox *chkKeepDates = nullptr;
    QCheckBox *chkEvenLoudness = nullptr;
    QCheckBox *chkCrossfade = nullptr;
    QDoubleSpinBox *spnCrossfade = nullptr;
    QGroupBox *gpbOverWrite = nullptr;
    QRadioButton *rdbAsk = nullptr;
    QRadioButton *rdbOverWrite = nullptr;
    QRadioButton *rdbRename = nullptr;
    QPushButton *btnDefault = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;

public Q_SLOTS:
    void btnOKClick();
    void btnCancelClick();
    void btnDefaultClick();
    void SpeedButton1Click();
    void SpeedButton2Click();

protected:
    void showEvent(QShowEvent *event) override;
    // The close box hides the dialog and keeps the edits (neither OK nor Cancel).
    void closeEvent(QCloseEvent *event) override;
    // Escape acts as Cancel; Enter confirms nothing.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void BuildControls();
    // The chapters' check box, bound to the preferences on its own.
    QCheckBox *BuildChaptersBox();
    // The crossfade's check box and length, bound to the preferences on their own.
    QLayout *BuildCrossfadeRow();
    // The recording date's check box, bound to the preferences on its own.
    QCheckBox *BuildDatesBox();
    QCheckBox *BuildLoudnessBox();
    void ConnectControls();
    // Puts the preferences into the controls.
    void ShowPreferences();
    void FormShow();

    PreferencesModel &m_prefs;
    Desktop &m_desktop;
    QString m_iniPath;
    MainWindowLink m_link;
    QWidget *m_mainWindow;
    PreferencesModel::Snapshot m_snapshot;
};
