#include "core/Rename.h"

#include "core/NameClaims.h"
#include "core/NameText.h"
#include "core/NoReplaceRename.h"
#include "core/RunJournal.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace filvane {

namespace {

// What the run does with one unit of its order.
enum class UnitKind {
    Rename, // one row, one no-replace rename
    Lose,   // one row whose new name an upper row (or a file keeping it) composes
    Cycle,  // rows whose names go round: each row's new name is the old name of the next, the
            // last's that of the first; they turn together or not at all
};

struct Unit {
    UnitKind kind;
    int begin; // into RunOrder::rows
    int end;
};

struct RunOrder {
    std::vector<int> rows; // indices of pending rows, in the order they are renamed
    std::vector<Unit> units;

    void add(UnitKind kind, int row) {
        const int begin = static_cast<int>(rows.size());
        rows.push_back(row);
        units.push_back({kind, begin, begin + 1});
    }
};

// Orders the pending rows so that a row whose new name is the old name of another row that
// moves comes after it. Each name is wanted by at most one row that moves and held by at most
// one, so the rows that move form chains and cycles: a chain is done from its end back to its
// start, a cycle as one unit. Everything else keeps the order of the list. Linear in the rows.
// `names` are the claims of `rows`.
RunOrder planOrder(const std::vector<RowOutcome> &rows, const NameClaims &names) {
    const int count = static_cast<int>(rows.size());
    const auto pending = [&](int row) { return rows[row].outcome == RenameOutcome::Pending; };
    const auto oldAt = [&](int row) { return names.oldNameOf(row); };
    const auto newAt = [&](int row) { return names.newNameOf(row); };

    // A row moves when it gets its name, is not there already and is the one row of its file.
    std::vector<char> moves(rows.size(), 0);
    for (int row = 0; row < count; ++row)
        moves[row] = pending(row) && names[newAt(row)].claimant == row &&
                     newAt(row) != oldAt(row) && names[oldAt(row)].holder == row;
    // The row that must go before: the mover holding this row's new name, or -1.
    std::vector<int> next(rows.size(), -1);
    for (int row = 0; row < count; ++row) {
        const int holder = moves[row] ? names[newAt(row)].holder : -1;
        if (holder >= 0 && moves[holder])
            next[row] = holder;
    }

    RunOrder order;
    order.rows.reserve(rows.size());
    order.units.reserve(rows.size()); // room that is never used costs nothing: it is not touched
    enum : char { Unseen, OnPath, Placed };
    std::vector<char> state(rows.size(), Unseen);
    std::vector<int> path;
    for (int row = 0; row < count; ++row) {
        if (!pending(row) || state[row] == Placed)
            continue;
        if (!moves[row]) {
            const bool loses = names[newAt(row)].claimant != row;
            order.add(loses ? UnitKind::Lose : UnitKind::Rename, row);
            state[row] = Placed;
            continue;
        }
        path.clear();
        int at = row;
        for (; at >= 0 && state[at] == Unseen; at = next[at]) {
            state[at] = OnPath;
            path.push_back(at);
        }
        size_t chainEnd = path.size();
        if (at >= 0 && state[at] == OnPath) {
            // Back on this path: from `at` on it is a cycle. Only a row nothing points to can
            // start a path into a cycle, and none does, so in practice the cycle is the path.
            chainEnd = static_cast<size_t>(std::find(path.begin(), path.end(), at) - path.begin());
            const int begin = static_cast<int>(order.rows.size());
            order.rows.insert(order.rows.end(), path.begin() + chainEnd, path.end());
            order.units.push_back({UnitKind::Cycle, begin, static_cast<int>(order.rows.size())});
        }
        for (size_t i = chainEnd; i-- > 0;)
            order.add(UnitKind::Rename, path[i]);
        for (int placed : path)
            state[placed] = Placed;
    }
    return order;
}

// Turns one round of names: names[i] is the old name of file i and the new name of file i - 1
// (file k - 1 gets names[0]). Where each file is, is followed through every call, so that
// however the round ends, each row's outcome says what is on the disk. `moved` hears how many
// files of the round are at their new names, as that grows.
class Round {
public:
    Round(NoReplaceRenamer &renamer, const std::vector<RowOutcome> &rows,
          const std::vector<int> &cycle, const std::function<void(int)> &moved)
        : m_renamer(renamer), m_k(static_cast<int>(cycle.size())), m_moved(moved) {
        m_names.reserve(cycle.size() + 1);
        for (int row : cycle)
            m_names.push_back(rows[row].oldName);
        m_names.emplace_back(); // the temporary name (m_temporaryName), once there is one
        m_holder.resize(m_names.size(), -1);
        m_at.resize(cycle.size());
        m_error.assign(cycle.size(), 0);
        for (int i = 0; i < m_k; ++i)
            m_holder[i] = m_at[i] = i;
    }

