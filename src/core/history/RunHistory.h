#pragma once

// The runs after a run: the scan of the kept journals (which run to undo, which were cut off),
// the undo of a finished run and the recovery of one cut off. Each is a run of its own, with its
// journal, that moves only the files it finds by identity.
#include "core/history/JournalScan.h"
#include "core/history/RunRecovery.h"
#include "core/history/RunUndo.h"
