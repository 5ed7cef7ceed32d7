// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vantrel {
namespace {

const NumberFormat kGerman{",", "."};
const NumberFormat kEnglish{".", ","};

struct ParseCase {
  const char* name;
  const char* text;
  NumberFormat format;
  std::optional<double> expected;
};

class ParseNumberTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseNumberTest, ReadsAsTheUserTypedIt) {
  const ParseCase& c = GetParam();
  const std::optional<double> value = ParseNumber(c.text, c.format);
  ASSERT_EQ(value.has_value(), c.expected.has_value()) << "text: [" << c.text << "]";
  if (value) {
    EXPECT_DOUBLE_EQ(*value, *c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseNumberTest,
    ::testing::Values(
        ParseCase{"Plain", "999", kEnglish, 999},
        ParseCase{"LeadingZeros", "0999", kGerman, 999},
        ParseCase{"BlanksAround", "  12\t ", kEnglish, 12},
        ParseCase{"Negative", "-5", kGerman, -5},
        ParseCase{"ExplicitPlus", "+7", kGerman, 7},
        ParseCase{"GermanDecimal", "12,5", kGerman, 12.5},
        ParseCase{"GermanGroups", "1.000", kGerman, 1000},
        ParseCase{"GermanGroupsAndDecimal", "1.234,75", kGerman, 1234.75},
        ParseCase{"EnglishDecimal", "1.000", kEnglish, 1},
        ParseCase{"EnglishGroups", "12,5", kEnglish, 125},
        ParseCase{"Exponent", "1e3", kEnglish, 1000},
        ParseCase{"NegativeExponent", "25E-1", kEnglish, 2.5},
        ParseCase{"FractionOnly", ",5", kGerman, 0.5},
        ParseCase{"TrailingSeparator", "12.", kEnglish, 12},
        ParseCase{"Empty", "", kGerman, std::nullopt},
        ParseCase{"OnlyBlanks", "   ", kGerman, std::nullopt},
        ParseCase{"Letters", "abc", kGerman, std::nullopt},
        ParseCase{"DigitsThenLetters", "12abc", kGerman, std::nullopt},
        ParseCase{"BlankInside", "1 2", kEnglish, std::nullopt},
        ParseCase{"OnlySign", "-", kEnglish, std::nullopt},
        ParseCase{"OnlySeparator", ",", kGerman, std::nullopt},
        ParseCase{"TwoDecimals", "1,2,3", kGerman, std::nullopt},
        ParseCase{"GroupAtStart", ".100", kGerman, std::nullopt},
        ParseCase{"GroupAtEnd", "100.", kGerman, std::nullopt},
        ParseCase{"ExponentWithoutDigits", "1e", kEnglish, std::nullopt},
        ParseCase{"Infinite", "1e400", kEnglish, std::nullopt},
        ParseCase{"InfinityWord", "inf", kEnglish, std::nullopt},
        ParseCase{"NotANumberWord", "nan", kEnglish, std::nullopt},
        ParseCase{"Hex", "0x10", kEnglish, std::nullopt}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return info.param.name; });

TEST(NumberToTextTest, WritesPlainDigitsWithMinusOnlyWhenNegative) {
  EXPECT_EQ(NumberToText(0), "0");
  EXPECT_EQ(NumberToText(13), "13");
  EXPECT_EQ(NumberToText(-32768), "-32768");
  EXPECT_EQ(NumberToText(999999999999999), "999999999999999");
}

TEST(StepUpTest, StopsAtTheSixteenBitCeiling) {
  int16_t counter = 32766;
  EXPECT_TRUE(StepUp(&counter));
  EXPECT_EQ(counter, 32767);
  EXPECT_FALSE(StepUp(&counter));
  EXPECT_EQ(counter, 32767);
}

}  // namespace
}  // namespace vantrel
