// The main window's life: creation, first showing and closing.
#include "app/TMainForm.h"

#include "app/FileDialogs.h"
#include "app/JobDesktop.h"
#include "app/TProcessForm.h"
#include "app/TSizeForm.h"
#include "pipeline/job/JoinJob.h"
#include "pipeline/job/KeptConversions.h"
#include "pipeline/job/ModelJobInputs.h"
#include "platform/Desktop.h"
#include "platform/Paths.h"
#include "platform/RawNames.h"
#include "profiles/ProfileSettings.h"
#include "settings/IniFile.h"
#include "settings/Preferences.h"
#include "tasks/TaskList.h"
#include "ui/TAboutForm.h"
#include "ui/TSettingForm.h"
#include "ui/TopSettingForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QResizeEvent>
#include <QTreeView>

TMainForm::TMainForm(const MainFormSetup &setup, QWidget *parent)
    : QMainWindow(parent)
    , m_programDir(setup.programDir)
    , m_preferencesPath(setup.preferencesPath)
    , m_workDir(setup.workDir)
    , m_arguments(setup.arguments)
    , m_currentDir(setup.currentDir)
    , m_desktop(*setup.desktop)
    , m_dialogs(*setup.dialogs)
{
    m_tasks = new TaskListModel(m_desktop, this);
    m_prefs = new PreferencesModel(this);
    m_profile = new ProfileSettings(this);
    BuildWindow();
    ConnectLookStates();
    ConnectTaskList();
    ConnectListInfo();
    ConnectCommands();
    ConnectOutputProposal();
    CreateJob();
    BuildKeys();
    FormCreate();
}

TMainForm::~TMainForm()
{
    // The window is hidden while its members still live: hiding lays the list out again, and
    // the list's pictures come from a member that is gone by the time QWidget closes it.
    hide();
    m_tasks->SetDecoration({});
    // The job goes before the inputs and the desktop it reads.
    delete m_job;
    m_job = nullptr;
}

QString TMainForm::PreferencesPath() const
{
    return m_preferencesPath.isEmpty() ? m_programDir + QStringLiteral("Preferences.ini")
                                       : m_preferencesPath;
}

void TMainForm::FormCreate()
{
    m_programDir = AddTrailingBackslash(m_programDir);
    m_encoderPath = m_programDir + QStringLiteral("asapi.dll");
    m_workDir = m_workDir.isEmpty() ? m_programDir : AddTrailingBackslash(m_workDir);
    m_job->SetWorkDir(m_workDir);
    ltvTask->header()->setStyleSheet(QStringLiteral(
        "QHeaderView { background-color: rgb(243, 243, 243); }"
        "QHeaderView::section { background-color: rgb(243, 243, 243); color: #1f2329;"
        " border: none; border-right: 1px solid #d9dce1; border-bottom: 1px solid #d9dce1;"
        " padding: 4px 6px; }"));
    // The version comes with the installed program, not with the user's copy of its file.
    m_versionText
        = IniFile(m_programDir + QStringLiteral("Preferences.ini"))
              .GetText(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("1.5"));

    const QString product = QString::fromLatin1(kProductName);
    m_helpFile = m_programDir + QStringLiteral("Joinhelp.html");
    QApplication::setApplicationName(product);
    setWindowTitle(MainWindowTitle(product, m_versionText));
    labProgramName->setText(ProgramNameCaption(product));

    m_saveFilter = BuildSaveDialogFilter();
    m_openFilter = OpenDialogFilter();

    m_catalogue = ProfileCatalogue::List(m_programDir);
    cmbProfile->addItems(m_catalogue.Names());
    cmbProfile->setCurrentIndex(-1);

    const StartupPathList startup = StartupPaths(m_arguments, m_currentDir);
    if (!startup.unreadableListFile.isEmpty())
        m_desktop.ShowError(QStringLiteral("Unable to read the list file ")
                            + ShownName(startup.unreadableListFile));
    m_tasks->AddStartUpPaths(startup.paths);

    setAcceptDrops(true);
    panBottomCenter->show();
    panBottomLeft->hide();

    // The list reports its first size now, from the width it had before layout, so that the
    // widths below are those the window opens with.
    for (QWidget *w : {static_cast<QWidget *>(this), centralWidget(), ltvTask->parentWidget()}) {
        if (w->layout())
            w->layout()->activate();
    }
    ltvTaskResize(ltvTask->width());
    ApplyColumnWidths(kStartColumnWidths);
    FitColumnsToTexts();
}

