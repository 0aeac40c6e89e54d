// The core rename of 65,535 files beside a plain loop of no-replace rename calls over the same
// names, and beside the same run without its plan (row by row in list order), measured in the
// same run, on disk (/var/tmp) and on tmpfs (/dev/shm). No row here conflicts with another, so
// planned against unplanned is what the plan costs. Each iteration renames every file one way
// ("a00000.mp3" -> "b00000.mp3") and the next one back, so every side always finds the folder
// as the other left it.
// Then what Undo's journal costs: the same run with its journal (written to /var/tmp, a disk, for
// both places, as a home folder would be) beside the run without it, and the undo of a
// journalled run (the undo alone is timed) beside the run.
//   filvane_core_bench --benchmark_filter=Rename
#include "ListOrderRename.h"
#include "core/history/RunHistory.h"
#include "core/journal/RunJournal.h"
#include "core/run/Rename.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr int FileCount = 65535;
const char *const Places[] = {"/var/tmp", "/dev/shm"};

std::string stem(char prefix, int i) {
    char text[16];
    std::snprintf(text, sizeof text, "%c%05d", prefix, i);
    return text;
}

// A folder of FileCount files "a00000.mp3" ... and the two lists that rename them to "b..."
// and back, with numbering off and each file keeping its extension.
class RenameFolder {
public:
    explicit RenameFolder(const std::string &base) {
        std::string pattern = base + "/filvane-bench-rename-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        m_path = pattern;
        for (int i = 0; i < FileCount; ++i) {
            const int fd = open((m_path + "/" + stem('a', i) + ".mp3").c_str(),
                                O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd < 0) {
                std::perror("open");
                std::exit(1);
            }
            close(fd);
        }
        for (int way = 0; way < 2; ++way) {
            const char from = way == 0 ? 'a' : 'b';
            const char to = way == 0 ? 'b' : 'a';
            for (int i = 0; i < FileCount; ++i) {
                m_oldNames[way].push_back(stem(from, i) + ".mp3");
                m_newNames[way].push_back(stem(to, i) + ".mp3");
            }
        }
    }
    ~RenameFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    RenameFolder(const RenameFolder &) = delete;
    RenameFolder &operator=(const RenameFolder &) = delete;

    const std::string &path() const { return m_path; }
    // The way to rename next, turning each time it is asked.
    int nextWay() { return (m_way ^= 1) ^ 1; }
    // The plan is made inside the timed run, as a Rename click makes it.
    filvane::RenamePlan plan(int way) const {
        filvane::RenamePlan plan;
        plan.directory = m_path;
        plan.rows.reserve(m_oldNames[way].size());
        for (size_t i = 0; i < m_oldNames[way].size(); ++i)
            plan.add(m_oldNames[way][i], m_newNames[way][i]);
        return plan;
    }
    const std::vector<std::string> &oldNames(int way) const { return m_oldNames[way]; }
    const std::vector<std::string> &newNames(int way) const { return m_newNames[way]; }

private:
    std::string m_path;
    std::vector<std::string> m_oldNames[2];
    std::vector<std::string> m_newNames[2];
    int m_way = 0;
};

// A journal folder of its own for the benchmark, on disk.
const std::string &journalFolder() {
    static const std::string path = [] {
        std::string pattern = std::string(Places[0]) + "/filvane-bench-journal-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        return pattern;
    }();
    return path;
}

// Made first, so that the folder's path outlives it.
struct JournalFolderRemover {
    JournalFolderRemover() { journalFolder(); }
    ~JournalFolderRemover() {
        std::error_code ignored;
        std::filesystem::remove_all(journalFolder(), ignored);
    }
};

RenameFolder &folder(int place) {
    static RenameFolder disk(Places[0]);
    static RenameFolder tmpfs(Places[1]);
    return place == 0 ? disk : tmpfs;
}

