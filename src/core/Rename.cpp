#include "Rename.h"

#include "CellGrid.h"
#include "NameText.h"
#include "NoReplaceRename.h"
#include "SearchPattern.h"

#include <algorithm>

namespace filvane {

std::string composeNewName(const RenameOptions &options, std::string_view oldName,
                           std::string_view readNumber, std::string_view nameNumber,
                           std::string_view typedName) {
    const std::string_view extension =
        options.keepExtension ? extensionOf(oldName) : std::string_view(options.chosenExtension);
    std::string name;
    if (options.numbersOnly) {
        name.reserve(readNumber.size() + extension.size());
        name += readNumber;
    } else {
        name.reserve(nameNumber.size() + 3 + typedName.size() + extension.size());
        if (options.numbering) {
            name += nameNumber;
            name += " - ";
        }
        name += typedName;
    }
    name += extension;
    return name;
}

bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find(PathSeparator) == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

std::vector<RowOutcome> planRows(const RenameInput &input) {
    std::vector<RowOutcome> rows;
    const int rowCount = input.nameList.rowCount();
    if (rowCount > 1)
        rows.reserve(static_cast<size_t>(rowCount - 1));
    for (int row = 1; row < rowCount; ++row) {
        RowOutcome &planned = rows.emplace_back();
        planned.row = row;
        planned.oldName = input.readList.cell(1, row);
        if (planned.oldName.empty())
            continue; // Blank
        planned.newName =
            composeNewName(input.options, planned.oldName, input.readList.cell(0, row),
                           input.nameList.cell(0, row), input.nameList.cell(1, row));
        const bool plain = isPlainFileName(planned.oldName) && isPlainFileName(planned.newName);
        planned.outcome = plain ? RenameOutcome::Pending : RenameOutcome::RefusedName;
    }
    return rows;
}

std::vector<RowOutcome> renameRows(const RenameInput &input, NoReplaceRenamer::Method method,
                                   const RenameProgress &progress) {
    std::vector<RowOutcome> rows = planRows(input);
    const int total = static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const auto &row) {
        return row.outcome == RenameOutcome::Pending;
    }));
    NoReplaceRenamer renamer(input.directory, method);
    int done = 0;
    for (RowOutcome &row : rows) {
        if (row.outcome != RenameOutcome::Pending)
            continue;
        row.error = renamer.rename(row.oldName, row.newName);
        row.outcome = row.error == 0 ? RenameOutcome::Renamed : RenameOutcome::Failed;
        if (progress && !progress(++done, total))
            break;
    }
    return rows;
}

std::string relistPattern(std::string_view directory, std::string_view chosenExtension) {
    if (directory.empty())
        return {};
    std::string pattern(directory);
    pattern += PathSeparator;
    if (chosenExtension.find(PathSeparator) == std::string_view::npos) {
        pattern += '*';
        pattern += chosenExtension;
    }
    return pattern;
}

} // namespace filvane
