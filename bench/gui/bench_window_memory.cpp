// The main window's peak memory with 65,535 files, each figure from a process of its own
// that does only that part, beside the window with nothing listed:
// - 65,535 files listed and painted (target 40 MB);
// - the Rename of those files, confirmation answered Yes, grids listed again (target 50 MB);
// - the failure report of a run in which all 65,535 rows failed, every new name being taken
//   (target 60 MB), and the time to make, show and paint it (target 150 ms) beside the same
//   report of one failure, timed in the same process.
// The parts run in turn, three rounds; the figures are medians. A folder that a run renames is
// made afresh for it. Folders are made under FILVANE_BENCH_DIR (default /var/tmp).
//   QT_QPA_PLATFORM=offscreen bench_window_memory
#include "../support/BenchFolder.h"
#include "../support/BenchHome.h"
#include "../support/BenchProcess.h"
#include "../support/BenchTimer.h"
#include "../support/BenchWindow.h"
#include "app/NameGridModel.h"
#include "app/RenameReport.h"
#include "core/listing/SearchPattern.h"
#include "core/names/NameText.h"
#include "core/texts/RenameReasons.h"

#include <QApplication>
#include <QMessageBox>
#include <QTableView>
#include <QToolButton>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int FileCount = 65535;
constexpr int Rounds = 3;
constexpr int ReportRuns = 3;

std::string trackName(int i) {
    return "Track " + std::to_string(i) + ".mp3";
}

// The tracks, and beside them (not matching "Track*") a file for every name a run would give
// them when each row's new name is "x": "01 - x.mp3" ... "65535 - x.mp3".
std::string trackOrTakenName(int i) {
    return i < FileCount ? trackName(i) : filvane::rowNumberText(i - FileCount + 1) + " - x.mp3";
}

void list(TMainForm *main, const std::string &directory, const char *mask) {
    main->readDirectory(directory, filvane::joinSearchPattern(directory, mask));
    main->showItemCount(main->lists().fileCount());
    main->readGrid()->viewport()->repaint();
    main->nameGrid()->viewport()->repaint();
    QApplication::processEvents();
}

void typeNames(TMainForm *main, const std::string &prefix) {
    std::string lines;
    for (int row = 1; row <= main->lists().fileCount(); ++row)
        lines += (prefix.empty() ? std::string("x") : prefix + std::to_string(row)) + '\n';
    main->session().pasteNewNames(lines, 1);
    main->nameModel()->reload();
}

double showReportMs(TMainForm *main, const std::vector<filvane::RowOutcome> &rows) {
    const bench::Stopwatch clock;
    std::unique_ptr<QMessageBox> box = makeRenameReport(rows, main->texts(), main);
    if (!box)
        return -1;
    box->show();
    box->repaint();
    QApplication::processEvents();
    const double ms = clock.ms();
    box.reset();
    QApplication::processEvents();
    return ms;
}

// One part, in this process: prints what the parent reads back; returns the exit status.
int runPart(const std::string &part, const std::string &directory) {
    const Windows windows = bench::showMainWindow();
    TMainForm *main = windows.main.get();
    if (part == "empty")
        return 0;
    if (part == "listed") {
        list(main, directory, "*.*");
        std::printf("rows=%d\n", main->lists().fileCount());
        return main->lists().fileCount() == FileCount ? 0 : 1;
    }
    if (part == "rename") {
        list(main, directory, "*.*");
        typeNames(main, "Song ");
        bench::answerNextBox(); // the confirmation: Yes
        main->findChild<QToolButton *>(QStringLiteral("RenBtn"))->click();
        int renamed = 0;
        for (int row = 1; row <= main->lists().fileCount(); ++row)
            renamed += main->lists().readList().cell(1, row).find(" - Song ") != std::string::npos;
        std::printf("renamed=%d\n", renamed);
        return renamed == FileCount ? 0 : 1;
    }
    if (part == "report") {
        list(main, directory, "Track*");
        typeNames(main, "");
        const filvane::RenameResult run = main->session().run(); // owns the rows' names
        const std::vector<filvane::RowOutcome> &outcomes = run.rows;
        const int failed = static_cast<int>(filvane::failedRows(outcomes).size());
        const std::vector<filvane::RowOutcome> one(outcomes.begin(), outcomes.begin() + 1);
        const double before = bench::residentMb();
        bench::Samples oneReport, fullReport;
        for (int run = 0; run < ReportRuns; ++run) {
            oneReport.add(showReportMs(main, one));
            fullReport.add(showReportMs(main, outcomes));
        }
        std::printf("failed=%d before=%.2f one=%.2f full=%.2f\n", failed, before,
                    oneReport.median(), fullReport.median());
        return failed == FileCount ? 0 : 1;
    }
    std::fprintf(stderr, "unknown part %s\n", part.c_str());
    return 2;
}

