#include "matrix/decimal_to_double.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cfloat>
#include <cstring>

#include "matrix/powers_of_five.h"

namespace mirvel {
namespace {

constexpr int kMantissaBits = 53;
constexpr int kSubnormalLastBit = -1074;  // the power of two of the smallest subnormal
constexpr std::int64_t kHighestMagnitude = 308;  // 10^309 is past the largest double
constexpr std::int64_t kLowestMagnitude = -325;  // 10^-325 is under half the smallest subnormal

// A double as an integer mantissa and the power of two of its last bit:
// mantissa × 2^lastBit. The mantissa may have reached 2^53 by rounding up.
struct Rounded {
    std::uint64_t mantissa;
    int lastBit;
};

Rounded Canonical(Rounded rounded) {
    if (rounded.mantissa == std::uint64_t{1} << kMantissaBits) return {rounded.mantissa >> 1, rounded.lastBit + 1};
    return rounded;
}

// The double itself, or nothing past the largest one. A mantissa below 2^52
// belongs to a subnormal, whose last bit is the lowest.
void StoreDouble(Rounded rounded, ConvertedDecimal& converted) {
    rounded = Canonical(rounded);
    // The exponent field of a normal double is lastBit + 1075; the mantissa's
    // top bit, counted in, adds the 1 that the field is taken down by.
    const int field = rounded.lastBit + 1075;
    if (rounded.mantissa != 0 && field >= 2047) {
        converted.reset();
        return;
    }
    const std::uint64_t bits =
        rounded.mantissa == 0 ? 0 : (static_cast<std::uint64_t>(field - 1) << (kMantissaBits - 1)) + rounded.mantissa;
    // Stored as bits: on an x87 unit, loading a subnormal to copy it costs a
    // microcode assist of some 100 ns.
    converted.emplace();
    std::memcpy(&*converted, &bits, sizeof(bits));
}

// leading × 10^exponent = leading × 5^exponent × 2^exponent, with 5^exponent
// from the table: exact for 0 <= exponent <= 55, else a little below. Sets
// rounded to the nearest double and returns true, or, when the number may
// lie on either side of a halfway point between two doubles, sets it to the
// double below that point and returns false.
bool Approximate(std::uint64_t leading, int exponent, Rounded& rounded) {
    const Uint128 power = PowerOfFiveMantissa(exponent);
    const bool exact = exponent >= 0 && exponent <= 55;
    const int zeros = std::countl_zero(leading);
    const std::uint64_t normalized = leading << zeros;
    const int scale = PowerOfFiveExponent(exponent) + exponent - zeros;

    // The product, in three 64-bit words: at least 2^190, below 2^192. The
    // number is (product + error) × 2^scale, the error 0 with an exact power,
    // else above 0 and below 3 × normalized < 2^66. The top two words come
    // first, from the power's high half; its low half adds less than 2^64.
    const Uint128 high = MultiplyFull(normalized, power.high);
    std::uint64_t top = high.high, middle = high.low, bottom = 0;

    // Where the double's last bit falls in the product: 53 bits below its
    // top, or at the subnormals' last bit; and the bit worth half of it,
    // which lies in top (at 9 to 63).
    int lastBit = 0, halfBit = 0;
    const auto place = [&] {
        lastBit = std::max((top >> 63) != 0 ? 139 : 138, kSubnormalLastBit - scale);
        halfBit = lastBit - 129;
    };
    place();
    if (lastBit > 192) {  // under half the smallest subnormal
        rounded = {0, kSubnormalLastBit};
        return true;
    }
    // Mostly the top two words decide alone: what the low half adds (and the
    // error) reaches the half bit, or the top bit, only when the bits below
    // the half bit are (nearly) all ones.
    std::uint64_t belowHalf = (std::uint64_t{1} << halfBit) - 1;
    if (!exact && halfBit < 63 && (top & belowHalf) < belowHalf - 1) {
        rounded = {(top >> (halfBit + 1)) + ((top >> halfBit) & 1), lastBit + scale};
        return true;
    }
    const Uint128 low = MultiplyFull(normalized, power.low);
    middle += low.high;
    top += middle < low.high ? 1 : 0;
    bottom = low.low;
    place();  // a carry may have reached the top bit
    if (lastBit > 192) {
        rounded = {0, kSubnormalLastBit};
        return true;
    }
    belowHalf = (std::uint64_t{1} << halfBit) - 1;

    // The decisions are made without branches: rounding up or down is a
    // coin toss to a predictor.
    const std::uint64_t mantissa = halfBit < 63 ? top >> (halfBit + 1) : 0;
    const std::uint64_t half = (top >> halfBit) & 1;
    std::uint64_t up = half;
    bool decided = true;
    if (exact) {
        // Past halfway if anything lies below the half bit; on it, a tie goes to even.
        const std::uint64_t sticky = ((top & belowHalf) | middle | bottom) != 0 ? 1 : 0;
        up = half & (sticky | (mantissa & 1));
    } else {
        // The number lies above the product by less than 4 units of middle:
        // past halfway if the product is, and short of it unless the product
        // is within those 4 units below.
        decided = half != 0 || (top & belowHalf) != belowHalf || middle < ~std::uint64_t{0} - 2;
    }
    rounded = {mantissa + up, lastBit + scale};
    return decided;
}

// leading × 10^exponent, or, when cut, a number a little above it: as
// Approximate, the nearest double or the one below the halfway point that
// decides.
bool ApproximateLeading(std::uint64_t leading, int exponent, bool cut, Rounded& rounded) {
    const bool decided = Approximate(leading, exponent, rounded);
    if (!decided || !cut) return decided;
    Rounded high{};
    if (!Approximate(leading + 1, exponent, high)) {
        rounded = high;
        return false;
    }
    // Both ends lie within 10^-18 of each other: on one double or two
    // neighbours, which meet halfway above the lower.
    rounded = Canonical(rounded);
    high = Canonical(high);
    return rounded.mantissa == high.mantissa && rounded.lastBit == high.lastBit;
}

// How many decimal digits a number has, without dividing: from the bit
// length, floor(log10) is the estimate or one less (log10 2 is about
// 1233 / 4096).
int DigitCount(std::uint64_t value) {
    constexpr std::uint64_t kPowersOfTen[] = {1,
                                              10,
                                              100,
                                              1'000,
                                              10'000,
                                              100'000,
                                              1'000'000,
                                              10'000'000,
                                              100'000'000,
                                              1'000'000'000,
                                              10'000'000'000,
                                              100'000'000'000,
                                              1'000'000'000'000,
                                              10'000'000'000'000,
                                              100'000'000'000'000,
                                              1'000'000'000'000'000,
                                              10'000'000'000'000'000,
                                              100'000'000'000'000'000,
                                              1'000'000'000'000'000'000,
                                              10'000'000'000'000'000'000u};
    const int estimate = (std::bit_width(value) * 1233) >> 12;
    return estimate + 1 - (value < kPowersOfTen[estimate] ? 1 : 0);
}

// A natural number in base 2^32, least significant limb first. The slow path
// compares digits × 5^a × 2^b with (2m + 1) × 5^c × 2^d, two sides within a
// factor of 2 of each other; the larger of them is at most 2^54 × 5^1125
// (digits × 10^-1125 at 10^-325, the lowest magnitude, with 801 digits) or
// 10^801 (the digits themselves), under 2^2667 either way: 84 limbs.
class BigNatural {
public:
    explicit BigNatural(std::uint64_t value) {
        limbs_[0] = static_cast<std::uint32_t>(value);
        limbs_[1] = static_cast<std::uint32_t>(value >> 32);
        size_ = limbs_[1] != 0 ? 2 : (limbs_[0] != 0 ? 1 : 0);
    }

