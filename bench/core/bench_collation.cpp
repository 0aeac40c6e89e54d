// Natural order of 65,535 names beside the byte order sort of the same names in the same run.
// The names are what a music folder holds: numbered tracks in no order, some with capitals
// and accents.
#include "core/base/Collation.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr int NameCount = 65535;

const std::vector<std::string> &names() {
    static const std::vector<std::string> instance = [] {
        const char *stems[] = {"Track ", "track ", "\xc3\x89t\xc3\xa9 ", "Intro ", "Dal "};
        std::vector<std::string> list;
        list.reserve(NameCount);
        for (int i = 0; i < NameCount; ++i) {
            const unsigned scrambled = (static_cast<unsigned>(i) * 40503u) % 100003u;
            list.push_back(stems[i % 5] + std::to_string(scrambled) + ".mp3");
        }
        return list;
    }();
    return instance;
}

template <filvane::SortOrder Order> void BM_SortNames(benchmark::State &state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> list = names();
        state.ResumeTiming();
        filvane::sortNames(list, Order);
        benchmark::DoNotOptimize(list.data());
    }
}
BENCHMARK(BM_SortNames<filvane::SortOrder::Bytes>)
    ->Name("BM_Baseline_ByteOrderSort")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortNames<filvane::SortOrder::Natural>)
    ->Name("BM_NaturalOrderSort")
    ->Unit(benchmark::kMillisecond);

// The permutation alone, for lists that move their rows themselves.
void BM_NaturalOrderPermutation(benchmark::State &state) {
    for (auto _ : state) {
        std::vector<std::uint32_t> order =
            filvane::sortedOrder(names(), filvane::SortOrder::Natural);
        benchmark::DoNotOptimize(order.data());
    }
}
BENCHMARK(BM_NaturalOrderPermutation)->Unit(benchmark::kMillisecond);

} // namespace
