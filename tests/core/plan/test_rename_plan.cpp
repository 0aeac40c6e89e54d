#include "RenameTestSupport.h"

using namespace filvane;

TEST(ComposeNewName, FourCompositionsAndNumbersOnly) {
    const auto compose = [](bool numbering, bool keep, bool numbersOnly, const char *chosen) {
        return composeNewName({numbering, keep, numbersOnly, chosen}, "a.b.mp3", "07", "Intro");
    };
    EXPECT_EQ(compose(true, true, false, ".txt"), "07 - Intro.mp3");
    EXPECT_EQ(compose(true, false, false, ".txt"), "07 - Intro.txt");
    EXPECT_EQ(compose(false, true, false, ".txt"), "Intro.mp3");
    EXPECT_EQ(compose(false, false, false, ".txt"), "Intro.txt");
    // Numbers only: the number alone, and the typed name plays no part.
    EXPECT_EQ(compose(true, true, true, ".txt"), "07.mp3");
    EXPECT_EQ(compose(false, false, true, ".txt"), "07.txt");
    // Joined as they stand: no dot added, an empty name still gets the separator.
    EXPECT_EQ(compose(true, false, false, "mp3"), "07 - Intromp3");
    EXPECT_EQ(composeNewName({}, "song.mp3", "01", ""), "01 - .mp3");
    EXPECT_EQ(composeNewName({false, true, false, ""}, "README", "01", "Read me"), "Read me");
}

TEST(IsPlainFileName, RefusesNamesThatLeaveTheDirectory) {
    for (const std::string &name : Names{"", ".", "..", "a/b", "/", "../x", std::string("a\0b", 3)})
        EXPECT_FALSE(isPlainFileName(name)) << name;
    for (const std::string &name : Names{"...", ".hidden", "a b.mp3", "\xff\xfe.mp3", "a\\b"})
        EXPECT_TRUE(isPlainFileName(name)) << name;
}
