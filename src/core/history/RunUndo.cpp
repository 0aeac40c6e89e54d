#include "core/history/RunUndo.h"

#include "core/history/CheckedMoves.h"

namespace filvane {

using namespace history;

namespace {

// The moves that take the run back: each file it moved, found where the run or its cut-off
// left it, back to its name from before. A file renamed or gone since gets its row in `rows`,
// its names kept in `kept`.
std::vector<Move> undoMoves(const JournalRecord &record, const FolderScan &scan,
                            std::vector<RowOutcome> &rows, NameStore &kept) {
    std::vector<Move> moves;
    for (size_t i = 0; i < record.steps.size(); ++i) {
        const RecordedStep &step = record.steps[i];
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
    return moves;
}

// The run is taken back by `by`; when it was itself an undo, the run it took back is redone.
void markUndone(const std::string &journalDirectory, const JournalRecord &record,
                const std::string &by) {
    markJournal(journalDirectory, record.id, JournalMark::Undone, by);
    if (record.kind == RunKind::Undo && !record.undoes.empty())
        markJournal(journalDirectory, record.undoes, JournalMark::Redone, by);
}

} // namespace

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
    const std::vector<Move> moves = undoMoves(*record, scan, rows, kept);
    RunJournal journal(journalDirectory, RunKind::Undo, id);
    journal.useHeldFolder(&lock);
    RenameResult run = verifiedMoves(*record, moves, journal, settings, rows);
    if (run.refusal == RunRefusal::None)
        markUndone(journalDirectory, *record, journal.id());
    reportRows(run, rows, kept);
    return run;
}

} // namespace filvane
