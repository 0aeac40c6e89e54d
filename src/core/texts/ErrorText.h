#pragma once

#include "core/texts/TextTable.h"

#include <string>

namespace filvane {

// The codes the read dialog's error box names when a folder or drive cannot be opened: a small,
// fixed set of numbers with words of their own, so that the box reads the same on every system
// and in every language; any other code reads "I/O error N".
enum class ErrorCode : int {
    FileNotFound = 2,
    InvalidFilename = 3,
    TooManyOpenFiles = 4,
    FileAccessDenied = 5,
    ReadBeyondEnd = 100,
    DiskFull = 101,
    InvalidNumericInput = 106,
};

// Who says what the system refused. The read dialog's error box speaks the fixed words of the
// codes above; the reports after a run and the command line speak the text table's words in
// the current language. Each has words for some errors only; the others read with their number.
enum class ErrorVoice { ErrorBox, Report };

// An errno of this system in words of `voice`, with the number where no words fit: the one place
// where an errno becomes words. The error box's words are the same in every language, so
// `texts` is read by a report only.
std::string errorText(int error, const StoredTexts &texts, ErrorVoice voice = ErrorVoice::Report);

// The table entry a report says an errno with; ReasonOtherError, which takes the number, where
// none fits.
UiText reportReason(int error);

// The error box's text for a code, with a "." added when the text ends in a character that
// sorts after "." (letters and digits do).
std::string errorCodeText(int code);

// The named code an errno maps onto, or 0 when it has none. Such an errno is never looked up in
// the code table, where it could land on unrelated words (EIO is 5, "File access denied").
int errorCodeForErrno(int error);

} // namespace filvane
