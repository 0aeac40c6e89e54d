#pragma once

// The core at a glance. A front end (the window, or filvane-rename) holds one RenameSession.
// The session lists a folder (listing/: DirectorySearch, matching names by Wildcard) into the
// lists (lists/: NameLists), sorted by the collator (base/Collation); the user's new names go
// into the same lists, and the name tools (names/) and the files' facts (facts/) fill them. On
// Rename the session composes one RenamePlan (plan/: old name, final name, file, finding per
// row); checkPlan (plan/Preflight) looks at it against the folder; runPlan (run/Rename) orders
// its rows into chains and rounds and renames them through NoReplaceRenamer (drive/), the one
// place that calls the system, after RunJournal (journal/) has made the plan durable. The
// history (history/: JournalScan, RunUndo, RunRecovery over FolderScan and CheckedMoves) reads
// journals back: undo and recovery build plans of their own and run them the same way. texts/ turns
// outcomes into words in either language. base/ holds what all of them stand on: descriptors,
// identities, private names, UTF-8, the collator. The folders stand in layers, each including only
// those beneath: base; listing, facts, drive, journal; names; lists; plan; run; history and texts;
// this facade on top, included by no folder.

#include "core/base/Collation.h"
#include "core/facts/FactOrder.h"
#include "core/facts/FactsCache.h"
#include "core/history/RunHistory.h"
#include "core/lists/NameLists.h"
#include "core/names/NameTemplate.h"
#include "core/names/NameTools.h"
#include "core/plan/Preflight.h"
#include "core/run/Rename.h"

#include <optional>
#include <utility>

#include <string>
#include <string_view>
#include <vector>

namespace filvane {

// How far a run may trust what the listing found of each file (its inode, and that it is no
// folder).
enum class ListingAge {
    MayBeOld, // a window's listing, perhaps minutes old: the run looks at the folder again
    JustMade, // the run comes straight after its listing, as a script's does: it need not
};

// What options left with OK do to the typed names: empty them, or fill them from the old names
// before their first dot.
enum class NewNamesOnOptions { Clear, FromOldNames };

// A copy of all a plan is composed from, so that it can be composed and checked on another
// thread while the lists go on changing. The plan's old names point into `lists`.
struct PlanSource {
    NameLists lists;
    RenameOptions options;
    std::string directory;
    std::optional<DirectoryIdentity> folder;
    RenamePlan plan() const { return planFromLists(lists, options, directory, folder); }
};

// The state of one renaming session (one main window, or one run of the command line) and the
// sequences that change it: read a folder, clear, apply options, plan, run, list again. Front
// ends read their dialogs, call these and show the result; all the logic lives here, so
// everything a user can do can also be done, and tested, without a window.
class RenameSession {
public:
    // Runs are journalled in `journalDirectory` (see RunJournal), so they can be undone and
    // recovered after a crash.
    explicit RenameSession(std::string journalDirectory = defaultJournalDirectory());

    const std::string &journalDirectory() const { return m_journalDirectory; }

    // Read only: every change of the lists is one of the calls below, so that a front end can
    // keep each as a step that can be taken back.
    const NameLists &lists() const { return m_lists; }
    // The number column of data row `row` in either list, as the options make it: the text a
    // view shows beside the row.
    std::string numberCell(NameLists::Side side, int row) const {
        return m_lists.numberCell(side, row, m_options.numbers, m_options.numbering);
    }

    // Empty while nothing is listed (before the first Read, and after Clear).
    const std::string &listingDirectory() const { return m_listingDirectory; }
    bool listed() const { return !m_listingDirectory.empty(); }
    // The listing directory and the mask it is listed by, joined; empty while nothing is listed.
    std::string searchPattern() const;
    const std::string &lastExtension() const { return m_lastExtension; }
    // The options as last accepted; a run composes names by them.
    const RenameOptions &options() const { return m_options; }
    // Typing new names makes sense unless the files are to get their numbers alone.
    bool newNamesEditable() const { return !m_options.numbersOnly; }

    // Byte order (the default), natural order or an order by what the files know; applies from
    // the next listing on, and a listing shown now is sorted again at once, each typed name
    // going with its file. An order by facts reads them here (from the cache where it can);
    // a front end that wants progress reads them first (readFacts) and hands them in.
    void setSortOrder(SortOrder order);
    void setSortOrder(SortOrder order, std::span<const FileFacts> facts);
    SortOrder sortOrder() const { return m_sortOrder; }

    // What the listed files know, row for row (row r at r - 1), read once per file for the
    // session. Meant to run on a worker thread while the lists stay as they are; `progress`
    // may stop it.
    FactsBatch readFacts(FactKinds wanted, const FactsProgress &progress = {});
    // Fills the new names from the facts by `templ`; rows whose file lacks a field the
    // template uses are left blank and listed in the result.
    TemplateFill fillFromFacts(const NameTemplate &templ, std::span<const FileFacts> facts);

    // The name tools on the new names: all rows, or the data rows given (ascending).
    ToolRun applyNameTool(const NameTool &tool, const std::vector<int> &rows = {});
    ToolRun applyNameTools(const NameToolChain &chain);
    // How numbers read, in the lists and in the names a run gives.
    void setNumberFormat(const NumberFormat &format) { m_options.numbers = format; }

    void setNumbering(bool numbering) { m_options.numbering = numbering; }
    // The options as accepted in an earlier run, before anything is listed: the typed names
    // are left as they are (the number columns follow, as they always show the options), and
    // the options are not taken as accepted now (see relist).
    void setOptions(RenameOptions options);
    void setKeepExtension(bool keep) { m_options.keepExtension = keep; }

