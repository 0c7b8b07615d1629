#include "cli/CliOptions.h"

#include "settings/Preferences.h"
#include "tasks/TaskTrim.h"

#include <QCoreApplication>

#include <utility>

namespace {

// The value of an option given as "--name value" or "--name=value"; advances i past it.
bool TakeValue(const QStringList &args, qsizetype &i, const QString &name, QString &value,
               QString &error)
{
    const QString &arg = args.at(i);
    if (arg.startsWith(name + QLatin1Char('='))) {
        value = arg.mid(name.size() + 1);
    } else if (i + 1 < args.size()) {
        value = args.at(++i);
    } else {
        error = QStringLiteral("%1 needs a value.").arg(name);
        return false;
    }
    if (value.isEmpty()) {
        error = QStringLiteral("%1 needs a value.").arg(name);
        return false;
    }
    return true;
}

bool Is(const QString &arg, const QString &name)
{
    return arg == name || arg.startsWith(name + QLatin1Char('='));
}

} // namespace

CliParseResult ParseCliArguments(const QStringList &arguments)
{
    CliParseResult result;
    CliOptions &o = result.options;
    QString &error = result.error;
    bool policyGiven = false;
    bool outputGiven = false;
    bool optionsEnded = false;
    CliOptions::Cut cut; // for the next input
    QString cutOption; // the last cut option given since the last input
    for (qsizetype i = 0; i < arguments.size() && error.isEmpty(); ++i) {
        const QString &arg = arguments.at(i);
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QStringLiteral("-")) {
            if (cut.from && cut.to && *cut.to <= *cut.from)
                error = QCoreApplication::translate("CliOptions",
                                                    "--to must come after --from for %1.")
                            .arg(arg);
            o.inputs << arg;
            o.cuts << std::exchange(cut, {});
            cutOption.clear();
        } else if (Is(arg, QStringLiteral("--from")) || Is(arg, QStringLiteral("--to"))) {
            const bool from = Is(arg, QStringLiteral("--from"));
            cutOption = from ? QStringLiteral("--from") : QStringLiteral("--to");
            QString text;
            if (TakeValue(arguments, i, cutOption, text, error)) {
                const auto seconds = ClockTextToSeconds(text);
                if (!seconds)
                    error = QCoreApplication::translate(
                                "CliOptions",
                                "%1 needs a time in seconds (12.5) or as [HH:]MM:SS[.mmm], "
                                "not %2.")
                                .arg(cutOption, text);
                (from ? cut.from : cut.to) = seconds;
            }
        } else if (arg == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (arg == QStringLiteral("-h") || arg == QStringLiteral("--help")) {
            o.help = true;
        } else if (Is(arg, QStringLiteral("--profile"))) {
            TakeValue(arguments, i, QStringLiteral("--profile"), o.profile, error);
        } else if (Is(arg, QStringLiteral("--temp"))) {
            TakeValue(arguments, i, QStringLiteral("--temp"), o.tempDir, error);
        } else if (Is(arg, QStringLiteral("--output")) || arg == QStringLiteral("-o")) {
            if (outputGiven)
                error = QStringLiteral("The output file is named twice.");
            else if (arg == QStringLiteral("-o"))
                TakeValue(arguments, i, QStringLiteral("-o"), o.output, error);
            else
                TakeValue(arguments, i, QStringLiteral("--output"), o.output, error);
            outputGiven = true;
        } else if (arg == QStringLiteral("--fit")) {
            o.fit = true;
        } else if (arg == QStringLiteral("--no-resume")) {
            o.resume = false;
        } else if (arg == QStringLiteral("--overwrite") || arg == QStringLiteral("--rename")) {
            const auto policy = arg == QStringLiteral("--overwrite") ? CliOptions::Policy::Overwrite
                                                                     : CliOptions::Policy::Rename;
            if (policyGiven && policy != o.policy)
                error = QStringLiteral("--overwrite and --rename exclude each other.");
            o.policy = policy;
            policyGiven = true;
        } else if (arg == QStringLiteral("--chapters") || arg == QStringLiteral("--no-chapters")) {
            const bool on = arg == QStringLiteral("--chapters");
            if (o.chapters && *o.chapters != on)
                error = QStringLiteral("--chapters and --no-chapters exclude each other.");
            o.chapters = on;
        } else if (arg == QStringLiteral("--keep-going")) {
            o.keepGoing = true;
        } else if (Is(arg, QStringLiteral("--list"))) {
            if (!o.listFile.isEmpty())
                error = QCoreApplication::translate("CliOptions", "--list is given twice.");
            else if (!cutOption.isEmpty())
                error = QCoreApplication::translate("CliOptions",
                                                    "%1 applies to one input named after it, "
                                                    "not to the files of --list.")
                            .arg(cutOption);
            else if (TakeValue(arguments, i, QStringLiteral("--list"), o.listFile, error))
                o.listAt = o.inputs.size();
        } else if (arg == QStringLiteral("--no-dates")) {
            o.noDates = true;
        } else if (arg == QStringLiteral("--even-loudness")) {
            o.evenLoudness = true;
        } else if (Is(arg, QStringLiteral("--crossfade"))) {
            QString text;
            if (TakeValue(arguments, i, QStringLiteral("--crossfade"), text, error)) {
                o.crossfade = ParseCrossfadeSeconds(text);
                if (!o.crossfade)
                    error = QCoreApplication::translate(
                                "CliOptions",
                                "--crossfade needs seconds from 0.2 to 5 (or 0 for none), not %1.")
                                .arg(text);
            }
        } else {
            error = QStringLiteral("Unknown option %1.").arg(arg);
        }
    }
    if (error.isEmpty() && !cutOption.isEmpty())
        error = QCoreApplication::translate("CliOptions",
                                            "%1 applies to the input after it, and none follows.")
                    .arg(cutOption);
    return result;
}

