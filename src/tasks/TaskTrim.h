#pragma once
// The part of a listed file that a join keeps: from a start point to an end point, in seconds
// on the file's own timeline, with the rules that keep the two points inside the file and in
// order, and the texts that show them.

#include <QString>

#include <optional>

struct TaskTrim
{
    double from = 0; // the first kept moment
    double to = 0; // the end of the kept part (the last kept frame ends here)

    double Seconds() const { return to - from; }
    friend bool operator==(const TaskTrim &, const TaskTrim &) = default;
};

// Why a trim is refused for a file of lengthSeconds (negative when not known); empty when it is
// good. The start must not be negative, the end must come after the start, and a known length
// bounds the end (a thousandth of a second is allowed for the rounding of time texts).
QString TrimRefusal(const TaskTrim &trim, double lengthSeconds);

// A time with milliseconds: "HH:MM:SS.mmm" (00:01:05.250); negative and non-finite values give
// 00:00:00.000.
QString SecondsToClockText(double seconds);

// A time as a person types it: seconds ("12.5") or [HH:]MM:SS[.mmm] with minutes and seconds
// below 60 where a larger field stands before them. Gives nothing for any other text.
std::optional<double> ClockTextToSeconds(const QString &text);

// The tooltip of a trimmed row: "From 00:00:02.000 to 00:00:09.500 of 00:01:05.3."
QString TrimToolTip(const TaskTrim &trim, double lengthSeconds);
