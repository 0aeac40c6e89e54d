#include "core/Preflight.h"

#include "core/Drive.h"
#include "core/NameClaims.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <optional>
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

// Which names the folder holds, of those the rows claim: the folder read whole for many rows,
// a look-up each for a few.
class FolderNames {
public:
    FolderNames(const std::string &path, const NameClaims &claims, size_t rows)
        : m_fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (m_fd < 0 || !NameClaims::worthReadingWhole(rows))
            return;
        std::vector<char> present(claims.entryCount(), 0);
        if (claims.visitFolder(m_fd, [&present](int name, const dirent &) {
                present[static_cast<size_t>(name)] = 1;
            }))
            m_present = std::move(present);
    }
    ~FolderNames() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderNames(const FolderNames &) = delete;
    FolderNames &operator=(const FolderNames &) = delete;

    // Whether an entry of the folder bears `name`, the claims' entry `entry`.
    bool has(int entry, std::string_view name) const {
        if (!m_present.empty())
            return m_present[static_cast<size_t>(entry)] != 0;
        struct stat info {};
        return m_fd >= 0 &&
               ::fstatat(m_fd, std::string(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    }

private:
    int m_fd;
    std::vector<char> m_present; // by claims' entry; empty when the folder was not read whole
};

} // namespace

void checkPlan(RenamePlan &renamePlan) {
    const std::vector<RowOutcome> &plan = renamePlan.rows;
    Preflight result;
    result.drive = driveFactsOf(renamePlan.directory);
    const size_t longest = nameMax(renamePlan.directory);
    const NameClaims claims(plan);
    const FolderNames folder(renamePlan.directory, claims, plan.size());
    std::optional<CaseCollisions> caseNames; // on a drive without case, made at the first row
    for (size_t at = 0; at < plan.size(); ++at) {
        const RowOutcome &row = plan[at];
        if (row.outcome == RenameOutcome::Blank)
            continue;
        ++result.fileCount;
        const auto add = [&](PreflightFinding finding, int otherRow = 0) {
            result.rows.push_back({row.row, finding, row.oldName, row.newName, otherRow});
        };
        if (row.outcome == RenameOutcome::RefusedName) {
            add(row.noBaseName ? PreflightFinding::NoBaseName : PreflightFinding::Refused);
            continue;
        }
        if (row.newName == row.oldName)
            continue; // nothing to do for this file
        if (row.newName.size() > longest || tooLongOnDrive(row.newName, result.drive)) {
            add(PreflightFinding::TooLong);
            continue;
        }
        if (std::optional<std::string> refused = refusedOnDrive(row.newName, result.drive)) {
            add(PreflightFinding::NotOnThisDrive);
            result.rows.back().refused = std::move(*refused);
            continue;
        }
        const int wanted = claims.newNameOf(static_cast<int>(at));
        const NameClaims::Entry &name = claims[wanted];
        if (name.claimant != static_cast<int>(at)) {
            add(PreflightFinding::Duplicate, plan[static_cast<size_t>(name.claimant)].row);
            continue;
        }
        // A name the run frees, by moving the file that has it, is not taken.
        const bool freedByTheRun =
            name.holder >= 0 && plan[static_cast<size_t>(name.holder)].newName !=
                                    plan[static_cast<size_t>(name.holder)].oldName;
        if (!freedByTheRun && folder.has(wanted, row.newName)) {
            add(PreflightFinding::Taken);
            continue;
        }
        if (result.drive.caseInsensitive) {
            if (!caseNames) {
                std::vector<std::string_view> moving;
                for (const RowOutcome &other : plan)
                    if (other.outcome != RenameOutcome::Blank && other.newName != other.oldName)
                        moving.push_back(other.oldName);
                caseNames.emplace(renamePlan.directory, moving);
            }
            if (const int upper = caseNames->takenBy(row.newName, row.row)) {
                add(PreflightFinding::Duplicate, upper);
                result.rows.back().otherCase = true;
                continue;
            }
            if (const std::string other = caseNames->stayingAs(row.newName);
                !other.empty() && other != row.oldName) {
                add(PreflightFinding::Taken);
                result.rows.back().otherCase = true;
                continue;
            }
        }
        if (row.unnamed)
            add(PreflightFinding::Unnamed);
    }
    renamePlan.preflight = std::move(result);
}

} // namespace filvane
