#include "core/history/RunHistory.h"

#include "core/base/DirectoryHandle.h"
#include "core/base/FileHandle.h"
#include "core/journal/FolderLock.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace filvane {

namespace {

// The entries of a folder by inode, read once. Names are kept in one buffer and the entries
// are small, so sorting 65,535 of them moves no strings.
// Where the folder of a journal is now: at its recorded path when that is still the same
// folder (device and inode), else a folder of that identity beside it (the folder renamed).
std::optional<std::string> findFolder(const JournalRecord &record) {
    if (directoryIdentity(record.folder) == record.identity)
        return record.folder;
    const size_t slash = record.folder.find_last_of('/');
    if (slash == std::string::npos)
        return std::nullopt;
    const std::string parent = slash == 0 ? "/" : record.folder.substr(0, slash);
    DirectoryHandle dir(parent);
    while (const dirent *entry = dir.next()) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == ".." || entry->d_ino != record.identity.inode)
            continue;
        const std::string path = (parent == "/" ? "" : parent) + "/" + std::string(name);
        if (directoryIdentity(path) == record.identity)
            return path;
    }
    return std::nullopt;
}

class FolderScan {
public:
    // `record.folder` is where the folder is now (see findFolder).
    explicit FolderScan(const JournalRecord &record) {
        if (directoryIdentity(record.folder) != record.identity)
            return;
        DirectoryHandle dir(record.folder);
        if (!dir.isOpen())
            return;
        m_folder.reset(::open(record.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        while (const dirent *entry = dir.next()) {
            const std::string_view name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            struct stat st; // FUSE may list every entry as "unknown": the file then says
            const bool unknown =
                entry->d_ino == 0xFFFFFFFF &&
                ::fstatat(m_folder.get(), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0;
            m_entries.push_back({unknown ? static_cast<std::uint64_t>(st.st_ino)
                                         : static_cast<std::uint64_t>(entry->d_ino),
                                 static_cast<std::uint32_t>(m_names.size()),
                                 static_cast<std::uint32_t>(name.size()), entry->d_type == DT_DIR});
            m_names += name;
        }
        m_found = true;
        for (const RecordedStep &step : record.steps)
            if (step.round > 0)
                m_roundNames.push_back(step.before);
        std::sort(m_roundNames.begin(), m_roundNames.end());
        std::sort(m_entries.begin(), m_entries.end(),
                  [](const Entry &a, const Entry &b) { return a.inode < b.inode; });
    }

    bool found() const { return m_found; }

    // InRound: under another name of its round, where a round cut off while turning leaves it.
    enum class Where { NotPlanned, Before, After, Temporary, InRound, Elsewhere, Gone };
    struct Located {
        Where where = Where::NotPlanned;
        std::string_view name; // where it is now
        bool directory = false;
    };

    Located locate(const RecordedStep &step) const {
        if (step.inode == 0)
            return {}; // it was not there when the run began, so the run did not move it
        const auto [from, to] =
            std::equal_range(m_entries.begin(), m_entries.end(), Entry{step.inode, 0, 0, false},
                             [](const Entry &a, const Entry &b) { return a.inode < b.inode; });
        if (from == to)
            return {Where::Gone, {}};
        Located other{Where::Gone, {}, false};
        for (auto at = from; at != to; ++at) {
            const std::string_view name = nameOf(*at);
            if (!isTheFile(step, name))
                continue; // another file that took the inode number
            if (other.where == Where::Gone)
                other = {Where::Elsewhere, name, at->directory};
            if (name == step.after)
                return {Where::After, name, at->directory};
            if (name == step.before)
                other = {Where::Before, name, at->directory};
            else if (other.where == Where::Elsewhere &&
                     NoReplaceRenamer::isTemporaryName(std::string(name)))
                other = {Where::Temporary, name, at->directory};
            else if (other.where == Where::Elsewhere && step.round > 0 &&
                     std::binary_search(m_roundNames.begin(), m_roundNames.end(), name))
                other = {Where::InRound, name, at->directory};
        }
        return other;
    }

    // Asked only about files left alone, so the index by name is made on the first question.
    bool hasName(const std::string &name) const {
        if (m_byName.empty()) {
            m_byName.reserve(m_entries.size());
            for (const Entry &entry : m_entries)
                m_byName.push_back(nameOf(entry));
            std::sort(m_byName.begin(), m_byName.end());
        }
        return std::binary_search(m_byName.begin(), m_byName.end(), std::string_view(name));
    }

    int folderFd() const { return m_folder.get(); }

    // Every name of the inode in the folder.
    std::vector<std::string_view> namesOf(std::uint64_t inode) const {
        const auto [from, to] =
            std::equal_range(m_entries.begin(), m_entries.end(), Entry{inode, 0, 0, false},
                             [](const Entry &a, const Entry &b) { return a.inode < b.inode; });
        std::vector<std::string_view> names;
        for (auto at = from; at != to; ++at)
            names.push_back(nameOf(*at));
        return names;
    }

private:
    bool isTheFile(const RecordedStep &step, std::string_view name) const {
        if (!step.identity)
            return true; // a journal of an older version: the inode is all it knows
        const std::optional<FileIdentity> now =
            fileIdentityAt(m_folder.get(), std::string(name).c_str());
        return now && step.identity->matches(*now);
    }

    struct Entry {
        std::uint64_t inode;
        std::uint32_t offset; // into m_names
        std::uint32_t length;
        bool directory;
    };
    std::string_view nameOf(const Entry &entry) const {
        return std::string_view(m_names).substr(entry.offset, entry.length);
    }
    std::string m_names;
    std::vector<Entry> m_entries;
    mutable std::vector<std::string_view> m_byName; // into m_names
    std::vector<std::string_view> m_roundNames;
    FileHandle m_folder;
    bool m_found = false;
};

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

RunSummary summaryOf(const JournalRecord &record, const FolderScan *scan) {
    RunSummary summary;
    summary.id = record.id;
    summary.kind = record.kind;
    summary.undoes = record.undoes;
    summary.folder = record.folder;
    summary.fileCount = static_cast<int>(record.stepCount);
    summary.renamedCount = record.renamedCount;
    if (!scan) {
        summary.folderFound = directoryIdentity(record.folder) == record.identity;
        return summary;
    }
    summary.folderFound = scan->found();
    if (summary.folderFound)
        summary.folderNow = record.folder;
    summary.renamedCount = 0;
    for (const RecordedStep &step : record.steps) {
        const auto where = scan->locate(step).where;
        summary.renamedCount += where == FolderScan::Where::After;
        summary.temporaryCount += where == FolderScan::Where::Temporary;
    }
    return summary;
}

// One file to move back or on: where it is, the name it is to get, its step in the journal,
// and the file as the scan found it.
struct Move {
    std::string from;
    std::string to;
    int step;
    ListedFile found;
};

// Renames the moves as one run with its journal; outcomes go to `rows[step]`, their names
// staying in the names of the run returned.
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

// The report row of a file left alone, or none when the file is where the plan wants it. Its
// names are kept in `names`.
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

// Keeps of `rows` the ones that say something: files moved, failed or left alone.
void dropQuietRows(std::vector<RowOutcome> &rows) {
    rows.erase(
        std::remove_if(rows.begin(), rows.end(),
                       [](const RowOutcome &row) { return row.outcome == RenameOutcome::Blank; }),
        rows.end());
}

// Rows the verifying calls failed: the file under the name is not the run's.
void markStrangers(std::vector<RowOutcome> &rows) {
    for (RowOutcome &row : rows)
        if (row.outcome == RenameOutcome::Failed && row.error == VerifyingCalls::StrangerFound) {
            row.outcome = RenameOutcome::ReplacedSince;
            row.error = 0;
        }
}

// Moves the files as runMoves does, each checked by identity at its rename.
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

// Holds the run's folder for an undo or a recovery, from its look at the files to its end; false,
// with `busy` the refusal, when another process holds it.
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

// A journal read whole, its folder looked up where it is now (`pointed`: where the user says it
// is). None, with `refusal` set, when it cannot be read or its folder cannot be found.
std::optional<JournalRecord> openRun(const std::string &journalDirectory, const std::string &id,
                                     const std::string &pointed, RunRefusal &refusal) {
    std::optional<JournalRecord> record = readJournal(journalDirectory, id);
    refusal = RunRefusal::None;
    if (!record || !record->planned) {
        refusal = RunRefusal::JournalNotWritten;
        return std::nullopt;
    }
    const std::optional<std::string> folder =
        pointed.empty()
            ? findFolder(*record)
            : (directoryIdentity(pointed) == record->identity ? std::optional<std::string>(pointed)
                                                              : std::nullopt);
    if (!folder) {
        refusal = RunRefusal::FolderChanged;
        return record;
    }
    record->folder = *folder;
    return record;
}

const char *intentWord(RecoveryChoice choice) {
    switch (choice) {
    case RecoveryChoice::Finish:
        return "finish";
    case RecoveryChoice::Leave:
        return "leave";
    default:
        return "restore";
    }
}

// The journals' heads, oldest first, with what a look at all of them decides: which are
// interrupted (planned, not ended, not settled, not in use) and not dealt with by a later one.
std::vector<JournalRecord> waitingRuns(const std::string &journalDirectory,
                                       std::vector<std::string> *setAside) {
    const std::vector<std::string> ids = journalIds(journalDirectory);
    std::vector<std::optional<JournalRecord>> heads;
    heads.reserve(ids.size());
    for (const std::string &id : ids) {
        bool damaged = false;
        heads.push_back(readJournal(journalDirectory, id, JournalPart::WithoutSteps, &damaged));
        if (damaged && !journalInUse(journalDirectory, id) &&
            setJournalAside(journalDirectory, id) == 0 && setAside)
            setAside->push_back(id);
    }
    std::vector<JournalRecord> waiting;
    for (size_t i = 0; i < heads.size(); ++i) {
        if (!heads[i] || heads[i]->complete || heads[i]->settled ||
            journalInUse(journalDirectory, ids[i]))
            continue;
        if (!heads[i]->planned)
            continue; // never read so: a journal is whole or damaged
        // A later undo or recovery that planned from the disk after this one was cut off has
        // taken its files over: this one is never offered again, settled once that one ended.
        const JournalRecord &run = *heads[i];
        const JournalRecord *later = nullptr;
        for (size_t j = i + 1; j < heads.size() && !later; ++j)
            if (heads[j] && heads[j]->planned &&
                (heads[j]->undoes == run.id ||
                 (!run.undoes.empty() && heads[j]->undoes == run.undoes)))
                later = &*heads[j];
        if (!later) {
            // Its steps are read only now, for runs that wait: a damage there is set aside too.
            bool damaged = false;
            if (!readJournal(journalDirectory, run.id, JournalPart::Whole, &damaged) && damaged) {
                if (setJournalAside(journalDirectory, run.id) == 0 && setAside)
                    setAside->push_back(run.id);
                continue;
            }
            waiting.push_back(run);
        } else if (later->complete || later->settled) {
            markJournal(journalDirectory, run.id, JournalMark::Settled, later->id);
        }
    }
    return waiting;
}

RunSummary summaryNow(const std::string &journalDirectory, const JournalRecord &head) {
    RunRefusal refusal;
    const std::optional<JournalRecord> record = openRun(journalDirectory, head.id, {}, refusal);
    if (!record || refusal != RunRefusal::None)
        return summaryOf(head, nullptr);
    const FolderScan scan(*record);
    RunSummary summary = summaryOf(*record, &scan);
    summary.folder = head.folder;
    return summary;
}

} // namespace

std::optional<RunSummary> latestUndoableRun(const std::string &journalDirectory,
                                            const std::string &folder) {
    const std::optional<DirectoryIdentity> identity = directoryIdentity(folder);
    if (!identity)
        return std::nullopt;
    const std::vector<std::string> ids = journalIds(journalDirectory);
    for (auto id = ids.rbegin(); id != ids.rend(); ++id) {
        const std::optional<JournalRecord> record =
            readJournal(journalDirectory, *id, JournalPart::WithoutSteps);
        if (!record || record->identity != *identity || !record->complete || record->undone ||
            record->kind != RunKind::Rename || record->renamedCount == 0)
            continue;
        return summaryOf(*record, nullptr);
    }
    return std::nullopt;
}

std::vector<RunSummary> interruptedRuns(const std::string &journalDirectory,
                                        std::vector<std::string> *setAside) {
    std::vector<RunSummary> runs;
    const std::vector<JournalRecord> waiting = waitingRuns(journalDirectory, setAside);
    for (auto run = waiting.rbegin(); run != waiting.rend(); ++run)
        runs.push_back(summaryNow(journalDirectory, *run));
    return runs;
}

std::optional<RunSummary> nextInterruptedRun(const std::string &journalDirectory,
                                             std::vector<std::string> *setAside) {
    const std::vector<JournalRecord> waiting = waitingRuns(journalDirectory, setAside);
    if (waiting.empty())
        return std::nullopt;
    return summaryNow(journalDirectory, waiting.back());
}

std::vector<RunSummary> interruptedRunsIn(const std::string &journalDirectory,
                                          const std::string &folder) {
    std::vector<RunSummary> runs;
    const std::optional<DirectoryIdentity> identity = directoryIdentity(folder);
    if (!identity)
        return runs;
    const std::vector<JournalRecord> waiting = waitingRuns(journalDirectory, nullptr);
    for (auto run = waiting.rbegin(); run != waiting.rend(); ++run)
        if (run->identity == *identity)
            runs.push_back(summaryNow(journalDirectory, *run));
    return runs;
}

int settleRun(const std::string &journalDirectory, const std::string &id) {
    return markJournal(journalDirectory, id, JournalMark::Settled);
}

RenameResult undoRun(const std::string &journalDirectory, const std::string &id,
                     const RunSettings &settings) {
    RunRefusal refusal;
    const std::optional<JournalRecord> record = openRun(journalDirectory, id, {}, refusal);
    if (refusal != RunRefusal::None)
        return refused(refusal, refusal == RunRefusal::JournalNotWritten ? ENOENT : 0);
    FolderLock lock;
    if (RenameResult busy; !holdFolder(journalDirectory, *record, lock, busy))
        return busy;
    const FolderScan scan(*record);
    if (!scan.found())
        return refused(RunRefusal::FolderChanged, 0);
    std::vector<RowOutcome> rows = blankRows(*record);
    NameStore kept; // the names of rows left alone
    std::vector<Move> moves;
    for (size_t i = 0; i < record->steps.size(); ++i) {
        const RecordedStep &step = record->steps[i];
        const FolderScan::Located at = scan.locate(step);
        switch (at.where) {
        case FolderScan::Where::NotPlanned:
        case FolderScan::Where::Before:
            break; // the run did not move it
        case FolderScan::Where::After:
        case FolderScan::Where::Temporary:
        case FolderScan::Where::InRound:
            moves.push_back({std::string(at.name),
                             step.before,
                             static_cast<int>(i),
                             {step.inode, at.directory}});
            break;
        case FolderScan::Where::Elsewhere:
        case FolderScan::Where::Gone:
            leaveAlone(scan, step, at, step.before, rows[i], kept);
            break;
        }
    }
    RunJournal journal(journalDirectory, RunKind::Undo, id);
    journal.useHeldFolder(&lock);
    RenameResult run = verifiedMoves(*record, moves, journal, settings, rows);
    if (run.refusal == RunRefusal::None) {
        markJournal(journalDirectory, id, JournalMark::Undone, journal.id());
        if (record->kind == RunKind::Undo && !record->undoes.empty())
            markJournal(journalDirectory, record->undoes, JournalMark::Redone, journal.id());
    }
    dropQuietRows(rows);
    run.rows = std::move(rows);
    run.names.absorb(std::move(kept));
    return run;
}

namespace {

// Once a run cut off has been dealt with: the marks that say so, and what its being dealt with
// means for the run it in turn dealt with, if it was an undo or a recovery.
void settleDealtWith(const std::string &journalDirectory, const JournalRecord &record,
                     RecoveryChoice choice, const std::string &by) {
    const FolderScan after(record);
    markJournal(journalDirectory, record.id, JournalMark::Complete, {},
                summaryOf(record, &after).renamedCount);
    if (choice == RecoveryChoice::Restore)
        markJournal(journalDirectory, record.id, JournalMark::Undone, by);
    if (record.undoes.empty() || choice == RecoveryChoice::Restore)
        return;
    if (record.kind == RunKind::Undo) {
        // The undo finished: its run is taken back.
        markJournal(journalDirectory, record.undoes, JournalMark::Undone, record.id);
        return;
    }
    if (record.kind != RunKind::Recovery)
        return;
    // The recovery finished: its run ends as the recovery meant.
    const std::optional<JournalRecord> target = readJournal(journalDirectory, record.undoes);
    if (!target || target->complete || target->settled)
        return;
    JournalRecord located = *target;
    located.folder = record.folder;
    const FolderScan scan(located);
    markJournal(journalDirectory, target->id, JournalMark::Complete, {},
                summaryOf(located, &scan).renamedCount);
    if (record.intent == "restore")
        markJournal(journalDirectory, target->id, JournalMark::Undone, record.id);
}

} // namespace

namespace {

// A run killed inside the link fallback can leave a file under its new name and a private name
// both: the private one goes, once the file is seen to have the other.
void removeSecondNames(const JournalRecord &record, DirectoryCalls *calls) {
    DirectoryCalls &call = calls ? *calls : hostDirectoryCalls();
    const FolderScan scan(record);
    if (!scan.found())
        return;
    for (const RecordedStep &step : record.steps) {
        if (step.inode == 0)
            continue;
        const std::vector<std::string_view> names = scan.namesOf(step.inode);
        if (names.size() < 2)
            continue;
        for (const std::string_view name : names) {
            if (!NoReplaceRenamer::isTemporaryName(name))
                continue;
            const std::string entry(name);
            const FileHandle file(
                ::openat(scan.folderFd(), entry.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
            struct stat st;
            const std::optional<FileIdentity> now =
                file.isOpen() ? fileIdentityOfDescriptor(file.get()) : std::nullopt;
            if (now && (!step.identity || step.identity->matches(*now)) &&
                now->inode == step.inode && ::fstat(file.get(), &st) == 0 && st.st_nlink > 1)
                call.unlink(scan.folderFd(), entry.c_str());
        }
    }
}

} // namespace

RenameResult recoverRun(const std::string &journalDirectory, const std::string &id,
                        RecoveryChoice choice, const RunSettings &settings,
                        const std::string &folder) {
    RunRefusal refusal;
    std::optional<JournalRecord> record = openRun(journalDirectory, id, folder, refusal);
    if (refusal == RunRefusal::JournalNotWritten)
        return refused(refusal, ENOENT);
    if (record->complete || record->settled)
        return {};
    if (refusal == RunRefusal::FolderChanged) {
        // Leaving it needs no folder: the run is never offered again.
        if (choice != RecoveryChoice::Leave)
            return refused(refusal, 0);
        if (const int error = settleRun(journalDirectory, id))
            return refused(RunRefusal::JournalNotWritten, error);
        return {};
    }
    // Taking back a recovery would bring back the names of the crash, temporary ones too.
    if (record->kind == RunKind::Recovery)
        choice = RecoveryChoice::Finish;
    FolderLock lock;
    if (RenameResult busy; !holdFolder(journalDirectory, *record, lock, busy))
        return busy;
    // Looked at again now that the folder is held: another process may have dealt with it.
    if (const std::optional<JournalRecord> now =
            readJournal(journalDirectory, id, JournalPart::WithoutSteps);
        !now || now->complete || now->settled || journalInUse(journalDirectory, id))
        return {};
    // Second names first, and again at the end: a recovery killed after its own moves ended
    // (its journal complete) has then left none of the run's behind for nobody to find.
    removeSecondNames(*record, settings.calls);
    const FolderScan scan(*record);
    if (!scan.found())
        return refused(RunRefusal::FolderChanged, 0);
    if (NoReplaceRenamer renamer(record->folder, settings.method, settings.calls);
        renamer.way() == RenameWay::Reserve)
        for (const RecordedStep &step : record->steps) { // a run cut off may have left one
            renamer.dropReservation(step.after);
            renamer.dropReservation(step.before);
        }
    using Where = FolderScan::Where;
    std::vector<FolderScan::Located> found;
    found.reserve(record->steps.size());
    // Leaving names as they are cannot leave a round with a file under a temporary name: its
    // names are held by its other files, so such a round is taken back.
    std::vector<char> takenBack;
    for (const RecordedStep &step : record->steps) {
        found.push_back(scan.locate(step));
        if (found.back().where == Where::Temporary && step.round > 0) {
            takenBack.resize(std::max<size_t>(takenBack.size(), size_t(step.round) + 1), 0);
            takenBack[step.round] = 1;
        }
    }
    const auto restoring = [&](const RecordedStep &step) {
        return choice == RecoveryChoice::Restore ||
               (choice == RecoveryChoice::Leave && step.round > 0 &&
                static_cast<size_t>(step.round) < takenBack.size() && takenBack[step.round]);
    };
    std::vector<RowOutcome> rows = blankRows(*record);
    NameStore kept; // the names of rows left alone
    std::vector<Move> moves;
    for (size_t i = 0; i < record->steps.size(); ++i) {
        const RecordedStep &step = record->steps[i];
        const FolderScan::Located &at = found[i];
        const bool restore = restoring(step);
        const bool finish = choice == RecoveryChoice::Finish;
        const std::string &wanted = finish ? step.after : step.before;
        const bool move =
            at.where == Where::Temporary || ((restore || finish) && at.where == Where::InRound) ||
            (restore && at.where == Where::After) || (finish && at.where == Where::Before);
        if (move)
            moves.push_back(
                {std::string(at.name), wanted, static_cast<int>(i), {step.inode, at.directory}});
        else if (at.where == Where::Elsewhere ||
                 (at.where == Where::Gone && choice != RecoveryChoice::Leave))
            leaveAlone(scan, step, at, wanted, rows[i], kept);
    }
    RunJournal journal(journalDirectory, RunKind::Recovery, id, intentWord(choice));
    journal.useHeldFolder(&lock);
    RenameResult run = verifiedMoves(*record, moves, journal, settings, rows);
    if (run.refusal != RunRefusal::None)
        return run;
    // A file still under a temporary name, its chosen name taken: the other name of its own.
    std::vector<Move> others;
    for (const Move &move : moves) {
        const RowOutcome &row = rows[move.step];
        if (row.outcome != RenameOutcome::Renamed && row.outcome != RenameOutcome::ReplacedSince &&
            NoReplaceRenamer::isTemporaryName(move.from)) {
            const RecordedStep &step = record->steps[move.step];
            others.push_back({move.from, move.to == step.before ? step.after : step.before,
                              move.step, move.found});
        }
    }
    if (!others.empty()) {
        RunJournal second(journalDirectory, RunKind::Recovery, id, intentWord(choice));
        second.useHeldFolder(&lock);
        run.names.absorb(verifiedMoves(*record, others, second, settings, rows).names);
    }
    removeSecondNames(*record, settings.calls);
    settleDealtWith(journalDirectory, *record, choice, journal.id());
    dropQuietRows(rows);
    run.rows = std::move(rows);
    run.names.absorb(std::move(kept));
    return run;
}

} // namespace filvane
