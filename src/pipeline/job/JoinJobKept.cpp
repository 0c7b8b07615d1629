// Going on from an earlier job: the conversions kept from it are put into the job's folder
// instead of being made again, each new conversion is kept as soon as it is whole, and a
// completed join lets its kept files go.
#include "pipeline/job/JoinJob.h"

#include "pipeline/job/KeptConversions.h"
#include "pipeline/runs/CommandLine.h"

#include <QCoreApplication>
#include <QDateTime>

namespace {

// The kept folder beside the job's own folder (both in the same temporary folder, so that a
// kept file is a link rather than a copy).
QString KeptFolderBeside(const QString &jobFolder)
{
    const QString parent = jobFolder.left(jobFolder.lastIndexOf(QLatin1Char('/'), -2) + 1);
    return KeptConversions::FolderIn(parent);
}

} // namespace

void JoinJob::RestoreKept(std::vector<int> &rows)
{
    m_keptFolder.clear();
    m_keptNames.clear();
    if (!m_inputs.KeepConverted())
        return;
    m_keptFolder = KeptFolderBeside(m_folder);
    const KeptConversions kept(m_keptFolder);
    // The recipe: the conversion's command line with a fixed target, and the profile with its
    // options, so that another profile or setting never finds a conversion made for this one.
    const QString recipeTail = QLatin1Char('\n') + m_profilePath + QLatin1Char('\n')
        + m_inputs.EncoderOptions(m_profilePath);
    const QString encoder = EncoderBuildOf(m_encoderPath);
    for (int n = 0; n < m_rowCount; ++n) {
        const ltvItemData row = m_inputs.ReadRow(n);
        // The trim is part of the recipe: a cut conversion is never used for another cut.
        const QString recipe = RowConversion(n, row, QStringLiteral("-")) + recipeTail;
        m_keptNames << KeptName(SourceOf(row.InputFile), recipe, encoder);
    }
    std::vector<int> rest;
    double total = 0;
    for (int n = 0; n < m_rowCount; ++n)
        total += m_inputs.ReadRow(n).KeptSeconds();
    for (const int n : rows) {
        if (kept.Restore(m_keptNames.at(n), IntermediateFile(m_folder, n))) {
            m_secondsDone += m_inputs.ReadRow(n).KeptSeconds();
            SetRowStatus(n, QStringLiteral("Waiting for joining"));
        } else {
            rest.push_back(n);
        }
    }
    const int done = int(rows.size() - rest.size());
    rows = std::move(rest);
    if (done == 0)
        return;
    // The conversion stage fills the first half of the total bar.
    SetBars({0, total > 0 ? int(m_secondsDone / total * 50 + 0.5) : 0});
    Q_EMIT noteChanged(QCoreApplication::translate(
                           "JoinJob", "%1 of %n files were already converted; going on from there",
                           nullptr, m_rowCount)
                           .arg(done));
}

void JoinJob::KeepRow()
{
    if (m_keptFolder.isEmpty() || m_row >= m_keptNames.size())
        return;
    const KeptConversions kept(m_keptFolder);
    if (kept.Keep(IntermediateFile(m_folder, m_row), m_keptNames.at(m_row)))
        kept.Trim(m_inputs.KeptLimitBytes(), kKeptMaxAgeSeconds,
                  QDateTime::currentSecsSinceEpoch());
}

void JoinJob::ForgetKept()
{
    if (m_keptFolder.isEmpty())
        return;
    const KeptConversions kept(m_keptFolder);
    kept.Remove(m_keptNames);
    kept.Trim(m_inputs.KeptLimitBytes(), kKeptMaxAgeSeconds, QDateTime::currentSecsSinceEpoch());
}
