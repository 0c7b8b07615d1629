// The time texts: any text reads as seconds or -1; any number of seconds within the reader's
// range gives a text that reads back within half a tenth of a second. The times a person
// types (a trim's points) read as a finite number of seconds or nothing, and their
// millisecond texts read back within half a millisecond.
#include "FuzzTarget.h"
#include "tasks/TaskTrim.h"
#include "tasks/TimeText.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = QString::fromUtf8(FuzzBytes(data, size));
    const double read = TimeTextToSeconds(input);
    FUZZ_CHECK(read == -1 || read >= 0);
    if (const auto typed = ClockTextToSeconds(input)) {
        FUZZ_CHECK(std::isfinite(*typed) && *typed >= 0);
        if (*typed < 1e9) {
            const auto back = ClockTextToSeconds(SecondsToClockText(*typed));
            FUZZ_CHECK(back && std::fabs(*back - *typed) <= 0.0005 + 1e-12 * *typed);
        }
    }
    if (size >= sizeof(double)) {
        double seconds;
        std::memcpy(&seconds, data, sizeof seconds);
        const QString text = SecondsToTimeText(seconds);
        const double back = TimeTextToSeconds(text);
        // The reader takes whole hours and minutes up to 2^31 - 1 seconds; beyond, "unknown".
        // Halves of a tenth go to the even tenth: an error of 0.05 plus the rounding of doubles.
        if (std::isfinite(seconds) && seconds >= 0 && seconds < 2147483647.0) {
            FUZZ_CHECK(std::fabs(back - seconds) <= 0.05 + 1e-9 * std::max(1.0, seconds));
        } else {
            FUZZ_CHECK(back >= 0 || back == -1);
        }
    }
    return 0;
}