QString CliUsage()
{
    return QCoreApplication::translate(
        "CliOptions",
        "Usage: quintor-join [--profile NAME] [--temp DIR] [--overwrite | --rename]\n"
        "                    [--chapters | --no-chapters] [--fit] [--no-resume] [--no-dates]\n"
        "                    [--even-loudness] [--crossfade SECONDS] [--keep-going]\n"
        "                    [-o OUTPUT] [--list FILE] [--from TIME] [--to TIME] INPUT...\n"
        "\n"
        "Joins the INPUT video files, in the order given, into OUTPUT with the program's\n"
        "encoder: every input is first converted into an intermediate file, then all of\n"
        "them are joined with the options of the profile. Progress, the stage and the\n"
        "elapsed and remaining times are shown on standard error; the joined file's name\n"
        "is printed on standard output when the join has completed. Ctrl-C stops the job\n"
        "and removes the intermediate files; those converted completely are kept (in\n"
        "qvj-kept/ of the temporary folder), so that the same command goes on from them.\n"
        "\n"
        "Options:\n"
        "  -o, --output OUTPUT  the output file; the profile's extension is appended when\n"
        "                       the name has another one (clip.mpg becomes clip.mpg.avi);\n"
        "                       without it, the file the program's window proposes: the\n"
        "                       first input's name followed by \" joined\" and the profile's\n"
        "                       extension, in the Videos folder (else the home folder),\n"
        "                       with \" 2\", \" 3\"... when that name is taken\n"
        "  --list FILE          join the files named in FILE as well, one path a line,\n"
        "                       in place of the option among the inputs; \"-\" reads the\n"
        "                       list from standard input; blank lines are skipped\n"
        "  --keep-going         leave out each input that cannot be joined (no file, no\n"
        "                       picture, a recording cut short, a file that cannot be\n"
        "                       read or converted), say why on standard error, and join\n"
        "                       the others\n"
        "  --profile NAME       a profile of the Profiles folder beside the program, by its\n"
        "                       name without \".bpf\"; without it the profile chosen last\n"
        "                       in the program (Preferences.ini), else the first one\n"
        "  --temp DIR           the folder for the intermediate files; without it the\n"
        "                       \"Temp Dir\" of Preferences.ini, else temp/ beside the program\n"
        "  --overwrite          replace an existing output file\n"
        "  --rename             keep an existing output file and write NAME_1, NAME_2, ...\n"
        "                       (the first name that is free) instead\n"
        "  --chapters           a chapter at the start of each joined file, named after it\n"
        "                       (MKV, MP4 and MOV outputs; an input's own chapters are kept)\n"
        "  --no-chapters        no chapters; without either, as \"Add Chapters\" of\n"
        "                       Preferences.ini says (on when it is missing)\n"
        "  --fit                with a profile that does not re-encode (\"Same as Source\"):\n"
        "                       convert the files that differ from most of the video to\n"
        "                       match it, and join the others as they are\n"
        "  --no-resume          convert every file, using none kept from a join that was\n"
        "                       stopped or lost, and keep none; without it such a join\n"
        "                       goes on from the files it had converted, as \"Keep\n"
        "                       Converted\" of Preferences.ini says (on when it is missing)\n"
        "  --no-dates           a join without re-encoding does not state the first file's\n"
        "                       recording date, place and device; without it, as \"Keep\n"
        "                       Dates\" of Preferences.ini says (on when it is missing)\n"
        "  --even-loudness      measure every input's loudness and bring the sound of each\n"
        "                       to one level (a copy converts the sound of those that need\n"
        "                       it); without it, as \"Even Loudness\" of Preferences.ini\n"
        "                       says (off when it is missing)\n"
        "  --crossfade SECONDS  dissolve each file into the next over SECONDS (0.2 to 5; 0\n"
        "                       for none), picture and sound, with a profile that\n"
        "                       re-encodes; the joined file is shorter by the overlaps;\n"
        "                       without it, as \"Crossfade\" of Preferences.ini says (none\n"
        "                       when it is missing)\n"
        "  --from TIME          join the next input from TIME on (seconds, such as 12.5,\n"
        "                       or [HH:]MM:SS[.mmm]); the cut is exact to the frame and\n"
        "                       needs a profile that re-encodes\n"
        "  --to TIME            join the next input up to TIME\n"
        "  -h, --help           show this text\n"
        "\n"
        "Without --overwrite or --rename an existing output file is refused. A file named\n"
        "twice is joined twice. Nothing is done after the job: no power-off, no folder.\n"
        "\n"
        "Exit status:\n"
        "  0    the join completed with every input\n"
        "  1    the join failed or was refused\n"
        "  2    the command line is wrong\n"
        "  3    the join completed, and --keep-going left out one input or more\n"
        "  130  stopped with Ctrl-C\n");
}
