#include "matrix/leading_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace mirvel {
namespace {

struct NumberCase {
    std::u16string item;
    double expected;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.item); }

class ReadsNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ReadsNumber, AsTheEntryFieldAlwaysHas) {
    const auto& [item, expected] = GetParam();
    const std::optional<double> number = ReadLeadingNumber(item);
    ASSERT_TRUE(number.has_value());
    EXPECT_EQ(*number, expected);
    EXPECT_EQ(std::signbit(*number), std::signbit(expected));
}

INSTANTIATE_TEST_SUITE_P(Decimal, ReadsNumber,
                         ::testing::Values(NumberCase{u"0", 0.0}, NumberCase{u"42", 42.0}, NumberCase{u"007", 7.0},
                                           NumberCase{u"-3", -3.0}, NumberCase{u"+3", 3.0}, NumberCase{u"2.5", 2.5},
                                           NumberCase{u".5", 0.5}, NumberCase{u"5.", 5.0}, NumberCase{u"-.25", -0.25},
                                           NumberCase{u"0.1", 0.1}, NumberCase{u"123456789012344.5", 123456789012344.5},
                                           NumberCase{u"1.7976931348623157e308", std::numeric_limits<double>::max()},
                                           NumberCase{u"-0", -0.0}));

// Halfway between two doubles, and a hair to either side: decided by the
// quick way, or by all the digits, read again past what reading skips.
INSTANTIATE_TEST_SUITE_P(
    Halfway, ReadsNumber,
    ::testing::Values(NumberCase{u"9007199254740993", 9007199254740992.0},
                      NumberCase{u"4503599627370496.5", 4503599627370496.0},
                      NumberCase{u"4503599627370497.5", 4503599627370498.0},
                      NumberCase{u"9007199254740993.00000000000000000001", 9007199254740994.0},
                      NumberCase{u"9007199254740992.99999999999999999999", 9007199254740992.0},
                      NumberCase{u"900719925474099\t3.000000000000\n0000000\t1", 9007199254740994.0},
                      NumberCase{u"-90071992547409\t92.999999999999999999\t9", -9007199254740992.0}));

INSTANTIATE_TEST_SUITE_P(StopsAtFirstForeignCharacter, ReadsNumber,
                         ::testing::Values(NumberCase{u"12abc", 12.0}, NumberCase{u"5-", 5.0}, NumberCase{u"1,5", 1.0},
                                           NumberCase{u"1.2.3", 1.2}, NumberCase{u"3\r4", 3.0}, NumberCase{u"7;8", 7.0},
                                           NumberCase{u"9\u00A01", 9.0}, NumberCase{u"1e5x", 1e5},
                                           NumberCase{u"4+4", 4.0}));

INSTANTIATE_TEST_SUITE_P(NotANumberReadsZero, ReadsNumber,
                         ::testing::Values(NumberCase{u"", 0.0}, NumberCase{u"abc", 0.0}, NumberCase{u"-", 0.0},
                                           NumberCase{u".", 0.0}, NumberCase{u"-.", 0.0}, NumberCase{u"--5", 0.0},
                                           NumberCase{u"+-5", 0.0}, NumberCase{u"\r5", 0.0}, NumberCase{u"e5", 0.0},
                                           NumberCase{u".e5", 0.0}, NumberCase{u"(Введите", 0.0},
                                           NumberCase{u"\u00A05", 0.0}, NumberCase{u"-&H10", 0.0}));

INSTANTIATE_TEST_SUITE_P(SkipsTabLineFeedAndSpace, ReadsNumber,
                         ::testing::Values(NumberCase{u"\t5", 5.0}, NumberCase{u"\n5", 5.0}, NumberCase{u"1\t2", 12.0},
                                           NumberCase{u"-\t5", -5.0}, NumberCase{u"1.\n5", 1.5},
                                           NumberCase{u"1e\t3", 1e3}, NumberCase{u"1 2", 12.0},
                                           NumberCase{u"&\tH\tF", 15.0}));

