#include "matrix/decimal_to_double.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace mirvel
