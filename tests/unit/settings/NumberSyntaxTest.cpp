#include "settings/NumberSyntax.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>

namespace {

// Both entry points give the same answer for every text, "0x" texts included: decimal with its
// limits; hexadecimal behind $, x, X, 0x or 0X with up to eight digits taken as a 32-bit
// pattern.
TEST(NumberSyntax, ReadsTheWholeTextAsOneNumber)
{
    const int32_t min = INT32_MIN;
    const int32_t max = INT32_MAX;
    const std::pair<const char *, int32_t> cases[]
        = {{"12", 12},          {"-0", 0},           {"00012", 12},      {"+12", 12},
           {"-12", -12},        {" \t12", 12},       {"$1A", 26},        {"x1A", 26},
           {"X1a", 26},         {"0x1A", 26},        {"0X1a", 26},       {"-0x1A", -26},
           {"-$1A", -26},       {"+0x1A", 26},       {"$FFFFFFFF", -1},  {"0xFFFFFFFF", -1},
           {"-$FFFFFFFF", 1},   {"$0000000A", 10},   {"$7FFFFFFF", max}, {"$80000000", min},
           {"2147483647", max}, {"-2147483648", min}};
    for (const auto &[text, number] : cases) {
        EXPECT_EQ(ParseNumber(QString::fromUtf8(text)), number) << text;
        EXPECT_EQ(ParseWholeNumber(QString::fromUtf8(text)), number) << text;
    }
}

// Out of range, more than eight hexadecimal digits, anything after the number, no number.
TEST(NumberSyntax, AnythingElseIsNoNumber)
{
    for (const char *text :
         {"2147483648", "-2147483649", "4294967296", "99999999999999999999999",
          "$00000000A", "0x00000000A", "$1G",        "$-1",
          "0x+1",       "0x 1",        "",           " ",
          "12abc",      "1.5",         "12 ",        "0x1A ",
          "- 1",        "--1",         "+",          "$",
          "x",          "0x",          "true",       "\xef\xbc\x91\xef\xbc\x92"}) {
        EXPECT_EQ(ParseNumber(QString::fromUtf8(text)), std::nullopt) << text;
        EXPECT_EQ(ParseWholeNumber(QString::fromUtf8(text)), std::nullopt) << text;
    }
}

} // namespace
