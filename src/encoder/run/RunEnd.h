#pragma once
// How a run that writes one output file ends: every way it can fail removes what was written
// and says why, on standard error with the child's last lines; a run that wrote its file whole
// gives it its name.

#include "encoder/run/FfmpegRun.h"
#include "encoder/run/OutputFile.h"

#include <QString>

// The encoder's exit code for the run: kExitDone once the output has its name. verb says
// what was done in the closing line ("copied", "converted").
int FinishRun(const RunResult &run, OutputFile &output, const RunSettings &settings,
              const QString &outputPath, const QString &verb);
