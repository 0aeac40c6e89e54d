#pragma once

#include "core/ListedFile.h"
#include "core/NameStore.h"
#include "core/NoReplaceRename.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace filvane {

class CellGrid;
class RunJournal;

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
    // The folder as it was listed; when given, a run in a folder that is no longer that one
    // (the path replaced by a link or another folder since) renames nothing.
    std::optional<DirectoryIdentity> listedFolder = std::nullopt;
    // What a listing made just now found for each row (row r at r - 1); when given, the run does
    // not read the folder again before it renames. Stale entries make Undo and recovery leave
    // files alone that they would otherwise take back.
    const std::vector<ListedFile> *listedFiles = nullptr;
};

enum class RenameOutcome {
    Renamed,     // the file now bears the new name
    Blank,       // the blank row of a list without files: nothing to rename
    RefusedName, // the name would leave the directory or is no file name; not attempted
    Failed,      // the system refused; `error` says why (EEXIST: another file has that name)
    Pending,     // planned, not yet tried; a finished run leaves no row pending
    // Undo and recovery only: the file was left alone because since the run it was
    RenamedSince,  // given another name (`newName` says which)
    ReplacedSince, // deleted or moved away, and another file has taken its name
};

// One row of a run's plan or result. The names are views into the NameStore of the plan or
// result the row belongs to (or into anything else that outlives the row).
struct RowOutcome {
    int row = 0;
    RenameOutcome outcome = RenameOutcome::Blank;
    int error = 0; // errno when Failed
    std::string_view oldName;
    std::string_view newName;
    // Set when a round of names could not be turned nor taken back whole and this file is
    // under neither of its names: the name it bears now.
    std::string_view nameNow{};
};

// Rows with the names they point to.
struct RowsWithNames {
    std::vector<RowOutcome> rows;
    NameStore names;
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
RowsWithNames planRows(const RenameInput &input);

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
};

// Why a run renamed nothing at all, before its first rename.
enum class RunRefusal {
    None,
    FolderChanged,     // the folder is not the one listed; `error` is 0
    JournalNotWritten, // the plan could not be made durable; `error` says why
};

struct RenameResult {
    RunRefusal refusal = RunRefusal::None;
    int error = 0;
    std::vector<RowOutcome> rows; // all Pending but Blank and refused names when refused
    NameStore names;              // what the rows' names point to
    int renamedCount() const;
};

// The run as described above. Before its first rename it refuses, renaming nothing, a folder
// that is not the one listed (`input.listedFolder`) and a journal that cannot be written.
RenameResult runRename(const RenameInput &input, const RunSettings &settings);

// The same run without journal, for callers that need only the rows.
RowsWithNames renameRows(const RenameInput &input,
                         NoReplaceRenamer::Method method = NoReplaceRenamer::Method::NoReplaceFlag,
                         const RenameProgress &progress = {});

// The run without its plan, row by row top to bottom, where a row whose new name a lower row
// would free fails. Kept to measure what the plan costs.
RowsWithNames
renameRowsInListOrder(const RenameInput &input,
                      NoReplaceRenamer::Method method = NoReplaceRenamer::Method::NoReplaceFlag,
                      const RenameProgress &progress = {});

} // namespace filvane
