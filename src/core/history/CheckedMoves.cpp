#include "core/history/CheckedMoves.h"

#include "core/base/FileHandle.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace filvane::history {

namespace {

// An undo's or a recovery's calls: a rename of a file of the journal goes through only when the
// entry is still that file, measured through a descriptor opened just before, and is taken back
// when the entry renamed turns out to be another one (swapped in between look and rename).
// Either way the row fails with StrangerFound and the stranger keeps its name.
class VerifyingCalls : public DirectoryCalls {
public:
    static constexpr int StrangerFound = ESTALE;

    explicit VerifyingCalls(DirectoryCalls *inner)
        : m_inner(inner ? *inner : hostDirectoryCalls()) {}

    void expect(const std::string &name, const RecordedStep &step) {
        FileIdentity identity;
        identity.inode = step.inode;
        m_expected[name] = {step.identity.value_or(identity), !step.identity};
    }

    int rename(int dirFd, const char *from, const char *to, RenameMode mode) override {
        const auto first = m_expected.find(from);
        const auto second = mode == RenameMode::Exchange ? m_expected.find(to) : m_expected.end();
        if ((first != m_expected.end() && !holds(dirFd, from, first->second)) ||
            (second != m_expected.end() && !holds(dirFd, to, second->second)))
            return StrangerFound;
        if (const int error = m_inner.rename(dirFd, from, to, mode))
            return error;
        if (mode == RenameMode::Exchange) {
            std::optional<Expected> one, other;
            take(from, one);
            take(to, other);
            // A stranger swapped in at the instant of the exchange: the two go back.
            if ((one && !holds(dirFd, to, *one)) || (other && !holds(dirFd, from, *other))) {
                m_inner.rename(dirFd, from, to, RenameMode::Exchange);
                if (one)
                    m_expected[from] = *one;
                if (other)
                    m_expected[to] = *other;
                return StrangerFound;
            }
            if (one)
                m_expected[to] = *one;
            if (other)
                m_expected[from] = *other;
            return 0;
        }
        std::optional<Expected> moved;
        take(from, moved);
        if (!moved)
            return 0;
        if (!holds(dirFd, to, *moved)) {
            // Whatever moved goes back under its name (a plain rename only ever went to a
            // private name just seen free, so the name it left is the one to take back).
            putBack(dirFd, to, from);
            m_expected[from] = *moved;
            return StrangerFound;
        }
        m_expected[to] = *moved;
        return 0;
    }
    int link(int dirFd, const char *from, const char *to) override {
        const auto found = m_expected.find(from);
        if (found != m_expected.end() && !holds(dirFd, from, found->second))
            return StrangerFound;
        const int error = m_inner.link(dirFd, from, to);
        if (error != 0 || found == m_expected.end())
            return error;
        if (!holds(dirFd, to, found->second)) {
            // The new name is one this call made for a stranger: it goes, the stranger keeps
            // the name it had.
            if (sameFile(dirFd, from, to))
                m_inner.unlink(dirFd, to);
            return StrangerFound;
        }
        m_expected[to] = found->second;
        return 0;
    }
    int unlink(int dirFd, const char *name) override {
        const int error = m_inner.unlink(dirFd, name);
        if (error == 0)
            m_expected.erase(name);
        return error;
    }
    int create(int dirFd, const char *name) override { return m_inner.create(dirFd, name); }
    int reserve(int dirFd, const char *name, struct stat &made) override {
        return m_inner.reserve(dirFd, name, made);
    }
    int status(int dirFd, const char *name, struct stat &st) override {
        return m_inner.status(dirFd, name, st);
    }

private:
    struct Expected {
        FileIdentity identity;
        bool inodeOnly = false;
    };
    // Whether the entry is the expected file. One gone is let through: the call itself then
    // says so (ENOENT).
    static bool holds(int dirFd, const char *name, const Expected &expected) {
        const FileHandle entry(::openat(dirFd, name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (!entry.isOpen())
            return errno == ENOENT;
        const std::optional<FileIdentity> now = fileIdentityOfDescriptor(entry.get());
        if (!now)
            return false;
        return expected.inodeOnly ? now->inode == expected.identity.inode
                                  : expected.identity.matches(*now);
    }
    // Gives what is under `to` the name `from` again, never replacing a file: by a no-replace
    // rename, else a link and the removal of `to` (a name this run made), else, only while `from`
    // is free, a plain rename.
    void putBack(int dirFd, const char *to, const char *from) {
        const int error = m_inner.rename(dirFd, to, from, RenameMode::NoReplace);
        if (error == 0 || error == EEXIST || error == ENOENT)
            return;
        if (m_inner.link(dirFd, to, from) == 0) {
            m_inner.unlink(dirFd, to);
            return;
        }
        struct stat st;
        if (m_inner.status(dirFd, from, st) == ENOENT)
            m_inner.rename(dirFd, to, from, RenameMode::Plain);
    }
    static bool sameFile(int dirFd, const char *one, const char *other) {
        struct stat a, b;
        return ::fstatat(dirFd, one, &a, AT_SYMLINK_NOFOLLOW) == 0 &&
               ::fstatat(dirFd, other, &b, AT_SYMLINK_NOFOLLOW) == 0 && a.st_ino == b.st_ino &&
               a.st_dev == b.st_dev;
    }
    void take(const char *name, std::optional<Expected> &into) {
        const auto found = m_expected.find(name);
        if (found == m_expected.end())
            return;
        into = found->second;
        m_expected.erase(found);
    }

    DirectoryCalls &m_inner;
    std::map<std::string, Expected> m_expected;
};

// Renames the moves as one run with its journal, as verifiedMoves says, but unchecked.
RenameResult runMoves(const JournalRecord &record, const std::vector<Move> &moves,
                      RunJournal &journal, const RunSettings &settings,
                      std::vector<RowOutcome> &rows) {
    RenamePlan plan;
    plan.directory = record.folder;
    plan.folder = record.identity;
    plan.rows.reserve(moves.size());
    plan.files.reserve(moves.size());
    for (const Move &move : moves) {
        plan.add(move.from, move.to);
        plan.files.push_back(move.found);
    }
    RunSettings runSettings = settings;
    runSettings.journal = &journal;
    RenameResult run = runPlan(std::move(plan), runSettings);
    for (size_t i = 0; i < run.rows.size() && i < moves.size(); ++i) {
        RowOutcome &row = rows[moves[i].step];
        const int rowNumber = row.row;
        row = std::move(run.rows[i]);
        row.row = rowNumber;
    }
    run.rows.clear();
    return run;
}

// Rows the verifying calls failed: the file under the name is not the run's.
void markStrangers(std::vector<RowOutcome> &rows) {
    for (RowOutcome &row : rows)
        if (row.outcome == RenameOutcome::Failed && row.error == VerifyingCalls::StrangerFound) {
            row.outcome = RenameOutcome::ReplacedSince;
            row.error = 0;
        }
}

} // namespace

void leaveAlone(const FolderScan &scan, const RecordedStep &step, const FolderScan::Located &at,
                const std::string &wanted, RowOutcome &row, NameStore &names) {
    row.newName = names.add(wanted);
    if (at.where == FolderScan::Where::Gone) {
        const std::string &last = wanted == step.before ? step.after : step.before;
        row.oldName = names.add(last);
        if (scan.hasName(last)) {
            row.outcome = RenameOutcome::ReplacedSince;
        } else {
            row.outcome = RenameOutcome::Failed;
            row.error = ENOENT;
        }
    } else {
        row.oldName = names.add(step.after);
        row.outcome = RenameOutcome::RenamedSince;
        row.nameNow = names.add(at.name);
    }
}

std::vector<RowOutcome> blankRows(const JournalRecord &record) {
    std::vector<RowOutcome> rows(record.steps.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i].row = static_cast<int>(i) + 1;
        rows[i].outcome = RenameOutcome::Blank; // not moved: nothing to report
    }
    return rows;
}

RenameResult refused(RunRefusal refusal, int error) {
    RenameResult run;
    run.refusal = refusal;
    run.error = error;
    return run;
}

void reportRows(RenameResult &run, std::vector<RowOutcome> &rows, NameStore &kept) {
    rows.erase(
        std::remove_if(rows.begin(), rows.end(),
                       [](const RowOutcome &row) { return row.outcome == RenameOutcome::Blank; }),
        rows.end());
    run.rows = std::move(rows);
    run.names.absorb(std::move(kept));
}

RenameResult verifiedMoves(const JournalRecord &record, const std::vector<Move> &moves,
                           RunJournal &journal, const RunSettings &settings,
                           std::vector<RowOutcome> &rows) {
    VerifyingCalls calls(settings.calls);
    for (const Move &move : moves)
        calls.expect(move.from, record.steps[move.step]);
    RunSettings verified = settings;
    verified.calls = &calls;
    RenameResult run = runMoves(record, moves, journal, verified, rows);
    markStrangers(rows);
    return run;
}

bool holdFolder(const std::string &journalDirectory, const JournalRecord &record, FolderLock &lock,
                RenameResult &busy) {
    long holder = 0;
    const int error = lock.acquire(journalDirectory, record.identity, &holder);
    if (error == 0)
        return true;
    busy = refused(error == FolderLock::InUse ? RunRefusal::FolderInUse
                                              : RunRefusal::JournalNotWritten,
                   error == FolderLock::InUse ? 0 : error);
    busy.holder = holder;
    return false;
}

} // namespace filvane::history
