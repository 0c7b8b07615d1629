#pragma once
// The folders of a job's intermediate files. The temporary folder of the preferences holds a
// folder of the job's own, made with a unique name when the job starts, so that no file of the
// user's is ever replaced or deleted; at the end the job deletes the files it wrote there and
// the folder when it is empty. Nothing is deleted recursively.

#include <QString>

struct JobFolderResult
{
    QString folder; // the job's own folder, ending in "/"; empty on failure
    QString error; // on failure: the message naming the folder and the system's reason
};

// The temporary folder: the text made to end in "/"; created (one level) when missing; when
// that fails, the program directory's "temp/", created when missing. Inside it a new folder
// with a unique name. When the chosen temporary folder cannot hold it, the program
// directory's "temp/" is tried as well.
JobFolderResult MakeJobFolder(const QString &tempDirText, const QString &programDir);

// Deletes the intermediate files 0.avi to <count - 1>.avi of the job's folder that exist,
// then the folder itself if nothing else is left in it.
void RemoveJobFolder(const QString &folder, int count);
