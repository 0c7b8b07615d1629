// The output file the window proposes while the user has named none: a first join needs no
// typing. The proposal follows the first row and the profile's type until the user types a
// name, chooses one or confirms another in the Preferences dialog.
#include "app/TMainForm.h"

#include "pipeline/JobControl.h"
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
    connect(edtOutputFile, &QLineEdit::textEdited, this, [this] { m_proposingOutput = false; });
}

void TMainForm::ProposeOutputFile()
{
    if (!m_proposingOutput)
        return;
    const QStringList inputs = m_tasks->InputFiles();
    const QString proposal
        = ProposedOutputFile(VideosFolder(), inputs.value(0), m_profile->OutputExtension());
    if (proposal != edtOutputFile->text())
        edtOutputFile->setText(proposal);
}

void TMainForm::SetChosenOutputFile(const QString &path)
{
    if (path != edtOutputFile->text())
        m_proposingOutput = false;
    edtOutputFile->setText(path);
}
