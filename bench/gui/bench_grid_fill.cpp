// Filling the main window's grids with 65,535 listed files, to a painted view, beside the core
// listing alone (a new session's read, as a Read does) measured in the same run. The window's
// memory alone is measured by bench_window_memory, in processes of their own.
//   QT_QPA_PLATFORM=offscreen bench_grid_fill
#include "../support/BenchFolder.h"
#include "../support/BenchHome.h"
#include "../support/BenchTimer.h"
#include "app/Filvane.h"
#include "app/Windows.h"
#include "core/listing/SearchPattern.h"

#include <QApplication>
#include <QTableView>

#include <cstdio>

namespace {

constexpr int FileCount = 65535;
constexpr int Runs = 7;

} // namespace

int main(int argc, char *argv[]) {
    const BenchHome home;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchFolder folder(FileCount);
    const std::string pattern = filvane::joinSearchPattern(folder.path(), "*.*");

    const double core = bench::medianMs(Runs, [&] {
        filvane::RenameSession session;
        session.read(folder.path(), pattern);
    });

    Windows windows = createWindows();
    TMainForm *main = windows.main.get();
    main->show();
    QApplication::processEvents();
    const double window = bench::medianMs(Runs, [&] {
        main->readDirectory(folder.path(), pattern);
        main->showItemCount(main->lists().fileCount());
        main->readGrid()->viewport()->repaint();
        main->nameGrid()->viewport()->repaint();
        QApplication::processEvents();
    });

    std::printf("files listed:                       %d\n", main->lists().fileCount());
    std::printf("core list + sort (baseline):        %8.1f ms\n", core);
    std::printf("window list + sort + paint:         %8.1f ms  (%.2fx the baseline, target 2x)\n",
                window, window / core);
    std::printf("peak memory of this process:        %8.1f MB  (core runs included)\n",
                bench::peakResidentMb());
    return 0;
}
