// The main window's life: creation, first showing and closing.
#include "app/TMainForm.h"

#include "app/FileDialogs.h"
#include "app/TProcessForm.h"
#include "app/TSizeForm.h"
#include "platform/Desktop.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QResizeEvent>
#include <QTreeView>

TMainForm::TMainForm(const MainFormSetup &setup, QWidget *parent)
    : QMainWindow(parent)
    , m_programDir(setup.programDir)
    , m_arguments(setup.arguments)
    , m_currentDir(setup.currentDir)
    , m_desktop(*setup.desktop)
    , m_dialogs(*setup.dialogs)
{
    BuildWindow();
    ConnectLookStates();
    FormCreate();
}

TMainForm::~TMainForm() = default;

QString TMainForm::PreferencesPath() const
{
    return m_programDir + QStringLiteral("Preferences.ini");
}

void TMainForm::FormCreate()
{
    m_programDir = AddTrailingBackslash(m_programDir);
    m_encoderPath = m_programDir + QStringLiteral("asapi.dll");
    ltvTask->header()->setStyleSheet(QStringLiteral(
        "QHeaderView { background-color: rgb(243, 243, 243); }"
        "QHeaderView::section { background-color: rgb(243, 243, 243); color: #1f2329;"
        " border: none; border-right: 1px solid #d9dce1; border-bottom: 1px solid #d9dce1;"
        " padding: 4px 6px; }"));
    m_versionText = QStringLiteral("1.5");

    const QString product = QString::fromLatin1(kProductName);
    m_helpFile = m_programDir + QStringLiteral("Joinhelp.html");
    QApplication::setApplicationName(product);
    setWindowTitle(MainWindowTitle(product, m_versionText));
    labProgramName->setText(ProgramNameCaption(product));

    m_saveFilter = BuildSaveDialogFilter();

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
}

void TMainForm::CreateDialogs()
{
    ProcessForm = new TProcessForm(this);
    SizeForm = new TSizeForm(this);
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
    if (watched == ltvTask && event->type() == QEvent::Resize)
        ltvTaskResize(static_cast<QResizeEvent *>(event)->size().width());
    return QMainWindow::eventFilter(watched, event);
}
