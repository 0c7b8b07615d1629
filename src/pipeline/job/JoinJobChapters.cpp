// The chapters of a join: the list of the rows' titles and original files, written into the
// job's folder and named at the end of the join's command line.
#include "pipeline/job/JoinJob.h"

#include "pipeline/job/JobFolder.h"
#include "pipeline/runs/CommandLine.h"
#include "platform/Paths.h"
#include "platform/RawNames.h"
#include "settings/ChapterList.h"

#include <QFile>
#include <QSaveFile>

bool JoinJob::PrepareChapters(QString *option)
{
    option->clear();
    if (!m_inputs.Chapters() || !ExtensionHoldsChapters(m_inputs.OutputExtension()))
        return true;
    QString error;
    if (m_folder.isEmpty()) { // a copy has no folder of intermediate files
        const JobFolderResult folder = MakeJobFolder(m_inputs.TempDir(), m_workDir);
        m_folder = folder.folder;
        error = folder.error;
    }
    if (error.isEmpty()) {
        std::vector<ChapterListEntry> entries;
        for (int n = 0; n < m_rowCount; ++n) {
            const QString input = m_inputs.ReadRow(n).InputFile;
            // A title is text to read: bytes of an old disk's name are shown as their letters.
            entries.push_back({ShownName(RemoveExtension(ExtractFileName(input))), input});
        }
        const QByteArray text = ChapterListText(entries);
        QSaveFile file(ChapterListFile(m_folder));
        if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit()) {
            *option = ChapterOption(ChapterListFile(m_folder));
            return true;
        }
        error = QStringLiteral("Cannot write the chapter list %1: %2.")
                    .arg(ChapterListFile(m_folder), file.errorString());
    }
    Ending(JobOutcome::Failed);
    StopTimer();
    RemoveFolder();
    ShowMessageThen(QStringLiteral("Error"), error, MessageIcon::Error,
                    [this] { EndIdle(JobOutcome::Failed); });
    return false;
}
