#include "core/plan/Preflight.h"

#include "core/base/FileHandle.h"
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
        : m_dir(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (!m_dir.isOpen() || !NameClaims::worthReadingWhole(rows))
            return;
        std::vector<char> present(claims.entryCount(), 0);
        if (claims.visitFolder(m_dir.get(), [&present](int name, const dirent &) {
                present[static_cast<size_t>(name)] = 1;
            }))
            m_present = std::move(present);
    }

    // Whether an entry of the folder bears `name`, the claims' entry `entry`.
    bool has(int entry, std::string_view name) const {
        if (!m_present.empty())
            return m_present[static_cast<size_t>(entry)] != 0;
        struct stat info {};
        return m_dir.isOpen() &&
               ::fstatat(m_dir.get(), std::string(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    }

private:
    FileHandle m_dir;
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

namespace {

size_t ix(int at) {
    return static_cast<size_t>(at);
}

// One look at a plan and its folder, in named steps: rows that lose their name to an upper row
// first, then every moving row in the run's order, then the findings top to bottom.
class PlanCheck {
public:
    explicit PlanCheck(const RenamePlan &plan)
        : m_directory(plan.directory), m_plan(plan.rows), m_result(onDriveOf(plan.directory)),
          m_longest(nameMax(plan.directory)), m_claims(m_plan),
          m_folder(plan.directory, m_claims, m_plan.size()), m_found(m_plan.size()),
          m_stays(m_plan.size(), 0) {}

    Preflight run() {
        findDuplicates();
        walkInRunOrder();
        gather();
        return std::move(m_result);
    }

private:
    static Preflight onDriveOf(const std::string &directory) {
        Preflight result;
        result.drive = driveFactsOf(directory);
        return result;
    }

    void findDuplicates();
    void findDuplicate(int at);
    CaseCollisions &caseCollisions();
    std::optional<OwnFinding> ownFinding(int at);
    int heldBy(int at) const;
    void walkInRunOrder();
    bool rowFails(const Unit &unit, int at);
    void markHeld(int at);
    void failRound(const RunOrder &order, const Unit &unit);
    void gather();

    const std::string &m_directory;
    const std::vector<RowOutcome> &m_plan;
    Preflight m_result;
    const size_t m_longest;
    const NameClaims m_claims;
    const FolderNames m_folder;
    RowFindings m_found;
    // On a drive without case, names that differ in case only are one: read at the first need.
    std::optional<CaseCollisions> m_caseNames;
    // By row: the run leaves the row's file under its old name. Rows that do not move at all
    // are known before the walk; a row that moves stays when its own rename would fail.
    std::vector<char> m_stays;
    // The files of refused rows keep their names; few rows are refused.
    std::unordered_map<std::string_view, int> m_refusedRowOf;
};

void PlanCheck::findDuplicates() {
    const int count = static_cast<int>(m_plan.size());
    for (int at = 0; at < count; ++at) {
        const RowOutcome &row = m_plan[ix(at)];
        if (row.outcome == RenameOutcome::RefusedName) {
            m_found.set(ix(at),
                        row.noBaseName ? PreflightFinding::NoBaseName : PreflightFinding::Refused);
            m_refusedRowOf.emplace(row.oldName, at);
        }
        if (row.outcome == RenameOutcome::Pending)
            findDuplicate(at);
    }
}

// Whether a pending row gets its name at all, or an upper row takes it (in another case too,
// on a drive where that is one name).
void PlanCheck::findDuplicate(int at) {
    const RowOutcome &row = m_plan[ix(at)];
    const NameClaims::Entry &name = m_claims[m_claims.newNameOf(at)];
    m_stays[ix(at)] = name.claimant != at || row.newName == row.oldName ||
                      m_claims[m_claims.oldNameOf(at)].holder != at;
    if (name.claimant != at) {
        m_found.set(ix(at), PreflightFinding::Duplicate, m_plan[ix(name.claimant)].row);
    } else if (m_result.drive.caseInsensitive && row.newName != row.oldName) {
        if (const int upper = caseCollisions().takenBy(row.newName, row.row)) {
            m_found.set(ix(at), PreflightFinding::Duplicate, upper);
            m_found.otherCase[ix(at)] = 1;
            m_stays[ix(at)] = 1;
        }
    }
}

CaseCollisions &PlanCheck::caseCollisions() {
    if (!m_caseNames) {
        std::vector<std::string_view> moving;
        for (const RowOutcome &other : m_plan)
            if (other.outcome != RenameOutcome::Blank && other.newName != other.oldName)
                moving.push_back(other.oldName);
        m_caseNames.emplace(m_directory, moving);
    }
    return *m_caseNames;
}

// What a row's own rename meets, whatever the other rows do; nothing when it would go.
// A file outside the run bearing the name is found in the folder; one of the run's is
// found by the walk. Whatever else the folder alone refuses of a name is asked here,
// once per row, so that the rows behind it are found as well.
std::optional<OwnFinding> PlanCheck::ownFinding(int at) {
    const RowOutcome &row = m_plan[ix(at)];
    if (row.newName.size() > m_longest || tooLongOnDrive(row.newName, m_result.drive))
        return OwnFinding{PreflightFinding::TooLong};
    if (std::optional<std::string> refused = refusedOnDrive(row.newName, m_result.drive))
        return OwnFinding{PreflightFinding::NotOnThisDrive, 0, false, std::move(*refused)};
    const int wanted = m_claims.newNameOf(at);
    if (m_claims[wanted].holder < 0 && !m_refusedRowOf.count(row.newName) &&
        m_folder.has(wanted, row.newName))
        return OwnFinding{PreflightFinding::Taken};
    if (!m_result.drive.caseInsensitive)
        return std::nullopt;
    if (const std::string other = caseCollisions().stayingAs(row.newName);
        !other.empty() && other != row.oldName)
        return OwnFinding{PreflightFinding::Taken, 0, true};
    return std::nullopt;
}

// A row whose new name is the old name of a file that stays cannot move either.
int PlanCheck::heldBy(int at) const {
    const int holder = m_claims[m_claims.newNameOf(at)].holder;
    return holder >= 0 && holder != at && m_stays[ix(holder)] ? holder : -1;
}

// The walk in the run's order: a row comes after the row whose file holds its new name,
// so whether that file stays is known when the row is looked at.
void PlanCheck::walkInRunOrder() {
    const RunOrder order = planOrder(m_plan, m_claims);
    for (const Unit &unit : order.units) {
        if (unit.kind == UnitKind::Lose)
            continue; // a duplicate, found before
        bool roundFails = false;
        for (int i = unit.begin; i < unit.end; ++i)
            roundFails |= rowFails(unit, order.rows[ix(i)]);
        if (unit.kind == UnitKind::Cycle && roundFails)
            failRound(order, unit);
    }
}

// Looks at one row of `unit`; true when its file cannot move, which stops a round it is in.
bool PlanCheck::rowFails(const Unit &unit, int at) {
    const RowOutcome &row = m_plan[ix(at)];
    if (row.newName == row.oldName)
        return false;
    if (m_found.finding[ix(at)] != RowFindings::None)
        return true; // a name this drive takes as an upper row's
    if (std::optional<OwnFinding> own = ownFinding(at)) {
        m_found.set(ix(at), own->finding, own->otherRow);
        m_found.otherCase[ix(at)] = own->otherCase;
        if (!own->refused.empty())
            m_found.refused[ix(at)] = std::move(own->refused);
        m_stays[ix(at)] = 1;
        return true;
    }
    if (unit.kind == UnitKind::Rename)
        markHeld(at);
    return false;
}

// A single rename into the name of a file that stays, of the run or of a refused row, stays.
void PlanCheck::markHeld(int at) {
    int holder = heldBy(at);
    if (holder < 0) {
        const auto refused = m_refusedRowOf.find(m_plan[ix(at)].newName);
        if (refused == m_refusedRowOf.end())
            return;
        holder = refused->second;
    }
    m_found.set(ix(at), PreflightFinding::Held, m_plan[ix(holder)].row);
    m_stays[ix(at)] = 1;
}

// A round turns whole or not at all: when one of its files cannot move, none does.
void PlanCheck::failRound(const RunOrder &order, const Unit &unit) {
    for (int i = unit.begin; i < unit.end; ++i)
        m_stays[ix(order.rows[ix(i)])] = 1;
    for (int i = unit.begin; i < unit.end; ++i) {
        const int at = order.rows[ix(i)];
        const int holder = heldBy(at); // the next file of the round
        if (m_found.finding[ix(at)] == RowFindings::None && holder >= 0)
            m_found.set(ix(at), PreflightFinding::Held, m_plan[ix(holder)].row);
    }
}

// The findings top to bottom, with the rows that were left without a name.
void PlanCheck::gather() {
    for (size_t at = 0; at < m_plan.size(); ++at) {
        const RowOutcome &row = m_plan[at];
        if (row.outcome == RenameOutcome::Blank)
            continue;
        ++m_result.fileCount;
        int finding = m_found.finding[at];
        if (finding == RowFindings::None && row.unnamed && row.newName != row.oldName)
            finding = static_cast<int>(PreflightFinding::Unnamed);
        if (finding == RowFindings::None)
            continue;
        PreflightRow &added = m_result.rows.emplace_back(
            PreflightRow{row.row, static_cast<PreflightFinding>(finding), row.oldName, row.newName,
                         m_found.otherRow[at]});
        added.otherCase = m_found.otherCase[at] != 0;
        if (const auto refused = m_found.refused.find(at); refused != m_found.refused.end())
            added.refused = std::move(refused->second);
    }
}

} // namespace

void checkPlan(RenamePlan &renamePlan) {
    renamePlan.preflight = PlanCheck(renamePlan).run();
}

} // namespace filvane
