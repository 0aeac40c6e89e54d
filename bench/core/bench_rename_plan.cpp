// What the rename run's plan costs and how it scales, each figure beside its baseline in the
// same run:
// - the run over 65,535 rows against a directory that cannot be opened, planned and unplanned:
//   every rename returns at once, so the difference is the plan alone, free of disk noise;
// - renumbering a numbered folder of 65,535 files ("n00000.mp3" -> "n00001.mp3", ...), one
//   chain through all rows, beside a plain loop of no-replace renames in the order that works;
// - 32,767 pairs of files swapping names beside a plain loop of exchanges;
// the last two on disk (/var/tmp) and on tmpfs (/dev/shm).
//   filvane_core_bench --benchmark_filter=Plan
#include "../support/BenchFolder.h"
#include "ListOrderRename.h"
#include "core/run/Rename.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr int RowCount = 65535;
const char *const Places[] = {"/var/tmp", "/dev/shm"};

// "n00042", or with a prefix and a suffix "an00042.mp3".
std::string stem(int i, const char *prefix = "", const char *suffix = "") {
    char text[32];
    std::snprintf(text, sizeof text, "%sn%05d%s", prefix, i, suffix);
    return text;
}

// Lists of RowCount rows, numbering off, extensions kept: row r renames old(r) to typed(r).
struct PlanLists {
    std::vector<std::string> oldNames;
    std::vector<std::string> newNames;

    template <typename OldName, typename Typed> PlanLists(OldName oldName, Typed typed) {
        oldNames.reserve(RowCount);
        newNames.reserve(RowCount);
        for (int i = 0; i < RowCount; ++i) {
            oldNames.push_back(oldName(i));
            const std::string_view old = oldNames.back();
            const size_t dot = old.rfind('.');
            newNames.push_back(typed(i) +
                               std::string(dot == std::string_view::npos ? "" : old.substr(dot)));
        }
    }
    filvane::RenamePlan input(const std::string &directory) const {
        filvane::RenamePlan plan;
        plan.directory = directory;
        plan.rows.reserve(oldNames.size());
        for (size_t i = 0; i < oldNames.size(); ++i)
            plan.add(oldNames[i], newNames[i]);
        return plan;
    }
};

void countFailures(benchmark::State &state, const std::vector<filvane::RowOutcome> &rows,
                   int &failures) {
    for (const filvane::RowOutcome &row : rows)
        failures += row.outcome != filvane::RenameOutcome::Renamed;
    benchmark::DoNotOptimize(failures);
    state.counters["failures"] = failures;
}

// Plan alone: every row a chain link (n00000 -> n00001 ...), so the plan has the most to do.
const PlanLists &chainLists(int way) {
    static const PlanLists up([](int i) { return stem(i, "", ".mp3"); },
                              [](int i) { return stem(i + 1); });
    static const PlanLists down([](int i) { return stem(i + 1, "", ".mp3"); },
                                [](int i) { return stem(i); });
    return way == 0 ? up : down;
}

const PlanLists &plainLists() {
    static const PlanLists plain([](int i) { return stem(i, "a", ".mp3"); },
                                 [](int i) { return stem(i, "b"); });
    return plain;
}

void BM_Plan_NoDiskPlanned(benchmark::State &state) {
    const PlanLists &lists = state.range(0) ? chainLists(0) : plainLists();
    for (auto _ : state) // every row fails with ENOENT: only the time counts
        benchmark::DoNotOptimize(filvane::renameRows(lists.input("/nonexistent/filvane")));
    state.SetLabel(state.range(0) ? "one chain" : "no conflicts");
}

void BM_Plan_NoDiskUnplanned(benchmark::State &state) {
    const PlanLists &lists = state.range(0) ? chainLists(0) : plainLists();
    for (auto _ : state)
        benchmark::DoNotOptimize(renameRowsInListOrder(lists.input("/nonexistent/filvane")));
    state.SetLabel(state.range(0) ? "one chain" : "no conflicts");
}

// A folder of files n00000.mp3 ... n65534.mp3, each holding nothing.
class PlanFolder {
public:
    explicit PlanFolder(const std::string &base)
        : m_folder(base, RowCount, [](int i) { return stem(i, "", ".mp3"); }) {}

