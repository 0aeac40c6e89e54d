#pragma once

#include <string>

namespace filvane {

// The codes the read dialog's error box names when a folder or drive cannot be opened: a small,
// fixed set of numbers with words of their own, so that the box reads the same on every system;
// any other code reads "I/O error N".
enum class ErrorCode : int {
    FileNotFound = 2,
    InvalidFilename = 3,
    TooManyOpenFiles = 4,
    FileAccessDenied = 5,
    ReadBeyondEnd = 100,
    DiskFull = 101,
    InvalidNumericInput = 106,
};

// The error display's text for a code, with a "." added when the text ends in a character
// that sorts after "." (letters and digits do).
std::string errorCodeText(int code);

// The text for an errno of this system. Errors with a named code use its words; every other errno
// reads "I/O error N." with the errno itself. Such an errno is never looked up in the code table,
// where it could land on unrelated words (EIO is 5, which would read "File access denied").
std::string hostErrorText(int error);

// The named code an errno maps onto, or 0 when it has none.
int errorCodeForErrno(int error);

} // namespace filvane
