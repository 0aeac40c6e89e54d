#pragma once

#include "core/drive/NoReplaceRename.h"
#include "core/plan/RenamePlan.h"
#include "core/plan/RowOutcome.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace filvane {

class RunJournal;

// Renames the plan's files in `plan.directory`, never replacing an existing file. One outcome
// per row of the plan.
//
// The run orders the rows first, so that renumbering a numbered folder works: a row whose new name
// is the old name of another row's file goes after that row, and files whose names go round (two
// swapping, or more) turn together through an atomic exchange, or where the file system has
// none, through a hidden temporary name that never outlives the run; if a step of such a round
// fails, the files of the round get their old names back. Every file is at every moment under
// exactly one name. When two rows compose one name the upper one wins and the lower keeps its
// name, also when the upper one fails; a new name held by a file that keeps its name fails the
// row with EEXIST. Each row's outcome says what is on the disk, even for a round that could be
// neither turned nor taken back whole (`nameNow`). A file that has become a folder since the
// listing is not renamed (EISDIR); a row whose file has its new name already is renamed.
//
// `progress`, when given, is called after each file with the files done so far and the files to
// do in all (inside a large round of names every RoundProgressStep files); returning false
// stops the run before the next file or round (rows not reached stay Pending and their files
// keep their names). A stop asked for inside a round takes effect when the round has turned, and
// progress goes on being reported until then, so a window can say it is finishing the round.
using RenameProgress = std::function<bool(int done, int total)>;
constexpr int RoundProgressStep = 256;

// How a run is done besides what it renames.
struct RunSettings {
    NoReplaceRenamer::Method method = NoReplaceRenamer::Method::NoReplaceFlag;
    RenameProgress progress{};
    // Where the run's plan is written, durably, before its first rename and marked complete
    // after; null for a run nobody can undo (benchmarks, tests of the engine alone).
    RunJournal *journal = nullptr;
    DirectoryCalls *calls = nullptr; // null: the system's
    // The drive as tests make it out to be; none: as the folder's own facts say (and `method`).
    std::optional<DriveFacts> drive{};
};

// Why a run renamed nothing at all, before its first rename.
enum class RunRefusal {
    None,
    FolderChanged,     // the folder is not the one listed; `error` is 0
    JournalNotWritten, // the plan could not be made durable; `error` says why
    FolderInUse,       // another run, undo or recovery works in the folder; `holder` is its pid
    CutOffRunWaits,    // a run cut off in the folder must be dealt with first
};

struct RenameResult {
    RunRefusal refusal = RunRefusal::None;
    int error = 0;
    std::vector<RowOutcome> rows; // all Pending but Blank and refused names when refused
    NameStore names;              // what the rows' names point to
    int finishError = 0;          // errno when the journal could not record the run's end
    const char *way = "";         // how the run renamed (NoReplaceRenamer::wayName)
    long holder = 0;              // FolderInUse: the pid of the process that holds it, 0 unknown
    int renamedCount() const;
};

// The run as described above; the result takes over the plan's rows and names. Before its first
// rename it refuses, renaming nothing, a folder that is not the one listed (`plan.folder`) and a
// journal that cannot be written. A run whose end cannot be recorded in its journal says so in
// `finishError`: it renamed, but until the journal is settled it may be offered for recovery.
RenameResult runPlan(RenamePlan plan, const RunSettings &settings);

// The same run without journal, for callers that need only the rows.
RowsWithNames renameRows(RenamePlan plan,
                         NoReplaceRenamer::Method method = NoReplaceRenamer::Method::NoReplaceFlag,
                         const RenameProgress &progress = {});

} // namespace filvane
