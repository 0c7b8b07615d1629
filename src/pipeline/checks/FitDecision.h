#pragma once
// The fit of a join without re-encoding: which kind is kept (the one most of the material
// has), which files are converted to it, and the settings the encoder is given for them. A
// pure function of the encoder's "-identify" facts.

#include "pipeline/checks/SourceFit.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <vector>

// What of an odd file is converted: all of it, or only its sound, its picture being exactly
// of the kind kept and copied bit for bit.
enum class FitPart { Whole, Sound };

// Seconds of work for a second of a file converted so. A whole conversion at the quality kept
// runs at about the pace of playing on a machine of today, a little more for large pictures;
// converting the sound alone reads the picture without decoding it (a one-minute 1080p clip:
// 3 s against 82 s for all of it, measured).
double FitPace(FitPart part);

// Whether a picture encoded here in the kind joins the kind's copied files: not in HEVC,
// whose copies are decoded with the first file's parameter sets.
bool MadePictureJoins(const SourceFacts &kind);

struct FitDecision
{
    int kept = -1; // a file of the kind kept; -1 when no file can be read
    std::vector<int> convert; // the files that differ from it, in order
    std::vector<int> soundOnly; // of those, the ones whose sound alone is converted, in order
    // The files whose sound gets a gain to even out the loudness, in order (AddLoudnessFits);
    // those that do not differ otherwise are among convert and soundOnly as well.
    std::vector<int> evened;
    QStringList misfits; // one line for each of them, naming what differs (SourceMisfits)
    // Why the differing files cannot be converted (no encoder makes the kind, or a file that
    // cannot be read); empty when they can.
    QStringList refusals;
    QString settings; // the value of the encoder's "-fit" for the kind

    bool AllFit() const { return misfits.isEmpty(); }
    bool CanConvert() const { return !misfits.isEmpty() && refusals.isEmpty(); }
    FitPart PartOf(int file) const
    {
        return std::find(soundOnly.begin(), soundOnly.end(), file) != soundOnly.end()
            ? FitPart::Sound
            : FitPart::Whole;
    }
};

// The encoder's "-fit" value for a file: the kind, and whether its picture is copied.
QString FitValue(const QString &settings, FitPart part);

// What of f is converted to follow files of the kind in a copy into a file of that extension:
// its sound alone when nothing but its sound stands in the way, else all of it.
FitPart PartToConvert(const SourceFacts &f, const SourceFacts &kind, const QString &extension);

FitDecision DecideFit(const std::vector<SourceFacts> &facts, const QStringList &names,
                      const QString &outputExtension);

// The encoder's "-fit" value that makes files of the kind, or empty with *why when no encoder
// makes it.
QString FitSettingsFor(const SourceFacts &kind, QString *why);

// The question before converting: the files and what differs, how many of them keep their
// picture as it is, the files whose loudness is evened out, then how long it may take.
QString FitQuestion(const QStringList &misfits, double seconds, int soundOnly = 0,
                    const QStringList &evened = {});

// The refusal of a copy whose odd files could be converted, for a front end that converts
// only when told to: the message, then the line naming the choice.
QString FitRefusal(const QStringList &misfits);
