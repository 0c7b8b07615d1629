#pragma once
// The progress of a job as quintor-join shows it: one line of standard error, rewritten in
// place on a terminal, plain lines otherwise.

#include <QString>

#include <cstdio>

// What the window would show of a running job.
struct ProgressView
{
    QString stage;
    QString file;
    bool fileShown = true;
    int current = 0;
    int total = 0;
    QString elapsed;
    QString remaining;
};

// "Prepare (Converting): a.mp4  file 50%  total 25%  elapsed 00:00:03  remaining 00:00:09"
// (the file only while shown, the times once known).
QString FormatProgressLine(const ProgressView &view);

class ProgressLine
{
public:
    // terminal: rewrite one line in place; otherwise print a line whenever the stage, the
    // file or the total progress changes.
    ProgressLine(std::FILE *out, bool terminal);

    ProgressView &View() { return m_view; }
    // Shows the view as it is now.
    void Show();
    // Ends the line on a terminal, so that other output starts on a line of its own.
    void Break();

private:
    std::FILE *m_out;
    bool m_terminal;
    ProgressView m_view;
    QString m_shown; // the text on the terminal's line, empty when broken
    QString m_lastPlain; // the stage, file and total of the last plain line
};
