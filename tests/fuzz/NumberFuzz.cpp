// The number syntax: any text is a number or not, never a crash; a number written in decimal
// reads back as itself, and the ini form agrees with the plain one outside "0x".
#include "FuzzTarget.h"
#include "settings/NumberSyntax.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(FuzzBytes(data, size));
    const std::optional<int32_t> whole = ParseWholeNumber(text);
    const std::optional<int32_t> number = ParseNumber(text);
    if (whole) {
        FUZZ_CHECK(ParseWholeNumber(QString::number(*whole)) == whole);
        if (!text.startsWith(QLatin1String("0x")) && !text.startsWith(QLatin1String("0X")))
            FUZZ_CHECK(number == whole);
    }
    return 0;
}
