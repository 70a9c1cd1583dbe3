#include "matrix/number_text.h"

#include "matrix/exact_decimal.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <string>

namespace mirvel {
namespace {

std::u16string NumberText(double value, std::u16string_view decimalSeparator) {
    std::u16string text;
    AppendNumberText(text, value, decimalSeparator);
    return text;
}

struct Text {
    double value;
    std::u16string expected;
};

void PrintTo(const Text& c, std::ostream* os) { *os << ::testing::PrintToString(c.value); }

class WritesNumber : public ::testing::TestWithParam<Text> {};

TEST_P(WritesNumber, InTheStandardForm) { EXPECT_EQ(NumberText(GetParam().value, u"."), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(WholeNumbers, WritesNumber,
                         ::testing::Values(Text{0.0, u"0"}, Text{-0.0, u"0"}, Text{7.0, u"7"}, Text{-3.0, u"-3"},
                                           Text{100.0, u"100"}, Text{1e14, u"100000000000000"},
                                           Text{999999999999999.0, u"999999999999999"},
                                           Text{-999999999999999.0, u"-999999999999999"}, Text{1e15, u"1E+15"},
                                           Text{-1e15, u"-1E+15"}, Text{1.2e15, u"1.2E+15"},
                                           Text{1.234e16, u"1.234E+16"}, Text{1e100, u"1E+100"},
                                           Text{std::numeric_limits<double>::max(), u"1.79769313486232E+308"}));

INSTANTIATE_TEST_SUITE_P(
    Fractions, WritesNumber,
    ::testing::Values(Text{2.5, u"2.5"}, Text{-0.25, u"-0.25"}, Text{0.1, u"0.1"}, Text{0.56789, u"0.56789"},
                      Text{5.6789e-5, u"0.000056789"}, Text{5.6789e-11, u"0.000000000056789"},
                      Text{1e-14, u"0.00000000000001"}, Text{1.5e-5, u"0.000015"},
                      Text{0.000123456789012345, u"0.000123456789012345"}, Text{std::numbers::pi, u"3.14159265358979"},
                      Text{12.345678901234567, u"12.3456789012346"}, Text{1.0 / 3.0, u"0.333333333333333"},
                      Text{-2.0 / 3.0, u"-0.666666666666667"}, Text{0.1 + 0.2, u"0.3"}));

INSTANTIATE_TEST_SUITE_P(Scientific, WritesNumber,
                         ::testing::Values(Text{5.6789e-12, u"5.6789E-12"}, Text{1e-15, u"1E-15"},
                                           Text{1.23456789012e-5, u"1.23456789012E-05"}, Text{-1e-20, u"-1E-20"},
                                           Text{1.5e-300, u"1.5E-300"},
                                           Text{std::numeric_limits<double>::denorm_min(), u"4.94065645841247E-324"}));

// Rounding is of the exact binary value to 15 digits, with ties away from
// zero, which differs from printf's ties-to-even.
INSTANTIATE_TEST_SUITE_P(Rounding, WritesNumber,
                         ::testing::Values(Text{123456789012344.5, u"123456789012345"},
                                           Text{-123456789012344.5, u"-123456789012345"},
                                           Text{123456789012345.5, u"123456789012346"},
                                           Text{999999999999999.9, u"1E+15"}, Text{0.99999999999999994, u"1"},
                                           Text{99.99999999999999, u"100"}, Text{9.9999999999999995e-6, u"0.00001"},
                                           Text{1.0000000000000002, u"1"}));

TEST(NumberText, UsesTheGivenDecimalSeparator) {
    EXPECT_EQ(NumberText(2.5, u","), u"2,5");
    EXPECT_EQ(NumberText(1.2e15, u","), u"1,2E+15");
    EXPECT_EQ(NumberText(5.6789e-5, u","), u"0,000056789");
    EXPECT_EQ(NumberText(2.5, u"<>"), u"2<>5");
    EXPECT_EQ(NumberText(25.0, u","), u"25");
}

// Across the whole range of doubles, the leading digits are those of the
// exact binary value, as a full-precision printer writes it.
TEST(ExactLeadingDigits, AgreeWithAnExactPrinter) {
    std::mt19937_64 random(20261208);
    for (int i = 0; i < 20000; ++i) {
        const double value = std::fabs(std::bit_cast<double>(random()));
        if (!std::isfinite(value) || value == 0.0) continue;
        std::array<char, 800> exact{};
        const auto end =
            std::to_chars(exact.data(), exact.data() + exact.size(), value, std::chars_format::scientific, 770).ptr;
        const std::string text(exact.data(), end);
        const std::string expectedDigits = text.substr(0, 1) + text.substr(2, 15);
        const int expectedExponent = std::stoi(text.substr(text.find('e') + 1));

        const LeadingDigits leading = ExactLeadingDigits(value);
        ASSERT_EQ(std::string(leading.digits.begin(), leading.digits.end()), expectedDigits) << text;
        ASSERT_EQ(leading.exponent, expectedExponent) << text;
    }
}

}  // namespace
}  // namespace mirvel