struct PartFigures {
    bench::Samples peakMb;
    bench::Samples oneMs, fullMs, beforeMb;
    int failedRuns = 0;
};

void runChild(const std::string &part, const std::string &directory, PartFigures &figures) {
    const bench::ChildRun child = bench::runSelf({"--part", part, directory});
    if (!child.ok) {
        ++figures.failedRuns;
        std::fprintf(stderr, "part %s failed: %s", part.c_str(), child.output.c_str());
        return;
    }
    figures.peakMb.add(child.peakMb);
    if (part == "report") {
        figures.beforeMb.add(bench::reportedValue(child.output, "before="));
        figures.oneMs.add(bench::reportedValue(child.output, "one="));
        figures.fullMs.add(bench::reportedValue(child.output, "full="));
    }
}

void printPeak(const char *what, const PartFigures &part, const PartFigures &empty,
               const char *target) {
    std::printf("%-40s %7.1f MB  (+%.1f MB over the empty window; %s)%s\n", what,
                part.peakMb.median(), part.peakMb.median() - empty.peakMb.median(), target,
                part.failedRuns ? "  SOME RUNS FAILED" : "");
}

} // namespace

int main(int argc, char *argv[]) {
    const BenchHome home;
    if (argc == 4 && std::strcmp(argv[1], "--part") == 0) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return runPart(argv[2], argv[3]);
    }

    const std::string base = BenchFolder::defaultBase();
    const BenchFolder listed(base, FileCount, trackName);
    const BenchFolder report(base, 2 * FileCount, trackOrTakenName);
    PartFigures empty, shown, renamed, reported;
    for (int round = 0; round < Rounds; ++round) {
        runChild("empty", listed.path(), empty);
        runChild("listed", listed.path(), shown);
        {
            const BenchFolder fresh(base, FileCount, trackName);
            runChild("rename", fresh.path(), renamed);
        }
        runChild("report", report.path(), reported);
    }

    std::printf("window peak memory, %d files, each part in a process of its own, median of %d "
                "(folders under %s)\n",
                FileCount, Rounds, base.c_str());
    std::printf("%-40s %7.1f MB  (baseline)%s\n", "empty window", empty.peakMb.median(),
                empty.failedRuns ? "  SOME RUNS FAILED" : "");
    printPeak("files listed", shown, empty, "target 40 MB");
    printPeak("during their Rename", renamed, empty, "target 50 MB");
    printPeak("report of 65,535 failures", reported, empty, "target 60 MB");
    std::printf("%-40s %7.1f MB  (listed, the run's outcomes held)\n",
                "  resident before the report", reported.beforeMb.median());
    std::printf("%-40s %7.1f ms  (baseline)\n", "report of 1 failure, made and painted",
                reported.oneMs.median());
    std::printf("%-40s %7.1f ms  (%.0fx the baseline; target 150 ms)\n",
                "report of 65,535 failures", reported.fullMs.median(),
                reported.fullMs.median() / reported.oneMs.median());
    return empty.failedRuns + shown.failedRuns + renamed.failedRuns + reported.failedRuns ? 1 : 0;
}
