#pragma once
// The main window: the toolbar, the task list with its welcome panel and list buttons, the
// bottom panels (profile and output while idle, progress while a job runs) and the Start and
// Stop buttons. It binds its controls to the core models; the rules live in the core.

#include "app/MainFormRules.h"
#include "profiles/ProfileCatalogue.h"

#include <QHash>
#include <QMainWindow>
#include <QPixmap>
#include <QPointer>

#include <QString>
#include <QStringList>
#include <memory>

class Desktop;
class FileDialogs;
enum class AfterJobAction;
enum class JobOutcome;
class JobDesktop;
class JoinJob;
class ModelJobInputs;
class PreferencesModel;
class ProfileSettings;
class TaskListModel;
class TaskThumbnails;
class TurnOffBox;
class TAboutForm;
class TSettingForm;
class TopSettingForm;
class QAction;
class QComboBox;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolBar;
class QToolButton;
class QTreeView;
class TImageButton;
class TLogoPanel;
class TProcessForm;
class TSizeForm;

// What the program start gives the main window.
struct MainFormSetup
{
    QString programDir; // the program directory, ending in "/"
    QStringList arguments; // the command-line arguments after the program name
    QString currentDir; // relative paths of the command line are taken against it
    Desktop *desktop = nullptr;
    FileDialogs *dialogs = nullptr;
    // The Preferences.ini read and written, and the folder whose "temp/" is the fallback
    // temporary folder; both are the program directory's when empty.
    QString preferencesPath;
    QString workDir;
};

class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    // Builds the window and runs its creation steps (FormCreate).
    explicit TMainForm(const MainFormSetup &setup, QWidget *parent = nullptr);
    ~TMainForm() override;

    // Creates the hidden dialogs in the program's order; the program start calls it right
    // after the main window is made.
    void CreateDialogs();

    const QString &ProgramDir() const { return m_programDir; }
    const QString &EncoderPath() const { return m_encoderPath; }
    const QString &HelpFile() const { return m_helpFile; }
    const QString &VersionText() const { return m_versionText; }
    QString PreferencesPath() const;
    // The filters of the save and open dialogs in "description|pattern" form.
    const QString &SaveDialogFilter() const { return m_saveFilter; }
    const QString &OpenDialogFilterText() const { return m_openFilter; }
    // The list's last known width for the column rule.
    int LastListWidth() const { return m_lastListWidth; }

    // Controls, by the names the program's handlers use.
    QToolBar *ToolBar1 = nullptr;
    QToolButton *tbtnAddFile = nullptr;
    QToolButton *tbtnAddDir = nullptr;
    QToolButton *tbtnSetting = nullptr;
    QToolButton *tbtnAbout = nullptr;
    QToolButton *tbtnHelp = nullptr;
    QTreeView *ltvTask = nullptr;
    QWidget *panltvTask = nullptr;
    QLabel *labProgramName = nullptr;
    QPushButton *tbtnRemove = nullptr;
    QPushButton *tbtnClear = nullptr;
    QPushButton *tbtnUp = nullptr;
    QPushButton *tbtnDown = nullptr;
    QLabel *labTotalLength = nullptr;
    QWidget *panBottomCenter = nullptr;
    QComboBox *cmbProfile = nullptr;
    QPushButton *bbtnSetting = nullptr;
    QLineEdit *edtOutputFile = nullptr;
    QPushButton *bbtnBrowser = nullptr;
    QPushButton *bbtnOpen = nullptr;
    QWidget *panBottomLeft = nullptr;
    QLabel *labProcessTitle = nullptr;
    QLabel *labConvertingFile = nullptr;
    QLabel *labElapsed = nullptr;
    QLabel *labRemaining = nullptr;
    QProgressBar *pgbCurrent = nullptr;
    QLabel *labCurProgress = nullptr;
    QProgressBar *pgbTotal = nullptr;
    QLabel *labTotalProgress = nullptr;
    TLogoPanel *Image1 = nullptr;
    TImageButton *imgStart = nullptr;
    TImageButton *imgStop = nullptr;
    QMenu *ppmTask = nullptr;
    QAction *Open1 = nullptr;
    QAction *AddFiles1 = nullptr;
    QAction *AddDirectorys1 = nullptr;
    QAction *Remove1 = nullptr;
    QAction *Clear1 = nullptr;
    QAction *Trim1 = nullptr;

    TProcessForm *ProcessForm = nullptr;
    TSizeForm *SizeForm = nullptr;
    TopSettingForm *OpSettingForm = nullptr;
    TSettingForm *SettingForm = nullptr;
    TAboutForm *AboutForm = nullptr;
    // The countdown before the computer is turned off, while it is shown.
    QPointer<TurnOffBox> boxTurnOff;

    // The rows of ltvTask.
    TaskListModel &TaskList() const { return *m_tasks; }
    // The live preferences (shown by the Preferences dialog).
    PreferencesModel &Preferences() const { return *m_prefs; }
    // The current output settings (shown by the Output Settings dialog).
    ProfileSettings &Profile() const { return *m_profile; }
    // The profile file of the entry selected in cmbProfile (a path that names no file when none
    // is selected).
    QString ProfilePath() const;
    // The pictures of the listed files, made in the background.
    TaskThumbnails &Thumbnails() const { return *m_thumbnails; }
    // The join job that Start runs.
    JoinJob &Job() const;
    // The numbers of the selected rows of ltvTask, in list order.
    QList<int> SelectedRows() const;

