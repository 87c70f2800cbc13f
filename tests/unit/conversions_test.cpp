#include <gtest/gtest.h>

#include <limits>

#include "platform/conversions.h"

using zelvaro::platform::parseInt32;
using zelvaro::platform::roundHalfEven;

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
    EXPECT_EQ(roundHalfEven(681.5), 682);
    EXPECT_EQ(roundHalfEven(682.5), 682);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(2.4999999), 2);
    EXPECT_EQ(roundHalfEven(2.5000001), 3);
}

TEST(RoundHalfEven, SaturatesOutsideTheRange) {
    EXPECT_EQ(roundHalfEven(1e300), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(roundHalfEven(-1e300), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(roundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(ParseInt32, AcceptsDecimalTextWithBlanksSignAndFraction) {
    const std::pair<std::u16string, std::int32_t> accepted[] = {
        {u"20", 20},
        {u"  20 ", 20},
        {u"\t7", 7},
        {u"+5", 5},
        {u"-7", -7},
        {u"007", 7},
        {u"20.5", 20},
        {u"21.5", 22},
        {u"20.50001", 21},
        {u"20.4999", 20},
        {u"-2.5", -2},
        {u".5", 0},
        {u"3.", 3},
        {u"2147483647", 2147483647},
        {u"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {u"2147483646.5", 2147483646},
        {u"0.00000000000000000000000001", 0},
    };
    for (const auto& [text, value] : accepted) {
        const auto parsed = parseInt32(text);
        ASSERT_TRUE(parsed) << std::string(text.begin(), text.end());
        EXPECT_EQ(*parsed, value) << std::string(text.begin(), text.end());
    }
}

TEST(ParseInt32, RejectsEverythingElse) {
    const std::u16string rejected[] = {
        u"",
        u"   ",
        u"abc",
        u"12abc",
        u"1 2",
        u"+",
        u"-",
        u".",
        u"1.2.3",
        u"--1",
        u"2147483648",
        u"-2147483649",
        u"2147483647.5",
        u"99999999999999999999999",
        u"&H10",
        u"1e3",
        u"1,5",
        std::u16string(u"1\0"
                       "2",
                       3),
        u"\u0661\u0662", // Arabic-Indic digits
        u"\uFF11",       // full-width one
    };
    for (const auto& text : rejected)
        EXPECT_FALSE(parseInt32(text)) << std::string(text.begin(), text.end());
}
