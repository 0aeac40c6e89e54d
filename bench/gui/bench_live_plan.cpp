// The live plan's update after one typed name, at 1,000 and 65,535 files (or the counts given),
// to a painted table, beside composing and checking the same plan in the core, measured in the
// same run. The update must stay within 50 ms at 1,000 rows; at any count the part spent on the
// window's own thread (copying the lists, showing the plan) is what typing would wait for, the
// rest runs on the live plan's worker.
//   QT_QPA_PLATFORM=offscreen bench_live_plan [ROWS...]
#include "../support/BenchFolder.h"
#include "../support/BenchHome.h"
#include "../support/BenchTimer.h"
#include "app/LivePlan.h"
#include "core/RenameSession.h"
#include "core/plan/Preflight.h"
#include "core/texts/TextTable.h"

#include <QApplication>
#include <QTableView>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int Runs = 9;

void measure(int rows) {
    const BenchFolder folder(rows);
    filvane::RenameSession session; // its journals under the benchmark's home
    session.read(folder.path(), folder.path() + "/*");
    const filvane::StoredTexts texts;

    const double core = bench::medianMs(Runs, [&] {
        filvane::RenamePlan plan = session.plan();
        filvane::checkPlan(plan);
    });

    TLivePlanForm window(session, texts);
    window.show();
    while (window.pending())
        QApplication::processEvents();
    int typed = 0;
    bench::Samples blocking;
    const double update = bench::medianMs(Runs, [&] {
        session.setNewName(rows / 2, "Typed " + std::to_string(++typed));
        window.refresh();
        while (window.pending())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        window.findChild<QTableView *>()->viewport()->repaint();
        blocking.add(window.lastBlockingMs());
    });
    std::printf("rows:                               %d\n", rows);
    std::printf("core compose + check (baseline):    %8.2f ms\n", core);
    std::printf("live plan updated and painted:      %8.2f ms  (%.2fx the baseline%s)\n", update,
                update / core, rows <= 1000 ? ", target 50 ms" : "");
    std::printf("of which the window's own thread:   %8.2f ms  (what typing waits for)\n\n",
                blocking.median());
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const BenchHome home;
    QApplication app(argc, argv);
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::atoi(argv[i]));
    if (counts.empty())
        counts = {1000, 65535};
    for (int rows : counts)
        measure(rows);
    return 0;
}
