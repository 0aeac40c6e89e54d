// Filling the main window's grids with 65,535 listed files, to a painted view, beside the core
// listing alone measured in the same run; then the process's peak memory.
//   QT_QPA_PLATFORM=offscreen bench_grid_fill
#include "../support/BenchFolder.h"
#include "Filvane.h"
#include "Windows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int FileCount = 65535;
constexpr int Runs = 7;

template <typename F> double medianMs(F &&run) {
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        run();
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[Runs / 2];
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchFolder folder(FileCount);
    const std::string pattern = folder.path() + "/*.*";

    filvane::NameLists lists;
    const double core = medianMs([&] {
        lists.listDirectory(pattern, true);
        lists.sortByName();
    });

    Windows windows = createWindows();
    TMainForm *main = windows.main.get();
    main->show();
    QApplication::processEvents();
    const double window = medianMs([&] {
        main->readDirectory(folder.path(), pattern);
        main->showItemCount(main->lists().fileCount());
        main->readGrid()->viewport()->repaint();
        main->nameGrid()->viewport()->repaint();
        QApplication::processEvents();
    });

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("files listed:                       %d\n", main->lists().fileCount());
    std::printf("core list + sort (baseline):        %8.1f ms\n", core);
    std::printf("window list + sort + paint:         %8.1f ms  (%.2fx the baseline, target 2x)\n",
                window, window / core);
    std::printf("peak memory (max RSS):              %8.1f MB  (target 80 MB)\n",
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
