#pragma once

#include <array>

namespace mirvel {

// The leading decimal digits of a double's exact binary value, cut off (not
// rounded) after 16 digits: enough to round to 15 digits with ties away from
// zero, which a shortest or correctly rounded printer cannot tell apart.
struct LeadingDigits {
    std::array<char, 16> digits;  // ASCII, digits[0] != '0'
    int exponent;                 // the power of ten of digits[0]
};

// For a finite value greater than zero.
LeadingDigits ExactLeadingDigits(double magnitude);

}  // namespace mirvel
