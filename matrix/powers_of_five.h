#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "matrix/wide_multiply.h"

namespace mirvel {

// The range of powers the conversion of a decimal number of up to 19
// significant digits needs: its value lies between 10^-325 and 10^309.
constexpr int kLowestPowerOfFive = -343;
constexpr int kHighestPowerOfFive = 308;

// 5^power is about mantissa × 2^exponent, where the 128-bit mantissa has its
// top bit set and lies below the true value by less than 3 units of its last
// place (exact for 0 <= power <= 55, where 5^power fits in 128 bits). For
// kLowestPowerOfFive <= power <= kHighestPowerOfFive.
using PowersOfFive = std::array<Uint128, kHighestPowerOfFive - kLowestPowerOfFive + 1>;

// Every power, composed from a small table as the program starts (some
// 15 µs): 10 KB of memory, not of file. Not for use by another file's
// static initialisation, which may run first.
extern const PowersOfFive kPowersOfFive;

inline Uint128 PowerOfFiveMantissa(int power) {
    return kPowersOfFive[static_cast<std::size_t>(power - kLowestPowerOfFive)];
}

// floor(power × log2 5) - 127, for |power| up to about 1,700: log2 10 is
// close to 217706 / 2^16, and log2 5 = log2 10 - 1.
constexpr int PowerOfFiveExponent(int power) { return ((power * 217706) >> 16) - power - 127; }

}  // namespace mirvel