void TMainForm::CreateDialogs()
{
    ProcessForm = new TProcessForm(this);
    SizeForm = new TSizeForm(this);
    OpSettingForm = new TopSettingForm(*m_profile, this);
    TSettingForm::MainWindowLink link;
    link.outputFile = [this] { return edtOutputFile->text(); };
    link.setOutputFile = [this](const QString &text) { edtOutputFile->setText(text); };
    link.outputFileToStore = [this] { return OutputFileToStore(); };
    link.chooseOutputFile = [this](QWidget *owner) {
        return m_dialogs.ChooseOutputFile(owner, m_saveFilter, m_profile->OutputExtension());
    };
    link.browseForFolder = [this](QWidget *owner, const QString &title) {
        return m_dialogs.BrowseForFolder(owner, title);
    };
    SettingForm = new TSettingForm(*m_prefs, m_desktop, PreferencesPath(), m_workDir,
                                   std::move(link), this);
    AboutForm = new TAboutForm(m_versionText, m_desktop, this);
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Qt shows the window again after every un-minimise; the first showing's work runs once.
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    FormShow();
}

QString TMainForm::ProfilePath() const
{
    return m_catalogue.PathOf(cmbProfile->currentIndex());
}

void TMainForm::FormShow()
{
    // What killed jobs of this program left in the temporary folders goes now, and so do kept
    // conversions past their age or the limit.
    CleanTemporaryFolders(m_prefs->TempDir(), m_workDir, m_prefs->KeptLimitBytes());
    const IniFile ini(PreferencesPath());
    if (cmbProfile->count() > 0) {
        const int index = ini.GetNumber(QStringLiteral("Main"), QStringLiteral("Profile"), 0);
        const QString name
            = ini.GetText(QStringLiteral("Main"), QLatin1String(kProfileNameKey), QString());
        cmbProfile->setCurrentIndex(m_catalogue.RememberedIndex(name, index));
        cmbProfileChange();
    }
    // Without a stored output file, one is proposed, so that a first join needs no typing.
    ShowStoredOutputFile(
        ini.GetText(QStringLiteral("Main"), QStringLiteral("Output File"), QString()));
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (m_job->IsActive()) {
        if (!m_desktop.AskQuestion(QString::fromLatin1(kProductName),
                                   QStringLiteral("A job is running. Stop it and exit?"))) {
            event->ignore();
            return;
        }
        // The encoder is ended and the job's files removed, without the stage's message.
        m_job->Abandon();
    }
    if (!m_storedForClose)
        FormClose();
    m_storedForClose = true;
    event->accept();
}

void TMainForm::FormClose()
{
    IniFile ini(PreferencesPath());
    // Without a name of the user's, a file that names none is left as it is.
    const QString output = OutputFileToStore();
    const bool storeOutput = !output.isEmpty()
        || !ini.GetText(QStringLiteral("Main"), QStringLiteral("Output File"), QString()).isEmpty();
    if (!ini.PutNumber(QStringLiteral("Main"), QStringLiteral("Profile"),
                       cmbProfile->currentIndex())
        || !ini.PutText(QStringLiteral("Main"), QLatin1String(kProfileNameKey),
                        cmbProfile->currentIndex() >= 0 ? cmbProfile->currentText() : QString())
        || (storeOutput
            && !ini.PutText(QStringLiteral("Main"), QStringLiteral("Output File"), output)))
        m_desktop.ShowError(ini.ErrorText());
}

void TMainForm::ApplyColumnWidths(const ColumnWidths &widths)
{
    QHeaderView *header = ltvTask->header();
    for (int i = 0; i < int(widths.size()); ++i) {
        if (i < header->count())
            header->resizeSection(i, widths[std::size_t(i)]);
    }
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ltvTask) {
        if (event->type() == QEvent::Resize)
            ltvTaskResize(static_cast<QResizeEvent *>(event)->size().width());
        if (event->type() == QEvent::KeyPress
            && ltvTaskKeyDown(static_cast<QKeyEvent *>(event)->key()))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
