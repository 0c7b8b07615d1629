#include "settings/NumberSyntax.h"

namespace {

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Reads the whole rest of the text from pos as one to eight hexadecimal digits.
std::optional<uint32_t> ReadHex(const QString &text, qsizetype pos)
{
    const qsizetype count = text.size() - pos;
    if (count < 1 || count > 8)
        return std::nullopt;
    uint32_t value = 0;
    for (qsizetype i = pos; i < text.size(); ++i) {
        const int d = HexDigit(text.at(i));
        if (d < 0)
            return std::nullopt;
        value = value * 16 + uint32_t(d);
    }
    return value;
}

} // namespace

std::optional<int32_t> ParseNumber(const QString &text)
{
    if (text.size() > 2 && text.at(0) == u'0' && (text.at(1) == u'x' || text.at(1) == u'X')) {
        const auto hex = ReadHex(text, 2);
        if (!hex)
            return std::nullopt;
        return int32_t(*hex);
    }
    return ParseWholeNumber(text);
}

std::optional<int32_t> ParseWholeNumber(const QString &text)
{
    qsizetype pos = 0;
    while (pos < text.size() && (text.at(pos) == u' ' || text.at(pos) == u'\t'))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text.at(pos) == u'+' || text.at(pos) == u'-')) {
        negative = text.at(pos) == u'-';
        ++pos;
    }
    if (pos >= text.size())
        return std::nullopt;

    qsizetype hexStart = -1;
    if (text.at(pos) == u'$' || text.at(pos) == u'x' || text.at(pos) == u'X')
        hexStart = pos + 1;
    else if (text.at(pos) == u'0' && pos + 1 < text.size()
             && (text.at(pos + 1) == u'x' || text.at(pos + 1) == u'X'))
        hexStart = pos + 2;
    if (hexStart >= 0) {
        const auto hex = ReadHex(text, hexStart);
        if (!hex)
            return std::nullopt;
        const uint32_t pattern = negative ? uint32_t(0) - *hex : *hex;
        return int32_t(pattern);
    }

    int64_t value = 0;
    for (qsizetype i = pos; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u < u'0' || u > u'9')
            return std::nullopt;
        value = value * 10 + (u - u'0');
        if (value > int64_t(2147483648))
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > 2147483647)
        return std::nullopt;
    return int32_t(value);
}
