#include "pipeline/job/JobControl.h"

#include "pipeline/runs/Progress.h"
#include "platform/Paths.h"
#include "platform/RawNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

StartCheck Refusal(StartCheck check, const QString &title, const QString &text, StartFocus focus)
{
    check.verdict = StartCheck::Verdict::Refuse;
    check.title = title;
    check.text = text;
    check.icon = MessageIcon::Information;
    check.focus = focus;
    return check;
}

// True when the folder of path cannot hold a name as long as path's.
bool NameTooLong(const QString &path)
{
    const long nameMax = ::pathconf(NameToBytes(ExtractFileDir(path)).constData(), _PC_NAME_MAX);
    return nameMax > 0 && NameToBytes(ExtractFileName(path)).size() > nameMax;
}

} // namespace

StartCheck CheckStart(const StartInputs &inputs)
{
    StartCheck check;
    check.outputText = inputs.outputText;
    if (inputs.rowCount < 2)
        return Refusal(check, QStringLiteral("Add More Videos"),
                       QStringLiteral("Please add at least 2 videos to the task for joining."),
                       StartFocus::Unchanged);
    check.focus = StartFocus::TaskList;
    if (!DirectoryExists(ExtractFileDir(check.outputText)))
        return Refusal(
            check, QStringLiteral("Output path does not exist"),
            QStringLiteral("The output path does not exist. Please specify another one."),
            StartFocus::OutputFile);
    if (ExtractFileName(check.outputText).isEmpty())
        return Refusal(check, QStringLiteral("Icorrect Filename"),
                       QStringLiteral("Please specify the output file."), StartFocus::OutputFile);
    if (ExtractFileExt(check.outputText).toLower() != inputs.outputExtension.toLower())
        check.outputText += inputs.outputExtension;
    // A name the folder cannot hold would fail only at the end of the job, after the whole
    // conversion: the name typed, and the one Rename makes of it when the file exists.
    if (NameTooLong(check.outputText))
        return Refusal(check, QStringLiteral("Icorrect Filename"),
                       QStringLiteral("The output file name is too long. Please specify a "
                                      "shorter one."),
                       StartFocus::OutputFile);
    const QString renamed = JoinOutputPath(check.outputText, inputs.rename, inputs.outputExtension);
    if (NameTooLong(renamed))
        return Refusal(check, QStringLiteral("Icorrect Filename"),
                       QStringLiteral("The output file exists, and the name it would be renamed "
                                      "to, %1, is too long. Please specify a shorter one.")
                           .arg(ExtractFileName(renamed)),
                       StartFocus::OutputFile);
    for (const QString &input : inputs.inputFiles) {
        if (IsSameFile(check.outputText, input)) {
            check = Refusal(check, QStringLiteral("Error"),
                            QStringLiteral("The output file \"%1\" is one of the videos to "
                                           "join. Please specify another output file.")
                                .arg(check.outputText),
                            StartFocus::OutputFile);
            check.icon = MessageIcon::Error;
            return check;
        }
    }
    if (inputs.askOverwrite && FileExists(check.outputText)) {
        check.verdict = StartCheck::Verdict::AskOverwrite;
        check.title = QStringLiteral("File Exists");
        check.text = QStringLiteral("The output file is existent. Do you want to continue and "
                                    "overwrite it? \n\rClick \"No\" to specify another output "
                                    "filename.");
        check.icon = MessageIcon::Question;
    }
    return check;
}

bool ConfirmStart(StartCheck &check, Desktop &desktop)
{
    switch (check.verdict) {
    case StartCheck::Verdict::Go:
        return true;
    case StartCheck::Verdict::Refuse:
        desktop.ShowMessage(check.title, ShownName(check.text), check.icon);
        return false;
    case StartCheck::Verdict::AskOverwrite:
        if (desktop.AskQuestion(check.title, ShownName(check.text))) {
            check.verdict = StartCheck::Verdict::Go;
            return true;
        }
        check.verdict = StartCheck::Verdict::Refuse;
        check.focus = StartFocus::OutputFile;
        return false;
    }
    return false;
}

bool IsSameFile(const QString &output, const QString &input)
{
    struct stat a = {}, b = {};
    if (::stat(NameToBytes(output).constData(), &a) == 0
        && ::stat(NameToBytes(input).constData(), &b) == 0)
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    const QString cleanOutput = QDir::cleanPath(output), cleanInput = QDir::cleanPath(input);
    const QString ext = ExtractFileExt(cleanOutput);
    return cleanOutput.size() == cleanInput.size()
        && cleanOutput.chopped(ext.size()) == cleanInput.chopped(ext.size())
        && ext.compare(ExtractFileExt(cleanInput), Qt::CaseInsensitive) == 0;
}

void JobClock::Tick(int totalBar)
{
    constexpr int32_t kMost = std::numeric_limits<int32_t>::max();
    if (elapsedSeconds < kMost)
        ++elapsedSeconds;
    if (totalBar != 0) {
        const double e = elapsedSeconds;
        if (const std::optional<int64_t> r = RoundHalfEven(e / (totalBar / 100.0) - e))
            remainingSeconds = static_cast<int32_t>(std::clamp<int64_t>(*r, 0, kMost));
    }
}

QString JoinOutputPath(const QString &outputText, bool rename, const QString &outputExtension)
{
    if (!rename || !FileExists(outputText))
        return outputText;
    const QString stem = AddTrailingBackslash(ExtractFileDir(outputText))
        + RemoveExtension(ExtractFileName(outputText)) + QLatin1Char('_');
    for (int index = 1;; ++index) {
        const QString candidate = stem + QString::number(index) + outputExtension;
        if (!QFileInfo::exists(OpenablePath(candidate)))
            return candidate;
    }
}

QString ProposedOutputFile(const QString &folder, const QString &firstInput,
                           const QString &outputExtension)
{
    const QString name = ExtractFileName(firstInput);
    const QString stem = AddTrailingBackslash(folder)
        + (name.isEmpty() ? QStringLiteral("joined")
                          : RemoveExtension(name) + QStringLiteral(" joined"));
    QString candidate = stem + outputExtension;
    for (int index = 2; QFileInfo::exists(candidate); ++index)
        candidate = stem + QLatin1Char(' ') + QString::number(index) + outputExtension;
    return candidate;
}
