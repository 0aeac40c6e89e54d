// Opening the whole plan (Show Details) for 1,000,000 rows, to a painted table, beside composing
// and checking that plan in the core, measured in the same run.
//   QT_QPA_PLATFORM=offscreen bench_plan_view [ROWS]
#include "../support/BenchTimer.h"
#include "app/PlanView.h"
#include "core/plan/Preflight.h"
#include "core/plan/RenamePlan.h"
#include "core/texts/TextTable.h"

#include <QApplication>
#include <QTableView>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int Runs = 5;

// A plan in a folder that does not exist: the check finds no file taken, every row is to move.
filvane::RenamePlan bigPlan(int rows) {
    filvane::RenamePlan plan;
    plan.directory = "/nonexistent/filvane-bench";
    plan.rows.reserve(static_cast<size_t>(rows));
    char oldName[32], newName[48];
    for (int i = 0; i < rows; ++i) {
        std::snprintf(oldName, sizeof oldName, "track%07d.mp3", i);
        std::snprintf(newName, sizeof newName, "%07d - Title %d.mp3", i + 1, i);
        plan.add(oldName, newName);
    }
    return plan;
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1'000'000;
    const filvane::StoredTexts texts;

    filvane::RenamePlan plan;
    const double core = bench::medianMs(Runs, [&] {
        plan = bigPlan(rows);
        filvane::checkPlan(plan);
    });
    const double view = bench::medianMs(Runs, [&] {
        PlanView details(plan, texts);
        details.show();
        details.table()->viewport()->repaint();
        QApplication::processEvents();
    });
    std::printf("plan rows:                          %d\n", rows);
    std::printf("core compose + check (baseline):    %8.1f ms\n", core);
    std::printf("Show Details opened and painted:    %8.1f ms  (%.2fx the baseline, target 1 s)\n",
                view, view / core);
    return 0;
}
