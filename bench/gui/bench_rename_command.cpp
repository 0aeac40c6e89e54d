// The whole Rename command over 65,535 listed files (confirmation answered Yes, the renames,
// the listing again and the sort, the grids reset) beside the core rename plus the core listing
// and sort, measured in the same run over the same folder, on disk and on tmpfs.
// Every run renames each file to a name of a new generation ("01 - g3-00000.mp3"), so no run
// finds the folder as it found it the time before.
//   QT_QPA_PLATFORM=offscreen bench_rename_command
#include "../support/BenchFolder.h"
#include "../support/BenchHome.h"
#include "../support/BenchTimer.h"
#include "../support/BenchWindow.h"
#include "app/Filvane.h"
#include "core/listing/SearchPattern.h"
#include "core/run/Rename.h"

#include <QApplication>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int FileCount = 65535;
constexpr int Runs = 5;

// "Track 0.mp3" ... "Track 65534.mp3".
std::string trackName(int i) {
    return "Track " + std::to_string(i) + ".mp3";
}

// What the user would have typed: a new name of this generation in every row.
template <typename Type> void typeGeneration(int files, int generation, Type type) {
    const std::string prefix = "g" + std::to_string(generation) + "-";
    for (int row = 1; row <= files; ++row)
        type(row, prefix + std::to_string(row));
}

int countRenamed(const std::vector<filvane::RowOutcome> &rows) {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const auto &row) {
        return row.outcome == filvane::RenameOutcome::Renamed;
    }));
}

void measure(const char *place, TMainForm *main) {
    const BenchFolder folder(place, FileCount, trackName);
    const std::string pattern = folder.path() + "/*";
    int generation = 0;
    bench::Samples core, command;
    int coreRenamed = 0, commandRenamed = 0;

    filvane::NameLists lists;
    for (int run = 0; run < Runs; ++run) {
        // The core: rename, list again, sort. Its lists first catch up with what the
        // command renamed last time, untimed.
        lists.listDirectory(pattern);
        lists.sortByName();
        typeGeneration(lists.fileCount(), ++generation, [&](int row, std::string name) {
            lists.nameList().setCell(1, row, std::move(name));
        });
        bench::Stopwatch clock;
        coreRenamed +=
            countRenamed(filvane::renameRows(filvane::planFromLists(lists, {.numbering = true},
                                                                    folder.path(), std::nullopt))
                             .rows);
        lists.listDirectory(filvane::relistPattern(folder.path(), ""));
        lists.sortByName();
        core.add(clock.ms());

        // The command, from the button press to the reset grids.
        main->readDirectory(folder.path(), pattern);
        typeGeneration(main->lists().fileCount(), ++generation, [&](int row, std::string name) {
            main->session().setNewName(row, std::move(name));
        });
        bench::answerNextBox(); // the confirmation: Yes
        clock.restart();
        main->findChild<QToolButton *>("RenBtn")->click();
        command.add(clock.ms());
        const std::string first = main->lists().readList().cell(1, 1);
        commandRenamed += first.find("g" + std::to_string(generation) + "-") != std::string::npos;
    }
    const double coreMs = core.median(), commandMs = command.median();
    std::printf("%s: %d files, median of %d runs\n", place, FileCount, Runs);
    std::printf("  core rename + list + sort (baseline): %8.1f ms  (%d of %d rows renamed)\n",
                coreMs, coreRenamed, Runs * FileCount);
    std::printf("  Rename command:                       %8.1f ms  (%.2fx the baseline, target "
                "1.5x; %d of %d runs renamed)\n",
                commandMs, commandMs / coreMs, commandRenamed, Runs);
}

} // namespace

int main(int argc, char *argv[]) {
    const BenchHome home;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Windows windows = bench::showMainWindow();
    TMainForm *main = windows.main.get();
    for (const char *place : {"/var/tmp", "/dev/shm"})
        measure(place, main);
    return 0;
}