    static BigNatural FromDigits(std::string_view digits) {
        BigNatural natural(0);
        std::size_t i = 0;
        // The head first, so that the rest goes nine digits at a time.
        std::uint32_t chunk = 0;
        for (const std::size_t head = digits.size() % 9; i < head; ++i)
            chunk = chunk * 10 + static_cast<std::uint32_t>(digits[i] - '0');
        natural.MultiplyAdd(1, chunk);
        while (i < digits.size()) {
            chunk = 0;
            for (const std::size_t end = i + 9; i < end; ++i)
                chunk = chunk * 10 + static_cast<std::uint32_t>(digits[i] - '0');
            natural.MultiplyAdd(1'000'000'000u, chunk);
        }
        return natural;
    }

    void MultiplyByPowerOfFive(std::int64_t power) {
        constexpr std::uint32_t kFiveToThe13 = 1'220'703'125;  // the largest power of 5 below 2^32
        for (; power >= 13; power -= 13) MultiplyAdd(kFiveToThe13, 0);
        std::uint32_t rest = 1;
        for (; power > 0; --power) rest *= 5;
        MultiplyAdd(rest, 0);
    }

    void ShiftLeft(std::int64_t bits) {
        if (size_ == 0 || bits == 0) return;
        const auto limbShift = static_cast<std::size_t>(bits / 32);
        const auto bitShift = static_cast<unsigned>(bits % 32);
        assert(size_ + limbShift + 1 <= kLimbs);
        if (bitShift != 0) {
            limbs_[size_] = 0;
            for (std::size_t i = size_ + 1; i-- > 1;) limbs_[i] = (limbs_[i] << bitShift) | (limbs_[i - 1] >> (32 - bitShift));
            limbs_[0] <<= bitShift;
            ++size_;
        }
        if (limbShift != 0) {
            for (std::size_t i = size_; i-- > 0;) limbs_[i + limbShift] = limbs_[i];
            for (std::size_t i = 0; i < limbShift; ++i) limbs_[i] = 0;
            size_ += limbShift;
        }
        while (size_ > 0 && limbs_[size_ - 1] == 0) --size_;
    }

    [[nodiscard]] int Compare(const BigNatural& other) const {
        if (size_ != other.size_) return size_ < other.size_ ? -1 : 1;
        for (std::size_t i = size_; i-- > 0;) {
            if (limbs_[i] != other.limbs_[i]) return limbs_[i] < other.limbs_[i] ? -1 : 1;
        }
        return 0;
    }

private:
    static constexpr std::size_t kLimbs = 84 + 2;  // and a limb's room for a shift to grow into

    // this = this × factor + addend
    void MultiplyAdd(std::uint32_t factor, std::uint32_t addend) {
        std::uint64_t carry = addend;
        for (std::size_t i = 0; i < size_; ++i) {
            const std::uint64_t product = std::uint64_t{limbs_[i]} * factor + carry;
            limbs_[i] = static_cast<std::uint32_t>(product);
            carry = product >> 32;
        }
        if (carry != 0) {
            assert(size_ < kLimbs);
            limbs_[size_++] = static_cast<std::uint32_t>(carry);
        }
    }

    // Only the limbs below size_ are ever read, so the rest stay unwritten.
    std::array<std::uint32_t, kLimbs> limbs_;
    std::size_t size_ = 0;
};

// The exact decision: digits × 10^exponent against the point halfway between
// the double below it and the next one up, (2m + 1) × 2^(lastBit - 1).
ConvertedDecimal RoundAtHalfway(std::string_view digits, std::int64_t exponent, Rounded below) {
    BigNatural number = BigNatural::FromDigits(digits);
    BigNatural halfway(2 * below.mantissa + 1);
    if (exponent >= 0)
        number.MultiplyByPowerOfFive(exponent);
    else
        halfway.MultiplyByPowerOfFive(-exponent);
    const std::int64_t twos = exponent - (below.lastBit - 1);
    if (twos >= 0)
        number.ShiftLeft(twos);
    else
        halfway.ShiftLeft(-twos);
    const int side = number.Compare(halfway);
    const bool up = side > 0 || (side == 0 && (below.mantissa & 1) != 0);
    ConvertedDecimal converted;
    StoreDouble({below.mantissa + (up ? 1 : 0), below.lastBit}, converted);
    return converted;
}

}  // namespace

namespace {

// ConvertLeadingDigits, which also leaves, when it cannot decide, the double
// below the halfway point that decides.
bool ConvertLeading(std::uint64_t leading, std::int64_t exponent, bool cut, ConvertedDecimal& converted,
                    Rounded& below) {
    if (leading == 0) {
        converted = 0.0;
        return true;
    }
    const std::int64_t magnitude = DigitCount(leading) - 1 + exponent;
    if (magnitude > kHighestMagnitude || magnitude < kLowestMagnitude) {
        converted = magnitude < kLowestMagnitude ? ConvertedDecimal{0.0} : std::nullopt;
        return true;
    }
    // Hence kLowestPowerOfFive <= exponent <= kHighestPowerOfFive.

#if FLT_EVAL_METHOD == 0
    // Both factors exact, so the one rounding of the product or quotient is
    // the correct one (Clinger). Not where the FPU keeps excess precision.
    static constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (!cut && leading <= (std::uint64_t{1} << kMantissaBits) && exponent >= -22 && exponent <= 22) {
        const auto value = static_cast<double>(leading);
        converted = exponent >= 0 ? value * kExactPowersOfTen[exponent] : value / kExactPowersOfTen[-exponent];
        return true;
    }
#endif

    if (!ApproximateLeading(leading, static_cast<int>(exponent), cut, below)) return false;
    StoreDouble(below, converted);
    return true;
}

}  // namespace

bool ConvertLeadingDigits(std::uint64_t leading, std::int64_t exponent, bool cut, ConvertedDecimal& converted) {
    Rounded below{};
    return ConvertLeading(leading, exponent, cut, converted, below);
}

ConvertedDecimal DecimalToDouble(std::string_view digits, std::int64_t exponent) {
    while (!digits.empty() && digits.front() == '0') digits.remove_prefix(1);
    while (!digits.empty() && digits.back() == '0') {
        digits.remove_suffix(1);
        ++exponent;
    }
    if (digits.empty()) return 0.0;
    std::array<char, kSignificantDigitsKept + 1> kept;
    if (digits.size() > kSignificantDigitsKept) {
        // The digits past those kept only tell that the value lies above
        // them (the last digit is not 0); a last digit 1 says so without
        // crossing a rounding boundary.
        digits.copy(kept.data(), kSignificantDigitsKept);
        kept[kSignificantDigitsKept] = '1';
        exponent += static_cast<std::int64_t>(digits.size() - kept.size());
        digits = std::string_view(kept.data(), kept.size());
    }
    const auto count = static_cast<std::int64_t>(digits.size());
    const std::int64_t magnitude = count - 1 + exponent;
    if (magnitude > kHighestMagnitude) return std::nullopt;
    if (magnitude < kLowestMagnitude) return 0.0;

    const std::int64_t leadingCount = count < kLeadingDigitsKept ? count : kLeadingDigitsKept;
    std::uint64_t leading = 0;
    for (std::int64_t i = 0; i < leadingCount; ++i) leading = leading * 10 + static_cast<std::uint64_t>(digits[i] - '0');
    const bool cut = count > leadingCount;
    const std::int64_t leadingExponent = exponent + (count - leadingCount);
    ConvertedDecimal converted;
    Rounded below{};
    if (ConvertLeading(leading, leadingExponent, cut, converted, below)) return converted;
    return RoundAtHalfway(digits, exponent, below);
}

}  // namespace mirvel
