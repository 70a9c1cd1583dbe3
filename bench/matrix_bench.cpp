// What one Find costs in the matrix search: a typical entry, and entries of
// 1 KB to 64 MB, rejected for their count or read as 18 very long items;
// and each kind of decimal item read by Mirvel's reader beside the standard
// library's std::from_chars, with the ratio of the two.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/reader/item_classes.h"
#include "matrix/leading_number.h"
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

// One kind of item, each read in turn: Mirvel's reader takes the entry's
// UTF-16 text, from_chars the same characters in ASCII. Each is timed in
// several rounds interleaved with the others, and the quickest round counts:
// a shared machine's noise only ever adds.
void ReadWithMirvel(benchmark::State& state, const std::vector<std::u16string>& items) {
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadLeadingNumber(items[i]));
        i = i + 1 == items.size() ? 0 : i + 1;
    }
}

void ReadWithFromChars(benchmark::State& state, const std::vector<std::string>& items) {
    std::size_t i = 0;
    for (auto _ : state) {
        double value = 0;
        const std::string& item = items[i];
        benchmark::DoNotOptimize(std::from_chars(item.data(), item.data() + item.size(), value));
        benchmark::DoNotOptimize(value);
        i = i + 1 == items.size() ? 0 : i + 1;
    }
}

constexpr const char* kQuickest = "quickest";
double Quickest(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

// Prints as usual, then each kind's quickest time with Mirvel's reader over
// its quickest with from_chars.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name;
            const std::size_t slash = name.rfind('/');
            if (run.aggregate_name != kQuickest || name.rfind("Item/", 0) != 0 || slash == std::string::npos) continue;
            times_[name.substr(5, slash - 5)][name.substr(slash + 1)] = run.GetAdjustedRealTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-18s %12s %14s %8s  (for information)\n", "item", "Mirvel ns", "from_chars ns", "ratio");
        for (const auto& [kind, times] : times_) {
            if (!times.count("mirvel") || !times.count("from_chars")) continue;
            const double mirvel = times.at("mirvel"), standard = times.at("from_chars");
            std::printf("%-18s %12.1f %14.1f %7.2fx\n", kind.c_str(), mirvel, standard, mirvel / standard);
        }
    }

private:
    std::map<std::string, std::map<std::string, double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
    static const std::vector<bench::ItemClass> classes = bench::MakeItemClasses();
    static std::vector<std::vector<std::u16string>> wide(classes.size());
    for (std::size_t k = 0; k < classes.size(); ++k) {
        for (const std::string& item : classes[k].items) wide[k].emplace_back(item.begin(), item.end());
        const std::string name = std::string("Item/") + classes[k].name;
        benchmark::RegisterBenchmark((name + "/mirvel").c_str(), ReadWithMirvel, wide[k])
            ->Repetitions(9)
            ->ComputeStatistics(kQuickest, Quickest);
        benchmark::RegisterBenchmark((name + "/from_chars").c_str(), ReadWithFromChars, classes[k].items)
            ->Repetitions(9)
            ->ComputeStatistics(kQuickest, Quickest);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
