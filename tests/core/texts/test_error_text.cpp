#include "core/texts/ErrorText.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace filvane;

namespace {

std::string errorBoxText(int error) {
    return errorText(error, StoredTexts(), ErrorVoice::ErrorBox);
}

} // namespace

TEST(ErrorText, ErrnosReadAsTheirNamedCodeOrKeepTheirOwnNumber) {
    for (const int error : {ENOENT, EACCES, ENOTDIR, EMFILE, ENOSPC}) {
        const int code = errorCodeForErrno(error);
        ASSERT_NE(code, 0) << error;
        EXPECT_EQ(errorBoxText(error), errorCodeText(code)) << error;
        EXPECT_EQ(errorCodeText(code).back(), '.') << error; // letters end with a dot
    }
    // EIO is 5, which as a code reads "File access denied": an errno is never such a code.
    for (const int error : {EIO, EINTR, ELOOP}) {
        EXPECT_EQ(errorCodeForErrno(error), 0) << error;
        EXPECT_EQ(errorBoxText(error), "I/O error " + std::to_string(error) + ".");
    }
    EXPECT_EQ(errorCodeText(21), "I/O error 21.");
    EXPECT_EQ(errorCodeText(-1), "I/O error -1.");
}

// Each errno the program has words for, as the error box and as a report say it: the two voices
// tell different errors apart, and each falls back on the number where it has no words.
TEST(ErrorText, EachVoiceSaysAnErrnoInItsOwnWords) {
    struct Case {
        int error;
        std::string box;
        std::string report;
        std::string reportHungarian;
    };
    const std::string eio = std::to_string(EIO);
    const std::string notDir = std::to_string(ENOTDIR);
    const std::string exists = std::to_string(EEXIST);
    const std::string tooMany = std::to_string(EMFILE);
    const std::string readOnly = std::to_string(EROFS);
    const std::string other = "Other error, number ";
    const std::string otherHu = "Egyéb hiba, hibakód: ";
    const Case cases[] = {
        {ENOENT, "File not found.", "The file is gone", "A file eltűnt"},
        {EACCES, "File access denied.", "Access refused", "Hozzáférés megtagadva"},
        {EPERM, "File access denied.", "Access refused", "Hozzáférés megtagadva"},
        {ENOSPC, "Disk full.", "The disk is full", "A lemez megtelt"},
        {EDQUOT, "Disk full.", "The disk is full", "A lemez megtelt"},
        {ENAMETOOLONG, "Invalid filename.", "The name is not allowed", "A név nem megengedett"},
        {ENOTDIR, "Invalid filename.", other + notDir, otherHu + notDir},
        {EMFILE, "Too many open files.", other + tooMany, otherHu + tooMany},
        {EEXIST, "I/O error " + exists + ".", "A file of that name exists",
         "Már van ilyen nevű file"},
        {EROFS, "I/O error " + readOnly + ".", "Access refused", "Hozzáférés megtagadva"},
        {EINVAL, "I/O error " + std::to_string(EINVAL) + ".", "The name is not allowed",
         "A név nem megengedett"},
        {EISDIR, "I/O error " + std::to_string(EISDIR) + ".", "A folder has taken the file's place",
         "A file helyén most egy mappa van"},
        {EIO, "I/O error " + eio + ".", other + eio, otherHu + eio},
    };
    StoredTexts english;
    StoredTexts hungarian;
    hungarian.apply(Language::Hungarian);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.error);
        EXPECT_EQ(errorText(c.error, english, ErrorVoice::ErrorBox), c.box);
        // The error box reads the same in every language; a report follows the language.
        EXPECT_EQ(errorText(c.error, hungarian, ErrorVoice::ErrorBox), c.box);
        EXPECT_EQ(errorText(c.error, english), c.report);
        EXPECT_EQ(errorText(c.error, hungarian), c.reportHungarian);
        EXPECT_EQ(reportReason(c.error) == UiText::ReasonOtherError, c.report.starts_with(other));
    }
}