    const std::string &path() const { return m_folder.path(); }
    // Renumbering goes up one and then down again, so the folder is as it was after two runs.
    int nextWay() { return (m_way ^= 1) ^ 1; }

private:
    BenchFolder m_folder;
    int m_way = 0;
};

PlanFolder &folder(int place) {
    static PlanFolder disk(Places[0]);
    static PlanFolder tmpfs(Places[1]);
    return place == 0 ? disk : tmpfs;
}

void perFile(benchmark::State &state) {
    state.SetLabel(Places[state.range(0)]);
    state.counters["per_file_us"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * RowCount,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

void BM_Plan_RenumberPlainLoop(benchmark::State &state) {
    PlanFolder &f = folder(static_cast<int>(state.range(0)));
    std::vector<std::string> names;
    for (int i = 0; i <= RowCount; ++i)
        names.push_back(stem(i, "", ".mp3"));
    int failures = 0;
    for (auto _ : state) {
        const int dir = open(f.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (f.nextWay() == 0) {
            for (int i = RowCount; i-- > 0;)
                failures += renameat2(dir, names[i].c_str(), dir, names[i + 1].c_str(),
                                      RENAME_NOREPLACE) != 0;
        } else {
            for (int i = 0; i < RowCount; ++i)
                failures += renameat2(dir, names[i + 1].c_str(), dir, names[i].c_str(),
                                      RENAME_NOREPLACE) != 0;
        }
        close(dir);
    }
    state.counters["failures"] = failures;
    perFile(state);
}

void BM_Plan_RenumberCore(benchmark::State &state) {
    PlanFolder &f = folder(static_cast<int>(state.range(0)));
    int failures = 0;
    for (auto _ : state)
        countFailures(state, filvane::renameRows(chainLists(f.nextWay()).input(f.path())).rows,
                      failures);
    perFile(state);
}

// Rows 2k and 2k + 1 swap names; the last row, without a partner, keeps its name.
const PlanLists &swapLists() {
    static const PlanLists swaps([](int i) { return stem(i, "", ".mp3"); },
                                 [](int i) { return stem(i == RowCount - 1 ? i : i ^ 1); });
    return swaps;
}

void BM_Plan_SwapPlainExchangeLoop(benchmark::State &state) {
    PlanFolder &f = folder(static_cast<int>(state.range(0)));
    std::vector<std::string> names;
    for (int i = 0; i < RowCount; ++i)
        names.push_back(stem(i, "", ".mp3"));
    int failures = 0;
    for (auto _ : state) {
        const int dir = open(f.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int i = 0; i + 1 < RowCount; i += 2)
            failures +=
                renameat2(dir, names[i].c_str(), dir, names[i + 1].c_str(), RENAME_EXCHANGE) != 0;
        close(dir);
    }
    state.counters["failures"] = failures;
    perFile(state);
}

void BM_Plan_SwapCore(benchmark::State &state) {
    PlanFolder &f = folder(static_cast<int>(state.range(0)));
    int failures = 0;
    for (auto _ : state)
        countFailures(state, filvane::renameRows(swapLists().input(f.path())).rows, failures);
    perFile(state);
}

void registerAll() {
    for (int round = 0; round < 2; ++round) {
        for (int chain : {0, 1}) {
            benchmark::RegisterBenchmark("BM_Plan_NoDiskUnplanned", BM_Plan_NoDiskUnplanned)
                ->Arg(chain)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark("BM_Plan_NoDiskPlanned", BM_Plan_NoDiskPlanned)
                ->Arg(chain)
                ->Unit(benchmark::kMillisecond);
        }
    }
    // Even iteration counts leave each folder as it was found.
    for (int place : {0, 1}) {
        using Function = void (*)(benchmark::State &);
        const std::pair<const char *, Function> onDisk[] = {
            {"BM_Plan_RenumberPlainLoop", BM_Plan_RenumberPlainLoop},
            {"BM_Plan_RenumberCore", BM_Plan_RenumberCore},
            {"BM_Plan_SwapPlainExchangeLoop", BM_Plan_SwapPlainExchangeLoop},
            {"BM_Plan_SwapCore", BM_Plan_SwapCore},
        };
        for (const auto &[name, function] : onDisk) {
            benchmark::RegisterBenchmark(name, function)
                ->Arg(place)
                ->Iterations(4)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
}

const bool registered = (registerAll(), true);

} // namespace
