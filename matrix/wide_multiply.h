#pragma once

#include <cstdint>

#if defined(_MSC_VER) && defined(_M_X64)
#include <intrin.h>
#endif

namespace mirvel {

// An unsigned 128-bit number, as two halves.
struct Uint128 {
    std::uint64_t high;
    std::uint64_t low;
};

// The full product of two 64-bit numbers, by the widest multiply the target
// has: one instruction on x64, four 32-bit ones on x86.
inline Uint128 MultiplyFull(std::uint64_t a, std::uint64_t b) {
#if defined(__SIZEOF_INT128__)
    __extension__ using Product = unsigned __int128;
    const Product product = static_cast<Product>(a) * b;
    return {static_cast<std::uint64_t>(product >> 64), static_cast<std::uint64_t>(product)};
#elif defined(_MSC_VER) && defined(_M_X64)
    std::uint64_t high = 0;
    const std::uint64_t low = _umul128(a, b, &high);
    return {high, low};
#else
    // Each product of two 32-bit halves is one widening multiply.
    const auto a0 = static_cast<std::uint32_t>(a), a1 = static_cast<std::uint32_t>(a >> 32);
    const auto b0 = static_cast<std::uint32_t>(b), b1 = static_cast<std::uint32_t>(b >> 32);
    const std::uint64_t lowLow = std::uint64_t{a0} * b0;
    const std::uint64_t lowHigh = std::uint64_t{a0} * b1;
    const std::uint64_t highLow = std::uint64_t{a1} * b0;
    const std::uint64_t middle = (lowLow >> 32) + static_cast<std::uint32_t>(lowHigh) + static_cast<std::uint32_t>(highLow);
    return {std::uint64_t{a1} * b1 + (lowHigh >> 32) + (highLow >> 32) + (middle >> 32),
            (middle << 32) | static_cast<std::uint32_t>(lowLow)};
#endif
}

}  // namespace mirvel
