#include "matrix/exact_decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace mirvel {
namespace {

// A natural number in base 10^9, least significant limb first; large enough
// for 2^1024 and for 2^53 * 5^1074, the extremes a double's value needs.
class DecimalNatural {
public:
    explicit DecimalNatural(std::uint64_t value) {
        do {
            limbs_[size_++] = static_cast<std::uint32_t>(value % kBase);
            value /= kBase;
        } while (value != 0);
    }

    void MultiplyByPowerOf(std::uint32_t base, int power) {
        // The largest power of the base that fits in 32 bits keeps every
        // product plus carry below 2^64.
        const int step = base == 2 ? 31 : 13;
        for (; power > 0; power -= step) {
            const int now = power < step ? power : step;
            std::uint32_t factor = 1;
            for (int i = 0; i < now; ++i) factor *= base;
            MultiplyBy(factor);
        }
    }

    // Writes the first 16 digits; returns how many digits the number has.
    int LeadingDigits(std::array<char, 16>& out) const {
        std::array<char, 27> text{};  // the top limb and two more hold 16 digits at least
        char* end = std::to_chars(text.data(), text.data() + 9, limbs_[size_ - 1]).ptr;
        const auto topDigits = static_cast<int>(end - text.data());
        for (std::size_t limb = size_ - 1; limb-- > 0 && end < text.data() + out.size(); end += 9) {
            std::uint32_t value = limbs_[limb];
            for (int i = 8; i >= 0; --i, value /= 10) end[i] = static_cast<char>('0' + value % 10);
        }
        std::fill(end, text.data() + text.size(), '0');
        std::copy_n(text.data(), out.size(), out.begin());
        return topDigits + 9 * static_cast<int>(size_ - 1);
    }

private:
    static constexpr std::uint64_t kBase = 1'000'000'000;

    void MultiplyBy(std::uint32_t factor) {
        std::uint64_t carry = 0;
        for (std::size_t i = 0; i < size_; ++i) {
            const std::uint64_t product = std::uint64_t{limbs_[i]} * factor + carry;
            limbs_[i] = static_cast<std::uint32_t>(product % kBase);
            carry = product / kBase;
        }
        for (; carry != 0; carry /= kBase) limbs_[size_++] = static_cast<std::uint32_t>(carry % kBase);
    }

    std::array<std::uint32_t, 90> limbs_{};
    std::size_t size_ = 0;
};

}  // namespace

LeadingDigits ExactLeadingDigits(double magnitude) {
    // magnitude = mantissa * 2^binaryExponent exactly, with an odd mantissa.
    int binaryExponent = 0;
    const double fraction = std::frexp(magnitude, &binaryExponent);
    auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    binaryExponent -= 53;
    while (mantissa % 2 == 0) {
        mantissa /= 2;
        ++binaryExponent;
    }

    // With a negative exponent, m / 2^k = m * 5^k / 10^k.
    DecimalNatural natural(mantissa);
    int decimalShift = 0;
    if (binaryExponent >= 0) {
        natural.MultiplyByPowerOf(2, binaryExponent);
    } else {
        natural.MultiplyByPowerOf(5, -binaryExponent);
        decimalShift = binaryExponent;
    }
    LeadingDigits leading{};
    const int digitCount = natural.LeadingDigits(leading.digits);
    leading.exponent = digitCount - 1 + decimalShift;
    return leading;
}

}  // namespace mirvel
