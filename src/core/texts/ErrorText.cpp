#include "core/texts/ErrorText.h"

#include <cerrno>
#include <string_view>

namespace filvane {

namespace {

std::string withFinalDot(std::string text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
        text += '.';
    return text;
}

std::string ioErrorText(int code) {
    return withFinalDot("I/O error " + std::to_string(code));
}

} // namespace

std::string errorCodeText(int code) {
    std::string_view text;
    switch (static_cast<ErrorCode>(code)) {
    case ErrorCode::FileNotFound:
        text = "File not found";
        break;
    case ErrorCode::InvalidFilename:
        text = "Invalid filename";
        break;
    case ErrorCode::TooManyOpenFiles:
        text = "Too many open files";
        break;
    case ErrorCode::FileAccessDenied:
        text = "File access denied";
        break;
    case ErrorCode::ReadBeyondEnd:
        text = "Read beyond end of file";
        break;
    case ErrorCode::DiskFull:
        text = "Disk full";
        break;
    case ErrorCode::InvalidNumericInput:
        text = "Invalid numeric input";
        break;
    default:
        return ioErrorText(code);
    }
    return withFinalDot(std::string(text));
}

int errorCodeForErrno(int error) {
    switch (error) {
    case ENOENT:
        return static_cast<int>(ErrorCode::FileNotFound);
    case ENOTDIR:
    case ENAMETOOLONG:
        return static_cast<int>(ErrorCode::InvalidFilename);
    case EMFILE:
    case ENFILE:
        return static_cast<int>(ErrorCode::TooManyOpenFiles);
    case ENOSPC:
    case EDQUOT:
        return static_cast<int>(ErrorCode::DiskFull);
    case EACCES:
    case EPERM:
        return static_cast<int>(ErrorCode::FileAccessDenied);
    default:
        return 0;
    }
}

std::string hostErrorText(int error) {
    const int code = errorCodeForErrno(error);
    return code != 0 ? errorCodeText(code) : ioErrorText(error);
}

} // namespace filvane
