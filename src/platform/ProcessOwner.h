#pragma once
// Files and folders that a process of this program owns while it runs: a one-line record of
// the owner (process id, its start time, and the boot it ran in) kept beside them, so that
// what a process left when it was killed can be told from what a process still running holds,
// and removed by a later one. A process id alone is not enough: ids are used again.

#include <QByteArray>
#include <QString>

// This process's record, one line.
QByteArray ProcessOwnerRecord();

// True when the record names a process that is still running (the same process id, started at
// the same time, in the same boot). A record that cannot be read counts as alive: only what is
// known to be orphaned is ever touched.
bool ProcessOwnerAlive(const QByteArray &record);

// Writes this process's record to a new file at path (which must not exist yet), by its bytes.
bool WriteProcessOwner(const QString &path);

// The record in the file at path (its first 256 bytes); null when it cannot be read.
QByteArray ReadProcessOwner(const QString &path);
