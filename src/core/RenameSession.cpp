#include "core/RenameSession.h"

#include "core/listing/DirectorySearch.h"
#include "core/listing/SearchPattern.h"
#include "core/names/NameText.h"

#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include <utility>

namespace filvane {

RenameSession::RenameSession(std::string journalDirectory)
    : m_journalDirectory(std::move(journalDirectory)) {}

void RenameSession::setSortOrder(SortOrder order) {
    if (factOrderOf(order)) {
        const FactsBatch batch = readFacts(factsFor(*factOrderOf(order)));
        setSortOrder(order, batch.facts);
        return;
    }
    m_sortOrder = order;
    m_lists.resort(order);
}

void RenameSession::setSortOrder(SortOrder order, std::span<const FileFacts> facts) {
    m_sortOrder = order;
    const std::optional<FactOrder> byFacts = factOrderOf(order);
    if (!byFacts || facts.size() != static_cast<size_t>(m_lists.fileCount())) {
        m_lists.resort(order);
        return;
    }
    const std::span<std::string> names = m_lists.readList().names(m_lists.fileCount());
    m_lists.reorder(orderByFacts(names, facts, *byFacts));
}

void RenameSession::sortLists() {
    if (factOrderOf(m_sortOrder))
        setSortOrder(m_sortOrder); // the cache makes a listing again cheap
    else
        m_lists.sortByName(m_sortOrder);
}

FactsBatch RenameSession::readFacts(FactKinds wanted, const FactsProgress &progress) {
    const int count = m_lists.fileCount();
    if (count == 0)
        return {};
    const std::span<std::string> names = m_lists.readList().names(count);
    return filvane::readFacts(m_listingDirectory, names, wanted, m_facts, progress);
}

TemplateFill RenameSession::fillFromFacts(const NameTemplate &templ,
                                          std::span<const FileFacts> facts) {
    TemplateFill fill = fillNames(templ, facts);
    for (size_t i = 0; i < fill.names.size() && static_cast<int>(i) < m_lists.fileCount(); ++i)
        m_lists.nameList().setCell(1, static_cast<int>(i) + 1, std::move(fill.names[i]));
    fill.names.clear();
    return fill;
}

namespace {
// Data rows (from 1) as indices of the new names (from 0).
std::vector<int> indicesOf(const std::vector<int> &rows) {
    std::vector<int> indices;
    indices.reserve(rows.size());
    for (int row : rows)
        indices.push_back(row - 1);
    return indices;
}
} // namespace

ToolRun RenameSession::applyNameTool(const NameTool &tool, const std::vector<int> &rows) {
    const std::span<std::string> names = m_lists.newNames();
    return rows.empty() ? applyTool(tool, names) : applyTool(tool, names, indicesOf(rows));
}

ToolRun RenameSession::applyNameTools(const NameToolChain &chain) {
    return applyTools(chain, m_lists.newNames());
}

bool RenameSession::setNewName(int row, std::string name) {
    if (row < 1 || row >= m_lists.nameList().rowCount())
        return false;
    m_lists.nameList().setCell(1, row, std::move(name));
    return true;
}

void RenameSession::setNewNames(std::vector<std::string> names) {
    const std::span<std::string> typed = m_lists.newNames();
    for (size_t i = 0; i < typed.size() && i < names.size(); ++i)
        typed[i] = std::move(names[i]);
}

void RenameSession::read(std::string directory, std::string searchPattern) {
    m_listingDirectory = std::move(directory);
    m_listedFolder = directoryIdentity(m_listingDirectory);
    m_mask = splitSearchPattern(searchPattern).mask;
    listSorted();
}

void RenameSession::readFiles(std::string directory, const std::vector<std::string> &names) {
    // Found by the same search as a listing, so a named file is listed exactly when a listing
    // by "*" would list it.
    const FileSearch search = findFiles(directory, "*");
    // Each with its file, so that typed names stay with the files through a listing again.
    std::unordered_map<std::string_view, ListedFile> present;
    for (size_t i = 0; i < search.names.size(); ++i)
        present.emplace(search.names[i], i < search.files.size() ? search.files[i] : ListedFile{});
    std::vector<std::string> listed;
    std::vector<ListedFile> files;
    std::unordered_set<std::string_view> seen;
    for (const std::string &name : names)
        if (const auto found = present.find(name);
            found != present.end() && seen.insert(name).second) {
            listed.push_back(name);
            files.push_back(found->second);
        }
    m_listingDirectory = std::move(directory);
    m_listedFolder = directoryIdentity(m_listingDirectory);
    m_mask = AllFilesMask;
    m_lastExtension = m_lists.listNames(std::move(listed), std::move(files));
    sortLists();
}

std::string RenameSession::searchPattern() const {
    return listed() ? joinSearchPattern(m_listingDirectory, m_mask) : std::string();
}

void RenameSession::list() {
    NameLists::TypedNames typed = m_lists.takeTypedNames();
    listSorted();
    m_lists.giveBackTypedNames(std::move(typed));
}

void RenameSession::listSorted() {
    m_lastExtension = m_lists.listDirectory(searchPattern());
    sortLists();
}

void RenameSession::clear() {
    m_lists.clearLists();
    m_listingDirectory.clear();
    m_mask.clear();
    m_listedFolder.reset();
}

void RenameSession::setOptions(RenameOptions options) {
    m_options = std::move(options);
    m_options.chosenExtension = withLeadingDot(m_options.chosenExtension);
}

void RenameSession::applyOptions(RenameOptions options, NewNamesOnOptions names) {
    m_options = std::move(options);
    m_options.chosenExtension = withLeadingDot(m_options.chosenExtension);
    m_optionsAccepted = true;
    if (names == NewNamesOnOptions::FromOldNames && !m_options.numbersOnly)
        m_lists.fillNewNamesFromOldNames();
    else
        m_lists.clearNewNames();
}

RenamePlan RenameSession::plan(ListingAge listing) const {
    return planFromLists(m_lists, m_options, m_listingDirectory, m_listedFolder,
                         listing == ListingAge::JustMade);
}

RenamePlan RenameSession::checkedPlan() const {
    RenamePlan composed = plan();
    checkPlan(composed);
    return composed;
}

RenameResult RenameSession::run(RenamePlan plan, const RenameProgress &progress) {
    RunJournal journal(m_journalDirectory);
    RunSettings settings;
    settings.progress = progress;
    settings.journal = &journal;
    return runPlan(std::move(plan), settings);
}

std::optional<RunSummary> RenameSession::undoableRun() const {
    if (m_listingDirectory.empty())
        return std::nullopt;
    return latestUndoableRun(m_journalDirectory, m_listingDirectory);
}

std::optional<RenameResult> RenameSession::undo(const std::string &runId,
                                                const RenameProgress &progress) {
    const std::optional<RunSummary> last = undoableRun();
    if (!last || last->id != runId)
        return std::nullopt;
    RunSettings settings;
    settings.progress = progress;
    return undoRun(m_journalDirectory, runId, settings);
}

std::vector<RunSummary> RenameSession::interrupted(std::vector<std::string> *setAside) const {
    return interruptedRuns(m_journalDirectory, setAside);
}

std::vector<RunSummary> RenameSession::interruptedIn(const std::string &folder) const {
    return interruptedRunsIn(m_journalDirectory, folder);
}

RenameResult RenameSession::recover(const std::string &id, RecoveryChoice choice,
                                    const RenameProgress &progress, const std::string &folder) {
    RunSettings settings;
    settings.progress = progress;
    return recoverRun(m_journalDirectory, id, choice, settings, folder);
}

int RenameSession::settle(const std::string &id) {
    return settleRun(m_journalDirectory, id);
}

void RenameSession::relist() {
    if (!listed())
        return;
    // A remembered extension may be one these files never got: listing by it would show none.
    const bool extensionGiven = m_optionsAccepted && !m_options.keepExtension;
    m_mask = "*" + (extensionGiven ? m_options.chosenExtension : std::string());
    list();
}

RowOutcome RenameSession::planRow(int row, NameStore &names, std::optional<std::string_view> typed,
                                  const NumberFormat *numbers) const {
    const int count = m_lists.fileCount();
    if (row < 1 || row > count) {
        RowOutcome blank;
        blank.row = row;
        return blank;
    }
    if (!numbers)
        return composeRow(m_options, row, count, m_lists.oldName(row),
                          typed.value_or(m_lists.typedName(row)), names);
    RenameOptions options = m_options;
    options.numbers = *numbers;
    return composeRow(options, row, count, m_lists.oldName(row),
                      typed.value_or(m_lists.typedName(row)), names);
}

std::string RenameSession::finalName(int row) const {
    NameStore names;
    const RowOutcome planned = planRow(row, names);
    return std::string(planned.outcome == RenameOutcome::Pending ? planned.newName
                                                                 : planned.oldName);
}

} // namespace filvane
