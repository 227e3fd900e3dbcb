#include <gtest/gtest.h>

#include "settings/numbertext.h"

using namespace tonvela;

TEST(NumberText, IntegersReadWithSignAndBlanksOnly) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"007", 7}, {" 12 ", 12}, {"-3", -3}, {"+4", 4}, {"2147483647", 2147483647},
        {"2147483648", std::nullopt}, {"", std::nullopt}, {"1.5", std::nullopt},
        {"12a", std::nullopt}, {"a", std::nullopt}, {"- 1", std::nullopt}, {"+", std::nullopt},
    };
    for (auto [text, expected] : cases) EXPECT_EQ(readInteger(text), expected) << '"' << text << '"';
}

TEST(NumberText, DecimalsReadFiniteNumbersOnly) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"10", 10.0}, {" 1.25", 1.25}, {"-0.5", -0.5}, {"1e2", 100.0}, {"", std::nullopt},
        {"inf", std::nullopt}, {"nan", std::nullopt}, {"0x10", std::nullopt}, {"1,5", std::nullopt},
        {"1e999", std::nullopt},
    };
    for (auto [text, expected] : cases) EXPECT_EQ(readDecimal(text), expected) << '"' << text << '"';
}

TEST(NumberText, DecimalsAreWrittenWithTwoDecimalsInFiveCharacters) {
    EXPECT_EQ(formatDecimal(10), "10.00");
    EXPECT_EQ(formatDecimal(1), " 1.00");
    EXPECT_EQ(formatDecimal(0), " 0.00");
    EXPECT_EQ(formatDecimal(-2.5), "-2.50");
    EXPECT_EQ(formatDecimal(1234.567), "1234.57");
}
