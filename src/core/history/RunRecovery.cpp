#include "core/history/RunRecovery.h"

#include "core/history/CheckedMoves.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace filvane {

using namespace history;

namespace {

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

// Once a run cut off has been dealt with: the marks that say so, and what its being dealt with
// means for the run it in turn dealt with, if it was an undo or a recovery.
void settleDealtWith(const std::string &journalDirectory, const JournalRecord &record,
                     RecoveryChoice choice, const std::string &by) {
    const FolderScan after(record);
    markJournal(journalDirectory, record.id, JournalMark::Complete, {},
                after.count(record).renamed);
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
                scan.count(located).renamed);
    if (record.intent == "restore")
        markJournal(journalDirectory, target->id, JournalMark::Undone, record.id);
}

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
            if (!isPrivateName(name))
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

// A run whose folder is not found can only be left: that needs no folder, and the run is never
// offered again.
RenameResult leaveWithoutFolder(const std::string &journalDirectory, const std::string &id,
                                RecoveryChoice choice) {
    if (choice != RecoveryChoice::Leave)
        return refused(RunRefusal::FolderChanged, 0);
    if (const int error = settleRun(journalDirectory, id))
        return refused(RunRefusal::JournalNotWritten, error);
    return {};
}

// Looked at again once the folder is held: another process may have dealt with it meanwhile.
bool stillWaiting(const std::string &journalDirectory, const std::string &id) {
    const std::optional<JournalRecord> now =
        readJournal(journalDirectory, id, JournalPart::WithoutSteps);
    return now && !now->complete && !now->settled && !journalInUse(journalDirectory, id);
}

// A run cut off may have left a reservation of one of its names.
void dropReservations(const JournalRecord &record, const RunSettings &settings) {
    NoReplaceRenamer renamer(record.folder, settings.method, settings.calls);
    if (renamer.way() != RenameWay::Reserve)
        return;
    for (const RecordedStep &step : record.steps) {
        renamer.dropReservation(step.after);
        renamer.dropReservation(step.before);
    }
}

// The rounds (by number) with a file under a temporary name. Leaving names as they are cannot
// leave such a round: its names are held by its other files, so it is taken back.
std::vector<char> roundsTakenBack(const JournalRecord &record,
                                  const std::vector<FolderScan::Located> &found) {
    std::vector<char> takenBack;
    for (size_t i = 0; i < record.steps.size(); ++i) {
        const int round = record.steps[i].round;
        if (found[i].where == FolderScan::Where::Temporary && round > 0) {
            takenBack.resize(std::max<size_t>(takenBack.size(), size_t(round) + 1), 0);
            takenBack[round] = 1;
        }
    }
    return takenBack;
}

// Whether a file found `where` moves when its step is restored or finished (neither: left).
bool moves(FolderScan::Where where, bool restore, bool finish) {
    using Where = FolderScan::Where;
    return where == Where::Temporary || ((restore || finish) && where == Where::InRound) ||
           (restore && where == Where::After) || (finish && where == Where::Before);
}

// The moves the choice asks for; a file renamed or gone since gets its row in `rows`, its
// names kept in `kept`.
std::vector<Move> recoveryMoves(const JournalRecord &record, const FolderScan &scan,
                                RecoveryChoice choice, std::vector<RowOutcome> &rows,
                                NameStore &kept) {
    using Where = FolderScan::Where;
    std::vector<FolderScan::Located> found;
    found.reserve(record.steps.size());
    for (const RecordedStep &step : record.steps)
        found.push_back(scan.locate(step));
    const std::vector<char> takenBack = roundsTakenBack(record, found);
    const bool finish = choice == RecoveryChoice::Finish;
    std::vector<Move> moved;
    for (size_t i = 0; i < record.steps.size(); ++i) {
        const RecordedStep &step = record.steps[i];
        const FolderScan::Located &at = found[i];
        const bool restore =
            choice == RecoveryChoice::Restore ||
            (choice == RecoveryChoice::Leave && step.round > 0 &&
             static_cast<size_t>(step.round) < takenBack.size() && takenBack[step.round]);
        const std::string &wanted = finish ? step.after : step.before;
        if (moves(at.where, restore, finish))
            moved.push_back(
                {std::string(at.name), wanted, static_cast<int>(i), {step.inode, at.directory}});
        else if (at.where == Where::Elsewhere ||
                 (at.where == Where::Gone && choice != RecoveryChoice::Leave))
            leaveAlone(scan, step, at, wanted, rows[i], kept);
    }
    return moved;
}

