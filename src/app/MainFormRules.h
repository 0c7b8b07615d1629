#pragma once
// Rules of the main window that need no widget: dialog filters, the column-width rule, titles
// and the paths given on the command line.

#include <QString>
#include <QStringList>

#include <array>

// The output types offered by the save dialog, in order, lower case with the dot.
QStringList OutputTypeExtensions();

// The save dialog's filter as "description|pattern|" pairs, ending in "All Files (*.*)|*.*".
QString BuildSaveDialogFilter();

// Qt's name filters for "description|pattern" pairs: the patterns ("*.a;*.b;") become one
// blank-separated group "(*.a *.b)" after the description, "*.*" becomes "*", and a bracket
// group the description already ends with is replaced rather than repeated.
QStringList ToQtNameFilters(const QString &pairs);

// Where the save dialog starts for the loaded profile's output extension (".mp4"; empty before
// any profile): the index in ToQtNameFilters(pairs) of the entry whose patterns hold
// "*<extension>" (any case), else of the "All Files" entry (0 without an extension); and the
// default suffix the dialog adds to a typed name without one, the extension without its dot
// ("avi" when empty).
struct SaveDialogStart
{
    int filterIndex = 0;
    QString defaultSuffix;
};
SaveDialogStart SaveDialogStartFor(const QString &pairs, const QString &outputExtension);

// The widths of "Input File", "Length", "Size" and "Status".
using ColumnWidths = std::array<int, 4>;
inline constexpr ColumnWidths kStartColumnWidths {350, 90, 80, 150};
// The list's width before its first size report.
inline constexpr int kFirstKnownListWidth = 562;

// The widths after the list's width changed by delta: each column takes its share of delta
// (0.49, 0.17, 0.15, 0.19), rounded half to even.
ColumnWidths AdjustColumnWidths(const ColumnWidths &widths, int delta);

// The window title: the product name, " V" and the version text.
QString MainWindowTitle(const QString &productName, const QString &versionText);

// The part of the product name after its first blank (the whole name when it has none).
QString ProgramNameCaption(const QString &productName);

// The paths to put into the task list at start-up, made absolute against currentDir.
struct StartupPathList
{
    QStringList paths;
    // The list file named by a ".tmp" first argument that could not be read; empty otherwise.
    QString unreadableListFile;
};

// When the first argument's extension is ".tmp" (any case), the lines of that file (UTF-8;
// lines end at CR, LF or both; empty lines skipped) and no further argument; otherwise every
// argument in order.
StartupPathList StartupPaths(const QStringList &arguments, const QString &currentDir);

// The output name after the profile changes to one writing newExtension: a name ending in the
// extension of another profile's type (any case) gets newExtension in its place, so that
// "a.asf" becomes "a.mp4" rather than "a.asf.mp4" at Start; any other name is kept, and Start
// appends the extension as it always does.
QString OutputNameForProfile(const QString &name, const QString &newExtension);
