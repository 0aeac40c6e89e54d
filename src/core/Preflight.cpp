#include "core/Preflight.h"

#include "core/CellGrid.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace filvane {

namespace {

// The longest name the folder's file system takes, in bytes.
size_t nameMax(const std::string &directory) {
    const long max = ::pathconf(directory.c_str(), _PC_NAME_MAX);
    return max > 0 ? static_cast<size_t>(max) : NAME_MAX;
}

// Owns the folder's descriptor while the plan is looked at.
class FolderHandle {
public:
    explicit FolderHandle(const std::string &path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    ~FolderHandle() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderHandle(const FolderHandle &) = delete;
    FolderHandle &operator=(const FolderHandle &) = delete;

    bool has(std::string_view name) const {
        struct stat info {};
        return m_fd >= 0 &&
               ::fstatat(m_fd, std::string(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    }

private:
    int m_fd;
};

} // namespace

int Preflight::count(PreflightFinding finding) const {
    return static_cast<int>(std::count_if(
        rows.begin(), rows.end(), [finding](const auto &row) { return row.finding == finding; }));
}

Preflight checkPlan(const RenameInput &input, const std::vector<RowOutcome> &plan) {
    Preflight result;
    const size_t longest = nameMax(input.directory);
    const FolderHandle folder(input.directory);

    // Names the run itself frees: those of the files it renames.
    std::unordered_set<std::string_view> runNames;
    for (const RowOutcome &row : plan)
        if (row.outcome == RenameOutcome::Pending && row.newName != row.oldName)
            runNames.insert(row.oldName);

    // New name -> the row that gets it: a file already bearing its new name keeps it, else
    // the upper row wins.
    std::unordered_map<std::string_view, int> claimedBy;
    for (const RowOutcome &row : plan)
        if (row.outcome == RenameOutcome::Pending && row.newName == row.oldName)
            claimedBy.emplace(row.newName, row.row);
    for (const RowOutcome &row : plan) {
        if (row.outcome == RenameOutcome::Blank)
            continue;
        ++result.fileCount;
        const auto add = [&](PreflightFinding finding, int otherRow = 0) {
            result.rows.push_back(
                {row.row, finding, std::string(row.oldName), std::string(row.newName), otherRow});
        };
        if (row.outcome == RenameOutcome::RefusedName) {
            add(PreflightFinding::Refused);
            continue;
        }
        if (row.newName == row.oldName)
            continue; // nothing to do for this file
        if (row.newName.size() > longest) {
            add(PreflightFinding::TooLong);
            continue;
        }
        const auto [claim, first] = claimedBy.emplace(row.newName, row.row);
        if (!first && claim->second != row.row) {
            add(PreflightFinding::Duplicate, claim->second);
            continue;
        }
        if (!runNames.count(row.newName) && folder.has(row.newName)) {
            add(PreflightFinding::Taken);
            continue;
        }
        if (!input.options.numbersOnly && input.nameList.cell(1, row.row).empty())
            add(PreflightFinding::Unnamed);
    }
    return result;
}

} // namespace filvane