public Q_SLOTS:
    // Task list commands.
    void tbtnAddFileClick();
    void tbtnAddDirClick();
    void tbtnRemoveClick();
    void tbtnClearClick();
    void tbtnUpClick();
    void tbtnDownClick();
    void ltvTaskDblClick();
    void ppmTaskPopup();
    // Trim...: the Trim window of the selected row (or the current one); its choice is set on
    // the row when it is accepted.
    void Trim1Click();

    // Job control.
    void imgStartClick();
    void imgStopClick();
    void SetRunningState();
    void SetIdleState();

    // Main window commands.
    void tbtnSettingClick();
    void tbtnAboutClick();
    void tbtnHelpClick();
    void bbtnBrowserClick();
    void bbtnOpenClick();
    void bbtnSettingClick();
    void cmbProfileChange();
    void ltvTaskResize(int newWidth);

    // Look states of the image buttons.
    void imgStartMouseMove();
    void imgStartMouseDown();
    void imgStartMouseUp();
    void imgStopMouseMove();
    void imgStopMouseDown();
    void imgStopMouseUp();
    void Image1MouseMove();

    // The window from the keyboard and the list's own order (MainFormKeys.cpp): shortcuts of
    // the window's commands, the popup's sorts, rows dragged to a new place.
public:
    QAction *actMoveUp = nullptr; // Ctrl+Up
    QAction *actMoveDown = nullptr; // Ctrl+Down
    QAction *actStart = nullptr; // Ctrl+Return
    QAction *actStop = nullptr; // Escape, while a job runs
    QAction *actHelp = nullptr; // F1
    QAction *actQuit = nullptr; // Ctrl+Q
    QAction *SortByName1 = nullptr;
    QAction *SortByTime1 = nullptr;
public Q_SLOTS:
    void SortByName1Click();
    void SortByTime1Click();

private:
    void BuildKeys();
    void NameControls();
    void KeepFocusOnStartStop(bool hadFocus, TImageButton *to);
    bool m_focusToStart = false; // Stop had the focus when it was pressed

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void BuildWindow();
    void BuildToolbar();
    QWidget *BuildTaskArea();
    QWidget *BuildListButtons();
    QWidget *BuildBottomArea();
    QWidget *BuildIdlePanel();
    QWidget *BuildProgressPanel();
    QWidget *BuildLogoPanel();
    void BuildPopupMenu();
    void ConnectLookStates();
    void ConnectTaskList();
    void ConnectCommands();
    void ConnectListInfo();
    void UpdateListSummary();
    // After a successful job with "Auto Turn Off": the countdown, then the request.
    void AskTurnOff();
    void TurnOffNow();
    void CreateJob();
    // The job has ended: the idle look, or the close that turning off or exiting asks for.
    void JobFinished(JobOutcome outcome, AfterJobAction action);
    // ltvTaskKeyDown: true when the key was one of the list's own.
    bool ltvTaskKeyDown(int key);
    void ShowTaskListPopup(const QPoint &position);
    void SelectRows(const QList<int> &rows);
    // The selected rows, or the current row when none is selected.
    QList<int> RowsToMove() const;
    void FormCreate();
    void FormShow();
    void FormClose();
    void ApplyColumnWidths(const ColumnWidths &widths);
    // Widens a column too narrow for its header or texts, at the cost of Input File.
    void FitColumnsToTexts();

    QString m_programDir;
    QString m_preferencesPath;
    QString m_workDir;
    QString m_encoderPath;
    QString m_helpFile;
    QString m_versionText;
    QString m_saveFilter;
    QString m_openFilter;
    QStringList m_arguments;
    QString m_currentDir;
    Desktop &m_desktop;
    FileDialogs &m_dialogs;
    TaskListModel *m_tasks = nullptr;
    PreferencesModel *m_prefs = nullptr;
    ProfileSettings *m_profile = nullptr;
    ProfileCatalogue m_catalogue;
    std::unique_ptr<ModelJobInputs> m_jobInputs;
    std::unique_ptr<JobDesktop> m_jobDesktop;
    JoinJob *m_job = nullptr;
    // The close's stores were made already (before a power-off request).
    bool m_storedForClose = false;
    TaskThumbnails *m_thumbnails = nullptr;
    QHash<QString, QPixmap> m_pictures; // by path, drawn on one canvas size
    QString m_jobNote; // what the running job says of earlier work, shown under the list
    int m_lastListWidth = kFirstKnownListWidth;
    bool m_shownOnce = false;

    // The output box's name and where it came from (MainFormOutput.cpp). A proposal follows
    // the first row and the profile; a join started with it keeps it for the rest of the run;
    // only a name the user typed, chose, confirmed or had stored is stored at the close.
    enum class OutputOrigin { NotShown, Proposed, Written, Users };
    void ConnectOutputProposal();
    void ProposeOutputFile();
    void ShowStoredOutputFile(const QString &stored);
    void KeepProposalForTheRun();
    void OutputProfileChanged(const QString &newExtension);
    QString OutputFileToStore() const;
    void SetOutputText(const QString &text, OutputOrigin origin);
    OutputOrigin m_outputOrigin = OutputOrigin::NotShown;
    bool m_settingOutput = false; // the box's text is being set by the rules above
};
