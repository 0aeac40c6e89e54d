#pragma once

#include "core/history/JournalScan.h"
#include "core/run/Rename.h"

#include <string>
#include <vector>

namespace filvane {

// Leaves a run cut off as it is, touching no file, so that it is never offered again; 0 or the
// errno of writing the mark.
int settleRun(const std::string &journalDirectory, const std::string &id);

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

// The answers a front end offers for an interrupted run.
enum class RecoveryAnswer {
    Restore,
    Finish,
    PointAtFolder, // the run's folder was not found: the user says where it is now
    Leave,         // also what closing the question means
};
struct RecoveryOffer {
    std::vector<RecoveryAnswer> answers; // in the order they are shown, Leave last
    RecoveryAnswer preferred = RecoveryAnswer::Restore;
};

// What to offer for `run`: a run whose folder is not found is dealt with once the user points
// at it; a recovery that was itself cut off can only be finished (taking it back would bring
// back the state of the crash); any other run is restored by default.
RecoveryOffer recoveryOffer(const RunSummary &run);
// The recovery `answer` asks for (PointAtFolder: the one made in the folder pointed at).
RecoveryChoice recoveryChoiceFor(RecoveryAnswer answer, const RunSummary &run);

} // namespace filvane
