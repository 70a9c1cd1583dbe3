#include "matrix/number_text.h"

#include "matrix/exact_decimal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace mirvel {
namespace {

constexpr int kSignificantDigits = 15;

// A value rounded to 15 significant digits: digits[0] is non-zero (unless the
// value is zero), trailing zeros are removed, and the first digit stands at
// 10^exponent.
struct RoundedDecimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

// Rounds the exact leading digits to 15, half away from zero; a carry past
// the first digit moves the exponent.
void RoundToSignificant(std::string& digits, int& exponent) {
    bool carry = digits.size() > kSignificantDigits && digits[kSignificantDigits] >= '5';
    digits.resize(std::min<std::size_t>(digits.size(), kSignificantDigits));
    for (std::size_t i = digits.size(); carry && i-- > 0;) {
        carry = digits[i] == '9';
        digits[i] = carry ? '0' : static_cast<char>(digits[i] + 1);
    }
    if (carry) {  // 99…9 and one more: 100…0, one place up
        digits.insert(digits.begin(), '1');
        ++exponent;
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

// For a finite value that is not whole (so not zero).
RoundedDecimal Round(double value) {
    const LeadingDigits leading = ExactLeadingDigits(std::fabs(value));
    RoundedDecimal rounded{value < 0, std::string(leading.digits.begin(), leading.digits.end()), leading.exponent};
    RoundToSignificant(rounded.digits, rounded.exponent);
    return rounded;
}

bool NeedsScientific(const RoundedDecimal& number) {
    const int digitsAfterFirst = static_cast<int>(number.digits.size()) - 1;
    if (number.exponent >= kSignificantDigits) return true;
    return number.exponent <= -5 && -number.exponent + std::max(digitsAfterFirst - 1, 0) >= kSignificantDigits;
}

void AppendAscii(std::u16string& out, std::string_view text) { out.append(text.begin(), text.end()); }

void AppendFixed(std::u16string& out, const RoundedDecimal& number, std::u16string_view separator) {
    const std::string_view digits = number.digits;
    if (number.exponent < 0) {
        out.push_back(u'0');
        out.append(separator);
        out.append(static_cast<std::size_t>(-number.exponent - 1), u'0');
        AppendAscii(out, digits);
        return;
    }
    const auto integerLength = static_cast<std::size_t>(number.exponent) + 1;
    if (digits.size() <= integerLength) {
        AppendAscii(out, digits);
        out.append(integerLength - digits.size(), u'0');
        return;
    }
    AppendAscii(out, digits.substr(0, integerLength));
    out.append(separator);
    AppendAscii(out, digits.substr(integerLength));
}

void AppendScientific(std::u16string& out, const RoundedDecimal& number, std::u16string_view separator) {
    out.push_back(static_cast<char16_t>(number.digits[0]));
    if (number.digits.size() > 1) {
        out.append(separator);
        AppendAscii(out, std::string_view(number.digits).substr(1));
    }
    out.push_back(u'E');
    out.push_back(number.exponent < 0 ? u'-' : u'+');
    const int magnitude = std::abs(number.exponent);
    if (magnitude < 10) out.push_back(u'0');
    std::array<char, 8> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude);
    AppendAscii(out, std::string_view(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data())));
}

// Whole numbers below 10^15 are by far the most common: no rounding needed.
bool AppendWholeNumber(std::u16string& out, double value) {
    constexpr double kLimit = 1e15;
    if (!(std::fabs(value) < kLimit) || value != std::trunc(value)) return false;
    std::array<char, 24> buffer{};
    const auto whole = static_cast<long long>(value);
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), whole);
    AppendAscii(out, std::string_view(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data())));
    return true;
}

}  // namespace

void AppendNumberText(std::u16string& out, double value, std::u16string_view decimalSeparator) {
    if (AppendWholeNumber(out, value)) return;
    if (!std::isfinite(value)) {  // never read from an entry; written plainly rather than misread
        AppendAscii(out, std::isnan(value) ? "NaN" : (value < 0 ? "-Inf" : "Inf"));
        return;
    }
    const RoundedDecimal number = Round(value);
    if (number.negative) out.push_back(u'-');
    if (NeedsScientific(number))
        AppendScientific(out, number, decimalSeparator);
    else
        AppendFixed(out, number, decimalSeparator);
}

}  // namespace mirvel