// The files still under a temporary name after the moves, their chosen name taken: each to the
// other name of its own.
std::vector<Move> toOtherNames(const JournalRecord &record, const std::vector<Move> &moved,
                               const std::vector<RowOutcome> &rows) {
    std::vector<Move> others;
    for (const Move &move : moved) {
        const RowOutcome &row = rows[move.step];
        if (row.outcome != RenameOutcome::Renamed && row.outcome != RenameOutcome::ReplacedSince &&
            isPrivateName(move.from)) {
            const RecordedStep &step = record.steps[move.step];
            others.push_back({move.from, move.to == step.before ? step.after : step.before,
                              move.step, move.found});
        }
    }
    return others;
}

// A file still under a temporary name, its chosen name taken, gets the other name of its own,
// in a second run; its names join `run`'s.
void moveToOtherNames(const std::string &journalDirectory, const JournalRecord &record,
                      RecoveryChoice choice, const RunSettings &settings, const FolderLock &lock,
                      const std::vector<Move> &moved, std::vector<RowOutcome> &rows,
                      RenameResult &run) {
    const std::vector<Move> others = toOtherNames(record, moved, rows);
    if (others.empty())
        return;
    RunJournal second(journalDirectory, RunKind::Recovery, record.id, intentWord(choice));
    second.useHeldFolder(&lock);
    run.names.absorb(verifiedMoves(record, others, second, settings, rows).names);
}

} // namespace

int settleRun(const std::string &journalDirectory, const std::string &id) {
    return markJournal(journalDirectory, id, JournalMark::Settled);
}

RenameResult recoverRun(const std::string &journalDirectory, const std::string &id,
                        RecoveryChoice choice, const RunSettings &settings,
                        const std::string &folder) {
    RunRefusal refusal;
    std::optional<JournalRecord> record = openRun(journalDirectory, id, folder, refusal);
    if (refusal == RunRefusal::JournalNotWritten)
        return refused(refusal, ENOENT);
    if (record->complete || record->settled)
        return {};
    if (refusal == RunRefusal::FolderChanged)
        return leaveWithoutFolder(journalDirectory, id, choice);
    // Taking back a recovery would bring back the names of the crash, temporary ones too.
    if (record->kind == RunKind::Recovery)
        choice = RecoveryChoice::Finish;
    FolderLock lock;
    if (RenameResult busy; !holdFolder(journalDirectory, *record, lock, busy))
        return busy;
    if (!stillWaiting(journalDirectory, id))
        return {};
    // Second names first, and again at the end: a recovery killed after its own moves ended
    // (its journal complete) has then left none of the run's behind for nobody to find.
    removeSecondNames(*record, settings.calls);
    const FolderScan scan(*record);
    if (!scan.found())
        return refused(RunRefusal::FolderChanged, 0);
    dropReservations(*record, settings);
    std::vector<RowOutcome> rows = blankRows(*record);
    NameStore kept; // the names of rows left alone
    const std::vector<Move> moved = recoveryMoves(*record, scan, choice, rows, kept);
    RunJournal journal(journalDirectory, RunKind::Recovery, id, intentWord(choice));
    journal.useHeldFolder(&lock);
    RenameResult run = verifiedMoves(*record, moved, journal, settings, rows);
    if (run.refusal != RunRefusal::None)
        return run;
    moveToOtherNames(journalDirectory, *record, choice, settings, lock, moved, rows, run);
    removeSecondNames(*record, settings.calls);
    settleDealtWith(journalDirectory, *record, choice, journal.id());
    reportRows(run, rows, kept);
    return run;
}

RecoveryOffer recoveryOffer(const RunSummary &run) {
    using Answer = RecoveryAnswer;
    if (!run.folderFound)
        return {{Answer::PointAtFolder, Answer::Leave}, Answer::PointAtFolder};
    if (run.kind == RunKind::Recovery)
        return {{Answer::Finish, Answer::Leave}, Answer::Finish};
    return {{Answer::Restore, Answer::Finish, Answer::Leave}, Answer::Restore};
}

RecoveryChoice recoveryChoiceFor(RecoveryAnswer answer, const RunSummary &run) {
    switch (answer) {
    case RecoveryAnswer::Finish:
        return RecoveryChoice::Finish;
    case RecoveryAnswer::Leave:
        return RecoveryChoice::Leave;
    case RecoveryAnswer::PointAtFolder:
        return run.kind == RunKind::Recovery ? RecoveryChoice::Finish : RecoveryChoice::Restore;
    case RecoveryAnswer::Restore:
        break;
    }
    return RecoveryChoice::Restore;
}

} // namespace filvane
