// The list of inputs of quintor-join --list: any bytes give paths that are not blank and hold
// no line end or zero byte, never more than the lines, and a list written back from them, one
// a line, reads as the same paths.
#include "FuzzTarget.h"
#include "cli/InputList.h"
#include "platform/RawNames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    const QStringList paths = ParseInputList(bytes);
    FUZZ_CHECK(paths.size() <= bytes.count('\n') + 1);
    QByteArray written;
    bool endsInReturn = false;
    for (const QString &path : paths) {
        FUZZ_CHECK(!NameToBytes(path).trimmed().isEmpty());
        FUZZ_CHECK(!path.contains(QLatin1Char('\n')) && !path.contains(QChar(0)));
        endsInReturn = endsInReturn || path.endsWith(QLatin1Char('\r'));
        written += NameToBytes(path) + '\n';
    }
    // A name that ends in a carriage return is the one a CR LF line end would take.
    if (!endsInReturn)
        FUZZ_CHECK(ParseInputList(written) == paths);
    return 0;
}
