#include "matrix/powers_of_five.h"

#include <array>
#include <bit>
#include <cassert>
#include <cstddef>

namespace mirvel {
namespace {

// Every 28th power of five, 5^-364 to 5^308, as 128-bit mantissas with the
// top bit set, cut off (not rounded) below: 5^(28 i) for i = -13 to 11. The
// others are one of these times an exact 5^0 to 5^27, which keeps the table
// at 400 bytes instead of 10 KB.
constexpr int kStep = 28;
constexpr int kFirstStep = -13;
constexpr Uint128 kEveryStep[] = {
    {0xE1AFA13AFBD14D6DULL, 0x82189C09A3A1EC21ULL},  // 5^-364
    {0xE3E27A444D8D98B7ULL, 0xFD1B1B2308169B25ULL},  // 5^-336
    {0xE61ACF033D1A45DFULL, 0x6FB92487298E33BDULL},  // 5^-308
    {0xE858AD248F5C22C9ULL, 0xD1B3400F8F9CFF68ULL},  // 5^-280
    {0xEA9C227723EE8BCBULL, 0x465E15A979C1CADCULL},  // 5^-252
    {0xECE53CEC4A314EBDULL, 0xA4F8BF5635246428ULL},  // 5^-224
    {0xEF340A98172AACE4ULL, 0x86FB897116C87C34ULL},  // 5^-196
    {0xF18899B1BC3F8CA1ULL, 0xDC44E6C3CB279AC1ULL},  // 5^-168
    {0xF3E2F893DEC3F126ULL, 0x5A89DBA3C3EFCCFAULL},  // 5^-140
    {0xF64335BCF065D37DULL, 0x4D4617B5FF4A16D5ULL},  // 5^-112
    {0xF8A95FCF88747D94ULL, 0x75A44C6397CE912AULL},  // 5^-84
    {0xFB158592BE068D2EULL, 0xEED6E2F0F0D56712ULL},  // 5^-56
    {0xFD87B5F28300CA0DULL, 0x8BCA9D6E188853FCULL},  // 5^-28
    {0x8000000000000000ULL, 0x0000000000000000ULL},  // 5^0
    {0x813F3978F8940984ULL, 0x4000000000000000ULL},  // 5^28
    {0x82818F1281ED449FULL, 0xBFF8F10E7A8921A4ULL},  // 5^56
    {0x83C7088E1AAB65DBULL, 0x792667C6DA79E0FAULL},  // 5^84
    {0x850FADC09923329EULL, 0x03E2CF6BC604DDB0ULL},  // 5^112
    {0x865B86925B9BC5C2ULL, 0x0B8A2392BA45A9B2ULL},  // 5^140
    {0x87AA9AFF79042286ULL, 0x90FB44D2F05D0842ULL},  // 5^168
    {0x88FCF317F22241E2ULL, 0x441FECE3BDF81F03ULL},  // 5^196
    {0x8A5296FFE33CC92FULL, 0x82BD6B70D99AAA6FULL},  // 5^224
    {0x8BAB8EEFB6409C1AULL, 0x1AD089B6C2F7548EULL},  // 5^252
    {0x8D07E33455637EB2ULL, 0xDB0B487B6423E1E8ULL},  // 5^280
    {0x8E679C2F5E44FF8FULL, 0x570F09EAA7EA7648ULL},  // 5^308
};

// 5^0 to 5^27, exact: 5^27 < 2^63.
constexpr std::array<std::uint64_t, kStep> kSmallPowers = [] {
    std::array<std::uint64_t, kStep> powers{};
    std::uint64_t power = 1;
    for (std::uint64_t& entry : powers) {
        entry = power;
        power *= 5;
    }
    return powers;
}();

Uint128 ComposePowerOfFive(int power) {
    assert(power >= kLowestPowerOfFive && power <= kHighestPowerOfFive);
    // power = 28 step + rest, with 0 <= rest < 28 even for negative powers.
    const int step = (power - kFirstStep * kStep) / kStep + kFirstStep;
    const int rest = power - step * kStep;
    const Uint128 coarse = kEveryStep[step - kFirstStep];
    const std::uint64_t fine = kSmallPowers[static_cast<std::size_t>(rest)];

    // The 192-bit product, cut to its top 128 bits. Below the truth by less
    // than 1 (the cut) plus the coarse power's own shortfall (under 1) times
    // fine / 2^cut, which the product's size keeps under 2.
    const Uint128 high = MultiplyFull(coarse.high, fine);
    const Uint128 low = MultiplyFull(coarse.low, fine);
    std::uint64_t top = high.high;
    std::uint64_t middle = high.low + low.high;
    top += middle < high.low ? 1 : 0;
    const std::uint64_t bottom = low.low;
    Uint128 mantissa{middle, bottom};  // 5^0 times the coarse power: only 128 bits
    if (top != 0) {
        const int shift = std::countl_zero(top);
        mantissa = {top, middle};
        if (shift != 0)
            mantissa = {(top << shift) | (middle >> (64 - shift)), (middle << shift) | (bottom >> (64 - shift))};
    }
    return mantissa;
}

PowersOfFive ComposePowersOfFive() {
    PowersOfFive powers{};
    for (int power = kLowestPowerOfFive; power <= kHighestPowerOfFive; ++power)
        powers[static_cast<std::size_t>(power - kLowestPowerOfFive)] = ComposePowerOfFive(power);
    return powers;
}

}  // namespace

const PowersOfFive kPowersOfFive = ComposePowersOfFive();

}  // namespace mirvel
