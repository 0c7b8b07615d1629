#pragma once
// The check of a joined file: its length, read as the rows' lengths are, against the rows'
// lengths together. A join that lost or repeated part of its inputs shows here.

#include "tasks/MediaProbe.h"

#include <QString>

class JobInputs;

// "The output file is 12.3 s shorter than the input files together." (or "longer") when the
// two lengths are more than 1 s plus 1 % of the inputs' length apart; empty otherwise.
QString OutputLengthLine(double outputSeconds, double inputSeconds);

// The completion message's line that names the joined file: "The joined file is <path>."
QString JoinedFileLine(const QString &outputPath);

// Probes the output and compares it with the sum of the rows' lengths. Empty when they agree
// or when a row's length is not known; "The output file could not be read to check its
// length." when the output's length cannot be read.
QString CheckOutputLength(const QString &outputPath, const JobInputs &inputs,
                          const MediaProber &prober = ProbeMedia);
