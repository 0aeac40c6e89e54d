#include "DirectorySearch.h"
#include "SearchPattern.h"
#include "TempDir.h"
#include "Wildcard.h"

#include <gtest/gtest.h>

using namespace filvane;

struct MaskCase {
    const char *mask;
    const char *name;
    bool matches;
};

class WildcardTest : public ::testing::TestWithParam<MaskCase> {};

TEST_P(WildcardTest, Matches) {
    const MaskCase &c = GetParam();
    EXPECT_EQ(WildcardMask(c.mask).matches(c.name), c.matches) << c.mask << " vs " << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Masks, WildcardTest,
    ::testing::Values(MaskCase{"*.*", "README", true}, MaskCase{"*.*", "a.b.c", true},
                      MaskCase{"*", ".hidden", true}, MaskCase{"*.mp3", "song.mp3", true},
                      MaskCase{"*.MP3", "song.mp3", true}, MaskCase{"*.mp3", "SONG.MP3", true},
                      MaskCase{"*.mp3", "song.mp3.bak", false}, MaskCase{"*.mp3", "mp3", false},
                      MaskCase{"?.txt", "a.txt", true}, MaskCase{"?.txt", "ab.txt", false},
                      MaskCase{"?.txt", "\xc3\xa9.txt", true}, // one character, two bytes
                      MaskCase{"\xc5\x91*", "\xc5\x90szi dal.mp3", true}, // ő* vs Őszi
                      MaskCase{"*\xc3\x89*", "caf\xc3\xa9", true},        // É vs é
                      MaskCase{"*\xd0\xaf", "\xd1\x8f", true},            // Cyrillic Я vs я
                      MaskCase{"a*b*c", "aXbYbZc", true}, MaskCase{"a*b*c", "aXbYbZ", false},
                      MaskCase{"track ??.mp3", "track 05.mp3", true},
                      MaskCase{"*.t*", "notes.txt", true}, MaskCase{"a.*", "a", true},
                      MaskCase{"caf\xe9*", "caf\xe9.mp3", true}, // invalid UTF-8 byte for byte
                      MaskCase{"caf\xe9*", "caf\xc3\xa9.mp3", false}, MaskCase{"", "a", false},
                      MaskCase{"sub/*.mp3", "sub", false}));

TEST(SearchPattern, SplitsAndJoinsAtTheRoot) {
    EXPECT_EQ(joinSearchPattern("/music", "*.mp3"), "/music/*.mp3");
    EXPECT_EQ(joinSearchPattern("/", "*.mp3"), "/*.mp3");
    // A mask naming a path would list another directory: the pattern matches nothing.
    EXPECT_EQ(joinSearchPattern("/music", "sub/*.mp3"), "/music/");

    const auto check = [](const char *pattern, const char *directory, const char *mask) {
        const PatternParts parts = splitSearchPattern(pattern);
        EXPECT_EQ(parts.directory, directory) << pattern;
        EXPECT_EQ(parts.mask, mask) << pattern;
    };
    check("/music/*.mp3", "/music", "*.mp3");
    check("/*.mp3", "/", "*.mp3");
    check("//*.mp3", "/", "*.mp3");
    check("/music//*", "/music", "*");
    check("/music/", "/music", "");
}

TEST(DirectorySearch, MaskWithSeparatorListsNothingAndRootIsListed) {
    TempDir dir;
    dir.touch("a.mp3");
    std::filesystem::create_directory(dir.path() / "sub");
    dir.touch("sub/b.mp3");
    EXPECT_EQ(findFiles(joinSearchPattern(dir.str(), "sub/*.mp3")).names.size(), 0u);
    EXPECT_EQ(findFiles(joinSearchPattern(dir.str(), "*.mp3")).names.size(), 1u);

    // The re-listing after a run at the root doubles the separator: "//*" lists the root.
    const FileSearch root = findFiles("//*");
    EXPECT_EQ(root.error, 0);
    EXPECT_EQ(root.names, findFiles("/", "*").names);
    const FileSearch missing = findFiles(dir.str() + "/gone/*.*");
    EXPECT_EQ(missing.error, ENOENT);
}
