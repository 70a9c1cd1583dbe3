#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace mirvel {

// How many significant digits a decimal number needs at most to be rounded
// to a double correctly: no halfway point between two doubles has more than
// 767. Digits beyond these may be dropped, as long as a nonzero one among
// them is remembered as a last digit 1 (DecimalToDouble does so itself).
constexpr std::size_t kSignificantDigitsKept = 800;

// The double nearest to digits × 10^exponent (ties to even), where digits is
// a run of ASCII decimal digits. A value below the smallest subnormal's half
// gives 0; one at or past the rounding limit of the largest double gives
// nothing. Independent of any locale, and exact on every floating-point unit.
std::optional<double> DecimalToDouble(std::string_view digits, std::int64_t exponent);

}  // namespace mirvel
