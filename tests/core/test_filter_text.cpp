#include "core/ErrorText.h"
#include "core/FilterText.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace filvane;

namespace {

std::vector<std::pair<std::string, std::string>> pairs(std::string_view text) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const FilterEntry &entry : parseFilterText(text))
        out.emplace_back(entry.description, entry.mask);
    return out;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

} // namespace

TEST(FilterText, ReadDialogTableInOrder) {
    const std::vector<FilterEntry> entries = parseFilterText(ReadFilterText);
    ASSERT_EQ(entries.size(), 14u);
    EXPECT_EQ(entries.front().description, "All files (*.*)");
    EXPECT_EQ(entries.front().mask, "*.*");
    EXPECT_EQ(entries[6].description, "HTML files");
    EXPECT_EQ(entries[6].mask, "*.html");
    EXPECT_EQ(entries.back().description, "DBase");
    EXPECT_EQ(entries.back().mask, "*.dbf");
}

TEST(FilterText, BarsDecideWhatIsKept) {
    EXPECT_EQ(pairs(""), Pairs{});
    EXPECT_EQ(pairs("no bar at all"), Pairs{});
    // The mask runs to the end when no bar follows it.
    EXPECT_EQ(pairs("Text|*.txt"), (Pairs{{"Text", "*.txt"}}));
    // A description with no bar behind it is dropped.
    EXPECT_EQ(pairs("Text|*.txt|Orphan"), (Pairs{{"Text", "*.txt"}}));
    // A description with a bar but nothing after it gets an empty mask.
    EXPECT_EQ(pairs("Text|*.txt|Last|"), (Pairs{{"Text", "*.txt"}, {"Last", ""}}));
    EXPECT_EQ(pairs("|*.a||"), (Pairs{{"", "*.a"}, {"", ""}}));
    EXPECT_EQ(pairs("A|a|B|b|C"), (Pairs{{"A", "a"}, {"B", "b"}}));
}

TEST(FilterText, MaskOfSelection) {
    const std::vector<FilterEntry> entries = parseFilterText("A|*.a|B|*.b");
    EXPECT_EQ(filterMask(entries, 0), "*.a");
    EXPECT_EQ(filterMask(entries, 1), "*.b");
    EXPECT_EQ(filterMask(entries, -1), "*.b"); // no selection: the last row
    EXPECT_EQ(filterMask(entries, 7), "*.b");
    EXPECT_EQ(filterMask({}, 0), "*.*");
    EXPECT_EQ(filterMask({}, -1), "*.*");
}

TEST(ErrorText, CodesWithTheDotRule) {
    EXPECT_EQ(errorCodeText(2), "File not found.");
    EXPECT_EQ(errorCodeText(3), "Invalid filename.");
    EXPECT_EQ(errorCodeText(4), "Too many open files.");
    EXPECT_EQ(errorCodeText(5), "File access denied.");
    EXPECT_EQ(errorCodeText(100), "Read beyond end of file.");
    EXPECT_EQ(errorCodeText(101), "Disk full.");
    EXPECT_EQ(errorCodeText(106), "Invalid numeric input.");
    EXPECT_EQ(errorCodeText(21), "I/O error 21.");
    EXPECT_EQ(errorCodeText(-1), "I/O error -1.");
}

TEST(ErrorText, HostErrorsMapOntoTheCodes) {
    EXPECT_EQ(hostErrorText(ENOENT), "File not found.");
    EXPECT_EQ(hostErrorText(EACCES), "File access denied.");
    EXPECT_EQ(hostErrorText(EPERM), "File access denied.");
    EXPECT_EQ(hostErrorText(ENOTDIR), "Invalid filename.");
    EXPECT_EQ(hostErrorText(ENAMETOOLONG), "Invalid filename.");
    EXPECT_EQ(hostErrorText(EMFILE), "Too many open files.");
    EXPECT_EQ(hostErrorText(ENFILE), "Too many open files.");
    EXPECT_EQ(hostErrorText(ENOSPC), "Disk full.");
    EXPECT_EQ(hostErrorText(EDQUOT), "Disk full.");
    // Other errnos keep their own number, even where it equals a named code.
    EXPECT_EQ(hostErrorText(EIO), "I/O error " + std::to_string(EIO) + ".");
    EXPECT_EQ(hostErrorText(EINTR), "I/O error " + std::to_string(EINTR) + ".");
    EXPECT_EQ(hostErrorText(ELOOP), "I/O error " + std::to_string(ELOOP) + ".");
}
