#pragma once

#include "core/history/FolderScan.h"
#include "core/journal/FolderLock.h"
#include "core/journal/RunJournal.h"
#include "core/listing/ListedFile.h"
#include "core/plan/NameStore.h"
#include "core/run/Rename.h"

#include <string>
#include <vector>

// An undo and a recovery are runs of their own, planned from a journal and the folder as it is
// now: the steps they share.
namespace filvane::history {

// One file to move back or on: where it is, the name it is to get, its step in the journal,
// and the file as the scan found it.
struct Move {
    std::string from;
    std::string to;
    int step;
    ListedFile found;
};

RenameResult refused(RunRefusal refusal, int error);

// Holds the run's folder for an undo or a recovery, from its look at the files to its end; false,
// with `busy` the refusal, when another process holds it.
bool holdFolder(const std::string &journalDirectory, const JournalRecord &record, FolderLock &lock,
                RenameResult &busy);

// A row for each step of the journal, numbered from 1, each Blank until something is said of it.
std::vector<RowOutcome> blankRows(const JournalRecord &record);

// The report row of a file left alone, or none when the file is where the plan wants it. Its
// names are kept in `names`.
void leaveAlone(const FolderScan &scan, const RecordedStep &step, const FolderScan::Located &at,
                const std::string &wanted, RowOutcome &row, NameStore &names);

// Renames the moves as one run with its journal, each file checked by identity at its rename;
// outcomes go to `rows[step]`, their names staying in the names of the run returned. A file found
// not to be the run's is reported ReplacedSince and keeps its name.
RenameResult verifiedMoves(const JournalRecord &record, const std::vector<Move> &moves,
                           RunJournal &journal, const RunSettings &settings,
                           std::vector<RowOutcome> &rows);

// Gives `run` the rows that say something (files moved, failed or left alone) and the names of
// the rows left alone, `kept`.
void reportRows(RenameResult &run, std::vector<RowOutcome> &rows, NameStore &kept);

} // namespace filvane::history
