#include "core/Preflight.h"

#include "core/CellGrid.h"
#include "core/NameClaims.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

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

    // Who gets which name, decided as the run decides it.
    const NameClaims claims(plan);
    for (size_t at = 0; at < plan.size(); ++at) {
        const RowOutcome &row = plan[at];
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
        const NameClaims::Entry &name = claims[claims.newNameOf(static_cast<int>(at))];
        if (name.claimant != static_cast<int>(at)) {
            add(PreflightFinding::Duplicate, plan[static_cast<size_t>(name.claimant)].row);
            continue;
        }
        // A name the run frees, by moving the file that has it, is not taken.
        const bool freedByTheRun =
            name.holder >= 0 && plan[static_cast<size_t>(name.holder)].newName !=
                                    plan[static_cast<size_t>(name.holder)].oldName;
        if (!freedByTheRun && folder.has(row.newName)) {
            add(PreflightFinding::Taken);
            continue;
        }
        if (!input.options.numbersOnly && input.nameList.name(row.row).empty())
            add(PreflightFinding::Unnamed);
    }
    return result;
}

} // namespace filvane
