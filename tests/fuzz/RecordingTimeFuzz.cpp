// The dates files state: any text gives nothing or a valid time after 1970, and a time
// written back in the library's own form reads as the same instant.
#include "FuzzTarget.h"
#include "tasks/RecordingTime.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<QDateTime> read = ParseStatedTime(QString::fromUtf8(FuzzBytes(data, size)));
    if (read) {
        FUZZ_CHECK(read->isValid() && read->toUTC().date().year() >= 1970);
        const QString again = read->toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
            + QStringLiteral(" UTC");
        const std::optional<QDateTime> back = ParseStatedTime(again);
        FUZZ_CHECK(back && back->toMSecsSinceEpoch() == read->toMSecsSinceEpoch());
    }
    return 0;
}
