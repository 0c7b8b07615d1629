#pragma once
// The command line of quintor-join.

#include <QString>
#include <QStringList>

#include <optional>

// What quintor-join was asked to do.
struct CliOptions
{
    enum class Policy { Refuse, Overwrite, Rename }; // for an existing output file

    bool help = false;
    QString profile; // a profile name; empty: the remembered one, else the first
    QString tempDir; // empty: the preferences' temporary folder
    Policy policy = Policy::Refuse;
    std::optional<bool> chapters; // --chapters / --no-chapters; none: as the preferences say
    bool fit = false; // --fit: a join without re-encoding converts the files that differ
    bool resume = true; // --no-resume: use no kept conversion and keep none
    bool noDates = false; // --no-dates: the recording date is not kept; else as preferences say
    bool evenLoudness = false; // --even-loudness: one loudness; else as preferences say
    std::optional<double> crossfade; // --crossfade: seconds of each fade, 0 none; else as saved
    bool keepGoing = false; // --keep-going: files that cannot be joined are left out
    QString listFile; // --list FILE: more inputs, one a line ("-": standard input); empty: none
    qsizetype listAt = 0; // where the list's inputs go: after this many of the command line's
    QString output; // empty: the file the window would propose
    QStringList inputs;
    // Per input, in the same order: the part of it joined (--from and --to before it), in
    // seconds; none where the input is joined from its start or to its end.
    struct Cut
    {
        std::optional<double> from;
        std::optional<double> to;
        friend bool operator==(const Cut &, const Cut &) = default;
    };
    QList<Cut> cuts;
};

struct CliParseResult
{
    CliOptions options;
    QString error; // empty when the command line is valid
};

// Parses the arguments after the program name:
// [--profile NAME] [--temp DIR] [--overwrite | --rename] [--chapters | --no-chapters]
// [--fit] [--no-resume] [--no-dates] [--even-loudness] [--crossfade SECONDS] [--keep-going]
// [-o OUTPUT] [--list FILE] [--from TIME] [--to TIME] INPUT...
// --from and --to apply to the next input alone; TIME is seconds (12.5) or
// [HH:]MM:SS[.mmm].
// Options also take the form --name=value; "--" ends the options.
CliParseResult ParseCliArguments(const QStringList &arguments);

// The text of --help.
QString CliUsage();
