#pragma once
// ffmpeg's machine-readable progress in, MEncoder-style status lines out.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// One report of ffmpeg's "-progress" output.
struct ProgressReport
{
    double seconds = 0; // position in the output
    int64_t frames = 0;
    int64_t bytes = 0; // written so far
    double speed = 0; // times real time; 0 when not known yet
    bool finished = false; // "progress=end"
};

// Collects "key=value" lines; each "progress=..." line completes one report.
class ProgressReader
{
public:
    // Takes the next bytes; gives the latest report completed by them, if any.
    std::optional<ProgressReport> Feed(const QByteArray &bytes);

private:
    void TakeLine(const QByteArray &line);

    QByteArray m_pending;
    ProgressReport m_current;
    std::optional<ProgressReport> m_completed;
};

// "Pos:  12.3s    370f ( 5%)  0.00fps Trem:   0min   0mb  A-V:0.000 [0:0]" followed by "\r".
// totalSeconds <= 0 leaves the percent and the estimates at 0.
QByteArray FormatStatusLine(const ProgressReport &report, double totalSeconds,
                            double elapsedSeconds);
