#include "core/run/Rename.h"

#include "core/drive/NoReplaceRename.h"
#include "core/journal/RunJournal.h"
#include "core/names/NameText.h"
#include "core/plan/NameClaims.h"
#include "core/plan/RunOrder.h"

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
            if (error == EAGAIN)
                m_error[m_holder[0]] = error; // a stranger in the swap: both are in doubt
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

// `inode`: the file as listed, 0 when not known. A file the drive left under a private name
// (every way back refused) is named in the row, so that the report can say where it is.
void renameOne(NoReplaceRenamer &renamer, RowOutcome &row, NameStore *names = nullptr,
               std::uint64_t inode = 0) {
    row.error = renamer.rename(row.oldName, row.newName, inode);
    row.outcome = row.error == 0 ? RenameOutcome::Renamed : RenameOutcome::Failed;
    if (row.error != 0 && names && !renamer.leftUnder().empty())
        row.nameNow = names->add(renamer.leftUnder());
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
    // Where a listing's numbers are not the files' own (FUSE), each file is looked up.
    const bool readWhole =
        renamer.drive().stableInodes && NameClaims::worthReadingWhole(stepRows.size()) &&
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

// What a run settles before its first rename, for the renames and the journal.
struct RunSteps {
    std::vector<int> rows;   // the rows the journal has as its steps, in the run's order
    std::vector<int> rounds; // by step: the round it is in, 1, 2 ...; 0 for none
    // By row: the file as found (0 where not looked up), for the check at its rename.
    std::vector<std::uint64_t> inodes;
    bool journalled = false; // a run that moves nothing leaves no journal
};

// The rows that move, in the run's order, with the round each is in.
void collectSteps(const std::vector<RowOutcome> &rows, const RunOrder &order, RunSteps &steps) {
    steps.rows.reserve(order.rows.size());
    steps.rounds.reserve(order.rows.size());
    int rounds = 0;
    for (const Unit &unit : order.units) {
        rounds += unit.kind == UnitKind::Cycle;
        for (int at = unit.begin; at < unit.end && unit.kind != UnitKind::Lose; ++at) {
            const RowOutcome &row = rows[order.rows[at]];
            if (row.oldName == row.newName)
                continue;
            steps.rows.push_back(order.rows[at]);
            steps.rounds.push_back(unit.kind == UnitKind::Cycle ? rounds : 0);
        }
    }
}

// Each step's file as found; a row whose file has become a directory fails.
void noteFiles(std::vector<RowOutcome> &rows, const std::vector<ListedFile> &found,
               RunSteps &steps) {
    steps.inodes.assign(rows.size(), 0);
    for (int row : steps.rows) {
        steps.inodes[row] = found[row].inode;
        if (found[row].directory)
            failRow(rows[row], EISDIR);
    }
}

int beginJournal(RunJournal &journal, const NoReplaceRenamer &renamer, const std::string &directory,
                 const std::vector<RowOutcome> &rows, const std::vector<ListedFile> &found,
                 const RunSteps &steps) {
    journal.setWay(renamer.wayName());
    return journal.begin(
        directory, renamer.identity().value_or(DirectoryIdentity{}), steps.rows.size(),
        [&](size_t i) {
            const int at = steps.rows[i];
            const RowOutcome &row = rows[at];
            return JournalStep{found[at].inode, row.oldName, row.newName, steps.rounds[i]};
        });
}

// Settles before the first rename what only the directory can tell: rows whose file has become
// a directory fail (and with them a round they are in), and the journal gets the plan.
int prepareRun(NoReplaceRenamer &renamer, const RenamePlan &plan, std::vector<RowOutcome> &rows,
               const RunOrder &order, const NameClaims &names, RunJournal *journal,
               RunSteps &steps) {
    collectSteps(rows, order, steps);
    const bool listed = plan.files.size() >= rows.size() && renamer.drive().stableInodes;
    std::vector<ListedFile> scanned;
    if (!listed)
        scanned = findFiles(renamer, rows, names, steps.rows);
    const std::vector<ListedFile> &found = listed ? plan.files : scanned;
    noteFiles(rows, found, steps);
    if (renamer.way() == RenameWay::None) {
        // Any rename here could replace a file: none is tried.
        for (int row : steps.rows)
            if (rows[row].outcome == RenameOutcome::Pending)
                failRow(rows[row], EOPNOTSUPP);
        return 0;
    }
    if (!journal || steps.rows.empty())
        return 0; // nothing will move: nothing to take back
    steps.journalled = true;
    return beginJournal(*journal, renamer, plan.directory, rows, found, steps);
}

} // namespace

