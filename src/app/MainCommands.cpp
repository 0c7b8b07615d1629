// The main window's own commands: the bottom panel's buttons, the column-width rule and the
// look states of the Start and Stop pictures.
#include "app/FileDialogs.h"
#include "app/ImageButton.h"
#include "app/TMainForm.h"
#include "platform/Desktop.h"
#include "platform/Paths.h"
#include "profiles/ProfileSettings.h"
#include "ui/TAboutForm.h"
#include "ui/TSettingForm.h"
#include "ui/TopSettingForm.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>

void TMainForm::tbtnSettingClick()
{
    if (SettingForm)
        SettingForm->ShowDialog();
}

void TMainForm::bbtnSettingClick()
{
    if (OpSettingForm)
        OpSettingForm->ShowDialog();
}

void TMainForm::cmbProfileChange()
{
    const QString path = ProfilePath();
    if (FileExists(path))
        m_profile->LoadProfile(path);
    OutputProfileChanged(m_profile->OutputExtension());
}

void TMainForm::tbtnAboutClick()
{
    if (!AboutForm)
        AboutForm = new TAboutForm(m_versionText, m_desktop, this);
    AboutForm->ShowDialog();
}

void TMainForm::tbtnHelpClick()
{
    // The desktop's opener would report a missing page in words of its own, if at all.
    if (!FileExists(m_helpFile)) {
        m_desktop.ShowError(QStringLiteral("The help file %1 is missing").arg(m_helpFile));
        return;
    }
    OpenOrSay(m_desktop, QStringLiteral("The help page"), m_helpFile);
}

void TMainForm::bbtnBrowserClick()
{
    const QString chosen
        = m_dialogs.ChooseOutputFile(this, m_saveFilter, m_profile->OutputExtension());
    if (chosen.isEmpty())
        return;
    // Also the proposed name itself, once chosen, is the user's.
    SetOutputText(chosen, OutputOrigin::Users);
}

void TMainForm::bbtnOpenClick()
{
    const QString output = edtOutputFile->text();
    if (FileExists(output)) {
        OpenOrSay(m_desktop, QStringLiteral("The file"), output);
        return;
    }
    const QString folder = ExtractFileDir(output);
    if (!folder.isEmpty() && DirectoryExists(folder))
        OpenOrSay(m_desktop, QStringLiteral("The folder"), folder);
}

void TMainForm::ltvTaskResize(int newWidth)
{
    const int delta = newWidth - m_lastListWidth;
    m_lastListWidth = newWidth;
    if (delta == 0)
        return;
    QHeaderView *header = ltvTask->header();
    ColumnWidths widths {};
    for (int i = 0; i < int(widths.size()); ++i)
        widths[std::size_t(i)] = i < header->count() ? header->sectionSize(i) : 0;
    ApplyColumnWidths(AdjustColumnWidths(widths, delta));
    FitColumnsToTexts();
}

void TMainForm::FitColumnsToTexts()
{
    // Length, Size and Status are short texts that read only whole; what they lack comes from
    // the list's unused width, then from Input File, whose paths are shortened in their middle,
    // down to a third of its width.
    QHeaderView *header = ltvTask->header();
    const QAbstractItemView *view = ltvTask;
    int unused = std::max(0, ltvTask->viewport()->width() - header->length());
    for (int column = 1; column < header->count(); ++column) {
        const int need = std::max(header->sectionSizeHint(column), view->sizeHintForColumn(column));
        const int lack = need - header->sectionSize(column);
        if (lack <= 0)
            continue;
        const int fromUnused = std::min(lack, unused);
        unused -= fromUnused;
        const int input = header->sectionSize(0);
        const int spare = std::max(0, input - std::max(input / 3, kStartColumnWidths[1]));
        header->resizeSection(0, input - std::min(lack - fromUnused, spare));
        header->resizeSection(column, need);
    }
}

// One button's answer to the mouse: hover on a move from normal, pressed on any press, hover
// again on the release of a press.
static void lookMove(TImageButton *button)
{
    if (button->State() == TImageButton::Normal) {
        button->ShowPicture(TImageButton::Hover);
        button->SetState(TImageButton::Hover);
    }
}

static void lookDown(TImageButton *button)
{
    if (button->State() != TImageButton::Pressed) {
        button->ShowPicture(TImageButton::Pressed);
        button->SetState(TImageButton::Pressed);
    }
}

static void lookUp(TImageButton *button)
{
    if (button->State() == TImageButton::Pressed) {
        button->ShowPicture(TImageButton::Hover);
        button->SetState(TImageButton::Hover);
    }
}

void TMainForm::imgStartMouseMove()
{
    lookMove(imgStart);
}

void TMainForm::imgStartMouseDown()
{
    lookDown(imgStart);
}

void TMainForm::imgStartMouseUp()
{
    lookUp(imgStart);
}

void TMainForm::imgStopMouseMove()
{
    lookMove(imgStop);
}

void TMainForm::imgStopMouseDown()
{
    lookDown(imgStop);
}

void TMainForm::imgStopMouseUp()
{
    lookUp(imgStop);
}

void TMainForm::Image1MouseMove()
{
    for (TImageButton *button : {imgStart, imgStop}) {
        if (button->isVisible() && button->State() != TImageButton::Normal) {
            button->ShowPicture(TImageButton::Normal);
            button->SetState(TImageButton::Normal);
        }
    }
}

void TMainForm::ConnectLookStates()
{
    connect(imgStart, &TImageButton::mouseMoved, this, &TMainForm::imgStartMouseMove);
    connect(imgStart, &TImageButton::mousePressed, this, &TMainForm::imgStartMouseDown);
    connect(imgStart, &TImageButton::mouseReleased, this, &TMainForm::imgStartMouseUp);
    connect(imgStop, &TImageButton::mouseMoved, this, &TMainForm::imgStopMouseMove);
    connect(imgStop, &TImageButton::mousePressed, this, &TMainForm::imgStopMouseDown);
    connect(imgStop, &TImageButton::mouseReleased, this, &TMainForm::imgStopMouseUp);
    connect(Image1, &TLogoPanel::mouseMoved, this, &TMainForm::Image1MouseMove);
}

void TMainForm::ConnectCommands()
{
    connect(tbtnSetting, &QToolButton::clicked, this, &TMainForm::tbtnSettingClick);
    connect(tbtnAbout, &QToolButton::clicked, this, &TMainForm::tbtnAboutClick);
    connect(tbtnHelp, &QToolButton::clicked, this, &TMainForm::tbtnHelpClick);
    connect(bbtnBrowser, &QPushButton::clicked, this, &TMainForm::bbtnBrowserClick);
    connect(bbtnOpen, &QPushButton::clicked, this, &TMainForm::bbtnOpenClick);
    connect(bbtnSetting, &QPushButton::clicked, this, &TMainForm::bbtnSettingClick);
    // Choosing the same profile again reloads it, so the choice is taken from "activated".
    connect(cmbProfile, &QComboBox::activated, this, &TMainForm::cmbProfileChange);
}
