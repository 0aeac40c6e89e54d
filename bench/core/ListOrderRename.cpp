#include "ListOrderRename.h"

#include <algorithm>

using filvane::RenameOutcome;
using filvane::RowOutcome;

filvane::RowsWithNames renameRowsInListOrder(filvane::RenamePlan plan,
                                             filvane::NoReplaceRenamer::Method method,
                                             const filvane::RenameProgress &progress) {
    filvane::RowsWithNames result{std::move(plan.rows), std::move(plan.names)};
    std::vector<RowOutcome> &rows = result.rows;
    const int total =
        static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const RowOutcome &row) {
            return row.outcome == RenameOutcome::Pending;
        }));
    filvane::NoReplaceRenamer renamer(plan.directory, method);
    int done = 0;
    for (RowOutcome &row : rows) {
        if (row.outcome != RenameOutcome::Pending)
            continue;
        row.error = renamer.rename(row.oldName, row.newName);
        row.outcome = row.error == 0 ? RenameOutcome::Renamed : RenameOutcome::Failed;
        if (progress && !progress(++done, total))
            break;
    }
    // The old names are views into the plan's lists: the result keeps its own copies.
    for (RowOutcome &row : rows)
        row.oldName = result.names.add(row.oldName);
    return result;
}
