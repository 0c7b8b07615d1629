// The job that evens out the loudness: before its conversions (or, copying, before it decides
// which files to convert), every row's file is measured (the list has usually done so while
// the files were added), and each row's gain is decided from all of them.
#include "pipeline/checks/LoudnessDecision.h"
#include "pipeline/job/JoinJob.h"

void JoinJob::StartMeasuring(LoudnessMeter &meter, const std::vector<int> &rows)
{
    m_stage = Stage::Measuring;
    m_meter = &meter;
    Q_EMIT stageTitleChanged(tr("Measuring the loudness:"));
    Q_EMIT currentFileShown(false);
    SetBars({0, 0}, true);
    m_timer.start();
    QStringList paths;
    for (const int row : rows)
        paths << m_inputs.ReadRow(row).InputFile;
    m_measuredConnection = connect(&meter, &LoudnessMeter::measured, this, [this, rows, paths] {
        int done = 0;
        for (const QString &path : paths)
            done += m_meter->Facts(path) ? 1 : 0;
        SetBars({int(done * 100 / std::max<qsizetype>(paths.size(), 1)), 0});
        if (m_meter->AllMeasured(paths))
            OnMeasured(rows);
    });
    meter.Measure(paths);
    if (meter.AllMeasured(paths))
        OnMeasured(rows);
}

void JoinJob::OnMeasured(const std::vector<int> &rows)
{
    if (m_stage != Stage::Measuring)
        return;
    EndMeasuring();
    std::vector<ClipLoudness> clips;
    for (int n = 0; n < m_rowCount; ++n) {
        const ltvItemData row = m_inputs.ReadRow(n);
        clips.push_back({row.KeptSeconds(), row.Loudness});
    }
    m_gains = DecideLoudness(clips).gains;
    if (m_inputs.StreamCopy())
        DecideCopy();
    else
        StartConversionStage(rows);
}

void JoinJob::MeasuringCancelled()
{
    EndMeasuring();
    Ending(JobOutcome::Stopped);
    StopTimer();
    ShowMessageThen(QStringLiteral("Cancel"), QStringLiteral("The Coversion is canceled."),
                    MessageIcon::Information, [this] {
                        Q_EMIT progressPanelShown(false);
                        End(JobOutcome::Stopped, AfterJobAction::None);
                    });
}

void JoinJob::EndMeasuring()
{
    disconnect(m_measuredConnection);
    m_meter = nullptr;
    if (m_stage == Stage::Measuring)
        m_stage = Stage::None;
}
