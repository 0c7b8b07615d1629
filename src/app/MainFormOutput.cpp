// The output file the window proposes while the user has named none: a first join needs no
// typing. The proposal follows the first row and the profile's type until the box shows any
// other text (typed, chosen or confirmed in the Preferences dialog).
#include "app/TMainForm.h"

#include "pipeline/job/JobControl.h"
#include "platform/UserFiles.h"
#include "profiles/ProfileSettings.h"
#include "tasks/TaskList.h"

#include <QLineEdit>

void TMainForm::ConnectOutputProposal()
{
    // Any change may bring another first row: rows added, removed, moved, swapped or sorted.
    connect(m_tasks, &QAbstractItemModel::rowsInserted, this, &TMainForm::ProposeOutputFile);
    connect(m_tasks, &QAbstractItemModel::rowsRemoved, this, &TMainForm::ProposeOutputFile);
    connect(m_tasks, &QAbstractItemModel::rowsMoved, this, &TMainForm::ProposeOutputFile);
    connect(m_tasks, &QAbstractItemModel::modelReset, this, &TMainForm::ProposeOutputFile);
    connect(m_tasks, &QAbstractItemModel::dataChanged, this, &TMainForm::ProposeOutputFile);
    connect(m_tasks, &QAbstractItemModel::layoutChanged, this, &TMainForm::ProposeOutputFile);
    // Any other text ends the proposal: typed, chosen with Browser, confirmed in the
    // Preferences dialog or set by Start.
    connect(edtOutputFile, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (text != m_proposedOutput)
            m_proposingOutput = false;
    });
}

void TMainForm::ProposeOutputFile()
{
    if (!m_proposingOutput)
        return;
    const QStringList inputs = m_tasks->InputFiles();
    const QString proposal
        = ProposedOutputFile(VideosFolder(), inputs.value(0), m_profile->OutputExtension());
    m_proposedOutput = proposal;
    edtOutputFile->setText(proposal);
}
