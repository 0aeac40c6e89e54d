#pragma once

#include "NoReplaceRename.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace filvane {

class CellGrid;

// How new names are shaped: the main window's two flags and what the options dialog's numbers
// only box and extension box hold at the moment of the run.
struct RenameOptions {
    bool numbering = true;
    bool keepExtension = true;
    bool numbersOnly = false;
    std::string chosenExtension; // joined as it stands: "mp3" without a dot gives "Songmp3"
};

// Everything one rename run reads. Old names (read list column 1) are bytes as the directory
// gave them; typed names (new-name list column 1) are UTF-8.
struct RenameInput {
    std::string directory;
    const CellGrid &readList;
    const CellGrid &nameList;
    RenameOptions options;
};

enum class RenameOutcome {
    Renamed,     // the file now bears the new name
    Blank,       // the blank row of a list without files: nothing to rename
    RefusedName, // the name would leave the directory or is no file name; not attempted
    Failed,      // the host refused; `error` says why (EEXIST: another file has that name)
    Pending,     // planned, not yet tried; a finished run leaves no row pending
};

struct RowOutcome {
    int row = 0;
    RenameOutcome outcome = RenameOutcome::Blank;
    int error = 0; // errno when Failed
    std::string oldName;
    std::string newName;
};

// A row's new name by the flags (numbers only wins over them all). The pieces are joined as
// they stand, no blank or dot added or removed.
std::string composeNewName(const RenameOptions &options, std::string_view oldName,
                           std::string_view readNumber, std::string_view nameNumber,
                           std::string_view typedName);

// A bare name of one entry in the directory: not empty, not "." or "..", no "/" and no NUL.
bool isPlainFileName(std::string_view name);

// What each data row of the new-name list (1 to its row count - 1) is to become, top to bottom,
// before anything is touched: Blank and RefusedName rows are settled here, every other row is
// Pending.
std::vector<RowOutcome> planRows(const RenameInput &input);

// Renames the rows' files in `input.directory`, never replacing an existing file. One outcome
// per data row.
//
// The run plans first, so that renumbering a numbered folder works: a row whose new name is the
// old name of another row's file goes after that row, and files whose names go round (two
// swapping, or more) turn together through an atomic exchange, or where the file system has
// none, through a hidden temporary name that never outlives the run; if a step of such a round
// fails, the files of the round get their old names back. Every file is at every moment under
// exactly one name. When two rows compose one name the upper one wins and the lower keeps its
// name, also when the upper one fails; a new name held by a file that keeps its name fails the
// row with EEXIST.
//
// `progress`, when given, is called after each file with the files done so far and the files to
// do in all (a round of names is reported once, when all its files are done); returning false
// stops the run before the next file or round (rows not reached stay Pending and their files
// keep their names).
using RenameProgress = std::function<bool(int done, int total)>;
std::vector<RowOutcome>
renameRows(const RenameInput &input,
           NoReplaceRenamer::Method method = NoReplaceRenamer::Method::NoReplaceFlag,
           const RenameProgress &progress = {});

// The run without its plan, row by row top to bottom, where a row whose new name a lower row
// would free fails. Kept to measure what the plan costs.
std::vector<RowOutcome>
renameRowsInListOrder(const RenameInput &input,
                      NoReplaceRenamer::Method method = NoReplaceRenamer::Method::NoReplaceFlag,
                      const RenameProgress &progress = {});

} // namespace filvane
