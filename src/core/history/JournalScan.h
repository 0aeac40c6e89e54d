#pragma once

#include "core/journal/RunJournal.h"

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

} // namespace filvane
