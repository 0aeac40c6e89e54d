#include "core/plan/Preflight.h"

#include "core/drive/Drive.h"
#include "core/plan/NameClaims.h"
#include "core/plan/RunOrder.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

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

namespace {

// The findings of one check, by row index, gathered in the run's order of moves and read out
// top to bottom.
struct RowFindings {
    explicit RowFindings(size_t rows)
        : finding(rows, None), otherRow(rows, 0), otherCase(rows, 0) {}
    static constexpr int None = -1;
    std::vector<int> finding; // a PreflightFinding, or None
    std::vector<int> otherRow;
    std::vector<char> otherCase;
    std::unordered_map<size_t, std::string> refused; // NotOnThisDrive: what the drive refuses
    void set(size_t at, PreflightFinding found, int other = 0) {
        finding[at] = static_cast<int>(found);
        otherRow[at] = other;
    }
};

// What a row's own rename meets, whatever the other rows do.
struct OwnFinding {
    PreflightFinding finding;
    int otherRow = 0;
    bool otherCase = false;
    std::string refused{};
};

} // namespace

void checkPlan(RenamePlan &renamePlan) {
    const std::vector<RowOutcome> &plan = renamePlan.rows;
    Preflight result;
    result.drive = driveFactsOf(renamePlan.directory);
    const size_t longest = nameMax(renamePlan.directory);
    const NameClaims claims(plan);
    const FolderNames folder(renamePlan.directory, claims, plan.size());
    RowFindings found(plan.size());
    // On a drive without case, names that differ in case only are one: read at the first need.
    std::optional<CaseCollisions> caseNames;
    const auto caseCollisions = [&]() -> CaseCollisions & {
        if (!caseNames) {
            std::vector<std::string_view> moving;
            for (const RowOutcome &other : plan)
                if (other.outcome != RenameOutcome::Blank && other.newName != other.oldName)
                    moving.push_back(other.oldName);
            caseNames.emplace(renamePlan.directory, moving);
        }
        return *caseNames;
    };
    // By row: the run leaves the row's file under its old name. Rows that do not move at all
    // are known before the walk; a row that moves stays when its own rename would fail.
    std::vector<char> stays(plan.size(), 0);
    // The files of refused rows keep their names; few rows are refused.
    std::unordered_map<std::string_view, int> refusedRowOf;
    const int count = static_cast<int>(plan.size());
    for (int at = 0; at < count; ++at) {
        const RowOutcome &row = plan[static_cast<size_t>(at)];
        if (row.outcome == RenameOutcome::RefusedName) {
            found.set(static_cast<size_t>(at),
                      row.noBaseName ? PreflightFinding::NoBaseName : PreflightFinding::Refused);
            refusedRowOf.emplace(row.oldName, at);
        }
        if (row.outcome != RenameOutcome::Pending)
            continue;
        const NameClaims::Entry &name = claims[claims.newNameOf(at)];
        stays[static_cast<size_t>(at)] = name.claimant != at || row.newName == row.oldName ||
                                         claims[claims.oldNameOf(at)].holder != at;
        if (name.claimant != at) {
            found.set(static_cast<size_t>(at), PreflightFinding::Duplicate,
                      plan[static_cast<size_t>(name.claimant)].row);
        } else if (result.drive.caseInsensitive && row.newName != row.oldName) {
            // An upper row's name in another case: one name on this drive, and the upper wins.
            if (const int upper = caseCollisions().takenBy(row.newName, row.row)) {
                found.set(static_cast<size_t>(at), PreflightFinding::Duplicate, upper);
                found.otherCase[static_cast<size_t>(at)] = 1;
                stays[static_cast<size_t>(at)] = 1;
            }
        }
    }

    // What a row's own rename meets, whatever the other rows do; nothing when it would go.
    // A file outside the run bearing the name is found in the folder; one of the run's is
    // found by the walk below. Whatever else the folder alone refuses of a name is asked here,
    // once per row, so that the rows behind it are found as well.
    const auto ownFinding = [&](int at) -> std::optional<OwnFinding> {
        const RowOutcome &row = plan[static_cast<size_t>(at)];
        if (row.newName.size() > longest || tooLongOnDrive(row.newName, result.drive))
            return OwnFinding{PreflightFinding::TooLong};
        if (std::optional<std::string> refused = refusedOnDrive(row.newName, result.drive))
            return OwnFinding{PreflightFinding::NotOnThisDrive, 0, false, std::move(*refused)};
        const int wanted = claims.newNameOf(at);
        if (claims[wanted].holder < 0 && !refusedRowOf.count(row.newName) &&
            folder.has(wanted, row.newName))
            return OwnFinding{PreflightFinding::Taken};
        if (!result.drive.caseInsensitive)
            return std::nullopt;
        if (const std::string other = caseCollisions().stayingAs(row.newName);
            !other.empty() && other != row.oldName)
            return OwnFinding{PreflightFinding::Taken, 0, true};
        return std::nullopt;
    };
    // A row whose new name is the old name of a file that stays cannot move either.
    const auto heldBy = [&](int at) {
        const int holder = claims[claims.newNameOf(at)].holder;
        return holder >= 0 && holder != at && stays[static_cast<size_t>(holder)] ? holder : -1;
    };

    // The walk in the run's order: a row comes after the row whose file holds its new name,
    // so whether that file stays is known when the row is looked at.
    const RunOrder order = planOrder(plan, claims);
    for (const Unit &unit : order.units) {
        if (unit.kind == UnitKind::Lose)
            continue; // a duplicate, found above
        bool roundFails = false;
        for (int i = unit.begin; i < unit.end; ++i) {
            const int at = order.rows[static_cast<size_t>(i)];
            const RowOutcome &row = plan[static_cast<size_t>(at)];
            if (row.newName == row.oldName)
                continue;
            if (found.finding[static_cast<size_t>(at)] != RowFindings::None) {
                roundFails = true; // a name this drive takes as an upper row's
                continue;
            }
            if (std::optional<OwnFinding> own = ownFinding(at)) {
                found.set(static_cast<size_t>(at), own->finding, own->otherRow);
                found.otherCase[static_cast<size_t>(at)] = own->otherCase;
                if (!own->refused.empty())
                    found.refused[static_cast<size_t>(at)] = std::move(own->refused);
                stays[static_cast<size_t>(at)] = 1;
                roundFails = true;
            } else if (unit.kind == UnitKind::Rename) {
                if (const int holder = heldBy(at); holder >= 0) {
                    found.set(static_cast<size_t>(at), PreflightFinding::Held,
                              plan[static_cast<size_t>(holder)].row);
                    stays[static_cast<size_t>(at)] = 1;
                } else if (const auto refused = refusedRowOf.find(row.newName);
                           refused != refusedRowOf.end()) {
                    const int holder = refused->second;
                    found.set(static_cast<size_t>(at), PreflightFinding::Held,
                              plan[static_cast<size_t>(holder)].row);
                    stays[static_cast<size_t>(at)] = 1;
                }
            }
        }
        // A round turns whole or not at all: when one of its files cannot move, none does.
        if (unit.kind == UnitKind::Cycle && roundFails) {
            for (int i = unit.begin; i < unit.end; ++i)
                stays[static_cast<size_t>(order.rows[static_cast<size_t>(i)])] = 1;
            for (int i = unit.begin; i < unit.end; ++i) {
                const int at = order.rows[static_cast<size_t>(i)];
                const int holder = heldBy(at); // the next file of the round
                if (found.finding[static_cast<size_t>(at)] == RowFindings::None && holder >= 0)
                    found.set(static_cast<size_t>(at), PreflightFinding::Held,
                              plan[static_cast<size_t>(holder)].row);
            }
        }
    }

    for (size_t at = 0; at < plan.size(); ++at) {
        const RowOutcome &row = plan[at];
        if (row.outcome == RenameOutcome::Blank)
            continue;
        ++result.fileCount;
        int finding = found.finding[at];
        if (finding == RowFindings::None && row.unnamed && row.newName != row.oldName)
            finding = static_cast<int>(PreflightFinding::Unnamed);
        if (finding == RowFindings::None)
            continue;
        PreflightRow &added =
            result.rows.emplace_back(PreflightRow{row.row, static_cast<PreflightFinding>(finding),
                                                  row.oldName, row.newName, found.otherRow[at]});
        added.otherCase = found.otherCase[at] != 0;
        if (const auto refused = found.refused.find(at); refused != found.refused.end())
            added.refused = std::move(refused->second);
    }
    renamePlan.preflight = std::move(result);
}

} // namespace filvane
