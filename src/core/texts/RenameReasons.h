#pragma once

#include "core/run/Rename.h"
#include "core/texts/ErrorText.h"
#include "core/texts/TextTable.h"

#include <string>
#include <string_view>
#include <vector>

namespace filvane {

// A row the user is told about after a run: it was to be renamed and kept its name. Blank rows
// had nothing to rename, and rows a stopped run never reached were not tried.
bool isFailure(const RowOutcome &row);

// The rows of a run that are failures, top to bottom.
std::vector<RowOutcome> failedRows(const std::vector<RowOutcome> &rows);

// The rows a run tried (renamed, failed or refused); the report counts its failures out of these.
int triedRowCount(const std::vector<RowOutcome> &rows);

// The table entry whose words say why a failed row kept its name.
UiText failureReason(const RowOutcome &row);

// Those words in the current language, with the error number where no words fit, and the name
// the file bears now when that is neither of its names.
std::string failureReasonText(const RowOutcome &row, const StoredTexts &texts);

// Whether a run leaves anything to tell after it: a refusal, a failed row, or rows a stop left
// untried. A run with nothing to tell need not be kept once it is over.
bool leavesSomethingToTell(const RenameResult &run);

// Why a run renamed nothing at all, in the current language; empty when it was not refused.
std::string refusalText(const RenameResult &run, const StoredTexts &texts);

// What the drive is and how names are changed on it, in one line of the current language
// ("exFAT through FUSE: no atomic no-replace rename here; each new name is reserved first").
std::string driveText(const DriveFacts &drive, const StoredTexts &texts);

// A file name as a user can read it: valid UTF-8 stays, every other byte and every control
// character reads "\xNN", so two names that differ in undecodable bytes still read differently.
std::string readableName(std::string_view bytes);

} // namespace filvane
