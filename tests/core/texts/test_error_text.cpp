#include "core/texts/ErrorText.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace filvane;

TEST(ErrorText, ErrnosReadAsTheirNamedCodeOrKeepTheirOwnNumber) {
    for (const int error : {ENOENT, EACCES, ENOTDIR, EMFILE, ENOSPC}) {
        const int code = errorCodeForErrno(error);
        ASSERT_NE(code, 0) << error;
        EXPECT_EQ(hostErrorText(error), errorCodeText(code)) << error;
        EXPECT_EQ(errorCodeText(code).back(), '.') << error; // letters end with a dot
    }
    // EIO is 5, which as a code reads "File access denied": an errno is never such a code.
    for (const int error : {EIO, EINTR, ELOOP}) {
        EXPECT_EQ(errorCodeForErrno(error), 0) << error;
        EXPECT_EQ(hostErrorText(error), "I/O error " + std::to_string(error) + ".");
    }
    EXPECT_EQ(errorCodeText(21), "I/O error 21.");
    EXPECT_EQ(errorCodeText(-1), "I/O error -1.");
}
