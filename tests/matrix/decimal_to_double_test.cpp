#include "matrix/decimal_to_double.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "matrix/powers_of_five.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace mirvel {
namespace {

// What the standard library's correctly rounded reader says, in the terms of
// DecimalToDouble: nothing for an overflow, 0 for an underflow.
std::optional<double> Reference(const std::string& digits, std::int64_t exponent) {
    const std::string text = (digits.empty() ? "0" : digits) + "e" + std::to_string(exponent);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_EQ(end, text.data() + text.size()) << text;
    if (error == std::errc::result_out_of_range) {
        if (value != 0 && !std::isinf(value)) return value;  // a subnormal, which some libraries flag
        const std::size_t first = digits.find_first_not_of('0');
        const auto magnitude = static_cast<std::int64_t>(digits.size() - first) - 1 + exponent;
        if (magnitude > 0) return std::nullopt;
        return 0.0;
    }
    return value;
}

void ExpectSameAsReference(const std::string& digits, std::int64_t exponent) {
    const std::optional<double> actual = DecimalToDouble(digits, exponent);
    const std::optional<double> expected = Reference(digits, exponent);
    ASSERT_EQ(actual.has_value(), expected.has_value()) << digits << "e" << exponent;
    if (actual) {
        ASSERT_EQ(std::memcmp(&*actual, &*expected, sizeof(double)), 0)
            << digits << "e" << exponent << ": " << *actual << " instead of " << *expected;
    }
}

struct Case {
    const char* digits;
    std::int64_t exponent;
    std::optional<double> expected;
};

constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kTrueMin = std::numeric_limits<double>::denorm_min();

class ConvertsDecimal : public ::testing::TestWithParam<Case> {};

TEST_P(ConvertsDecimal, ToTheNearestDouble) {
    const Case& c = GetParam();
    const std::optional<double> actual = DecimalToDouble(c.digits, c.exponent);
    ASSERT_EQ(actual.has_value(), c.expected.has_value()) << c.digits << "e" << c.exponent;
    if (actual) {
        EXPECT_EQ(*actual, *c.expected) << c.digits << "e" << c.exponent;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, ConvertsDecimal,
    ::testing::Values(Case{"", 0, 0.0}, Case{"000", 5, 0.0}, Case{"7", 0, 7.0}, Case{"25", -1, 2.5}, Case{"1", -1, 0.1},
                      // 2^53 + 1 and 2^53 + 3 lie halfway: ties go to the even neighbour.
                      Case{"9007199254740993", 0, 9007199254740992.0}, Case{"9007199254740995", 0, 9007199254740996.0},
                      Case{"90071992547409930000000000000000000001", -22, 9007199254740994.0},
                      Case{"17976931348623157", 292, kMax},
                      // The largest double's rounding limit, 2^1024 - 2^970, rounds away.
                      Case{"179769313486231580793728971405301", 276, kMax},
                      Case{"179769313486231580793728971405304", 276, std::nullopt}, Case{"1", 309, std::nullopt},
                      Case{"1", 1'000'000'000, std::nullopt}, Case{"49406564584124654", -340, kTrueMin},
                      Case{"1", -325, 0.0}, Case{"1", -1'000'000'000, 0.0}));

TEST(DecimalToDouble, AgreesWithTheStandardReaderOnRandomNumbers) {
    std::mt19937_64 random(20261208);
    const auto digitsOf = [&](std::size_t count) {
        std::string digits(count, '0');
        for (char& digit : digits) digit = static_cast<char>('0' + random() % 10);
        return digits;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::size_t count = 1 + (i % 10 == 0 ? random() % 820 : random() % 25);
        const std::int64_t exponent =
            static_cast<std::int64_t>(random() % 700) - 360 - static_cast<std::int64_t>(count / 2);
        ExpectSameAsReference(digitsOf(count), exponent);
        if (HasFatalFailure()) return;
    }
}

// The exact decimal value of the point halfway between a double and the next,
// and the numbers a last digit away from it: the hardest cases to round.
TEST(DecimalToDouble, RoundsHalfwayPointsToEvenAndTheirNeighboursAway) {
    if (std::numeric_limits<long double>::digits < 64) GTEST_SKIP() << "halfway points need an 80-bit long double";
    std::mt19937_64 random(1440);
    // First 0, whose halfway point is half the smallest subnormal, and the
    // edges of the subnormal range.
    const double fixed[] = {0.0, kTrueMin, std::numeric_limits<double>::min(), std::nextafter(kMax, 0.0)};
    for (int i = 0; i < 2000; ++i) {
        double value = 0;
        const std::uint64_t bits = random() & 0x7FEF'FFFF'FFFF'FFFFull;  // finite, positive
        std::memcpy(&value, &bits, sizeof(value));
        if (i < 4) value = fixed[i];
        const long double halfway = (static_cast<long double>(value) + std::nextafter(value, kMax)) / 2;
        char text[1200];
        std::snprintf(text, sizeof(text), "%.1100Le", halfway);  // exact: the expansion ends well before
        std::string digits;
        const char* e = std::strchr(text, 'e');
        for (const char* c = text; c < e; ++c) {
            if (*c != '.') digits.push_back(*c);
        }
        const std::int64_t exponent = std::atoll(e + 1) - static_cast<std::int64_t>(digits.size() - 1);
        if (i == 0) {
            EXPECT_EQ(DecimalToDouble(digits, exponent), 0.0) << "half the smallest subnormal ties to zero";
            EXPECT_EQ(DecimalToDouble(digits + "1", exponent - 1), kTrueMin);
        }
        ExpectSameAsReference(digits, exponent);
        ExpectSameAsReference(digits + "1", exponent - 1);  // a hair above
        std::string below = digits;                         // a hair below: the last nonzero digit less one
        const std::size_t last = below.find_last_not_of('0');
        below[last] = static_cast<char>(below[last] - 1);
        ExpectSameAsReference(below + "9", exponent - 1);
        if (HasFatalFailure()) return;
    }
}

// A natural number for checking the powers of five, as plainly as it can be
// written: base 2^32, least significant limb first.
using Natural = std::vector<std::uint32_t>;

void MultiplyBy(Natural& natural, std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : natural) {
        carry += std::uint64_t{limb} * factor;
        limb = static_cast<std::uint32_t>(carry);
        carry >>= 32;
    }
    if (carry != 0) natural.push_back(static_cast<std::uint32_t>(carry));
}

Natural FromWords(std::uint64_t high, std::uint64_t low) {
    return {static_cast<std::uint32_t>(low), static_cast<std::uint32_t>(low >> 32), static_cast<std::uint32_t>(high),
            static_cast<std::uint32_t>(high >> 32)};
}

Natural PowerOfTwo(int power) {
    Natural natural(static_cast<std::size_t>(power / 32 + 1), 0);
    natural.back() = std::uint32_t{1} << (power % 32);
    return natural;
}

Natural FiveToThe(int power) {
    Natural natural{1};
    for (int i = 0; i < power; ++i) MultiplyBy(natural, 5);
    return natural;
}

Natural Times(Natural natural, const Natural& other) {  // natural × other, schoolbook
    Natural product(natural.size() + other.size(), 0);
    for (std::size_t i = 0; i < natural.size(); ++i) {
        std::uint64_t carry = 0;
        for (std::size_t j = 0; j < other.size(); ++j) {
            carry += std::uint64_t{natural[i]} * other[j] + product[i + j];
            product[i + j] = static_cast<std::uint32_t>(carry);
            carry >>= 32;
        }
        product[i + other.size()] = static_cast<std::uint32_t>(carry);
    }
    return product;
}

int CompareNatural(Natural a, Natural b) {
    while (!a.empty() && a.back() == 0) a.pop_back();
    while (!b.empty() && b.back() == 0) b.pop_back();
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = a.size(); i-- > 0;) {
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

// Every power of five the conversion uses lies at or less than 3 units of
// the last place above its 128-bit mantissa, exactly on it for 5^0 to 5^55.
TEST(PowerOfFive, LiesJustBelowTheTruth) {
    for (int power = kLowestPowerOfFive; power <= kHighestPowerOfFive; ++power) {
        const Uint128 approximation = PowerOfFiveMantissa(power);
        ASSERT_NE(approximation.high >> 63, 0u) << "5^" << power << " is not normalised";
        const Natural mantissa = FromWords(approximation.high, approximation.low);
        const std::uint64_t low = approximation.low + 3;
        const Natural mantissaPlus3 = FromWords(approximation.high + (low < 3 ? 1 : 0), low);
        // 5^power = truth × 2^e: compare mantissa × 2^e with 5^power, with
        // every negative power moved to the other side.
        const int e = PowerOfFiveExponent(power);
        const Natural five = FiveToThe(std::abs(power));
        const Natural twos = PowerOfTwo(std::abs(e));
        const auto side = [&](const Natural& m) {
            if (power >= 0 && e >= 0) return CompareNatural(Times(m, twos), five);
            if (power >= 0) return CompareNatural(m, Times(five, twos));  // m / 2^-e vs 5^power
            return CompareNatural(Times(m, five), twos);                  // m × 5^-power vs 2^-e (e < 0 here)
        };
        if (power >= 0 && power <= 55) {
            EXPECT_EQ(side(mantissa), 0) << "5^" << power << " is not exact";
        } else {
            EXPECT_LT(side(mantissa), 0) << "5^" << power << " is not below the truth";
            EXPECT_GT(side(mantissaPlus3), 0) << "5^" << power << " is more than 3 units below the truth";
        }
    }
}

// What the standard reader says of leading × 10^exponent, where rest digits
// follow leading (none, or digits strictly inside the cut's interval).
std::optional<double> ReferenceOf(std::uint64_t leading, std::int64_t exponent, const std::string& rest = "") {
    return Reference(std::to_string(leading) + rest, exponent - std::ssize(rest));
}

struct LeadingCase {
    std::uint64_t leading;
    std::int64_t exponent;
    bool cut;
    bool decided;
};

class QuickConversion : public ::testing::TestWithParam<LeadingCase> {};

// Where the quick way decides, it decides as the standard reader does; where
// it cannot (a halfway point inside its error), it says so.
TEST_P(QuickConversion, DecidesOnlyWhatItCan) {
    const LeadingCase& c = GetParam();
    ConvertedDecimal quick;
    const bool decided = ConvertLeadingDigits(c.leading, c.exponent, c.cut, quick);
    ASSERT_EQ(decided, c.decided) << c.leading << "e" << c.exponent << (c.cut ? " cut" : "");
    if (decided) {
        EXPECT_EQ(quick, ReferenceOf(c.leading, c.exponent, c.cut ? "5" : ""))
            << c.leading << "e" << c.exponent << (c.cut ? " cut" : "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Branches, QuickConversion,
    ::testing::Values(
        // Exact powers (5^0 to 5^55): a halfway point is a tie, and decided.
        LeadingCase{9007199254740993ULL, 0, false, true}, LeadingCase{9007199254740995ULL, 0, false, true},
        LeadingCase{4503599627370497ULL, 1, false, true}, LeadingCase{9007199254740993ULL, 23, false, true},
        LeadingCase{1ULL, 55, false, true}, LeadingCase{12345678901234567ULL, 55, false, true},
        // Powers below the truth, and a halfway point within reach: undecided.
        LeadingCase{45035996273704965ULL, -1, false, false}, LeadingCase{45035996273704975ULL, -1, false, false},
        LeadingCase{9007199254740993ULL, 56, false, true}, LeadingCase{1ULL, -1, false, true},
        // Cut: both ends of the interval alike, or a halfway point between
        // them or on its upper end.
        LeadingCase{9007199254740993000ULL, -3, true, false}, LeadingCase{9007199254740992999ULL, -3, true, false},
        LeadingCase{9007199254740992998ULL, -3, true, true}, LeadingCase{1ULL, 400, false, true},
        LeadingCase{9999999999999999999ULL, 0, true, true}, LeadingCase{1797693134862315708ULL, 290, true, true},
        // The edges of the table: the lowest and highest powers of five.
        LeadingCase{9999999999999999999ULL, -343, false, true}, LeadingCase{2470328229206232721ULL, -342, false, true},
        LeadingCase{4940656458412465442ULL, -342, false, true}, LeadingCase{2225073858507201ULL, -323, false, true},
        LeadingCase{1ULL, 308, false, true}, LeadingCase{17976931348623157ULL, 292, false, true},
        LeadingCase{9999999999999999999ULL, 289, false, true}, LeadingCase{9223372036854775808ULL, 290, false, true},
        LeadingCase{1797693134862315709ULL, 290, false, true}));

TEST(ConvertLeadingDigits, DecidesRandomNumbersAsTheStandardReader) {
    std::mt19937_64 random(14);
    int undecided = 0;
    for (int i = 0; i < 100000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 19);
        std::uint64_t limit = 1;
        for (int d = 0; d < digits; ++d) limit *= 10;
        const std::uint64_t leading = 1 + random() % (limit - 1);
        const std::int64_t exponent = kLowestPowerOfFive + static_cast<std::int64_t>(random() % 652);
        // Cut after 19 digits, the interval is up to 10^-18 of the number
        // wide, and holds a halfway point about once in 200 times.
        const bool cut = leading >= 1'000'000'000'000'000'000u && (random() & 1) != 0;
        ConvertedDecimal quick;
        if (!ConvertLeadingDigits(leading, exponent, cut, quick)) {
            undecided += cut ? 0 : 1;
            continue;
        }
        ASSERT_EQ(quick, ReferenceOf(leading, exponent, cut ? "5" : ""))
            << leading << "e" << exponent << (cut ? " cut" : "");
    }
    EXPECT_LE(undecided, 2) << "the quick way gives up on random numbers";
}

}  // namespace
}  // namespace mirvel
