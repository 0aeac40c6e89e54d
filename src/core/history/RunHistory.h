#pragma once

#include "core/journal/RunJournal.h"
#include "core/run/Rename.h"

#include <optional>
#include <string>
#include <vector>

namespace filvane {

// What a front end tells the user about a journalled run, read from its journal and, by inode,
// from the folder as it is now.
struct RunSummary {
    std::string id;
    RunKind kind = RunKind::Rename; // a Recovery cut off is only ever finished
    std::string undoes;             // of an undo or a recovery: the run it deals with
    std::string folder;             // as recorded (absolute)
    // Found by its identity (device, inode): at the recorded path, or renamed beside it.
    // When not found the user may point at it (recoverRun's `folder`), or leave the run.
    bool folderFound = false;
    std::string folderNow;  // where it was found
    int fileCount = 0;      // files the run was to rename
    int renamedCount = 0;   // of them, under their new names now (as recorded, for a finished run)
    int temporaryCount = 0; // of them, under a temporary name now
};

// The newest run in `folder` that Undo would take back: finished, not an undo or recovery
// itself, not undone, and one that renamed something. None when there is nothing to undo.
std::optional<RunSummary> latestUndoableRun(const std::string &journalDirectory,
                                            const std::string &folder);

// Runs that were cut off (the process died) and wait for recovery, newest first, each counted
// from the disk as it is now. A run still going in another process is not one of them. On the
// way, journals are settled: plans cut off before they were whole (their run renamed nothing)
// are removed, a journal dealt with by a later undo or recovery (which planned from the disk
// after it) is marked settled, and a damaged journal is set aside, its id added to `setAside`
// so that it can be reported once. A front end asks for the next one after each recovery,
// never working from a list computed before.
std::vector<RunSummary> interruptedRuns(const std::string &journalDirectory,
                                        std::vector<std::string> *setAside = nullptr);
std::optional<RunSummary> nextInterruptedRun(const std::string &journalDirectory,
                                             std::vector<std::string> *setAside = nullptr);
// The interrupted runs whose folder is `folder` (by identity); none when it has no such run.
std::vector<RunSummary> interruptedRunsIn(const std::string &journalDirectory,
                                          const std::string &folder);

// Leaves a run cut off as it is, touching no file, so that it is never offered again; 0 or the
// errno of writing the mark.
int settleRun(const std::string &journalDirectory, const std::string &id);

// Takes back a finished run: each of its files found by inode under its new name gets its old
// name back, planned as any run (chains and rounds in reverse too), never replacing a file. A
// file renamed, deleted or replaced since is left alone: its row says so (RenamedSince with
// `nameNow`, ReplacedSince, or Failed with ENOENT). A file is taken for the run's only when its
// identity (FileIdentity) matches, checked on a descriptor just before each of its renames and
// again after: a file that took the inode number of a deleted one, or that was swapped in under
// the name meanwhile, is left alone and reported ReplacedSince. The undo is itself a run with its
// journal in `journalDirectory` (settings.journal is not used); undoing an undo redoes. Rows are in
// the order of the journal.
RenameResult undoRun(const std::string &journalDirectory, const std::string &id,
                     const RunSettings &settings = {});

enum class RecoveryChoice {
    Restore, // every file its name from before the run (the default)
    Finish,  // every file the name the run was to give it
    Leave,   // names stay as the run left them, but for files under a temporary name
};

// Deals with a run that was cut off, then marks it dealt with. Whatever the choice, a file under
// a temporary name gets one of its own names (the other when the chosen one is taken). Done as
// a run with its journal, like an undo, files checked by identity as there. A recovery that was
// itself cut off is finished whatever the choice (taking it back would bring back the state of
// the crash), and then the run it dealt with is settled as that recovery meant to. `folder`,
// when given, is where the user says the run's folder is now; it must be that folder (same
// identity). Leave settles the run even when its folder cannot be found.
RenameResult recoverRun(const std::string &journalDirectory, const std::string &id,
                        RecoveryChoice choice, const RunSettings &settings = {},
                        const std::string &folder = {});

} // namespace filvane