namespace {

// After a run of single renames checked later: a row whose new name holds another file than the
// one listed renamed a stranger swapped in under its old name, which gets that name back (the
// row fails). Read once, the folder tells every renamed row's file; a folder that cannot be
// read whole is looked at row by row.
// The new names of the single renames that were done, in the order they were done.
std::vector<int> renamedInOrder(const std::vector<RowOutcome> &rows, const RunOrder &order,
                                const NameClaims &names) {
    std::vector<int> renamed;
    renamed.reserve(order.rows.size());
    for (const Unit &unit : order.units) {
        const int row = order.rows[unit.begin];
        if (unit.kind == UnitKind::Rename && rows[row].outcome == RenameOutcome::Renamed)
            renamed.push_back(names.newNameOf(row));
    }
    return renamed;
}

void checkRenamed(NoReplaceRenamer &renamer, std::vector<RowOutcome> &rows, const RunOrder &order,
                  const NameClaims &names, const std::vector<std::uint64_t> &inodes,
                  NameStore &store) {
    std::vector<std::uint64_t> under(rows.size(), 0);
    const bool read = names.visitFolder(renamer.directoryFd(), renamedInOrder(rows, order, names),
                                        [&](int entry, const dirent &found) {
                                            const int row = names[entry].claimant;
                                            if (row >= 0 && names.newNameOf(row) == entry)
                                                under[static_cast<size_t>(row)] = found.d_ino;
                                        });
    renamer.checkLater(false);
    for (size_t row = 0; row < rows.size(); ++row) {
        RowOutcome &outcome = rows[row];
        if (outcome.outcome != RenameOutcome::Renamed || inodes[row] == 0 ||
            outcome.oldName == outcome.newName)
            continue;
        struct stat st;
        if (!read)
            under[row] = renamer.status(outcome.newName, st) == 0 ? st.st_ino : 0;
        if (under[row] == 0 || under[row] == inodes[row])
            continue;
        renamer.rename(outcome.newName, outcome.oldName);
        outcome.outcome = RenameOutcome::Failed;
        outcome.error = EAGAIN;
        if (renamer.status(outcome.oldName, st) != 0)
            outcome.nameNow = store.add(outcome.newName); // the stranger could not go back
    }
}

} // namespace

int RenameResult::renamedCount() const {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const RowOutcome &row) {
        return row.outcome == RenameOutcome::Renamed;
    }));
}

namespace {

// Carries out the units of a run's order one after the other, and hears after each whether to
// go on.
class UnitRunner {
public:
    // `total`: the rows pending when the run began, for the progress.
    UnitRunner(NoReplaceRenamer &renamer, RenameResult &run, const RunSteps &steps,
               const RunSettings &settings, int total)
        : m_renamer(renamer), m_run(run), m_rows(run.rows), m_inodes(steps.inodes),
          m_progress(settings.progress), m_total(total) {}

    void runAll(const RunOrder &order) {
        for (const Unit &unit : order.units) {
            runUnit(order, unit);
            m_done += unit.end - unit.begin;
            report(m_done);
            if (m_stopping)
                break;
        }
    }

private:
    void runUnit(const RunOrder &order, const Unit &unit) {
        const int at = order.rows[unit.begin];
        switch (unit.kind) {
        case UnitKind::Rename:
            if (m_rows[at].outcome == RenameOutcome::Pending)
                renameOne(m_renamer, m_rows[at], &m_run.names,
                          static_cast<size_t>(at) < m_inodes.size() ? m_inodes[at] : 0);
            break;
        case UnitKind::Lose:
            // Never tried, so the lower row keeps its name even when the upper one fails.
            failRow(m_rows[at], m_renamer.openError() ? m_renamer.openError() : EEXIST);
            break;
        case UnitKind::Cycle:
            m_cycle.assign(order.rows.begin() + unit.begin, order.rows.begin() + unit.end);
            turnRound();
            break;
        }
    }