    void turn() {
        if (m_renamer.exchangeRefused() || !exchangeRound())
            temporaryNameRound();
    }

    // The outcome of file i's row; a name it is left under is kept in `names`.
    void report(int file, RowOutcome &row, NameStore &names) const {
        const int at = m_at[file];
        row.nameNow = {};
        if (at == target(file)) {
            row.outcome = RenameOutcome::Renamed;
            row.error = 0;
            return;
        }
        row.outcome = RenameOutcome::Failed;
        // Without an error of its own, a file could not move because the one holding its new
        // name did not.
        row.error = at < 0 ? ENOENT : m_error[file] ? m_error[file] : EEXIST;
        if (at >= 0 && at != file)
            row.nameNow = names.add(m_names[at]);
    }

private:
    int aside() const { return m_k; }
    int target(int file) const { return (file + 1) % m_k; }

    void place(int file, int name) {
        if (m_at[file] >= 0)
            m_holder[m_at[file]] = -1;
        m_at[file] = name;
        if (name >= 0)
            m_holder[name] = file;
    }

    int exchange(int a, int b, bool back) {
        const int error = back ? m_renamer.exchangeBack(m_names[a], m_names[b])
                               : m_renamer.exchange(m_names[a], m_names[b]);
        if (error == 0) {
            const int fileA = m_holder[a], fileB = m_holder[b];
            m_holder[a] = fileB;
            m_holder[b] = fileA;
            m_at[fileA] = b;
            m_at[fileB] = a;
        }
        return error;
    }

    int move(int from, int to) {
        const int file = m_holder[from];
        const int error = m_renamer.rename(m_names[from], m_names[to]);
        if (error == 0)
            place(file, to);
        else if (error != ENOENT)
            m_error[file] = error;
        return error;
    }

    // Marks as gone the file under a name of the round that no longer is there.
    bool findGone(int name) {
        struct stat st;
        if (m_holder[name] < 0 || m_renamer.status(m_names[name], st) != ENOENT)
            return false;
        const int file = m_holder[name];
        place(file, -1);
        m_error[file] = ENOENT;
        return true;
    }

    // Exchanging the first name with each other name in turn moves one file to its new name
    // each time: k - 1 exchanges for k files. False when the round is to be done again through
    // a temporary name.
    bool exchangeRound() {
        for (int j = 1; j < m_k; ++j) {
            const int error = exchange(0, j, false);
            if (error == 0) {
                m_moved(j);
                continue;
            }
            if (error == ENOENT) {
                const bool first = findGone(0), other = findGone(j);
                if (first || other) {
                    settleForward();
                    return true;
                }
            }
            m_error[m_holder[j]] = error;
            bool restored = true;
            for (int back = j - 1; back >= 1 && restored; --back)
                restored = exchange(0, back, true) == 0;
            if (restored && (error == NoReplaceRenamer::ExchangeRefused || error == EINVAL)) {
                m_error.assign(m_error.size(), 0);
                return false;
            }
            return true;
        }
        return true;
    }

    // Without an exchange: the first file steps aside to a name nobody has, the others each move
    // into the name just freed, last to second, and the first file takes its new name last.
    // A file found gone leaves its name free, so the rest goes on as a chain.
    void temporaryNameRound() {
        std::string &chosen = m_temporaryName;
        if (const int error = m_renamer.renameToUnusedName(m_names[0], chosen)) {
            if (error == ENOENT && findGone(0))
                settleForward();
            else
                m_error[0] = error;
            return;
        }
        m_names[aside()] = chosen;
        place(0, aside());
        int done = 0;
        for (int i = m_k - 1; i >= 1; --i) {
            const int error = move(i, target(i));
            if (error == 0) {
                m_moved(++done);
            } else if (!(error == ENOENT && findGone(i))) {
                takeBack(i + 1);
                return;
            }
        }
        if (move(aside(), 1) != 0)
            takeBack(1);
        else
            m_moved(++done);
    }

    // Moves the files of names from..k-1 back, then the first file from its temporary name;
    // that file, at least, never keeps the temporary name while one of its names is free.
    void takeBack(int from) {
        bool restored = true;
        for (int i = from; i < m_k && restored; ++i)
            restored = m_at[i] != target(i) || move(target(i), i) == 0;
        if (m_at[0] == aside() && move(aside(), 0) != 0)
            move(aside(), 1);
    }

    // A file of the round has gone, so its name is free: each file whose new name is free takes
    // it, which frees the name it had for the next.
    void settleForward() {
        for (int name = 0; name < m_k; ++name) {
            int free = name;
            while (free != aside() && m_holder[free] < 0) {
                const int file = (free + m_k - 1) % m_k;
                const int from = m_at[file];
                if (from < 0 || from == free || move(from, free) != 0)
                    break;
                free = from;
            }
        }
    }

