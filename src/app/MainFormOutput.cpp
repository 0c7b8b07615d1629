// The output file the window proposes while the user has named none: a first join needs no
// typing. The proposal follows the first row and the profile's type until the box shows any
// other text (typed, chosen or confirmed in the Preferences dialog). A proposal is never the
// user's choice: it is not stored at the close, so the next start proposes from its own list.
#include "app/TMainForm.h"

#include "pipeline/job/JobControl.h"
#include "platform/UserFiles.h"
#include "profiles/ProfileSettings.h"
#include "tasks/TaskList.h"

#include <QLineEdit>

#include <utility>

void TMainForm::ConnectOutputProposal()
{
    // Any change may bring another first row: rows added, removed, moved, swapped or sorted.
    connect(m_tasks, &QAbstractItemModel::rowsInserted, this, &TMainForm::ProposeOutputFile);
    connect(m_tasks, &QAbstractItemModel::rowsRemoved, this, &TMainForm::ProposeOutputFile);
    connect(m_tasks, &QAbstractItemModel::rowsMoved, this, &TMainForm::ProposeOutputFile);
    connect(m_tasks, &QAbstractItemModel::modelReset, this, &TMainForm::ProposeOutputFile);
    connect(m_tasks, &QAbstractItemModel::layoutChanged, this, &TMainForm::ProposeOutputFile);
    // A swap rewrites the rows' texts; the other rows' texts (statuses) leave the first row.
    connect(m_tasks, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &from) {
        if (from.row() == 0)
            ProposeOutputFile();
    });
    // Any other text is the user's: typed, chosen with Browser, confirmed in the Preferences
    // dialog. An emptied box gets the proposal back, selected so that typing replaces it.
    connect(edtOutputFile, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (m_settingOutput || m_outputOrigin == OutputOrigin::NotShown)
            return;
        if (!text.isEmpty()) {
            m_outputOrigin = OutputOrigin::Users;
            return;
        }
        m_outputOrigin = OutputOrigin::Proposed;
        ProposeOutputFile();
        edtOutputFile->selectAll();
    });
}

void TMainForm::SetOutputText(const QString &text, OutputOrigin origin)
{
    const bool was = std::exchange(m_settingOutput, true);
    edtOutputFile->setText(text);
    m_settingOutput = was;
    m_outputOrigin = origin;
}

void TMainForm::ShowStoredOutputFile(const QString &stored)
{
    if (!stored.isEmpty()) {
        SetOutputText(stored, OutputOrigin::Users);
        return;
    }
    m_outputOrigin = OutputOrigin::Proposed;
    ProposeOutputFile();
}

void TMainForm::ProposeOutputFile()
{
    if (m_outputOrigin != OutputOrigin::Proposed)
        return;
    const QString proposal = ProposedOutputFile(VideosFolder(), m_tasks->InputFiles().value(0),
                                                m_profile->OutputExtension());
    if (proposal != edtOutputFile->text())
        SetOutputText(proposal, OutputOrigin::Proposed);
}

void TMainForm::KeepProposalForTheRun()
{
    // The file the join writes now exists: proposing again would name another one.
    if (m_outputOrigin == OutputOrigin::Proposed)
        m_outputOrigin = OutputOrigin::Written;
}

void TMainForm::OutputProfileChanged(const QString &newExtension)
{
    if (m_outputOrigin == OutputOrigin::Proposed) {
        ProposeOutputFile();
        return;
    }
    if (m_outputOrigin == OutputOrigin::NotShown)
        return;
    const QString renamed = OutputNameForProfile(edtOutputFile->text(), newExtension);
    if (renamed != edtOutputFile->text())
        SetOutputText(renamed, m_outputOrigin);
}

QString TMainForm::OutputFileToStore() const
{
    return m_outputOrigin == OutputOrigin::Users ? edtOutputFile->text() : QString();
}
