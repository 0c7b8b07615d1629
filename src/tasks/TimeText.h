#pragma once
// The program's time texts: hours, minutes and seconds of at least two digits each, separated
// by ":", with "." and one tenths digit when the tenth is not zero (00:01:05.3, 100:00:00).

#include <QString>

// The time text of a number of seconds. The tenth is rounded (halves to the even digit); a
// fraction that rounds up to a whole second is carried into the seconds, so every text reads
// back within a tenth of a second. Negative and non-finite values give 00:00:00.
QString SecondsToTimeText(double seconds);

// The seconds of a time text "H:M:S" (hours and minutes whole decimal numbers, seconds a
// decimal number with "." that does not begin with "."), or -1 when the text is not one.
// Fields need not have two digits and are not range-checked: 0:90:00 gives 5400.
double TimeTextToSeconds(const QString &text);
