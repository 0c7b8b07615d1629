#include "app/FileDialogs.h"

#include "app/MainFormRules.h"
#include "platform/RawNames.h"

#include <QFileDialog>
#include <QPointer>

QFileDialog *MakeOpenDialog(QWidget *owner, const QString &filter)
{
    auto *dialog = new QFileDialog(owner);
    dialog->setObjectName(QStringLiteral("OpenDialog1"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setOption(QFileDialog::ReadOnly, false);
    dialog->setSizeGripEnabled(true);
    const QStringList filters = ToQtNameFilters(filter);
    dialog->setNameFilters(filters);
    if (!filters.isEmpty())
        dialog->selectNameFilter(filters.first());
    return dialog;
}

QFileDialog *MakeSaveDialog(QWidget *owner, const QString &filter, const QString &outputExtension)
{
    auto *dialog = new QFileDialog(owner);
    dialog->setObjectName(QStringLiteral("SaveDialog1"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    // A typed "holiday" becomes holiday.mp4 for an MP4 profile, not holiday.avi (to which
    // Start would then add ".mp4").
    const SaveDialogStart start = SaveDialogStartFor(filter, outputExtension);
    dialog->setDefaultSuffix(start.defaultSuffix);
    const QStringList filters = ToQtNameFilters(filter);
    dialog->setNameFilters(filters);
    if (!filters.isEmpty())
        dialog->selectNameFilter(filters.value(start.filterIndex));
    return dialog;
}

QFileDialog *MakeFolderBrowser(QWidget *owner, const QString &title)
{
    auto *dialog = new QFileDialog(owner, title);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    return dialog;
}

// Runs a dialog and gives its chosen files; the dialog is gone afterwards, also when its owner
// went away while it was open.
static QStringList runDialog(QFileDialog *dialog)
{
    QPointer<QFileDialog> guard(dialog);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!guard)
        return {};
    QStringList files = accepted ? dialog->selectedFiles() : QStringList();
    delete dialog;
    // The dialog reads names as UTF-8; a name that is not comes back to its own bytes here.
    for (QString &file : files)
        file = RecoverRawName(file);
    return files;
}

QStringList QtFileDialogs::ChooseInputFiles(QWidget *owner, const QString &filter)
{
    return runDialog(MakeOpenDialog(owner, filter));
}

QString QtFileDialogs::ChooseOutputFile(QWidget *owner, const QString &filter,
                                        const QString &outputExtension)
{
    const QStringList files = runDialog(MakeSaveDialog(owner, filter, outputExtension));
    return files.isEmpty() ? QString() : files.first();
}

QString QtFileDialogs::BrowseForFolder(QWidget *owner, const QString &title)
{
    const QStringList folders = runDialog(MakeFolderBrowser(owner, title));
    return folders.isEmpty() ? QString() : folders.first();
}
