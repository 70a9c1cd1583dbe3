#include "matrix/decimal_to_double.h"

#include <array>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <string>

namespace mirvel {
namespace {

// A natural number in base 2^32, least significant limb first, with room
// for the largest the conversion meets: 10^1126, shifted by a few bits.
class BinaryNatural {
public:
    explicit BinaryNatural(std::uint32_t value = 0) { Set(value); }

    void Set(std::uint32_t value) {
        limbs_.fill(0);
        limbs_[0] = value;
        size_ = value != 0 ? 1 : 0;
    }

    // this = this × factor + addend
    void MultiplyAdd(std::uint32_t factor, std::uint32_t addend) {
        std::uint64_t carry = addend;
        for (std::size_t i = 0; i < size_; ++i) {
            const std::uint64_t product = std::uint64_t{limbs_[i]} * factor + carry;
            limbs_[i] = static_cast<std::uint32_t>(product);
            carry = product >> 32;
        }
        if (carry != 0) limbs_[size_++] = static_cast<std::uint32_t>(carry);
    }

    void MultiplyByPowerOfTen(std::int64_t power) {
        for (; power >= 9; power -= 9) MultiplyAdd(1'000'000'000u, 0);
        std::uint32_t rest = 1;
        for (; power > 0; --power) rest *= 10;
        MultiplyAdd(rest, 0);
    }

    void ShiftLeft(std::size_t bits) {
        if (size_ == 0 || bits == 0) return;
        const std::size_t limbShift = bits / 32;
        const unsigned bitShift = bits % 32;
        std::size_t newSize = size_ + limbShift + 1;
        for (std::size_t i = newSize; i-- > 0;) {
            const std::uint32_t high = i >= limbShift && i - limbShift < size_ ? limbs_[i - limbShift] : 0;
            const std::uint32_t low = i >= limbShift + 1 && i - limbShift - 1 < size_ ? limbs_[i - limbShift - 1] : 0;
            limbs_[i] = bitShift == 0 ? high : (high << bitShift) | (low >> (32 - bitShift));
        }
        while (newSize > 0 && limbs_[newSize - 1] == 0) --newSize;
        size_ = newSize;
    }

    void Subtract(const BinaryNatural& other) {  // other <= this
        std::int64_t borrow = 0;
        for (std::size_t i = 0; i < size_; ++i) {
            const std::int64_t difference =
                std::int64_t{limbs_[i]} - (i < other.size_ ? std::int64_t{other.limbs_[i]} : 0) - borrow;
            borrow = difference < 0 ? 1 : 0;
            limbs_[i] = static_cast<std::uint32_t>(difference + (borrow << 32));
        }
        while (size_ > 0 && limbs_[size_ - 1] == 0) --size_;
    }

    [[nodiscard]] int Compare(const BinaryNatural& other) const {
        if (size_ != other.size_) return size_ < other.size_ ? -1 : 1;
        for (std::size_t i = size_; i-- > 0;) {
            if (limbs_[i] != other.limbs_[i]) return limbs_[i] < other.limbs_[i] ? -1 : 1;
        }
        return 0;
    }

    [[nodiscard]] std::int64_t BitLength() const {
        if (size_ == 0) return 0;
        std::int64_t bits = 32 * static_cast<std::int64_t>(size_ - 1);
        for (std::uint32_t top = limbs_[size_ - 1]; top != 0; top >>= 1) ++bits;
        return bits;
    }

    [[nodiscard]] bool IsZero() const { return size_ == 0; }

private:
    std::array<std::uint32_t, 136> limbs_{};
    std::size_t size_ = 0;
};

BinaryNatural ToNatural(std::string_view digits) {
    BinaryNatural natural;
    std::size_t i = 0;
    for (const std::size_t head = digits.size() % 9; i < head; ++i)
        natural.MultiplyAdd(10, static_cast<std::uint32_t>(digits[i] - '0'));
    while (i < digits.size()) {
        std::uint32_t chunk = 0;
        for (const std::size_t end = i + 9; i < end; ++i)
            chunk = chunk * 10 + static_cast<std::uint32_t>(digits[i] - '0');
        natural.MultiplyAdd(1'000'000'000u, chunk);
    }
    return natural;
}

// The first 64 bits of numerator / denominator, as quotient × 2^exponent,
// and whether anything is left below them.
struct LeadingBits {
    std::uint64_t quotient;
    std::int64_t exponent;
    bool inexact;
};

LeadingBits DivideLeadingBits(BinaryNatural numerator, BinaryNatural denominator) {
    // Line the two up so that denominator <= numerator < 2 × denominator.
    std::int64_t exponent = numerator.BitLength() - denominator.BitLength();
    if (exponent > 0) denominator.ShiftLeft(static_cast<std::size_t>(exponent));
    if (exponent < 0) numerator.ShiftLeft(static_cast<std::size_t>(-exponent));
    if (numerator.Compare(denominator) < 0) {
        numerator.ShiftLeft(1);
        --exponent;
    }
    // Long division, one bit at a time.
    std::uint64_t quotient = 0;
    for (int bit = 0; bit < 64; ++bit) {
        quotient <<= 1;
        if (numerator.Compare(denominator) >= 0) {
            numerator.Subtract(denominator);
            quotient |= 1;
        }
        numerator.ShiftLeft(1);
    }
    return {quotient, exponent - 63, !numerator.IsZero()};
}

constexpr int kMantissaBits = 53;
constexpr std::int64_t kLowestExponent = -1074;  // of the last bit of the smallest subnormal
constexpr std::int64_t kExponentLimit = 1024;    // 2^1024 is past the largest double

// Rounds quotient × 2^exponent (plus a little more, if inexact) to a double,
// ties to even; nothing when it rounds past the largest double.
std::optional<double> RoundToDouble(const LeadingBits& bits) {
    std::int64_t shift = 64 - kMantissaBits;  // the quotient has its top bit set
    if (bits.exponent + shift < kLowestExponent) shift = kLowestExponent - bits.exponent;  // subnormal
    if (shift > 64) return 0.0;  // below half the smallest subnormal
    const std::uint64_t mantissa = shift == 64 ? 0 : bits.quotient >> shift;
    const std::uint64_t halfBit = std::uint64_t{1} << (shift - 1);
    const std::uint64_t dropped = bits.quotient & ((halfBit << 1) - 1);
    const bool above = dropped > halfBit || (dropped == halfBit && bits.inexact);
    const bool tie = dropped == halfBit && !bits.inexact;
    std::uint64_t rounded = mantissa + ((above || (tie && (mantissa & 1) != 0)) ? 1 : 0);
    std::int64_t exponent = bits.exponent + shift;
    if (rounded == std::uint64_t{1} << kMantissaBits) {
        rounded >>= 1;
        ++exponent;
    }
    if (rounded != 0 && exponent + kMantissaBits > kExponentLimit) return std::nullopt;
    return std::ldexp(static_cast<double>(rounded), static_cast<int>(exponent));
}

}  // namespace

std::optional<double> DecimalToDouble(std::string_view digits, std::int64_t exponent) {
    while (!digits.empty() && digits.front() == '0') digits.remove_prefix(1);
    while (!digits.empty() && digits.back() == '0') {
        digits.remove_suffix(1);
        ++exponent;
    }
    if (digits.empty()) return 0.0;
    std::string kept;
    if (digits.size() > kSignificantDigitsKept) {
        // The digits past those kept only tell whether the value lies above
        // them; a last digit 1 says so without crossing a rounding boundary.
        kept.assign(digits.substr(0, kSignificantDigitsKept));
        exponent += static_cast<std::int64_t>(digits.size() - kSignificantDigitsKept);
        if (digits.find_first_not_of('0', kSignificantDigitsKept) != std::string_view::npos) {
            kept.push_back('1');
            --exponent;
        }
        digits = kept;
    }
    const auto count = static_cast<std::int64_t>(digits.size());
    // value lies in [10^magnitude, 10^(magnitude + 1))
    const std::int64_t magnitude = count - 1 + exponent;
    if (magnitude > 308) return std::nullopt;  // at least 1e309
    if (magnitude < -325) return 0.0;          // below 1e-325, under half the smallest subnormal

#if FLT_EVAL_METHOD == 0
    // Both factors exact, so the one rounding of the product or quotient is
    // the correct one (Clinger). Not where the FPU keeps excess precision.
    constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                            1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (count <= 15 && exponent >= -22 && exponent <= 22) {
        double value = 0;
        for (const char digit : digits) value = value * 10 + (digit - '0');
        return exponent >= 0 ? value * kExactPowersOfTen[exponent] : value / kExactPowersOfTen[-exponent];
    }
#endif

    BinaryNatural numerator = ToNatural(digits);
    BinaryNatural denominator(1);
    if (exponent >= 0)
        numerator.MultiplyByPowerOfTen(exponent);
    else
        denominator.MultiplyByPowerOfTen(-exponent);
    return RoundToDouble(DivideLeadingBits(numerator, denominator));
}

}  // namespace mirvel