    NoReplaceRenamer &m_renamer;
    const int m_k;
    const std::function<void(int)> &m_moved;
    std::vector<std::string_view> m_names; // the round's names, then the temporary one
    std::string m_temporaryName;
    std::vector<int> m_holder; // by name: the file under it, or -1
    std::vector<int> m_at;     // by file: the name it is under, or -1 when gone
    std::vector<int> m_error;  // by file: the error of its own failed step
};

int countPending(const std::vector<RowOutcome> &rows) {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const auto &row) {
        return row.outcome == RenameOutcome::Pending;
    }));
}

void renameOne(NoReplaceRenamer &renamer, RowOutcome &row) {
    row.error = renamer.rename(row.oldName, row.newName);
    row.outcome = row.error == 0 ? RenameOutcome::Renamed : RenameOutcome::Failed;
}

void failRow(RowOutcome &row, int error) {
    row.outcome = RenameOutcome::Failed;
    row.error = error;
}

// The files of the rows `stepRows`, as the directory holds them now, by row: one pass over the
// directory for many rows, a look-up each for a few. The pass finds a row through the plan's
// table of names, so it adds no index of its own.
std::vector<ListedFile> findFiles(NoReplaceRenamer &renamer, const std::vector<RowOutcome> &rows,
                                  const NameClaims &names, const std::vector<int> &stepRows) {
    std::vector<ListedFile> found(rows.size());
    const auto lookUp = [&](int row) {
        struct stat st;
        if (renamer.status(rows[row].oldName, st) == 0)
            found[row] = {static_cast<std::uint64_t>(st.st_ino), S_ISDIR(st.st_mode)};
    };
    const bool readWhole =
        NameClaims::worthReadingWhole(stepRows.size()) &&
        names.visitFolder(renamer.directoryFd(), [&](int name, const dirent &entry) {
            const int row = names[name].holder;
            if (row < 0)
                return;
            if (entry.d_type == DT_UNKNOWN)
                lookUp(row);
            else
                found[row] = {static_cast<std::uint64_t>(entry.d_ino), entry.d_type == DT_DIR};
        });
    if (!readWhole) {
        found.assign(rows.size(), {}); // a pass cut off may have found some: look all up
        for (int row : stepRows)
            lookUp(row);
    }
    return found;
}

// Settles before the first rename what only the directory can tell: rows whose file has become
// a directory fail (and with them a round they are in), and the journal gets the plan
// (`journalled` says whether it did: a run that moves nothing leaves no journal).
int prepareRun(NoReplaceRenamer &renamer, const RenamePlan &plan, std::vector<RowOutcome> &rows,
               const RunOrder &order, const NameClaims &names, RunJournal *journal,
               bool &journalled, std::vector<int> &stepRows) {
    std::vector<int> round;
    stepRows.reserve(order.rows.size());
    round.reserve(order.rows.size());
    int rounds = 0;
    for (const Unit &unit : order.units) {
        rounds += unit.kind == UnitKind::Cycle;
        for (int at = unit.begin; at < unit.end && unit.kind != UnitKind::Lose; ++at) {
            const RowOutcome &row = rows[order.rows[at]];
            if (row.oldName == row.newName)
                continue;
            stepRows.push_back(order.rows[at]);
            round.push_back(unit.kind == UnitKind::Cycle ? rounds : 0);
        }
    }
    const bool listed = plan.files.size() >= rows.size();
    std::vector<ListedFile> scanned;
    if (!listed)
        scanned = findFiles(renamer, rows, names, stepRows);
    const std::vector<ListedFile> &found = listed ? plan.files : scanned;
    for (int row : stepRows)
        if (found[row].directory)
            failRow(rows[row], EISDIR);
    if (!journal || stepRows.empty())
        return 0; // nothing will move: nothing to take back
    journalled = true;
    return journal->begin(
        plan.directory, renamer.identity().value_or(DirectoryIdentity{}), stepRows.size(),
        [&](size_t i) {
            const RowOutcome &row = rows[stepRows[i]];
            return JournalStep{found[stepRows[i]].inode, row.oldName, row.newName, round[i]};
        });
}

} // namespace

int RenameResult::renamedCount() const {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const RowOutcome &row) {
        return row.outcome == RenameOutcome::Renamed;
    }));
}

