#pragma once

#include "core/base/DirectoryIdentity.h"
#include "core/drive/Drive.h"
#include "core/drive/NoReplaceRename.h"
#include "core/listing/ListedFile.h"
#include "core/names/NameTools.h"
#include "core/plan/RowOutcome.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace filvane {

class NameLists;

// How new names are shaped: numbering, the extension rule and numbers only, as last accepted.
struct RenameOptions {
    bool numbering = true;
    bool keepExtension = true;
    bool numbersOnly = false;
    std::string chosenExtension{}; // with its dot (see withLeadingDot); empty: no extension
    // Start, step, digits of the numbers, and the text between number and name.
    NumberFormat numbers{};

    bool operator==(const RenameOptions &) const = default;
};

// A chosen extension as a name is composed with it: "mp3" becomes ".mp3", so that a file
// keeps its type; empty stays empty (no extension).
std::string withLeadingDot(std::string_view extension);

// What a look at a plan finds before anything is renamed: the rows a user most likely did not
// mean as they stand.
enum class PreflightFinding {
    Unnamed,        // no new name typed: the file gets the number and extension alone
    Refused,        // the name cannot be a file name here; the file keeps its name
    Taken,          // a file outside the run has the name; the file keeps its name
    Duplicate,      // an upper row composes the same name; this one keeps its name
    TooLong,        // longer than the file system allows; the file keeps its name
    NoBaseName,     // nothing before the extension (".mp3"): refused, the file keeps its name
    Held,           // the name stays with the file of another row (`otherRow`), which keeps it
    NotOnThisDrive, // a character or word the folder's drive refuses; the file keeps its name
};

// One finding; the names point into the plan looked at.
struct PreflightRow {
    int row = 0;
    PreflightFinding finding = PreflightFinding::Unnamed;
    std::string_view oldName;
    std::string_view newName;
    int otherRow = 0; // Duplicate: the row that gets the name; Held: the row whose file has it
    // NotOnThisDrive: what the drive refuses ("':'"); Taken, Duplicate: the other name differs
    // in case only, on a drive where that is one name.
    std::string refused{};
    bool otherCase = false;
};

struct Preflight {
    int fileCount = 0;
    DriveFacts drive;               // what the folder's drive offers, as the run will find it
    std::vector<PreflightRow> rows; // top to bottom
    int count(PreflightFinding finding) const;
    bool clean() const { return rows.empty(); }
};

// What a run is to do, composed once and then read by everything that looks at it or carries it
// out: the check before the run, the confirmation, the run itself, undo, recovery and the
// command line. One row per file, top to bottom, each Pending, Blank (nothing to rename) or
// RefusedName.
struct RenamePlan {
    std::string directory;
    // The folder as it was listed; a run in a folder that is no longer that one (the path
    // replaced by a link or another folder since) renames nothing. None: not checked.
    std::optional<DirectoryIdentity> folder;
    std::vector<RowOutcome> rows;
    // Names the rows own. A plan made from the lists points into them for its old names: it is
    // to be used before the lists change.
    NameStore names;
    // What a listing made just now found for each row (row i at i); when given, the run does
    // not read the folder again before it renames. Stale entries make undo and recovery leave
    // files alone that they would otherwise take back.
    std::vector<ListedFile> files;
    // Set by checkPlan.
    std::optional<Preflight> preflight;
    // How the lists number the rows, so that a view of the plan shows each row's number as the
    // lists show it.
    NumberFormat numbers{};

    // The number text of row `row` (from 1), as the lists show it beside the file.
    std::string numberOf(int row) const;

    // Adds a row renaming `oldName` to `newName` (both kept in the plan) as it stands.
    void add(std::string_view oldName, std::string_view newName);
    int fileCount() const;
    // Leaves out the rows no new name was typed for: their files keep their names.
    void leaveOutUnnamedRows();
};

// A row's new name by the options (numbers only wins over them all). The pieces are joined as
// they stand, no blank or dot added or removed. `number` is the row's number text (see
// rowNumber).
std::string composeNewName(const RenameOptions &options, std::string_view oldName,
                           std::string_view number, std::string_view typedName);

// The number text of data row `row` of `count` by the options' number format.
std::string rowNumber(const RenameOptions &options, int row, int count);

// Data row `row` of `count`, whose file is `oldName` and whose typed name is `typedName`, as
// planFromLists composes it, alone: for views that show a few rows (a tool tip, a preview), so
// that they show what the run would do at the cost of the rows they show. The new name is kept
// in `names`; the old name is a view of `oldName`. An empty old name gives a Blank row.
RowOutcome composeRow(const RenameOptions &options, int row, int count, std::string_view oldName,
                      std::string_view typedName, NameStore &names);

// A bare name of one entry in the directory: not empty, not "." or "..", no "/" and no NUL.
bool isPlainFileName(std::string_view name);

// The plan of the lists' data rows by `options`; old names point into `lists`. With
// `listedFiles`, the files as the listing found them go with the plan (see RenamePlan::files).
RenamePlan planFromLists(const NameLists &lists, const RenameOptions &options,
                         std::string directory, std::optional<DirectoryIdentity> folder,
                         bool listedFiles = false);

} // namespace filvane
