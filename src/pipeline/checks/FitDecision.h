#pragma once
// The fit of a join without re-encoding: which kind is kept (the one most of the material
// has), which files are converted to it, and the settings the encoder is given for them. A
// pure function of the encoder's "-identify" facts.

#include "pipeline/checks/SourceFit.h"

#include <QString>
#include <QStringList>

#include <vector>

struct FitDecision
{
    int kept = -1; // a file of the kind kept; -1 when no file can be read
    std::vector<int> convert; // the files that differ from it, in order
    QStringList misfits; // one line for each of them, naming what differs (SourceMisfits)
    // Why the differing files cannot be converted (no encoder makes the kind, or a file that
    // cannot be read); empty when they can.
    QStringList refusals;
    QString settings; // the value of the encoder's "-fit" for the kind

    bool AllFit() const { return misfits.isEmpty(); }
    bool CanConvert() const { return !misfits.isEmpty() && refusals.isEmpty(); }
};

FitDecision DecideFit(const std::vector<SourceFacts> &facts, const QStringList &names,
                      const QString &outputExtension);

// The encoder's "-fit" value that makes files of the kind, or empty with *why when no encoder
// makes it.
QString FitSettingsFor(const SourceFacts &kind, QString *why);

// The question before converting: the files and what differs, then how long it may take.
QString FitQuestion(const QStringList &misfits, double seconds);

// The refusal of a copy whose odd files could be converted, for a front end that converts
// only when told to: the message, then the line naming the choice.
QString FitRefusal(const QStringList &misfits);
