#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace mirvel {

// How many significant digits a decimal number needs at most to be rounded
// to a double correctly: no halfway point between two doubles has more than
// 767. Digits beyond these may be dropped, as long as a nonzero one among
// them is remembered as a last digit 1 (DecimalToDouble does so itself).
constexpr std::size_t kSignificantDigitsKept = 800;

// The most significant digits a 64-bit integer holds whatever they are.
constexpr int kLeadingDigitsKept = 19;

// A decimal number read: the nearest double (ties to even), 0 below half the
// smallest subnormal, or nothing at or past the rounding limit of the
// largest double (out of range).
using ConvertedDecimal = std::optional<double>;

// The quick way, with integers only and the same on every floating-point
// unit: converts leading × 10^exponent, where leading holds a number's first
// (at most 19) significant digits. With cut, further digits were dropped and
// some were nonzero: the number lies between leading × 10^exponent and
// (leading + 1) × 10^exponent, and is converted when both ends round alike.
// Returns false when it cannot decide (seldom: when the number lies within
// about 10^-18 of itself of a halfway point between two doubles); then only
// all of the digits can (DecimalToDouble).
bool ConvertLeadingDigits(std::uint64_t leading, std::int64_t exponent, bool cut, ConvertedDecimal& converted);

// The double nearest to digits × 10^exponent (ties to even), where digits is
// a run of ASCII decimal digits. Independent of any locale, and exact on
// every floating-point unit.
ConvertedDecimal DecimalToDouble(std::string_view digits, std::int64_t exponent);

}  // namespace mirvel