    void turnRound() {
        const bool blocked = std::any_of(m_cycle.begin(), m_cycle.end(), [&](int row) {
            return m_rows[row].outcome != RenameOutcome::Pending;
        });
        if (m_renamer.openError() || blocked) {
            // A file of the round became a directory: none of the others can move.
            for (int row : m_cycle)
                if (m_rows[row].outcome == RenameOutcome::Pending)
                    failRow(m_rows[row], m_renamer.openError() ? m_renamer.openError() : EEXIST);
            return;
        }
        // Files of the round at their new names so far.
        const std::function<void(int)> moved = [&](int count) {
            if (count % RoundProgressStep == 0)
                report(m_done + count);
        };
        Round round(m_renamer, m_rows, m_cycle, moved);
        round.turn();
        for (size_t file = 0; file < m_cycle.size(); ++file)
            round.report(static_cast<int>(file), m_rows[m_cycle[file]], m_run.names);
    }

    void report(int done) {
        if (m_progress && !m_progress(done, m_total))
            m_stopping = true;
    }

    NoReplaceRenamer &m_renamer;
    RenameResult &m_run;
    std::vector<RowOutcome> &m_rows;
    const std::vector<std::uint64_t> &m_inodes;
    const RenameProgress &m_progress;
    const int m_total;
    int m_done = 0;
    bool m_stopping = false;
    std::vector<int> m_cycle;
};

NoReplaceRenamer renamerFor(const RenamePlan &plan, const RunSettings &settings) {
    return settings.drive ? NoReplaceRenamer(plan.directory, *settings.drive, settings.calls)
                          : NoReplaceRenamer(plan.directory, settings.method, settings.calls);
}

// A run refused before its first rename: nothing moved, so no row has failed yet.
void refuseRun(RenameResult &run, int error, const RunSettings &settings) {
    run.refusal = error == RunJournal::FolderInUse      ? RunRefusal::FolderInUse
                  : error == RunJournal::CutOffRunWaits ? RunRefusal::CutOffRunWaits
                                                        : RunRefusal::JournalNotWritten;
    run.error = run.refusal == RunRefusal::JournalNotWritten ? error : 0;
    run.holder = settings.journal ? settings.journal->folderHolder() : 0;
    for (RowOutcome &row : run.rows)
        if (row.outcome == RenameOutcome::Failed)
            row.outcome = RenameOutcome::Pending;
}

// Whether the run may begin in the renamer's folder; false with `run` saying why not. A
// folder that could not be opened begins, and every row fails with the error of opening it.
bool mayBegin(RenameResult &run, NoReplaceRenamer &renamer, const RenamePlan &plan,
              const RunOrder &order, const NameClaims &names, const RunSettings &settings,
              RunSteps &steps) {
    if (renamer.openError() != 0)
        return true;
    if (plan.folder && renamer.identity() != plan.folder) {
        run.refusal = RunRefusal::FolderChanged;
        return false;
    }
    if (const int error =
            prepareRun(renamer, plan, run.rows, order, names, settings.journal, steps)) {
        refuseRun(run, error, settings);
        return false;
    }
    return true;
}

// The journal counts its steps: a row whose file kept its name is none.
int finishJournal(RunJournal &journal, const std::vector<RowOutcome> &rows, const RunSteps &steps) {
    const int renamedSteps =
        static_cast<int>(std::count_if(steps.rows.begin(), steps.rows.end(), [&](int row) {
            return rows[row].outcome == RenameOutcome::Renamed;
        }));
    return journal.finish(renamedSteps);
}

// The run, its rows' old names still views into whatever the plan's point into.
RenameResult runOrdered(RenamePlan &plan, const RunSettings &settings) {
    RenameResult run;
    run.rows = std::move(plan.rows);
    run.names = std::move(plan.names);
    const int total = countPending(run.rows);
    const NameClaims names(run.rows);
    const RunOrder order = planOrder(run.rows, names);
    NoReplaceRenamer renamer = renamerFor(plan, settings);
    run.way = renamer.wayName();
    RunSteps steps;
    if (!mayBegin(run, renamer, plan, order, names, settings, steps))
        return run;
    // Many single renames are checked by one read of the folder after them, instead of a look
    // each (where the listing's numbers are the files').
    const bool checkLater = renamer.way() == RenameWay::NoReplace && renamer.drive().stableInodes &&
                            !steps.inodes.empty() &&
                            NameClaims::worthReadingWhole(static_cast<size_t>(total));
    renamer.checkLater(checkLater);
    UnitRunner(renamer, run, steps, settings, total).runAll(order);
    if (checkLater)
        checkRenamed(renamer, run.rows, order, names, steps.inodes, run.names);
    if (steps.journalled)
        run.finishError = finishJournal(*settings.journal, run.rows, steps);
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

} // namespace filvane
