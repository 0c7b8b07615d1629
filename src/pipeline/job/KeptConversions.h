#pragma once
// Converted intermediate files kept beyond their job, so that a join that was stopped, failed
// or lost with the program can go on where it was: a folder of its own in the temporary folder
// holds each complete conversion under a name made from everything that made it (the input's
// real path, size and time of writing, the conversion's recipe and the encoder's build). A
// file appears there under its name only once it is whole: it is written under a hidden name
// and renamed. The folder is kept under a size limit, oldest files first, and files past an
// age are removed.

#include <QString>
#include <QStringList>

#include <cstdint>

// What a conversion's result depends on, as it stands on disk.
struct ConversionSource
{
    QString realPath; // the input with every link resolved; empty when it cannot be read
    qint64 size = 0;
    qint64 modifiedNs = 0;
};

// The input file as it is now.
ConversionSource SourceOf(const QString &inputFile);

// The kept name of a conversion: a digest of the source, the recipe (the conversion's command
// line with its target left out, and whatever else the result depends on) and the encoder's
// build, then ".avi". Empty when the source cannot be read: such a row is never kept.
QString KeptName(const ConversionSource &source, const QString &recipe, const QString &encoder);

// The encoder's build as seen from outside: its file's size and time of writing, which change
// whenever another build is put in its place.
QString EncoderBuildOf(const QString &encoderPath);

// The defaults of the kept folder.
inline constexpr qint64 kKeptLimitBytes = qint64(20) * 1000 * 1000 * 1000;
inline constexpr qint64 kKeptMaxAgeSeconds = qint64(7) * 24 * 3600;

class KeptConversions
{
public:
    // The kept folder inside a temporary folder (ending in "/").
    static QString FolderIn(const QString &tempFolder);

    // folder: the kept folder, ending in "/"; it is made when the first file is kept.
    explicit KeptConversions(const QString &folder)
        : m_folder(folder)
    {
    }
    const QString &Folder() const { return m_folder; }

    // True when a whole conversion of that name is kept.
    bool Has(const QString &name) const;
    // Puts the kept conversion of that name at target (a link to it, else a copy); its time of
    // use is renewed, so that the oldest file is the one used longest ago. False when there is
    // none or it cannot be put there: the row is then converted.
    bool Restore(const QString &name, const QString &target) const;
    // Keeps a finished conversion (a link to it, else a copy written under a hidden name and
    // renamed when whole). False when it cannot be kept; the job goes on all the same.
    bool Keep(const QString &converted, const QString &name) const;
    // Removes the kept conversions of these names (a join that has completed).
    void Remove(const QStringList &names) const;

    // Removes kept files older than maxAgeSeconds at nowSeconds (since the epoch), then the
    // oldest until the rest take at most limitBytes; also hidden files of a keep that was cut
    // short. Returns how many files were removed.
    int Trim(qint64 limitBytes, qint64 maxAgeSeconds, qint64 nowSeconds) const;

    // The bytes the kept files take.
    qint64 Bytes() const;

private:
    QString m_folder;
};

// At program start: trims the kept folders of the temporary folder tempDirText and of the
// fallback workDir + "temp/" to limitBytes, removing files older than the age limit first.
void TrimKeptFolders(const QString &tempDirText, const QString &workDir, qint64 limitBytes);

// At program start, the one clean-up of the temporary folders: the folders of jobs whose
// process is gone first (they hold links into the kept folders, which then count only what is
// really kept), then the kept conversions past their age or the limit.
void CleanTemporaryFolders(const QString &tempDirText, const QString &workDir, qint64 keptLimit);
