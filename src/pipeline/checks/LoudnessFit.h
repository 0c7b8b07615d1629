#pragma once
// A join without re-encoding that evens out the loudness: the files whose sound gets a gain
// are converted before the copy, their sound alone where nothing else of them differs from the
// kind kept, so that their picture is copied bit for bit.

#include "pipeline/checks/FitDecision.h"

#include <vector>

// Adds to the fit the files with a gain (gains: dB for each file, in order; 0 for a file left
// as it is): each is named in fit.evened, and one that the fit does not convert already is
// converted, its sound alone. When the fit had no settings (every file of one kind), the
// kind's are made; where no encoder makes the kind, fit.refusals says why.
void AddLoudnessFits(FitDecision &fit, const std::vector<SourceFacts> &facts,
                     const std::vector<double> &gains);
