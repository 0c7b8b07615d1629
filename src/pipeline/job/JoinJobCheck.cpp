// The job of a profile that copies the streams: before its one stage, the encoder says what
// each input holds, and inputs that cannot follow one another are refused with the reasons.
#include "pipeline/job/JoinJob.h"

#include "pipeline/checks/LoudnessFit.h"
#include "pipeline/job/JobFolder.h"
#include "pipeline/runs/CommandLine.h"

#include <QPointer>

#include "platform/Paths.h"
#include "platform/RawNames.h"
#include <algorithm>
#include <numeric>

void JoinJob::CheckEarly(const QStringList &inputFiles)
{
    if (!m_active && m_inputs.StreamCopy())
        m_check.StartEarly(m_encoderPath, inputFiles);
}

void JoinJob::StartCheck()
{
    // The check is no stage of its own: the title stays empty until a stage has begun (the
    // files that differ may first be asked about, then converted, then joined).
    m_stage = Stage::Checking;
    Q_EMIT stageTitleChanged(QString());
    Q_EMIT currentFileShown(false);
    Q_EMIT elapsedTextChanged(QString());
    Q_EMIT remainingTextChanged(QString());
    SetBars({0, 0}, true);
    Q_EMIT progressPanelShown(true);
    SetState(JobState::Running);
    m_clock.Reset();
    m_timer.start();
    m_rowCount = m_inputs.RowCount();
    QStringList inputs;
    for (int i = 0; i < m_rowCount; ++i)
        inputs << m_inputs.ReadRow(i).InputFile;
    m_check.Start(m_encoderPath, inputs);
}

void JoinJob::OnCheckEnded()
{
    if (!m_active || m_ending || m_stage != Stage::Checking)
        return;
    if (m_state == JobState::Cancelled) {
        JoinCancelled();
    } else if (m_check.FailedToStart()) {
        FailToStartEncoder();
    } else if (!m_check.Error().isEmpty()) {
        Ending(JobOutcome::Failed);
        StopTimer();
        ShowMessageThen(
            QStringLiteral("Error"), m_check.Error(), MessageIcon::Error,
            [this] { EndIdle(JobOutcome::Failed); }, m_check.ErrorDetails());
    } else if (LoudnessMeter *meter = m_inputs.LoudnessToEven()) {
        // The rows' gains are decided before the fit: the clips that need one are converted.
        std::vector<int> rows(static_cast<size_t>(m_rowCount));
        std::iota(rows.begin(), rows.end(), 0);
        StartMeasuring(*meter, rows);
    } else {
        DecideCopy();
    }
}

void JoinJob::DecideCopy()
{
    QStringList names;
    for (int i = 0; i < m_rowCount; ++i)
        names << ExtractFileName(m_inputs.ReadRow(i).InputFile);
    FitDecision fit = DecideFit(m_check.Facts(), names, m_inputs.OutputExtension());
    const int soundOnly = int(fit.soundOnly.size());
    AddLoudnessFits(fit, m_check.Facts(), m_gains);
    // A picture made here carries parameter sets of its own, and a copy decodes every HEVC
    // file with those of the first: the files of an HEVC kind can have their sound converted,
    // never their picture (a trimmed row's is made whole).
    if (fit.kept >= 0 && !MadePictureJoins(m_check.Facts()[size_t(fit.kept)]))
        for (const int row : fit.convert)
            if (fit.PartOf(row) == FitPart::Whole || m_inputs.ReadRow(row).Trim) {
                fit.refusals << QStringLiteral("a picture made here would be decoded with the "
                                               "coding settings of the HEVC files it joins");
                break;
            }
    if (fit.convert.empty()) {
        StartJoin(CopyInputList(), StageKind::Copying);
    } else if (!fit.refusals.isEmpty() && fit.AllFit()) {
        FailWithoutFolder(tr("The loudness of the files cannot be evened out without "
                             "re-encoding: %1.\nTurn it off in the Preferences, or choose a "
                             "re-encoding profile.")
                              .arg(fit.refusals.join(QStringLiteral("; "))));
    } else if (!fit.refusals.isEmpty()) {
        RefuseMisfits(fit.misfits, fit.refusals);
    } else if (fit.AllFit()) {
        // Only the loudness is evened out, as the user asked: nothing to ask about.
        StartFit(fit);
    } else {
        AskToFit(fit, soundOnly, names);
    }
}

