#pragma once

// The kinds of decimal item a reader of numbers meets, made the same way on
// every machine (a fixed seed), for timing Mirvel's reader against the
// standard library's and the 32-bit build against the 64-bit one.
#include <cstdint>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace mirvel::bench {

struct ItemClass {
    const char* name;
    std::vector<std::string> items;
};

inline std::string Printed(const char* format, double value, int precision) {
    char text[64];
    std::snprintf(text, sizeof(text), format, precision, value);
    return text;
}

inline double RandomDouble(std::mt19937_64& random, int lowestExponent, int highestExponent) {
    // A random mantissa and a binary exponent in the range: any finite double.
    const auto exponent = static_cast<std::uint64_t>(lowestExponent + static_cast<int>(random() % static_cast<unsigned>(
                                                                                         highestExponent - lowestExponent + 1)));
    const std::uint64_t bits = ((exponent + 1023) << 52) | (random() & ((std::uint64_t{1} << 52) - 1));
    double value = 0;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

inline std::string RandomDigits(std::mt19937_64& random, std::size_t count) {
    std::string digits(count, '0');
    for (char& digit : digits) digit = static_cast<char>('0' + random() % 10);
    if (digits[0] == '0') digits[0] = '1';
    return digits;
}

inline std::vector<ItemClass> MakeItemClasses(std::size_t perClass = 256) {
    std::mt19937_64 random(20261208);
    std::vector<ItemClass> classes{{"1-15 digits", {}},      {"16-19 digits", {}},  {"large exponents", {}},
                                   {"small exponents", {}},  {"subnormals", {}},    {"exact halfway", {}},
                                   {"100 digits", {}},       {"800 digits", {}}};
    for (std::size_t i = 0; i < perClass; ++i) {
        classes[0].items.push_back(Printed("%.*g", RandomDouble(random, -10, 30), 1 + static_cast<int>(i % 15)));
        classes[1].items.push_back(Printed("%.*e", RandomDouble(random, -30, 60), 15 + static_cast<int>(i % 4)));
        classes[2].items.push_back(Printed("%.*e", RandomDouble(random, 800, 1023), 16));
        classes[3].items.push_back(Printed("%.*e", RandomDouble(random, -1022, -800), 16));
        // Subnormals: below 2^-1022, as many digits as they take.
        const double subnormal = RandomDouble(random, -1022, -1022) * std::ldexp(1.0, -static_cast<int>(1 + i % 50));
        classes[4].items.push_back(Printed("%.*e", subnormal, 16));
        // The point halfway between two doubles of 2^53 to 2^64, an integer
        // of 16 to 20 digits: a tie (to even), decided exactly.
        const int power = 53 + static_cast<int>(i % 11);
        const std::uint64_t odd = (std::uint64_t{1} << 53) | (random() & ((std::uint64_t{1} << 53) - 1)) | 1;
        char halfway[32];
        std::snprintf(halfway, sizeof(halfway), "%llu", static_cast<unsigned long long>(odd << (power - 53)));
        classes[5].items.push_back(halfway);
        for (const auto& [index, length] : {std::pair{6, 100}, std::pair{7, 800}}) {
            std::string item = RandomDigits(random, static_cast<std::size_t>(length));
            item.insert(1, ".");
            item += "e" + std::to_string(static_cast<int>(random() % 600) - 300);
            classes[static_cast<std::size_t>(index)].items.push_back(item);
        }
    }
    return classes;
}

}  // namespace mirvel::bench
