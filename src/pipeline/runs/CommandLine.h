#pragma once
// The encoder's command lines. Each is built as one text, exactly as the encoder contract
// defines it, and split into program arguments by the Windows command-line rules, so that an
// option value holding a blank still gives several arguments while a quoted path comes back
// whole.

#include "tasks/TaskTrim.h"

#include <QString>
#include <QStringList>

// The arguments of a command line by the Windows rules: blanks (space, tab) separate
// arguments outside double quotes; a double quote opens or closes a quoted part; 2n
// backslashes before a double quote give n backslashes and the quote acts, 2n+1 give n
// backslashes and a literal quote; other backslashes are literal; two double quotes inside a
// quoted part give one literal quote. The first token is the program name (up to the first
// blank, or between double quotes without escapes) and is not part of the result.
QStringList SplitCommandLine(const QString &commandLine);

// The path between double quotes, escaped so that SplitCommandLine gives it back exactly.
// A path without double quotes and backslashes is only enclosed: "/v/a.mpg".
QString QuotePath(const QString &path);

// The intermediate file of a row: the folder (ending in "/"), the 0-based index in decimal,
// ".avi".
QString IntermediateFile(const QString &folder, int index);

// The file a row is converted into for a join without re-encoding: the folder, the 0-based
// index in decimal, the output's extension (".mp4", ".mkv"; lower-cased).
QString FitIntermediateFile(const QString &folder, int index, const QString &extension);

// The command line of the conversion of one row:
// [ "<input>" -o "<intermediate>" -oac mp3lame -ovc lavc -ofps 30 -vf scale=<size>], and for
// a trimmed row [ -ss <from> -endpos <kept length>] after it, in seconds to the millisecond,
// and for a row whose sound gets a gain [ -af volume=<dB>] last, to the hundredth of a dB.
QString ConversionCommandLine(const QString &inputFile, const QString &intermediateFile,
                              const QString &videoSizeValue,
                              const std::optional<TaskTrim> &trim = std::nullopt,
                              double gainDb = 0);

// The encoder's gain of a run's sound: [ -af volume=<dB>] to the hundredth of a dB; empty for
// none.
QString GainOption(double gainDb);

// The options that follow a trimmed row's input on a command line: [ -ss <from> -endpos <kept
// length>], in seconds to the millisecond; empty for a row kept whole.
QString TrimOptions(const std::optional<TaskTrim> &trim);

// The input list of the join: for each of count rows a blank and the quoted intermediate file.
QString JoinInputList(const QString &folder, int count);

// The command line of the join: the input list, [ -o "<output>" ], then the option string,
// which begins with a blank itself (two blanks before "-ovc").
QString JoinCommandLine(const QString &inputList, const QString &outputPath,
                        const QString &encoderOptions);

// The chapter list's file inside a job folder (ending in "/").
QString ChapterListFile(const QString &folder);

// Whether an output of that extension ("." and the type, any case) can hold chapters.
bool ExtensionHoldsChapters(const QString &extension);

// The option that ends a join's command line when the output gets chapters: a blank,
// "-chapters", a blank and the quoted list file.
QString ChapterOption(const QString &listFile);