namespace {

// The run, its rows' old names still views into whatever the plan's point into.
RenameResult runOrdered(RenamePlan &plan, const RunSettings &settings) {
    RenameResult run;
    run.rows = std::move(plan.rows);
    run.names = std::move(plan.names);
    std::vector<RowOutcome> &rows = run.rows;
    const int total = countPending(rows);
    const NameClaims names(rows);
    const RunOrder order = planOrder(rows, names);
    NoReplaceRenamer renamer(plan.directory, settings.method, settings.calls);
    bool journalled = false;
    std::vector<int> stepRows; // the rows the journal has as its steps
    if (renamer.openError() == 0) {
        if (plan.folder && renamer.identity() != plan.folder) {
            run.refusal = RunRefusal::FolderChanged;
            return run;
        }
        if (const int error = prepareRun(renamer, plan, rows, order, names, settings.journal,
                                         journalled, stepRows)) {
            run.refusal = error == RunJournal::FolderInUse      ? RunRefusal::FolderInUse
                          : error == RunJournal::CutOffRunWaits ? RunRefusal::CutOffRunWaits
                                                                : RunRefusal::JournalNotWritten;
            run.error = run.refusal == RunRefusal::JournalNotWritten ? error : 0;
            run.holder = settings.journal ? settings.journal->folderHolder() : 0;
            for (RowOutcome &row : rows)
                if (row.outcome == RenameOutcome::Failed)
                    row.outcome = RenameOutcome::Pending;
            return run;
        }
    }
    int done = 0;
    bool stopping = false;
    const auto report = [&](int doneNow) {
        if (settings.progress && !settings.progress(doneNow, total))
            stopping = true;
    };
    std::vector<int> cycle;
    for (const Unit &unit : order.units) {
        switch (unit.kind) {
        case UnitKind::Rename: {
            RowOutcome &row = rows[order.rows[unit.begin]];
            if (row.outcome == RenameOutcome::Pending)
                renameOne(renamer, row);
            break;
        }
        case UnitKind::Lose:
            // Never tried, so the lower row keeps its name even when the upper one fails.
            failRow(rows[order.rows[unit.begin]],
                    renamer.openError() ? renamer.openError() : EEXIST);
            break;
        case UnitKind::Cycle: {
            cycle.assign(order.rows.begin() + unit.begin, order.rows.begin() + unit.end);
            const bool blocked = std::any_of(cycle.begin(), cycle.end(), [&](int row) {
                return rows[row].outcome != RenameOutcome::Pending;
            });
            if (renamer.openError() || blocked) {
                // A file of the round became a directory: none of the others can move.
                for (int row : cycle)
                    if (rows[row].outcome == RenameOutcome::Pending)
                        failRow(rows[row], renamer.openError() ? renamer.openError() : EEXIST);
                break;
            }
            // Files of the round at their new names so far.
            const std::function<void(int)> moved = [&](int count) {
                if (count % RoundProgressStep == 0)
                    report(done + count);
            };
            Round round(renamer, rows, cycle, moved);
            round.turn();
            for (size_t file = 0; file < cycle.size(); ++file)
                round.report(static_cast<int>(file), rows[cycle[file]], run.names);
            break;
        }
        }
        done += unit.end - unit.begin;
        report(done);
        if (stopping)
            break;
    }
    if (journalled) {
        // The journal counts its steps: a row whose file kept its name is none.
        const int renamedSteps =
            static_cast<int>(std::count_if(stepRows.begin(), stepRows.end(), [&](int row) {
                return rows[row].outcome == RenameOutcome::Renamed;
            }));
        run.finishError = settings.journal->finish(renamedSteps);
    }
    return run;
}

} // namespace

RenameResult runPlan(RenamePlan plan, const RunSettings &settings) {
    // The old names join the result only once the run's own tables are gone, so that with
    // many files they never take room beside them.
    RenameResult run = runOrdered(plan, settings);
    for (RowOutcome &row : run.rows)
        row.oldName = run.names.add(row.oldName);
    return run;
}

RowsWithNames renameRows(RenamePlan plan, NoReplaceRenamer::Method method,
                         const RenameProgress &progress) {
    RenameResult run = runPlan(std::move(plan), {method, progress, nullptr, nullptr});
    return {std::move(run.rows), std::move(run.names)};
}

RowsWithNames renameRowsInListOrder(RenamePlan plan, NoReplaceRenamer::Method method,
                                    const RenameProgress &progress) {
    RowsWithNames result{std::move(plan.rows), std::move(plan.names)};
    std::vector<RowOutcome> &rows = result.rows;
    const int total = countPending(rows);
    NoReplaceRenamer renamer(plan.directory, method);
    int done = 0;
    for (RowOutcome &row : rows) {
        if (row.outcome != RenameOutcome::Pending)
            continue;
        renameOne(renamer, row);
        if (progress && !progress(++done, total))
            break;
    }
    for (RowOutcome &row : rows)
        row.oldName = result.names.add(row.oldName);
    return result;
}

} // namespace filvane
