#pragma once

#include "core/plan/NameStore.h"

#include <string_view>
#include <vector>

namespace filvane {

enum class RenameOutcome {
    Renamed,     // the file now bears the new name
    Blank,       // no file to rename (the blank row of an empty list, or a row left out)
    RefusedName, // the name would leave the directory or is no file name; not attempted
    Failed,      // the system refused; `error` says why (EEXIST: another file has that name)
    Pending,     // planned, not yet tried; a finished run leaves no row pending
    // Undo and recovery only: the file was left alone because since the run it was
    RenamedSince,  // given another name (`newName` says which)
    ReplacedSince, // deleted or moved away, and another file has taken its name
};

// One row of a plan, and then of the run's result. The names are views into the NameStore of the
// plan or result the row belongs to (or into anything else that outlives the row).
struct RowOutcome {
    int row = 0;
    RenameOutcome outcome = RenameOutcome::Blank;
    int error = 0; // errno when Failed
    std::string_view oldName;
    std::string_view newName;
    // Set when a round of names could not be turned nor taken back whole and this file is
    // under neither of its names: the name it bears now.
    std::string_view nameNow{};
    // No new name was typed for the row: the file would get the number and extension alone.
    bool unnamed = false;
    // RefusedName because the name has nothing before its extension (".mp3", or nothing at
    // all): a hidden file no one typed, which file managers would not show.
    bool noBaseName = false;
};

// Rows with the names they point to.
struct RowsWithNames {
    std::vector<RowOutcome> rows;
    NameStore names;
};

} // namespace filvane
