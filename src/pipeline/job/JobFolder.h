#pragma once
// The folders of a job's intermediate files. The temporary folder of the preferences holds a
// folder of the job's own, made with a unique name when the job starts, so that no file of the
// user's is ever replaced or deleted; at the end the job deletes the files it wrote there and
// the folder when it is empty. Nothing is deleted recursively. Each job folder records its
// owner (process id, its start time and the boot it ran in), so that the folders of a job
// that was killed can be told from those of a job still running and removed later.

#include <QByteArray>
#include <QString>

struct JobFolderResult
{
    QString folder; // the job's own folder, ending in "/"; empty on failure
    QString error; // on failure: the message naming the folder and the system's reason
};

// The temporary folder: the text made to end in "/"; created (one level) when missing; when
// that fails, the program directory's "temp/", created when missing. Inside it a new folder
// with a unique name. When the chosen temporary folder cannot hold it, the program
// directory's "temp/" is tried as well. Before the new folder is made, the job folders in
// the same temporary folder whose owner is gone are removed (RemoveOrphanedJobFolders).
JobFolderResult MakeJobFolder(const QString &tempDirText, const QString &programDir);

// Deletes the intermediate files 0.avi to <count - 1>.avi of the job's folder that exist, the
// chapter list and its owner record, then the folder itself if nothing else is left in it.
void RemoveJobFolder(const QString &folder, int count);

// The owner record's name inside a job folder.
inline constexpr char kJobOwnerFile[] = "owner";

// The owner record (ProcessOwner.h) names the process of the job.

// Removes every job folder ("qvj-" and six characters) of the temporary folder (ending in
// "/") whose owner record says its process is gone: its intermediate files ("<n>.avi" and
// the encoder's hidden ".<n>.avi.*.part"), the chapter list, the record, then the folder when it is
// empty. Returns how many folders were removed.
int RemoveOrphanedJobFolders(const QString &tempFolder);
// At a start of the program: the orphaned job folders of the temporary folder of the
// preferences and of the program directory's "temp/" are removed.
void RemoveDeadJobFolders(const QString &tempDirText, const QString &programDir);
