// Mirvel's reader of decimal items, timed on its own, for comparing the
// 32-bit program with the 64-bit one under the same Wine (make bench):
//   reader_bench.exe   prints each kind of item and the nanoseconds an item
// Google Benchmark is not built for Windows here, so this keeps its own
// clock: the best of a few rounds, each long enough to read.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/reader/item_classes.h"
#include "matrix/leading_number.h"

int main() {
    using Clock = std::chrono::steady_clock;
    // The values' bits, not their sum: x87 arithmetic on a subnormal would
    // cost more than reading it.
    std::uint64_t sink = 0;
    for (const mirvel::bench::ItemClass& kind : mirvel::bench::MakeItemClasses()) {
        std::vector<std::u16string> items;
        for (const std::string& item : kind.items) items.emplace_back(item.begin(), item.end());
        double best = 1e30;
        for (int round = 0; round < 7; ++round) {
            std::size_t reads = 0;
            const Clock::time_point start = Clock::now();
            Clock::duration spent{};
            while ((spent = Clock::now() - start) < std::chrono::milliseconds(40)) {
                for (const std::u16string& item : items) {
                    if (const std::optional<double> value = mirvel::ReadLeadingNumber(item)) {
                        std::uint64_t bits = 0;
                        std::memcpy(&bits, &*value, sizeof(bits));
                        sink ^= bits;
                    }
                }
                reads += items.size();
            }
            best = std::min(best, std::chrono::duration<double, std::nano>(spent).count() / static_cast<double>(reads));
        }
        std::printf("%s\t%.1f\n", kind.name, best);
    }
    return sink == 12345 ? 1 : 0;  // keeps the reads from being optimised away
}
