// The ini reader and writer: any bytes parse; writing the parsed text and reading it again
// changes nothing; a key set is read back as set, and a write never adds lines of its own.
#include "FuzzTarget.h"
#include "settings/IniDocument.h"

namespace {

// A value the reader gives back unchanged: no blanks or quotes at its ends, within the length.
bool ReadsBackWhole(const QString &value)
{
    return !value.isEmpty() && value.size() <= IniDocument::kMaxValueLength
        && value == value.trimmed() && !value.startsWith(QLatin1Char('"'))
        && !value.startsWith(QLatin1Char('\'')) && !value.contains(QLatin1Char('\n'))
        && !value.contains(QLatin1Char('\r'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    const IniDocument doc = IniDocument::Parse(bytes);
    const QByteArray written = doc.Serialize();
    FUZZ_CHECK(IniDocument::Parse(written).Serialize() == written);

    // The first three lines of the input name a section, a key and a value to set.
    const QList<QByteArray> parts = bytes.split('\n');
    if (parts.size() < 4)
        return 0;
    const QString section = QString::fromUtf8(parts[0]).trimmed();
    const QString key = QString::fromUtf8(parts[1]).trimmed();
    const QString value = QString::fromUtf8(parts[2]);
    IniDocument edited = IniDocument::Parse(parts.mid(3).join('\n'));
    const qsizetype linesBefore = edited.Serialize().count("\r\n");
    edited.Set(section, key, value);
    const QByteArray after = edited.Serialize();
    // One key line, maybe a blank and a section line: never more.
    FUZZ_CHECK(after.count("\r\n") <= linesBefore + 3);
    const bool plainNames = !section.isEmpty() && !key.isEmpty()
        && !section.contains(QLatin1Char(']')) && !key.contains(QLatin1Char('='))
        && !key.startsWith(QLatin1Char(';')) && !key.startsWith(QLatin1Char('['))
        && !section.contains(QLatin1Char('\r')) && !key.contains(QLatin1Char('\r'));
    if (plainNames && ReadsBackWhole(value))
        FUZZ_CHECK(IniDocument::Parse(after).Text(section, key, QString()) == value);
    (void)edited.Number(section, key, 7);
    return 0;
}
