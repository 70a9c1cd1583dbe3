// What one Find costs in the matrix search: a typical entry, and entries of
// 1 KB to 64 MB, rejected for their count or read as 18 very long items.
#include <benchmark/benchmark.h>

#include <string>

#include "matrix/matrix_search.h"

namespace {

using namespace mirvel;

void Find(std::u16string_view entry, Matrix& matrix, benchmark::State& state) {
    if (ReadMatrixEntry(entry, matrix)) {
        RowReport report = FindPositiveRows(matrix, u",");
        benchmark::DoNotOptimize(report);
    } else {
        state.SkipWithError("entry rejected");
    }
}

void BM_TypicalFind(benchmark::State& state) {
    const std::u16string entry = u"12 -3 4.5 7 8 9 1 2 3 4 5 6 -1 0 2.25 100 1e3 17";
    Matrix matrix;
    for (auto _ : state) Find(entry, matrix, state);
}
BENCHMARK(BM_TypicalFind);

std::size_t EntryLength(const benchmark::State& state) {
    return static_cast<std::size_t>(state.range(0)) / sizeof(char16_t);
}

// Digits and spaces, with the count wrong: one space too many.
void BM_RejectWrongCount(benchmark::State& state) {
    std::u16string entry(EntryLength(state), u'7');
    for (std::size_t i = 1; i < entry.size() && i <= 18 * 4; i += 4) entry[i] = u' ';
    Matrix matrix;
    for (auto _ : state) benchmark::DoNotOptimize(ReadMatrixEntry(entry, matrix));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_RejectWrongCount)->RangeMultiplier(8)->Range(1 << 10, 64 << 20)->Unit(benchmark::kMicrosecond);

// Eighteen items, each a long run of fraction digits.
void BM_ReadLongItems(benchmark::State& state) {
    std::u16string item(EntryLength(state) / 18, u'3');
    item[1] = u'.';
    std::u16string entry = item;
    for (int i = 1; i < 18; ++i) entry += u" " + item;
    Matrix matrix;
    for (auto _ : state) Find(entry, matrix, state);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_ReadLongItems)->RangeMultiplier(8)->Range(1 << 10, 64 << 20)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
