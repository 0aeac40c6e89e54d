#include "core/RunHistory.h"

#include "core/DirectoryHandle.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <unistd.h>

namespace filvane {

namespace {

// The entries of a folder by inode, read once. Names are kept in one buffer and the entries
// are small, so sorting 65,535 of them moves no strings.
class FolderScan {
public:
    explicit FolderScan(const JournalRecord &record) {
        if (directoryIdentity(record.folder) != record.identity)
            return;
        DirectoryHandle dir(record.folder);
        if (!dir.isOpen())
            return;
        while (const dirent *entry = dir.next()) {
            const std::string_view name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            m_entries.push_back({static_cast<std::uint64_t>(entry->d_ino),
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
        Located other{Where::Elsewhere, nameOf(*from), from->directory};
        for (auto at = from; at != to; ++at) {
            const std::string_view name = nameOf(*at);
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

private:
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
    bool m_found = false;
};

RunSummary summaryOf(const JournalRecord &record, const FolderScan *scan) {
    RunSummary summary;
    summary.id = record.id;
    summary.kind = record.kind;
    summary.folder = record.folder;
    summary.fileCount = static_cast<int>(record.stepCount);
    summary.renamedCount = record.renamedCount;
    if (!scan) {
        summary.folderFound = directoryIdentity(record.folder) == record.identity;
        return summary;
    }
    summary.folderFound = scan->found();
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

std::vector<RunSummary> interruptedRuns(const std::string &journalDirectory) {
    std::vector<RunSummary> runs;
    for (const std::string &id : journalIds(journalDirectory)) {
        if (journalInUse(journalDirectory, id))
            continue;
        // Most journals are of finished runs: their steps are not read.
        const std::optional<JournalRecord> head =
            readJournal(journalDirectory, id, JournalPart::WithoutSteps);
        if (!head || head->complete)
            continue;
        if (!head->planned) {
            ::unlink((journalDirectory + "/" + id).c_str()); // its run never began
            continue;
        }
        const std::optional<JournalRecord> record = readJournal(journalDirectory, id);
        if (!record)
            continue;
        const FolderScan scan(*record);
        runs.push_back(summaryOf(*record, &scan));
    }
    return runs;
}

RenameResult undoRun(const std::string &journalDirectory, const std::string &id,
                     const RunSettings &settings) {
    const std::optional<JournalRecord> record = readJournal(journalDirectory, id);
    if (!record || !record->planned)
        return refused(RunRefusal::JournalNotWritten, ENOENT);
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
    RenameResult run = runMoves(*record, moves, journal, settings, rows);
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

RenameResult recoverRun(const std::string &journalDirectory, const std::string &id,
                        RecoveryChoice choice, const RunSettings &settings) {
    const std::optional<JournalRecord> record = readJournal(journalDirectory, id);
    if (!record)
        return refused(RunRefusal::JournalNotWritten, ENOENT);
    if (record->complete || !record->planned)
        return {};
    const FolderScan scan(*record);
    if (!scan.found())
        return refused(RunRefusal::FolderChanged, 0);
    using Where = FolderScan::Where;
    std::vector<FolderScan::Located> found;
    found.reserve(record->steps.size());
    // Leaving names as they are cannot leave a round with a file under a temporary name: its
    // names are held by its other files, so such a round is taken back.
    std::vector<char> takenBack;
    for (const RecordedStep &step : record->steps) {
        found.push_back(scan.locate(step));
        if (found.back().where == Where::Temporary && step.round > 0) {
            takenBack.resize(std::max<size_t>(takenBack.size(), step.round + 1), 0);
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
    RunJournal journal(journalDirectory, RunKind::Recovery, id);
    RenameResult run = runMoves(*record, moves, journal, settings, rows);
    if (run.refusal != RunRefusal::None)
        return run;
    // A file still under a temporary name, its chosen name taken: the other name of its own.
    std::vector<Move> others;
    for (const Move &move : moves) {
        const RowOutcome &row = rows[move.step];
        if (row.outcome != RenameOutcome::Renamed && NoReplaceRenamer::isTemporaryName(move.from)) {
            const RecordedStep &step = record->steps[move.step];
            others.push_back({move.from, move.to == step.before ? step.after : step.before,
                              move.step, move.found});
        }
    }
    if (!others.empty()) {
        RunJournal second(journalDirectory, RunKind::Recovery, id);
        run.names.absorb(runMoves(*record, others, second, settings, rows).names);
    }
    const FolderScan after(*record);
    markJournal(journalDirectory, id, JournalMark::Complete, {},
                summaryOf(*record, &after).renamedCount);
    if (choice == RecoveryChoice::Restore)
        markJournal(journalDirectory, id, JournalMark::Undone, journal.id());
    dropQuietRows(rows);
    run.rows = std::move(rows);
    run.names.absorb(std::move(kept));
    return run;
}

} // namespace filvane