void BM_Rename_PlainNoReplaceLoop(benchmark::State &state) {
    RenameFolder &f = folder(static_cast<int>(state.range(0)));
    int failures = 0;
    for (auto _ : state) {
        const int way = f.nextWay();
        const std::vector<std::string> &from = f.oldNames(way);
        const std::vector<std::string> &to = f.newNames(way);
        const int dir = open(f.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (size_t i = 0; i < from.size(); ++i)
            failures += renameat2(dir, from[i].c_str(), dir, to[i].c_str(), RENAME_NOREPLACE) != 0;
        close(dir);
    }
    state.SetLabel(Places[state.range(0)]);
    state.counters["failures"] = failures;
    state.counters["per_file_us"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * FileCount,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

using RunFunction = filvane::RowsWithNames (*)(filvane::RenamePlan,
                                               filvane::NoReplaceRenamer::Method,
                                               const filvane::RenameProgress &);

void runCore(benchmark::State &state, RunFunction runFiles) {
    RenameFolder &f = folder(static_cast<int>(state.range(0)));
    int failures = 0;
    for (auto _ : state) {
        const auto run =
            runFiles(f.plan(f.nextWay()), filvane::NoReplaceRenamer::Method::NoReplaceFlag, {});
        for (const filvane::RowOutcome &row : run.rows)
            failures += row.outcome != filvane::RenameOutcome::Renamed;
    }
    state.SetLabel(Places[state.range(0)]);
    state.counters["failures"] = failures;
    state.counters["per_file_us"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * FileCount,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

void BM_Rename_CoreRenameRows(benchmark::State &state) {
    runCore(state, filvane::renameRows);
}

void BM_Rename_CoreUnplanned(benchmark::State &state) {
    runCore(state, renameRowsInListOrder);
}

void setPerFile(benchmark::State &state, int failures) {
    state.SetLabel(Places[state.range(0)]);
    state.counters["failures"] = failures;
    state.counters["per_file_us"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * FileCount,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

void BM_Rename_CoreJournalled(benchmark::State &state) {
    RenameFolder &f = folder(static_cast<int>(state.range(0)));
    int failures = 0;
    for (auto _ : state) {
        filvane::RunJournal journal(journalFolder());
        const auto run = filvane::runPlan(f.plan(f.nextWay()), {{}, {}, &journal, nullptr});
        failures += FileCount - run.renamedCount();
    }
    setPerFile(state, failures);
}

// Each iteration renames with a journal (not timed), then undoes that run (timed).
void BM_Rename_CoreUndo(benchmark::State &state) {
    RenameFolder &f = folder(static_cast<int>(state.range(0)));
    int failures = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const int way = f.nextWay();
        std::string id;
        {
            filvane::RunJournal journal(journalFolder());
            failures += FileCount -
                        filvane::runPlan(f.plan(way), {{}, {}, &journal, nullptr}).renamedCount();
            id = journal.id();
        }
        state.ResumeTiming();
        failures += FileCount - filvane::undoRun(journalFolder(), id).renamedCount();
        state.PauseTiming();
        f.nextWay(); // undone: the folder is as before the run
        state.ResumeTiming();
    }
    setPerFile(state, failures);
}

// Baseline and core side by side for each place, twice, so a drift in the file system's speed
// over the run shows instead of passing for a difference between them; the planned and the
// unplanned run change places in the second round.
void registerAll() {
    using Function = void (*)(benchmark::State &);
    const std::pair<const char *, Function> plain{"BM_Rename_PlainNoReplaceLoop",
                                                  BM_Rename_PlainNoReplaceLoop};
    const std::pair<const char *, Function> planned{"BM_Rename_CoreRenameRows",
                                                    BM_Rename_CoreRenameRows};
    const std::pair<const char *, Function> unplanned{"BM_Rename_CoreUnplanned",
                                                      BM_Rename_CoreUnplanned};
    for (int place : {0, 1}) {
        for (int round = 0; round < 2; ++round) {
            const auto first = round == 0 ? planned : unplanned;
            const auto second = round == 0 ? unplanned : planned;
            for (const auto &[name, function] : {plain, first, second})
                benchmark::RegisterBenchmark(name, function)
                    ->Arg(place)
                    ->Iterations(4)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
        }
    }
}

// The run without and with its journal, and the undo, side by side for each place, twice, the
// order turned in the second round.
void registerJournal() {
    using Function = void (*)(benchmark::State &);
    const std::pair<const char *, Function> bare{"BM_Rename_CoreRenameRows",
                                                 BM_Rename_CoreRenameRows};
    const std::pair<const char *, Function> journalled{"BM_Rename_CoreJournalled",
                                                       BM_Rename_CoreJournalled};
    const std::pair<const char *, Function> undo{"BM_Rename_CoreUndo", BM_Rename_CoreUndo};
    for (int place : {0, 1}) {
        for (int round = 0; round < 2; ++round) {
            const auto order = round == 0 ? std::vector{bare, journalled, undo}
                                          : std::vector{undo, journalled, bare};
            for (const auto &[name, function] : order)
                benchmark::RegisterBenchmark(name, function)
                    ->Arg(place)
                    ->Iterations(4)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
        }
    }
}

const bool registered = (registerAll(), registerJournal(), true);
const JournalFolderRemover journalFolderRemover;

} // namespace
