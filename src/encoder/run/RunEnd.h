#pragma once
// How a run ends: every way it can fail removes what was written and says why, on standard
// error with the child's last lines; a run that wrote its file whole gives it its name.

#include "encoder/routes/Encoder.h"
#include "encoder/run/FfmpegRun.h"
#include "encoder/run/OutputFile.h"

#include <QString>

#include <functional>

// Says why on standard error (on one line) and gives the exit code (kExitFailed unless told).
int Fail(const QString &message, int code = kExitFailed);

// The program at the given path, or the one of that name on PATH. Empty when there is none,
// with *error (unless it already says why) saying that it is missing and which package
// installs it.
QString ToolPath(const QString &given, const QString &name, QString *error = nullptr);

// The encoder's exit code for the run: kExitDone once the output has its name. verb says
// what was done in the closing line ("copied", "converted", "written"). finish, when given, does
// the last work on the written file before it has its name; false (with its reason) fails the
// run.
int FinishRun(const RunResult &run, OutputFile &output, const RunSettings &settings,
              const QString &outputPath, const QString &verb,
              const std::function<bool(QString *)> &finish = {});
