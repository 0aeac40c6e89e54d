// Listing and sorting 65,535 files (half "*.mp3") with the core, beside a plain
// readdir-and-sort loop over the same folder measured in the same run.
#include "../support/BenchFolder.h"
#include "NameLists.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <dirent.h>
#include <string>
#include <vector>

namespace {

constexpr int FileCount = 65535;

BenchFolder &folder() {
    static BenchFolder instance(FileCount);
    return instance;
}

void BM_Baseline_ReaddirAndSort(benchmark::State &state) {
    const std::string path = folder().path();
    for (auto _ : state) {
        std::vector<std::string> names;
        DIR *dir = opendir(path.c_str());
        while (const dirent *entry = readdir(dir)) {
            const std::string_view name(entry->d_name);
            if (entry->d_type != DT_DIR && name.ends_with(".mp3"))
                names.emplace_back(name);
        }
        closedir(dir);
        std::sort(names.begin(), names.end());
        benchmark::DoNotOptimize(names.data());
    }
}
BENCHMARK(BM_Baseline_ReaddirAndSort)->Unit(benchmark::kMillisecond);

void BM_Core_ListDirectoryAndSort(benchmark::State &state) {
    const std::string pattern = folder().path() + "/*.mp3";
    filvane::NameLists lists;
    for (auto _ : state) {
        lists.listDirectory(pattern, true);
        lists.sortByName();
        benchmark::DoNotOptimize(lists.fileCount());
    }
    state.counters["files"] = lists.fileCount();
}
BENCHMARK(BM_Core_ListDirectoryAndSort)->Unit(benchmark::kMillisecond);

} // namespace