INSTANTIATE_TEST_SUITE_P(Exponent, ReadsNumber,
                         ::testing::Values(NumberCase{u"1e2", 100.0}, NumberCase{u"1E2", 100.0},
                                           NumberCase{u"1d2", 100.0}, NumberCase{u"1D2", 100.0},
                                           NumberCase{u"2.5e-1", 0.25}, NumberCase{u"1e+3", 1000.0},
                                           NumberCase{u"1e", 1.0}, NumberCase{u"1e+", 1.0}, NumberCase{u"1e-", 1.0},
                                           NumberCase{u"1ee5", 1.0}, NumberCase{u".5e1", 5.0},
                                           NumberCase{u"0e999999999999999999999", 0.0},
                                           NumberCase{u"0.000001e300", 1e294}));

INSTANTIATE_TEST_SUITE_P(
    Underflow, ReadsNumber,
    ::testing::Values(NumberCase{u"1e-400", 0.0}, NumberCase{u"-1e-400", -0.0}, NumberCase{u"1000e-99999999999", 0.0},
                      NumberCase{u"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min()}));

INSTANTIATE_TEST_SUITE_P(
    RadixLiterals, ReadsNumber,
    ::testing::Values(NumberCase{u"&H1F", 31.0}, NumberCase{u"&h1f", 31.0}, NumberCase{u"&HFFFF", -1.0},
                      NumberCase{u"&H8000", -32768.0}, NumberCase{u"&H7FFF", 32767.0}, NumberCase{u"&H10000", 65536.0},
                      NumberCase{u"&HFFFFFFFF", -1.0}, NumberCase{u"&H80000000", -2147483648.0},
                      NumberCase{u"&H0000FFFF", -1.0}, NumberCase{u"&H000000000001", 1.0}, NumberCase{u"&H1G", 1.0},
                      NumberCase{u"&H", 0.0}, NumberCase{u"&", 0.0}, NumberCase{u"&X1", 0.0}, NumberCase{u"&O17", 15.0},
                      NumberCase{u"&o17", 15.0}, NumberCase{u"&O177777", -1.0}, NumberCase{u"&O200000", 65536.0},
                      NumberCase{u"&O37777777777", -1.0}, NumberCase{u"&O78", 7.0}, NumberCase{u"&O", 0.0}));

struct OutOfRangeCase {
    std::u16string item;
};

void PrintTo(const OutOfRangeCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.item); }

class RejectsOutOfRange : public ::testing::TestWithParam<OutOfRangeCase> {};

TEST_P(RejectsOutOfRange, RatherThanStoreInfinity) { EXPECT_FALSE(ReadLeadingNumber(GetParam().item).has_value()); }

INSTANTIATE_TEST_SUITE_P(All, RejectsOutOfRange,
                         ::testing::Values(OutOfRangeCase{u"1e400"}, OutOfRangeCase{u"-1e999"},
                                           OutOfRangeCase{u"1.8e308"}, OutOfRangeCase{u"0.001e312"},
                                           OutOfRangeCase{u"1e99999999999999999999"}, OutOfRangeCase{u"&H100000000"},
                                           OutOfRangeCase{u"&HFFFFFFFFF"}, OutOfRangeCase{u"&O40000000000"}));

TEST(ReadLeadingNumber, ReadsVeryLongDigitRunsExactly) {
    const std::u16string ones(100'000, u'1');
    EXPECT_FALSE(ReadLeadingNumber(ones).has_value());
    EXPECT_EQ(ReadLeadingNumber(u"0." + ones + u"e-99990"), 0.0);
    EXPECT_EQ(ReadLeadingNumber(std::u16string(100'000, u'0') + u"25"), 25.0);
    EXPECT_EQ(ReadLeadingNumber(u"0." + std::u16string(300, u'0') + u"1e301"), 1.0);
}

}  // namespace
}  // namespace mirvel
