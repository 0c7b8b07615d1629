// Bytes from outside: a recording's head and tail read for its length, and a file name's bytes
// kept through the program's text. The length is never negative nor beyond 115 days, and a name
// comes back as exactly its bytes.
#include "FuzzTarget.h"
#include "platform/RawNames.h"
#include "tasks/RecordingLength.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    const qsizetype half = bytes.size() / 2;
    if (const auto seconds = MatroskaSecondsFromBytes(bytes.left(half), bytes.mid(half)))
        FUZZ_CHECK(std::isfinite(*seconds) && *seconds >= 0 && *seconds <= 1e7);
    if (const auto seconds = MatroskaSecondsFromBytes(bytes, bytes, bytes.size()))
        FUZZ_CHECK(std::isfinite(*seconds) && *seconds >= 0 && *seconds <= 1e7);
    const QString name = NameFromBytes(bytes);
    // Exact unless the bytes spell a character of the range that stands for raw bytes
    // (UTF-8 EE BE 80 to EE BF BF), which no writing system uses.
    if (!bytes.contains("\xEE\xBE") && !bytes.contains("\xEE\xBF"))
        FUZZ_CHECK(NameToBytes(name) == bytes);
    FUZZ_CHECK(HoldsRawBytes(name)
               == (QString::fromUtf8(bytes).toUtf8() != bytes
                   || NameToBytes(QString::fromUtf8(bytes)) != bytes));
    return 0;
}
