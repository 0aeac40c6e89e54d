#include "core/RenameSession.h"

#include "core/DirectorySearch.h"
#include "core/SearchPattern.h"

#include <string_view>
#include <unordered_set>

#include <utility>

namespace filvane {

RenameSession::RenameSession(std::string journalDirectory)
    : m_journalDirectory(std::move(journalDirectory)) {}

void RenameSession::setSortOrder(SortOrder order) {
    m_sortOrder = order;
    m_lists.resort(order);
}

void RenameSession::sortLists() {
    m_lists.sortByName(m_sortOrder);
}

void RenameSession::read(std::string directory, std::string searchPattern) {
    m_listingDirectory = std::move(directory);
    m_listedFolder = directoryIdentity(m_listingDirectory);
    m_searchPattern = std::move(searchPattern);
    list();
}

void RenameSession::readFiles(std::string directory, const std::vector<std::string> &names) {
    // Found by the same search as a listing, so a named file is listed exactly when a listing
    // by "*" would list it.
    const FileSearch search = findFiles(directory, "*");
    const std::unordered_set<std::string_view> present(search.names.begin(), search.names.end());
    std::vector<std::string> listed;
    std::unordered_set<std::string_view> seen;
    for (const std::string &name : names)
        if (present.count(name) && seen.insert(name).second)
            listed.push_back(name);
    m_listingDirectory = std::move(directory);
    m_listedFolder = directoryIdentity(m_listingDirectory);
    m_searchPattern = joinSearchPattern(m_listingDirectory, "*.*");
    m_lastExtension = m_lists.listNames(std::move(listed), m_options.numbering);
    sortLists();
}

void RenameSession::list() {
    m_lastExtension = m_lists.listDirectory(m_searchPattern, m_options.numbering);
    sortLists();
}

void RenameSession::clear() {
    m_lists.clearLists();
}

void RenameSession::applyOptions(const AcceptedOptions &accepted) {
    m_options = accepted.rename;
    m_lists.writeNumberColumn(m_options.numbering);
    if (accepted.fillFromOldNames && !m_options.numbersOnly)
        m_lists.fillNewNamesFromOldNames();
    else
        m_lists.clearNewNames();
}

RenameInput RenameSession::runInput(ListingAge listing) const {
    RenameInput input{m_listingDirectory, m_lists.readList(), m_lists.nameList(), m_options,
                      m_listedFolder};
    const std::vector<ListedFile> &files = m_lists.listedFiles();
    if (listing == ListingAge::JustMade && !files.empty() &&
        files.size() == static_cast<size_t>(m_lists.fileCount()))
        input.listedFiles = &files;
    return input;
}

RenameResult RenameSession::runJournalled(const RenameInput &input,
                                          const RenameProgress &progress) {
    RunJournal journal(m_journalDirectory);
    RunSettings settings;
    settings.progress = progress;
    settings.journal = &journal;
    return runRename(input, settings);
}

RowsWithNames RenameSession::plan() const {
    return planRows(runInput());
}

Preflight RenameSession::preflight() const {
    const RenameInput input = runInput();
    return checkPlan(input, planRows(input).rows);
}

RenameResult RenameSession::run(const RenameProgress &progress, ListingAge listing) {
    return runJournalled(runInput(listing), progress);
}

RenameResult RenameSession::runNamedRowsOnly(const RenameProgress &progress) {
    // A copy of the read list without the files of blank rows: the run sees nothing to rename
    // there and plans the named rows as usual, around files that keep their names.
    CellGrid named = m_lists.readList();
    const CellGrid &names = m_lists.nameList();
    for (int row = 1; row <= m_lists.fileCount(); ++row)
        if (names.name(row).empty())
            named.setCell(1, row, {});
    const RenameInput input = runInput();
    return runJournalled(
        {input.directory, named, input.nameList, input.options, input.listedFolder}, progress);
}

std::optional<RunSummary> RenameSession::undoableRun() const {
    if (m_listingDirectory.empty())
        return std::nullopt;
    return latestUndoableRun(m_journalDirectory, m_listingDirectory);
}

RenameResult RenameSession::undo(const RenameProgress &progress) {
    const std::optional<RunSummary> last = undoableRun();
    if (!last)
        return {};
    RunSettings settings;
    settings.progress = progress;
    return undoRun(m_journalDirectory, last->id, settings);
}

void RenameSession::relist() {
    m_searchPattern = relistPattern(m_listingDirectory, m_options.chosenExtension);
    list();
}

std::string RenameSession::finalName(int row) const {
    if (row < 1 || row > m_lists.fileCount())
        return {};
    const CellGrid &read = m_lists.readList();
    const std::string &oldName = read.name(row);
    if (oldName.empty())
        return {};
    const CellGrid &names = m_lists.nameList();
    std::string name =
        composeNewName(m_options, oldName, read.cell(0, row), names.cell(0, row), names.name(row));
    return isPlainFileName(name) ? name : oldName;
}

} // namespace filvane
