#include "TempDir.h"
#include "core/listing/DirectorySearch.h"
#include "core/listing/SearchPattern.h"
#include "core/listing/Wildcard.h"

#include <gtest/gtest.h>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

using namespace filvane;

namespace {

std::string utf8(char32_t c) {
    char bytes[4];
    int32_t length = 0;
    U8_APPEND_UNSAFE(bytes, length, static_cast<UChar32>(c));
    return std::string(bytes, static_cast<size_t>(length));
}

bool isCharacter(char32_t c) {
    return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF);
}

// Whether two characters match each other in masks, alone and among wildcards and other
// letters ("*.x3" is a mask of the kind matched from the end), in both directions.
::testing::AssertionResult matchBothWays(char32_t a, char32_t b) {
    for (const auto &[x, y] : {std::pair{a, b}, std::pair{b, a}}) {
        const std::string mx = utf8(x), ny = utf8(y);
        if (!WildcardMask(mx).matches(ny) ||
            !WildcardMask("*" + mx + "?.mp3").matches("a" + ny + "b.MP3") ||
            !WildcardMask("x" + mx + "*").matches("X" + ny) ||
            !WildcardMask("?" + mx).matches(ny + ny) ||
            !WildcardMask("*." + mx + "3").matches("a.b." + ny + "3"))
            return ::testing::AssertionFailure()
                   << std::hex << "U+" << uint32_t(x) << " vs U+" << uint32_t(y);
    }
    return ::testing::AssertionSuccess();
}

} // namespace

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

// Unicode's simple case folding, the whole Basic Multilingual Plane: every character matches
// its folded form, and a character matches its neighbour only where both fold alike.
TEST(WildcardCase, EverySimpleCaseFoldingPairUpToFFFFMatches) {
    int pairs = 0;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        if (!isCharacter(c))
            continue;
        const auto folded =
            static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
        if (folded != c) {
            ++pairs;
            EXPECT_TRUE(matchBothWays(c, folded));
        }
        const char32_t next = c + 1;
        const auto nextFolded =
            static_cast<char32_t>(u_foldCase(static_cast<UChar32>(next), U_FOLD_CASE_DEFAULT));
        const bool wildcard = c == U'*' || c == U'?';
        if (isCharacter(next) && nextFolded != folded && !wildcard) {
            EXPECT_FALSE(WildcardMask(utf8(c)).matches(utf8(next))) << std::hex << uint32_t(c);
        }
    }
    EXPECT_GT(pairs, 1100); // Unicode 15 has about 1,200 such pairs below U+10000
}

// The same from another table: the simple upper, lower and title case mappings. They pair the
// same characters, but for the Turkish dotted and dotless i, which folding leaves apart so that
// "I" keeps matching "i".
TEST(WildcardCase, EveryCaseMappingPairUpToFFFFMatches) {
    int pairs = 0;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        if (!isCharacter(c) || c == 0x130 || c == 0x131)
            continue;
        const auto u = static_cast<UChar32>(c);
        for (const UChar32 mapped : {u_tolower(u), u_toupper(u), u_totitle(u)}) {
            if (mapped == u || mapped > 0xFFFF)
                continue;
            ++pairs;
            EXPECT_TRUE(matchBothWays(c, static_cast<char32_t>(mapped)));
        }
    }
    EXPECT_GT(pairs, 2000);
}

TEST(WildcardCase, LettersOfManyScripts) {
    const std::pair<const char *, const char *> pairs[] = {
        {"\xc8\x98", "\xc8\x99"},                 // Ș ș Romanian
        {"\xc8\x9a", "\xc8\x9b"},                 // Ț ț
        {"\xce\x86", "\xce\xac"},                 // Ά ά Greek with tonos
        {"\xd2\x90", "\xd2\x91"},                 // Ґ ґ Ukrainian
        {"\xc5\x81", "\xc5\x82"},                 // Ł ł
        {"\xc5\x83", "\xc5\x84"},                 // Ń ń
        {"\xd0\x81", "\xd1\x91"},                 // Ё ё
        {"\xc5\x90", "\xc5\x91"},                 // Ő ő Hungarian
        {"\xd5\x80", "\xd5\xb0"},                 // Հ հ Armenian
        {"\xe1\x82\xa0", "\xe2\xb4\x80"},         // Ⴀ ⴀ Georgian
        {"\xf0\x90\x90\x80", "\xf0\x90\x90\xa8"}, // 𐐀 𐐨 Deseret, beyond U+FFFF
    };
    for (const auto &[upper, lower] : pairs) {
        EXPECT_TRUE(WildcardMask(std::string("*") + upper + "*.mp3")
                        .matches(std::string("x") + lower + ".MP3"))
            << upper;
        EXPECT_TRUE(WildcardMask(std::string(lower) + "?").matches(std::string(upper) + "a"))
            << lower;
    }
    // Characters outside ASCII that fold into it: the Kelvin sign and the long s.
    EXPECT_TRUE(WildcardMask("*.m\xe2\x84\xaa").matches("a.mk"));
    EXPECT_TRUE(WildcardMask("*.mk").matches("a.M\xe2\x84\xaa"));
    EXPECT_TRUE(WildcardMask("*.\xc5\xbfo").matches("a.SO"));
    // Final sigma, small sigma and capital sigma are one letter.
    EXPECT_TRUE(WildcardMask("*\xcf\x82").matches("\xce\xa3"));
    EXPECT_TRUE(WildcardMask("*\xcf\x82").matches("\xcf\x83"));
    // Letters that only look alike stay apart: Latin A, Cyrillic А, Greek Α.
    EXPECT_FALSE(WildcardMask("a*").matches("\xd0\x90"));
    EXPECT_FALSE(WildcardMask("a*").matches("\xce\x91"));
    // Bytes that are not UTF-8 compare as bytes: no case, and never equal to a character.
    EXPECT_TRUE(WildcardMask("CAF\xe9*").matches("caf\xe9.mp3"));
    EXPECT_FALSE(WildcardMask("caf\xe9*").matches("caf\xc9.mp3"));
    EXPECT_FALSE(WildcardMask("caf\xc3\xa9*").matches("caf\xe9.mp3"));
    EXPECT_TRUE(WildcardMask("a?b").matches("A\xff"
                                            "B"));
    EXPECT_TRUE(WildcardMask("*\xc3").matches("x\xc3")); // a sequence cut at the end
}
