// Listing by mask: a folder of 65,535 files, half of them "*.mp3", with the core's search,
// beside a plain readdir loop that keeps names ending in ".mp3" (case-sensitive, no folding),
// in the same run; and the mask alone against that suffix test, over names in memory.
#include "../support/BenchBaselines.h"
#include "../support/BenchFolder.h"
#include "core/listing/DirectorySearch.h"
#include "core/listing/Wildcard.h"

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <string>
#include <vector>

namespace {

constexpr int FileCount = 65535;

BenchFolder &folder() {
    static BenchFolder instance(FileCount);
    return instance;
}

void BM_Baseline_ReaddirSuffixFilter(benchmark::State &state) {
    const std::string path = folder().path();
    size_t found = 0;
    for (auto _ : state) {
        std::vector<std::string> names = bench::readdirMp3(path);
        found = names.size();
        benchmark::DoNotOptimize(names.data());
    }
    state.counters["files"] = static_cast<double>(found);
}
BENCHMARK(BM_Baseline_ReaddirSuffixFilter)->Unit(benchmark::kMillisecond);

void BM_Core_FindFilesByMask(benchmark::State &state) {
    const std::string path = folder().path();
    size_t found = 0;
    for (auto _ : state) {
        filvane::FileSearch search = filvane::findFiles(path, "*.mp3");
        found = search.names.size();
        benchmark::DoNotOptimize(search.names.data());
    }
    state.counters["files"] = static_cast<double>(found);
}
BENCHMARK(BM_Core_FindFilesByMask)->Unit(benchmark::kMillisecond);

const std::vector<std::string> &namesInMemory() {
    static const std::vector<std::string> instance = [] {
        std::vector<std::string> names;
        for (int i = 0; i < FileCount; ++i)
            names.push_back("Track " + std::to_string((i * 40503u) % 100003u) +
                            (i % 2 == 0 ? ".mp3" : ".txt"));
        return names;
    }();
    return instance;
}

void BM_Baseline_SuffixTest(benchmark::State &state) {
    for (auto _ : state) {
        int matched = 0;
        for (const std::string &name : namesInMemory())
            matched += name.ends_with(".mp3");
        benchmark::DoNotOptimize(matched);
    }
}
BENCHMARK(BM_Baseline_SuffixTest)->Unit(benchmark::kMillisecond);

void BM_Core_MaskTest(benchmark::State &state) {
    const filvane::WildcardMask mask("*.mp3");
    for (auto _ : state) {
        int matched = 0;
        for (const std::string &name : namesInMemory())
            matched += mask.matches(name);
        benchmark::DoNotOptimize(matched);
    }
}
BENCHMARK(BM_Core_MaskTest)->Unit(benchmark::kMillisecond);

} // namespace
