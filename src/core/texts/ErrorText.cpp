#include "core/texts/ErrorText.h"

#include <cerrno>
#include <optional>
#include <string_view>

namespace filvane {

namespace {

// What an errno says happened, in the terms either voice has words for. Errors that one voice
// says alike stay apart here where the other tells them apart.
enum class ErrorMeaning {
    Unknown,
    NotFound,         // ENOENT
    NotAFolder,       // ENOTDIR: a part of the path is a file
    NameTooLong,      // ENAMETOOLONG
    NameRefused,      // EINVAL, EILSEQ: a file system that takes only names in its own encoding
    NameExists,       // EEXIST, ENOTEMPTY: the new name is held by a directory
    TooManyOpenFiles, // EMFILE, ENFILE
    AccessRefused,    // EACCES, EPERM
    ReadOnlyDrive,    // EROFS
    DiskFull,         // ENOSPC, EDQUOT
    IsAFolder,        // EISDIR
};

ErrorMeaning errorMeaning(int error) {
    switch (error) {
    case ENOENT:
        return ErrorMeaning::NotFound;
    case ENOTDIR:
        return ErrorMeaning::NotAFolder;
    case ENAMETOOLONG:
        return ErrorMeaning::NameTooLong;
    case EINVAL:
    case EILSEQ:
        return ErrorMeaning::NameRefused;
    case EEXIST:
    case ENOTEMPTY:
        return ErrorMeaning::NameExists;
    case EMFILE:
    case ENFILE:
        return ErrorMeaning::TooManyOpenFiles;
    case EACCES:
    case EPERM:
        return ErrorMeaning::AccessRefused;
    case EROFS:
        return ErrorMeaning::ReadOnlyDrive;
    case ENOSPC:
    case EDQUOT:
        return ErrorMeaning::DiskFull;
    case EISDIR:
        return ErrorMeaning::IsAFolder;
    default:
        return ErrorMeaning::Unknown;
    }
}

std::optional<ErrorCode> errorBoxCode(ErrorMeaning meaning) {
    switch (meaning) {
    case ErrorMeaning::NotFound:
        return ErrorCode::FileNotFound;
    case ErrorMeaning::NotAFolder:
    case ErrorMeaning::NameTooLong:
        return ErrorCode::InvalidFilename;
    case ErrorMeaning::TooManyOpenFiles:
        return ErrorCode::TooManyOpenFiles;
    case ErrorMeaning::AccessRefused:
        return ErrorCode::FileAccessDenied;
    case ErrorMeaning::DiskFull:
        return ErrorCode::DiskFull;
    default:
        return std::nullopt;
    }
}

UiText reportEntry(ErrorMeaning meaning) {
    switch (meaning) {
    case ErrorMeaning::NameExists:
        return UiText::ReasonNameExists;
    case ErrorMeaning::NotFound:
        return UiText::ReasonFileGone;
    case ErrorMeaning::NameTooLong:
    case ErrorMeaning::NameRefused:
        return UiText::ReasonNameNotAllowed;
    case ErrorMeaning::AccessRefused:
    case ErrorMeaning::ReadOnlyDrive:
        return UiText::ReasonAccessRefused;
    case ErrorMeaning::DiskFull:
        return UiText::ReasonDiskFull;
    case ErrorMeaning::IsAFolder:
        return UiText::ReasonBecameFolder;
    default:
        return UiText::ReasonOtherError;
    }
}

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
    const std::optional<ErrorCode> code = errorBoxCode(errorMeaning(error));
    return code ? static_cast<int>(*code) : 0;
}

UiText reportReason(int error) {
    return reportEntry(errorMeaning(error));
}

std::string errorText(int error, const StoredTexts &texts, ErrorVoice voice) {
    if (voice == ErrorVoice::ErrorBox) {
        const int code = errorCodeForErrno(error);
        return code != 0 ? errorCodeText(code) : ioErrorText(error);
    }
    const UiText reason = reportReason(error);
    return reason == UiText::ReasonOtherError ? fillText(texts[reason], {std::to_string(error)})
                                              : texts[reason];
}

} // namespace filvane
