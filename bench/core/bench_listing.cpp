// Listing and sorting the 65,535 "*.mp3" files of a folder of 131,070 with the core, exactly as
// a Read does it (a new session's read), beside a plain readdir-and-sort loop over the same
// folder, measured in the same run. Both start from nothing in every iteration.
#include "../support/BenchBaselines.h"
#include "../support/BenchFolder.h"
#include "core/RenameSession.h"
#include "core/listing/SearchPattern.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <dirent.h>
#include <string>
#include <vector>

namespace {

constexpr int MatchingFiles = 65535;

// Every other file is "*.mp3".
BenchFolder &folder() {
    static BenchFolder instance(2 * MatchingFiles);
    return instance;
}

void BM_Baseline_ReaddirAndSort(benchmark::State &state) {
    const std::string path = folder().path();
    size_t count = 0;
    for (auto _ : state) {
        std::vector<std::string> names = bench::readdirMp3(path);
        std::sort(names.begin(), names.end());
        count = names.size();
        benchmark::DoNotOptimize(names.data());
    }
    state.counters["files"] = static_cast<double>(count);
}
BENCHMARK(BM_Baseline_ReaddirAndSort)->Unit(benchmark::kMillisecond);

void BM_Core_ListDirectoryAndSort(benchmark::State &state) {
    const std::string &path = folder().path();
    const std::string pattern = filvane::joinSearchPattern(path, "*.mp3");
    int count = 0;
    for (auto _ : state) {
        filvane::RenameSession session;
        session.read(path, pattern);
        count = session.lists().fileCount();
        benchmark::DoNotOptimize(count);
    }
    state.counters["files"] = count;
}
BENCHMARK(BM_Core_ListDirectoryAndSort)->Unit(benchmark::kMillisecond);

} // namespace
