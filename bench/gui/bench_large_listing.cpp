// Listing, sorting and showing in the grids a folder of 1,000,000 files (target at most 2x the
// core listing of them, and under 400 MB), each side in a process of its own that does only
// that: the core's read (a new session, as a Read does it) and the window's (the read, the
// grids reset and painted). The sides take turns, three rounds after one untimed listing that
// brings the folder into the caches; the figures are medians. The folder is made under
// FILVANE_BENCH_DIR (default /var/tmp) and removed at the end.
//   QT_QPA_PLATFORM=offscreen bench_large_listing [FILES]
#include "../support/BenchFolder.h"
#include "../support/BenchHome.h"
#include "../support/BenchProcess.h"
#include "../support/BenchTimer.h"
#include "../support/BenchWindow.h"
#include "core/RenameSession.h"
#include "core/listing/SearchPattern.h"

#include <QApplication>
#include <QTableView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int Rounds = 3;

int listInCore(const std::string &directory) {
    const std::string pattern = filvane::joinSearchPattern(directory, "*.*");
    const bench::Stopwatch clock;
    filvane::RenameSession session;
    session.read(directory, pattern);
    std::printf("ms=%.3f rows=%d\n", clock.ms(), session.lists().fileCount());
    return 0;
}

int listInWindow(const std::string &directory) {
    const Windows windows = bench::showMainWindow();
    TMainForm *main = windows.main.get();
    const std::string pattern = filvane::joinSearchPattern(directory, "*.*");
    const bench::Stopwatch clock;
    main->readDirectory(directory, pattern);
    main->showItemCount(main->lists().fileCount());
    main->readGrid()->viewport()->repaint();
    main->nameGrid()->viewport()->repaint();
    QApplication::processEvents();
    std::printf("ms=%.3f rows=%d\n", clock.ms(), main->lists().fileCount());
    return 0;
}

struct Side {
    bench::Samples ms, peakMb;
    int rows = -1;
    int failedRuns = 0;
};

void runSide(const char *side, const std::string &directory, Side &figures) {
    const bench::ChildRun child = bench::runSelf({"--side", side, directory});
    if (!child.ok) {
        ++figures.failedRuns;
        std::fprintf(stderr, "%s side failed: %s", side, child.output.c_str());
        return;
    }
    figures.ms.add(bench::reportedValue(child.output, "ms="));
    figures.peakMb.add(child.peakMb);
    figures.rows = static_cast<int>(bench::reportedValue(child.output, "rows="));
}

} // namespace

int main(int argc, char *argv[]) {
    const BenchHome home;
    if (argc == 4 && std::strcmp(argv[1], "--side") == 0) {
        if (std::strcmp(argv[2], "core") == 0)
            return listInCore(argv[3]);
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return listInWindow(argv[3]);
    }

    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1'000'000;
    const bench::Stopwatch making;
    const BenchFolder folder(count);
    std::printf("%d files made under %s in %.1f s\n", count, BenchFolder::defaultBase().c_str(),
                making.ms() / 1000);
    std::fflush(stdout);

    Side warmUp, core, window;
    runSide("core", folder.path(), warmUp);
    for (int round = 0; round < Rounds; ++round) {
        runSide("core", folder.path(), core);
        runSide("window", folder.path(), window);
    }
    std::printf("list + sort of %d files, each side a process of its own, median of %d\n", count,
                Rounds);
    std::printf("core read (baseline):              %8.1f ms  peak %6.1f MB  (%d rows)\n",
                core.ms.median(), core.peakMb.median(), core.rows);
    std::printf("window read + grids + paint:       %8.1f ms  peak %6.1f MB  (%d rows)\n",
                window.ms.median(), window.peakMb.median(), window.rows);
    std::printf("window against the core:           %8.2fx  (target 2x; peak target 400 MB)\n",
                window.ms.median() / core.ms.median());
    return core.failedRuns + window.failedRuns + warmUp.failedRuns ? 1 : 0;
}
