#pragma once

#include "core/Rename.h"
#include "core/RunJournal.h"

#include <optional>
#include <string>
#include <vector>

namespace filvane {

// What a front end tells the user about a journalled run, read from its journal and, by inode,
// from the folder as it is now.
struct RunSummary {
    std::string id;
    RunKind kind = RunKind::Rename;
    std::string folder;
    bool folderFound = false; // the recorded folder is still there, the same folder
    int fileCount = 0;        // files the run was to rename
    int renamedCount = 0;   // of them, under their new names now (as recorded, for a finished run)
    int temporaryCount = 0; // of them, under a temporary name now
};

// The newest run in `folder` that Undo would take back: finished, not an undo or recovery
// itself, not undone, and one that renamed something. None when there is nothing to undo.
std::optional<RunSummary> latestUndoableRun(const std::string &journalDirectory,
                                            const std::string &folder);

// Runs that were cut off (the process died) and wait for recovery, oldest first. A run still
// going in another process is not one of them. Plans cut off before they were whole (their run
// renamed nothing) are removed on the way.
std::vector<RunSummary> interruptedRuns(const std::string &journalDirectory);

// Takes back a finished run: each of its files found by inode under its new name gets its old
// name back, planned as any run (chains and rounds in reverse too), never replacing a file. A
// file renamed, deleted or replaced since is left alone: its row says so (RenamedSince with
// `nameNow`, ReplacedSince, or Failed with ENOENT). The undo is itself a run with its journal
// in `journalDirectory` (settings.journal is not used); undoing an undo redoes. Rows are in
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
// a run with its journal, like an undo.
RenameResult recoverRun(const std::string &journalDirectory, const std::string &id,
                        RecoveryChoice choice, const RunSettings &settings = {});

} // namespace filvane
