#pragma once

#include "core/Collation.h"
#include "core/NameLists.h"
#include "core/Preflight.h"
#include "core/Rename.h"
#include "core/RunHistory.h"

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

// What the options dialog hands back when it is left with OK.
struct AcceptedOptions {
    RenameOptions rename;
    bool fillFromOldNames = false; // new names from the old names before their first dot
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

    NameLists &lists() { return m_lists; }
    const NameLists &lists() const { return m_lists; }

    const std::string &listingDirectory() const { return m_listingDirectory; }
    const std::string &searchPattern() const { return m_searchPattern; }
    const std::string &lastExtension() const { return m_lastExtension; }
    // The options as last accepted; a run composes names by them.
    const RenameOptions &options() const { return m_options; }
    // Typing new names makes sense unless the files are to get their numbers alone.
    bool newNamesEditable() const { return !m_options.numbersOnly; }

    // Byte order (the default) or natural order; applies from the next listing on, and a
    // listing shown now is sorted again at once.
    void setSortOrder(SortOrder order);
    SortOrder sortOrder() const { return m_sortOrder; }

    void setNumbering(bool numbering) { m_options.numbering = numbering; }
    // The options as accepted in an earlier run, before anything is listed: the lists are
    // left as they are.
    void setOptions(RenameOptions options) { m_options = std::move(options); }
    void setKeepExtension(bool keep) { m_options.keepExtension = keep; }

    // Makes `directory` the listing directory and lists it by `searchPattern`, sorted.
    void read(std::string directory, std::string searchPattern);
    // Makes `directory` the listing directory and lists exactly `names` of it, sorted: files
    // handed over from outside (a command line, a drop). Names that are no longer there, or are
    // folders, are left out.
    void readFiles(std::string directory, const std::vector<std::string> &names);
    // Lists by the current search pattern again, sorted, with the new names emptied.
    void list();
    void clear();
    void clearNewNames() { m_lists.clearNewNames(); }
    int pasteNewNames(std::string_view text, int firstRow) {
        return m_lists.pasteNewNames(text, firstRow);
    }

    // Options left with OK: numbering, extension rule, new names, in that order.
    void applyOptions(const AcceptedOptions &accepted);

    // What a run would do with every data row, without touching the disk.
    RowsWithNames plan() const;
    // The plan looked at before a run: rows without a new name, refused, taken, duplicate or
    // too long names.
    Preflight preflight() const;
    // Renames the listed files by the accepted options, journalled. Nothing is renamed when the
    // folder is no longer the one listed or the journal cannot be written (`refusal` says
    // which). The lists are left as they were; call relist() to show what the run left on disk.
    RenameResult run(const RenameProgress &progress = {},
                     ListingAge listing = ListingAge::MayBeOld);
    // The same for the rows that have a new name typed; the files of blank rows keep their names.
    RenameResult runNamedRowsOnly(const RenameProgress &progress = {});

    // The newest run in the listed folder that undo would take back; none when there is none.
    std::optional<RunSummary> undoableRun() const;
    // Takes back that run (itself a journalled run, so undoing again goes one run further back
    // and undoing an undo redoes). Call relist() afterwards.
    RenameResult undo(const RenameProgress &progress = {});
    // After a run: lists the folder again by "*" and the chosen extension, sorted.
    void relist();

    // The file name a run would give a data row now (its old name when the row would not be
    // renamed); empty for the blank row of an empty list.
    std::string finalName(int row) const;

private:
    RenameInput runInput(ListingAge listing = ListingAge::MayBeOld) const;
    RenameResult runJournalled(const RenameInput &input, const RenameProgress &progress);
    void sortLists();

    NameLists m_lists;
    std::string m_listingDirectory;
    std::string m_searchPattern;
    std::string m_lastExtension;
    RenameOptions m_options;
    SortOrder m_sortOrder = SortOrder::Bytes;
    std::string m_journalDirectory;
    // The listed folder as it was read: a run in a folder that has changed since renames nothing.
    std::optional<DirectoryIdentity> m_listedFolder;
};

} // namespace filvane
