#pragma once
// The program's one syntax for whole numbers typed by the user or read from ini files.

#include <QString>

#include <cstdint>
#include <optional>

// The number of a text as ini reads take it: "0x"/"0X" followed by hexadecimal digits, or
// else ParseWholeNumber. Nothing when the text is not a valid number.
std::optional<int32_t> ParseNumber(const QString &text);

// Blanks at the start, an optional "+" or "-", then decimal digits (-2147483648 to
// 2147483647) or up to eight hexadecimal digits behind "$", "x", "X", "0x" or "0X", taken as a
// 32-bit pattern ($FFFFFFFF is -1). The number must end at the end of the text.
std::optional<int32_t> ParseWholeNumber(const QString &text);