    // Makes `directory` the listing directory and lists it by the mask of `searchPattern`,
    // sorted (the folder is `directory` alone: a run renames in the folder listed).
    void read(std::string directory, std::string searchPattern);
    // Makes `directory` the listing directory and lists exactly `names` of it, sorted: files
    // handed over from outside (a command line, a drop). Names that are no longer there, or are
    // folders, are left out.
    void readFiles(std::string directory, const std::vector<std::string> &names);
    // Lists by the current search pattern again, sorted, each typed name beside the file it was
    // typed for (found by the file, not its name: after a run or an undo the files have other
    // names, and the order may put them elsewhere); the new names of files no longer listed go.
    void list();
    // Empties the lists and forgets the folder: nothing is listed, nothing to undo.
    void clear();
    void clearNewNames() { m_lists.clearNewNames(); }
    int pasteNewNames(std::string_view text, int firstRow) {
        return m_lists.pasteNewNames(text, firstRow);
    }
    // Writes the new name of data row `row` (also of the blank row of a list without files,
    // as a cell takes text there); false, writing nothing, beyond the list.
    bool setNewName(int row, std::string name);
    // Makes `names` the new names of data rows 1 to names.size(); those beyond the last file
    // are dropped, rows after them keep theirs.
    void setNewNames(std::vector<std::string> names);
    // The new names from the old ones without a leading number and its separator.
    void fillNewNamesFromOldNamesStripped() { m_lists.fillNewNamesFromOldNamesStripped(); }
    // Moves files or new names of `rows` one row (see NameLists::moveRows).
    bool moveRows(const std::vector<int> &rows, int delta, NameLists::Moving moving) {
        return m_lists.moveRows(rows, delta, moving);
    }
    // The caption of column `column` in both lists.
    void setCaption(int column, const std::string &caption) { m_lists.setCaption(column, caption); }

    // Options left with OK, then the new names as `names` says. A chosen extension without its
    // dot gets one.
    void applyOptions(RenameOptions options, NewNamesOnOptions names = NewNamesOnOptions::Clear);
    // Whether options were left with OK in this session (remembered ones only preset them).
    bool optionsAccepted() const { return m_optionsAccepted; }

    // What a run would do with every data row, by the lists and the accepted options, without
    // touching the disk. Its old names point into the lists: run it before they change.
    RenamePlan plan(ListingAge listing = ListingAge::MayBeOld) const;
    // The plan, looked at against the folder (see checkPlan).
    RenamePlan checkedPlan() const;
    // What plan() composes from, copied.
    PlanSource planSource() const {
        return {m_lists, m_options, m_listingDirectory, m_listedFolder};
    }
    // Renames by `plan`, journalled. Nothing is renamed when the folder is no longer the one
    // listed or the journal cannot be written (`refusal` says which). The lists are left as
    // they were; call relist() to show what the run left on disk.
    RenameResult run(RenamePlan plan, const RenameProgress &progress = {});
    // Composes the plan and runs it at once.
    RenameResult run(const RenameProgress &progress = {},
                     ListingAge listing = ListingAge::MayBeOld) {
        return run(plan(listing), progress);
    }

    // The newest run in the listed folder that undo would take back; none when there is none.
    std::optional<RunSummary> undoableRun() const;
    // Takes back run `runId`, the one undoableRun() named when the user was asked (itself a
    // journalled run, so undoing again goes one run further back and undoing an undo redoes).
    // None, renaming nothing, when it is no longer the newest undoable run of the listed folder
    // (another run came since, or it was taken back): the user said yes to that run only.
    // Call relist() afterwards.
    std::optional<RenameResult> undo(const std::string &runId, const RenameProgress &progress = {});
    // After a run: lists the folder again, sorted: by "*" and the chosen extension when one was
    // accepted in this session (every file now has it), else by "*".
    void relist();

    // Runs cut off by a crash that wait to be dealt with, newest first, computed from the disk
    // as it is now (see interruptedRuns): ask again after dealing with each. Damaged journals
    // met on the way are set aside and their ids added to `setAside`.
    std::vector<RunSummary> interrupted(std::vector<std::string> *setAside = nullptr) const;
    // Those of them whose folder is `folder`.
    std::vector<RunSummary> interruptedIn(const std::string &folder) const;
    // Deals with the interrupted run `id` as chosen (a journalled run itself); `folder`, when
    // given, is where the user says its folder is now.
    RenameResult recover(const std::string &id, RecoveryChoice choice,
                         const RenameProgress &progress = {}, const std::string &folder = {});
    // Leaves the interrupted run `id` as it is and never offers it again; 0 or the errno.
    int settle(const std::string &id);

    // Data row `row` as the plan composes it, alone, at the cost of one row: for a tool tip or
    // a preview. `typed` and `numbers`, when given, stand in for the row's typed name and the
    // options' number format (what a tool would make of them). Its new name is kept in `names`.
    RowOutcome planRow(int row, NameStore &names, std::optional<std::string_view> typed = {},
                       const NumberFormat *numbers = nullptr) const;
    // The file name a run would give a data row now (its old name when the row would not be
    // renamed, its name refused); empty for the blank row of an empty list.
    std::string finalName(int row) const;

private:
    void sortLists();
    void listSorted();

    NameLists m_lists;
    std::string m_listingDirectory;
    std::string m_mask; // the listing directory is held once, above, not in a pattern too
    std::string m_lastExtension;
    RenameOptions m_options;
    bool m_optionsAccepted = false;
    SortOrder m_sortOrder = SortOrder::Bytes;
    FactsCache m_facts;
    std::string m_journalDirectory;
    // The listed folder as it was read: a run in a folder that has changed since renames nothing.
    std::optional<DirectoryIdentity> m_listedFolder;
};

} // namespace filvane
