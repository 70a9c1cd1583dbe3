#include "matrix/leading_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace mirvel {
namespace {

// An item, and the number it reads as.
struct Item {
    std::u16string item;
    double expected;
};

void PrintTo(const Item& c, std::ostream* os) { *os << ::testing::PrintToString(c.item); }

class ReadsNumber : public ::testing::TestWithParam<Item> {};

TEST_P(ReadsNumber, ByTheRulesOfANumber) {
    const auto& [item, expected] = GetParam();
    const std::optional<double> number = ReadLeadingNumber(item);
    ASSERT_TRUE(number.has_value());
    EXPECT_EQ(*number, expected);
    EXPECT_EQ(std::signbit(*number), std::signbit(expected));
}

INSTANTIATE_TEST_SUITE_P(Decimal, ReadsNumber,
                         ::testing::Values(Item{u"0", 0.0}, Item{u"42", 42.0}, Item{u"007", 7.0}, Item{u"-3", -3.0},
                                           Item{u"+3", 3.0}, Item{u"2.5", 2.5}, Item{u".5", 0.5}, Item{u"5.", 5.0},
                                           Item{u"-.25", -0.25}, Item{u"0.1", 0.1},
                                           Item{u"123456789012344.5", 123456789012344.5},
                                           Item{u"1.7976931348623157e308", std::numeric_limits<double>::max()},
                                           Item{u"-0", -0.0}));

// Halfway between two doubles, and a hair to either side, read again past
// what reading skips.
INSTANTIATE_TEST_SUITE_P(Halfway, ReadsNumber,
                         ::testing::Values(Item{u"9007199254740993", 9007199254740992.0},
                                           Item{u"4503599627370496.5", 4503599627370496.0},
                                           Item{u"4503599627370497.5", 4503599627370498.0},
                                           Item{u"9007199254740993.00000000000000000001", 9007199254740994.0},
                                           Item{u"9007199254740992.99999999999999999999", 9007199254740992.0},
                                           Item{u"900719925474099\t3.000000000000\n0000000\t1", 9007199254740994.0},
                                           Item{u"-90071992547409\t92.999999999999999999\t9", -9007199254740992.0},
                                           Item{u"99999999999999999999\t9", 1e21}));

// The edges of the range, and numbers of up to 16 digits times a power of
// ten whose product, rounded first to 64 bits (as an x87 unit holds it) and
// then to 53, would come out one unit off.
INSTANTIATE_TEST_SUITE_P(
    Boundaries, ReadsNumber,
    ::testing::Values(Item{u"9007199254740995", 9007199254740996.0},
                      Item{u"90071992547409930000000000000000000001e-22", 9007199254740994.0},
                      Item{u"179769313486231580793728971405301e276", std::numeric_limits<double>::max()},
                      Item{u"49406564584124654e-340", std::numeric_limits<double>::denorm_min()},
                      Item{u"2.4703282292062328e-324", std::numeric_limits<double>::denorm_min()},
                      Item{u"2.4703282292062327e-324", 0.0}, Item{u"1e-325", 0.0}, Item{u"-2e-324", -0.0},
                      Item{u"1e-1000000000", 0.0}, Item{u"1000e-99999999999", 0.0},
                      Item{u"7091431314788835e5", 709143131478883434496.0},
                      Item{u"6301175804972573e5", 630117580497257365504.0},
                      Item{u"5239871176096853e6", 5239871176096852475904.0},
                      Item{u"-4561409651688050e8", -456140965168805033541632.0}));

INSTANTIATE_TEST_SUITE_P(StopsAtFirstForeignCharacter, ReadsNumber,
                         ::testing::Values(Item{u"12abc", 12.0}, Item{u"5-", 5.0}, Item{u"1,5", 1.0},
                                           Item{u"1.2.3", 1.2}, Item{u"3\r4", 3.0}, Item{u"7;8", 7.0},
                                           Item{u"9\u00A01", 9.0}, Item{u"1e5x", 1e5}, Item{u"4+4", 4.0},
                                           Item{u"7:8", 7.0}, Item{u"1.5:", 1.5}, Item{u"3/4", 3.0},
                                           Item{u"1.5/2", 1.5}, Item{u"1e2:", 100.0}, Item{u"1e2/", 100.0},
                                           Item{u"&H1:", 1.0}, Item{u"&O7/", 7.0}));

INSTANTIATE_TEST_SUITE_P(NotANumberReadsZero, ReadsNumber,
                         ::testing::Values(Item{u"", 0.0}, Item{u"abc", 0.0}, Item{u"-", 0.0}, Item{u".", 0.0},
                                           Item{u"-.", 0.0}, Item{u"--5", 0.0}, Item{u"+-5", 0.0}, Item{u"\r5", 0.0},
                                           Item{u"e5", 0.0}, Item{u".e5", 0.0}, Item{u"(Введите", 0.0},
                                           Item{u"\u00A05", 0.0}, Item{u"-&H10", 0.0}, Item{u":5", 0.0},
                                           Item{u"/5", 0.0}));

INSTANTIATE_TEST_SUITE_P(SkipsTabLineFeedAndSpace, ReadsNumber,
                         ::testing::Values(Item{u"\t5", 5.0}, Item{u"\n5", 5.0}, Item{u"1\t2", 12.0},
                                           Item{u"-\t5", -5.0}, Item{u"1.\n5", 1.5}, Item{u"1e\t3", 1e3},
                                           Item{u"1 2", 12.0}, Item{u"&\tH\tF", 15.0}));

INSTANTIATE_TEST_SUITE_P(Exponent, ReadsNumber,
                         ::testing::Values(Item{u"1e2", 100.0}, Item{u"1E2", 100.0}, Item{u"1d2", 100.0},
                                           Item{u"1D2", 100.0}, Item{u"2.5e-1", 0.25}, Item{u"1e+3", 1000.0},
                                           Item{u"1e", 1.0}, Item{u"1e+", 1.0}, Item{u"1e-", 1.0}, Item{u"1ee5", 1.0},
                                           Item{u".5e1", 5.0}, Item{u"0e999999999999999999999", 0.0},
                                           Item{u"0.000001e300", 1e294}));

INSTANTIATE_TEST_SUITE_P(RadixLiterals, ReadsNumber,
                         ::testing::Values(Item{u"&H1F", 31.0}, Item{u"&h1f", 31.0}, Item{u"&HFFFF", -1.0},
                                           Item{u"&H8000", -32768.0}, Item{u"&H7FFF", 32767.0},
                                           Item{u"&H10000", 65536.0}, Item{u"&HFFFFFFFF", -1.0},
                                           Item{u"&H80000000", -2147483648.0}, Item{u"&H0000FFFF", -1.0},
                                           Item{u"&H000000000001", 1.0}, Item{u"&H1G", 1.0}, Item{u"&H", 0.0},
                                           Item{u"&", 0.0}, Item{u"&X1", 0.0}, Item{u"&O17", 15.0}, Item{u"&o17", 15.0},
                                           Item{u"&O177777", -1.0}, Item{u"&O200000", 65536.0},
                                           Item{u"&O37777777777", -1.0}, Item{u"&O78", 7.0}, Item{u"&O", 0.0}));

class RejectsOutOfRange : public ::testing::TestWithParam<std::u16string> {};

TEST_P(RejectsOutOfRange, RatherThanStoreInfinity) { EXPECT_FALSE(ReadLeadingNumber(GetParam()).has_value()); }

INSTANTIATE_TEST_SUITE_P(All, RejectsOutOfRange,
                         ::testing::Values(u"1e400", u"-1e999", u"1.8e308", u"0.001e312",
                                           u"179769313486231580793728971405304e276", u"1e1000000000",
                                           u"1e99999999999999999999", u"&H100000000", u"&HFFFFFFFFF",
                                           u"&O40000000000"));

// The exact decimal value of the point halfway between a double and the
// next, and the numbers a last digit away from it, the hardest to round:
// the halfway point goes to the even one of the two, the others to the
// nearer. Their expansions run to 767 digits.
TEST(ReadLeadingNumber, RoundsHalfwayPointsToEvenAndTheirNeighboursAway) {
    if (std::numeric_limits<long double>::digits < 64) GTEST_SKIP() << "halfway points need an 80-bit long double";
    constexpr double kMax = std::numeric_limits<double>::max();
    std::mt19937_64 random(1440);
    // Half the smallest subnormal first, and the edges of the subnormal range.
    const double fixed[] = {0.0, std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::min(),
                            std::nextafter(kMax, 0.0)};
    const auto read = [](const std::string& digits, long long exponent) {
        const std::string text = digits + "e" + std::to_string(exponent);
        return ReadLeadingNumber(std::u16string(text.begin(), text.end())).value_or(-1.0);
    };
    for (int i = 0; i < 1000; ++i) {
        double below = 0;
        const std::uint64_t bits = random() & 0x7FEF'FFFF'FFFF'FFFFull;  // finite, positive
        std::memcpy(&below, &bits, sizeof(below));
        if (i < 4) below = fixed[i];
        const double above = std::nextafter(below, kMax);
        std::uint64_t belowBits = 0;
        std::memcpy(&belowBits, &below, sizeof(below));
        const double even = belowBits % 2 == 0 ? below : above;

        const long double halfway = (static_cast<long double>(below) + above) / 2;
        char text[1200];
        std::snprintf(text, sizeof(text), "%.1100Le", halfway);  // exact: the expansion ends well before
        std::string digits;
        const char* e = std::strchr(text, 'e');
        for (const char* c = text; c < e; ++c) {
            if (*c != '.') digits.push_back(*c);
        }
        digits.erase(digits.find_last_not_of('0') + 1);
        const long long exponent = std::atoll(e + 1) - static_cast<long long>(digits.size() - 1);
        std::string less = digits;  // a hair below: the last digit less one, then nines
        less.back() = static_cast<char>(less.back() - 1);

        ASSERT_EQ(read(digits, exponent), even) << digits << "e" << exponent;
        ASSERT_EQ(read(digits + "1", exponent - 1), above) << digits << "1e" << exponent - 1;
        ASSERT_EQ(read(less + "9", exponent - 1), below) << less << "9e" << exponent - 1;
    }
}

TEST(ReadLeadingNumber, ReadsVeryLongDigitRunsExactlyAndNothingPastTheItem) {
    EXPECT_EQ(ReadLeadingNumber(std::u16string_view(u"1.5").substr(0, 2)), 1.0);
    EXPECT_EQ(ReadLeadingNumber(std::u16string_view(u"1e23").substr(0, 3)), 100.0);
    const std::u16string ones(100'000, u'1');
    EXPECT_FALSE(ReadLeadingNumber(ones).has_value());
    EXPECT_EQ(ReadLeadingNumber(u"0." + ones + u"e-99990"), 0.0);
    EXPECT_EQ(ReadLeadingNumber(std::u16string(100'000, u'0') + u"25"), 25.0);
    EXPECT_EQ(ReadLeadingNumber(u"0." + std::u16string(300, u'0') + u"1e301"), 1.0);
    // More digits than are kept, and the longest exponent handed over.
    EXPECT_EQ(ReadLeadingNumber(u"-" + std::u16string(800, u'7') + u"e-200000"), -0.0);
}

}  // namespace
}  // namespace mirvel
