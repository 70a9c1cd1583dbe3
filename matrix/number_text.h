#pragma once

#include <string>
#include <string_view>

namespace mirvel {

// Appends a number in the program's standard form:
// rounded to 15 significant digits (ties away from zero), whole numbers
// without a fractional part, no trailing zeros, scientific notation
// ("1.2E+15", "5.6789E-12") only for very large or very small magnitudes,
// and the given decimal separator.
void AppendNumberText(std::u16string& out, double value, std::u16string_view decimalSeparator);

}  // namespace mirvel
