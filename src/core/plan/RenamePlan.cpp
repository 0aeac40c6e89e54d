#include "core/plan/RenamePlan.h"

#include "core/listing/SearchPattern.h"
#include "core/lists/CellGrid.h"
#include "core/lists/NameLists.h"
#include "core/names/NameText.h"

#include <algorithm>
#include <array>

namespace filvane {

namespace {

// The pieces a new name is joined from, in order; empty pieces add nothing.
std::array<std::string_view, 4> newNamePieces(const RenameOptions &options,
                                              std::string_view oldName, std::string_view number,
                                              std::string_view typedName) {
    const std::string_view extension =
        options.keepExtension ? extensionOf(oldName) : std::string_view(options.chosenExtension);
    using std::string_view;
    if (options.numbersOnly)
        return {number, string_view(), string_view(), extension};
    if (options.numbering)
        return {number, string_view(options.numbers.separator), typedName, extension};
    return {string_view(), string_view(), typedName, extension};
}

RenameOutcome plannedOutcome(std::string_view oldName, std::string_view newName) {
    return isPlainFileName(oldName) && isPlainFileName(newName) ? RenameOutcome::Pending
                                                                : RenameOutcome::RefusedName;
}

// Whether a composed name is its extension alone (or nothing): no number, no typed name.
// Only a name composed from the lists is held to this; undo may give a hidden file its name.
bool lacksBaseName(const std::array<std::string_view, 4> &pieces) {
    return pieces[0].empty() && pieces[1].empty() && pieces[2].empty();
}

// composeRow with a buffer for the number text that a caller composing many rows reuses.
void composeInto(RowOutcome &planned, const RenameOptions &options, int row, int count,
                 std::string_view oldName, std::string_view typed, NameStore &names,
                 std::string &number) {
    planned.row = row;
    if (oldName.empty())
        return; // Blank
    planned.unnamed = typed.empty() && !options.numbersOnly;
    planned.oldName = oldName;
    number = rowNumber(options, row, count);
    const auto pieces = newNamePieces(options, oldName, number, typed);
    planned.newName = names.join(pieces);
    planned.outcome = plannedOutcome(planned.oldName, planned.newName);
    if (lacksBaseName(pieces) && planned.newName != planned.oldName) {
        planned.outcome = RenameOutcome::RefusedName;
        planned.noBaseName = true;
    }
}

} // namespace

RowOutcome composeRow(const RenameOptions &options, int row, int count, std::string_view oldName,
                      std::string_view typedName, NameStore &names) {
    RowOutcome planned;
    std::string number;
    composeInto(planned, options, row, count, oldName, typedName, names, number);
    return planned;
}

std::string RenamePlan::numberOf(int row) const {
    return numberText(numbers, row, static_cast<int>(rows.size()));
}

std::string composeNewName(const RenameOptions &options, std::string_view oldName,
                           std::string_view number, std::string_view typedName) {
    const auto pieces = newNamePieces(options, oldName, number, typedName);
    std::string name;
    name.reserve(pieces[0].size() + pieces[1].size() + pieces[2].size() + pieces[3].size());
    for (std::string_view piece : pieces)
        name += piece;
    return name;
}

std::string rowNumber(const RenameOptions &options, int row, int count) {
    return numberText(options.numbers, row, count);
}

std::string withLeadingDot(std::string_view extension) {
    if (extension.empty() || extension.front() == '.')
        return std::string(extension);
    return "." + std::string(extension);
}

bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find(PathSeparator) == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

int Preflight::count(PreflightFinding finding) const {
    return static_cast<int>(std::count_if(
        rows.begin(), rows.end(), [finding](const auto &row) { return row.finding == finding; }));
}

void RenamePlan::add(std::string_view oldName, std::string_view newName) {
    RowOutcome &row = rows.emplace_back();
    row.row = static_cast<int>(rows.size());
    row.oldName = names.add(oldName);
    row.newName = names.add(newName);
    row.outcome = plannedOutcome(row.oldName, row.newName);
}

int RenamePlan::fileCount() const {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const RowOutcome &row) {
        return row.outcome != RenameOutcome::Blank;
    }));
}

void RenamePlan::leaveOutUnnamedRows() {
    for (RowOutcome &row : rows)
        if (row.unnamed)
            row.outcome = RenameOutcome::Blank;
    preflight.reset(); // what it found was about rows now left out
}

RenamePlan planFromLists(const NameLists &lists, const RenameOptions &options,
                         std::string directory, std::optional<DirectoryIdentity> folder,
                         bool listedFiles) {
    RenamePlan plan;
    plan.directory = std::move(directory);
    plan.folder = folder;
    const int count = lists.fileCount();
    plan.rows.reserve(static_cast<size_t>(std::max(count, 1)));
    plan.numbers = options.numbers;
    std::string number;
    for (int row = 1; row <= std::max(count, 1); ++row)
        composeInto(plan.rows.emplace_back(), options, row, count, lists.oldName(row),
                    lists.typedName(row), plan.names, number);
    const std::vector<ListedFile> &files = lists.listedFiles();
    if (listedFiles && count > 0 && files.size() == static_cast<size_t>(count))
        plan.files = files;
    return plan;
}

} // namespace filvane
