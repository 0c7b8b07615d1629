#include "settings/NumberSyntax.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>

namespace {

struct NumberCase
{
    const char *text;
    std::optional<int32_t> expected;
};

void PrintTo(const NumberCase &c, std::ostream *os)
{
    *os << '"' << c.text << '"';
}

class WholeNumberSyntax : public testing::TestWithParam<NumberCase>
{
};

// Both entry points agree on every text that does not start with "0x".
TEST_P(WholeNumberSyntax, ReadsTheNumberOrNothing)
{
    const QString text = QString::fromUtf8(GetParam().text);
    EXPECT_EQ(ParseWholeNumber(text), GetParam().expected);
    EXPECT_EQ(ParseNumber(text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Decimal, WholeNumberSyntax,
                         testing::Values(NumberCase {"12", 12}, NumberCase {"0", 0},
                                         NumberCase {"-0", 0}, NumberCase {"00012", 12},
                                         NumberCase {"+12", 12}, NumberCase {"-12", -12},
                                         NumberCase {"  12", 12}, NumberCase {"\t 12", 12},
                                         NumberCase {"2147483647", INT32_MAX},
                                         NumberCase {"-2147483648", INT32_MIN},
                                         NumberCase {"2147483648", std::nullopt},
                                         NumberCase {"-2147483649", std::nullopt},
                                         NumberCase {"4294967296", std::nullopt},
                                         NumberCase {"99999999999999999999999", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    Hexadecimal, WholeNumberSyntax,
    testing::Values(NumberCase {"$1A", 26}, NumberCase {"$1a", 26}, NumberCase {"x1A", 26},
                    NumberCase {"X1a", 26}, NumberCase {"+0x1A", 26}, NumberCase {"-0x1A", -26},
                    NumberCase {"-$1A", -26}, NumberCase {" $10", 16}, NumberCase {"$FFFFFFFF", -1},
                    NumberCase {"$7FFFFFFF", INT32_MAX}, NumberCase {"$80000000", INT32_MIN},
                    NumberCase {"-$FFFFFFFF", 1}, NumberCase {"$0000000A", 10},
                    NumberCase {"$00000000A", std::nullopt},
                    NumberCase {"$100000000", std::nullopt}, NumberCase {"$1G", std::nullopt},
                    NumberCase {"$-1", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    Invalid, WholeNumberSyntax,
    testing::Values(NumberCase {"", std::nullopt}, NumberCase {" ", std::nullopt},
                    NumberCase {"12abc", std::nullopt}, NumberCase {"1.5", std::nullopt},
                    NumberCase {"12 ", std::nullopt}, NumberCase {"1 2", std::nullopt},
                    NumberCase {"- 1", std::nullopt}, NumberCase {"--1", std::nullopt},
                    NumberCase {"+-1", std::nullopt}, NumberCase {"+", std::nullopt},
                    NumberCase {"-", std::nullopt}, NumberCase {"$", std::nullopt},
                    NumberCase {"x", std::nullopt}, NumberCase {"0x", std::nullopt},
                    NumberCase {"true", std::nullopt},
                    NumberCase {"\xef\xbc\x91\xef\xbc\x92", std::nullopt}, // full-width 12
                    NumberCase {"\xd9\xa3", std::nullopt})); // Arabic-Indic 3

// Texts that begin with "0x" are read as hexadecimal as a whole.
TEST(NumberSyntax, LeadingZeroXIsHexadecimal)
{
    const struct
    {
        const char *text;
        std::optional<int32_t> expected;
    } cases[]
        = {{"0x1A", 26}, {"0X1a", 26},  {"0xFFFFFFFF", -1}, {"0x0000000A", 10}, {"0x00000000A", {}},
           {"0x+1", {}}, {"0x1A ", {}}, {"0x 1", {}},       {"0xG", {}}};
    for (const auto &c : cases)
        EXPECT_EQ(ParseNumber(QString::fromLatin1(c.text)), c.expected) << c.text;
}

} // namespace
