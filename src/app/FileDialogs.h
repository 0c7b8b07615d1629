#pragma once
// The file dialogs of the main window. The window asks through this interface so that tests
// can answer in place of a user; the real one shows Qt's dialogs.

#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

class FileDialogs
{
public:
    virtual ~FileDialogs() = default;

    // The open dialog: the chosen files in the order the dialog gives them, empty when cancelled.
    virtual QStringList ChooseInputFiles(QWidget *owner, const QString &filter) = 0;
    // The save dialog, started for the profile's output extension (".mp4", empty before any
    // profile): the chosen full path, empty when cancelled.
    virtual QString ChooseOutputFile(QWidget *owner, const QString &filter,
                                     const QString &outputExtension)
        = 0;
    // The folder browser with title as its instruction: the chosen folder, empty when cancelled.
    virtual QString BrowseForFolder(QWidget *owner, const QString &title) = 0;
};

// The open dialog for input files: several existing files at once, the first filter selected,
// no title and no start folder of its own. filter is in "description|pattern" form.
QFileDialog *MakeOpenDialog(QWidget *owner, const QString &filter);
// The save dialog: the filter of the profile's output type selected and its extension as the
// default suffix (SaveDialogStartFor), no overwrite question (Start asks instead).
QFileDialog *MakeSaveDialog(QWidget *owner, const QString &filter, const QString &outputExtension);
// The folder browser: existing folders only.
QFileDialog *MakeFolderBrowser(QWidget *owner, const QString &title);

class QtFileDialogs : public FileDialogs
{
public:
    QStringList ChooseInputFiles(QWidget *owner, const QString &filter) override;
    QString ChooseOutputFile(QWidget *owner, const QString &filter,
                             const QString &outputExtension) override;
    QString BrowseForFolder(QWidget *owner, const QString &title) override;
};