void JoinJob::AskToFit(const FitDecision &fit, int soundOnly, const QStringList &names)
{
    // The odd files are converted only when the user says so; the clock waits.
    StopTimer();
    double seconds = 0;
    for (const int row : fit.convert)
        seconds += std::max(m_inputs.ReadRow(row).KeptSeconds(), 0.0) * FitPace(fit.PartOf(row));
    QStringList evened;
    for (const int row : fit.evened)
        evened << names.value(row);
    m_desktop.AskToFitThen(ShownName(FitQuestion(fit.misfits, seconds, soundOnly, evened)),
                           ShownName(FitRefusal(fit.misfits)), int(fit.convert.size()),
                           [self = QPointer<JoinJob>(this), fit](bool convert) {
                               if (!self || !self->m_active || self->m_ending)
                                   return;
                               // Stop while the box was open cancels as Stop does; Cancel in
                               // the box ends the job the user chose not to run, with nothing
                               // written.
                               if (self->m_state == JobState::Cancelled) {
                                   self->JoinCancelled();
                               } else if (convert) {
                                   self->StartFit(fit);
                               } else {
                                   self->Ending(JobOutcome::Stopped);
                                   self->EndIdle(JobOutcome::Stopped);
                               }
                           });
}

void JoinJob::RefuseMisfits(const QStringList &misfits, const QStringList &refusals)
{
    // Nothing was written and the rows keep their status.
    Ending(JobOutcome::Failed);
    StopTimer();
    QString text = MisfitMessage(misfits);
    if (!refusals.isEmpty())
        text.replace(QStringLiteral("\nChoose a re-encoding profile"),
                     QStringLiteral("\nThey cannot be converted to match: %1.\nChoose a "
                                    "re-encoding profile")
                         .arg(refusals.join(QStringLiteral("; "))));
    ShowMessageThen(QStringLiteral("Cannot Join Without Re-encoding"), text,
                    MessageIcon::Information, [this] { EndIdle(JobOutcome::Failed); });
}

void JoinJob::StartFit(const FitDecision &fit)
{
    m_fitRows = fit.convert;
    m_fitSettings = fit.settings;
    m_fitSoundRows = fit.soundOnly;
    m_fitIndex = 0;
    StartConversionStage(m_fitRows);
}

FitPart JoinJob::RowPart(int row) const
{
    // A trimmed row's kept part is converted whole: a copied picture cannot start between
    // keyframes.
    const bool sound
        = std::find(m_fitSoundRows.begin(), m_fitSoundRows.end(), row) != m_fitSoundRows.end();
    return sound && !m_inputs.ReadRow(row).Trim ? FitPart::Sound : FitPart::Whole;
}

double JoinJob::RowPace(int row) const
{
    return FitPace(RowPart(row)) / FitPace(FitPart::Whole);
}

QString JoinJob::RowIntermediate(int row) const
{
    if (m_fitRows.empty())
        return IntermediateFile(m_folder, row);
    // MP4 whatever the output: ffmpeg's Matroska writer gives the converted picture a start
    // after zero, which a copy into Matroska turns into a gap and a shifted timeline.
    return FitIntermediateFile(m_folder, row, QStringLiteral(".mp4"));
}

QString JoinJob::DatesOption() const
{
    return m_inputs.KeepDates() ? QStringLiteral("-keepdates ") : QString();
}

QString JoinJob::CopyInputList() const
{
    // A converted row's file holds only its kept part; another trimmed row is cut by the copy.
    QString list;
    for (int i = 0; i < m_rowCount; ++i) {
        const bool converted = std::find(m_fitRows.begin(), m_fitRows.end(), i) != m_fitRows.end();
        const ltvItemData row = m_inputs.ReadRow(i);
        list += QLatin1Char(' ')
            + (converted ? QuotePath(RowIntermediate(i))
                         : QuotePath(row.InputFile) + TrimOptions(row.Trim));
    }
    return list;
}

bool JoinJob::RefuseCrossfade()
{
    const double fade = m_inputs.Crossfade();
    if (fade <= 0)
        return false;
    QString why;
    if (m_inputs.StreamCopy())
        why = tr("Crossfades are made by profiles that re-encode; this profile copies the "
                 "streams.\nTurn the crossfade off in the Preferences, or choose a re-encoding "
                 "profile.");
    for (int i = 0; i < m_inputs.RowCount() && why.isEmpty(); ++i) {
        const ltvItemData row = m_inputs.ReadRow(i);
        const double seconds = row.KeptSeconds();
        if (seconds >= 0 && seconds < 2 * fade)
            why = tr("%1 is shorter than two crossfades of %2 s.")
                      .arg(ShownName(ExtractFileName(row.InputFile)))
                      .arg(fade);
    }
    if (why.isEmpty())
        return false;
    FailWithoutFolder(why);
    return true;
}

QString JoinJob::CrossfadeOption(StageKind kind) const
{
    const double fade = m_inputs.Crossfade();
    if (fade <= 0 || kind == StageKind::Copying || !m_fitRows.empty())
        return QString();
    return QStringLiteral(" -crossfade ") + QString::number(fade);
}
