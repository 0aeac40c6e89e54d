#include "core/listing/FilterText.h"

#include <gtest/gtest.h>

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

TEST(FilterText, TheReadDialogsEntriesAreEachADescriptionAndAMask) {
    // A bar too many or too few would shift masks into descriptions from there on.
    const std::vector<FilterEntry> entries = parseFilterText(ReadFilterText);
    ASSERT_FALSE(entries.empty());
    for (const FilterEntry &entry : entries) {
        EXPECT_FALSE(entry.description.empty()) << entry.mask;
        EXPECT_EQ(entry.mask.rfind("*.", 0), 0u) << entry.description;
    }
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
