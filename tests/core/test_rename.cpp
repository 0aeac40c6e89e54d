#include "RenameTestSupport.h"
#include "core/SearchPattern.h"

#include <climits>
#include <unistd.h>

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

TEST(RelistPattern, ListsTheRenamedDirectoryByTheChosenExtension) {
    EXPECT_EQ(relistPattern("/music", ""), "/music/*");
    EXPECT_EQ(relistPattern("/", ".mp3"), "/*.mp3");
    // An extension naming a path must not list another directory.
    EXPECT_EQ(relistPattern("/music", "/../etc"), "/music/");
    EXPECT_EQ(relistPattern("", ".mp3"), "");

    RenameFolder folder({"a.mp3", "b.wav", "c.mp3", "d.wav"});
    folder.type({{"a.mp3", "A"}, {"b.wav", "B"}});
    folder.run(Method::NoReplaceFlag, {});
    NameLists relisted;
    relisted.listDirectory(relistPattern(folder.dir.str(), ".wav"), true);
    relisted.sortByName();
    ASSERT_EQ(relisted.fileCount(), 2);
    EXPECT_EQ(relisted.readList().cell(1, 1), "02 - B.wav");
    EXPECT_EQ(relisted.readList().cell(1, 2), "04 - .wav");
}

// Each case with the no-replace flag, and with the fallbacks of file systems without the
// exchange or without either flag.
class RenameRun : public ::testing::TestWithParam<Method> {};

INSTANTIATE_TEST_SUITE_P(AllMethods, RenameRun,
                         ::testing::Values(Method::NoReplaceFlag, Method::NoExchange,
                                           Method::LinkThenUnlink),
                         methodTestName);

TEST_P(RenameRun, NamesComposedByTheOptions) {
    const std::pair<RenameOptions, Contents> cases[] = {
        {{}, {{"01 - Alpha.mp3", "a.mp3"}, {"02 - Beta.doc", "b.doc"}}},
        {{true, true, true, ""}, {{"01.mp3", "a.mp3"}, {"02.doc", "b.doc"}}},
        {{false, false, false, "txt"}, {{"Alphatxt", "a.mp3"}, {"Betatxt", "b.doc"}}},
    };
    for (const auto &[options, expected] : cases) {
        RenameFolder folder({"b.doc", "a.mp3"});
        folder.type({{"a.mp3", "Alpha"}, {"b.doc", "Beta"}});
        EXPECT_EQ(outcomes(folder.run(GetParam(), options)), allRenamedBut(folder));
        EXPECT_EQ(folder.contents(), expected);
    }
}

TEST_P(RenameRun, NeverReplacesAFile) {
    RenameFolder folder(
        {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3", "g.mp3", "h.mp3", "i.mp3"});
    folder.dir.touch("z.mp3", "z.mp3"); // arrives after the Read: no row renames it
    folder.type({{"a.mp3", "b"},
                 {"b.mp3", "a"}, // a and b swap
                 {"c.mp3", "z"}, // held by a file this run does not rename
                 {"d.mp3", "c"}, // c stays, so d cannot have its name
                 {"e.mp3", "a"}, // a is b's, the upper row's
                 {"f.mp3", "g"}, // g keeps its name, which it composes itself
                 {"g.mp3", "g"},
                 {"h.mp3", "n"}, // two rows composing one new name: the upper wins
                 {"i.mp3", "n"}});
    const Contents failed{{"c.mp3", "EEXIST"},
                          {"d.mp3", "EEXIST"},
                          {"e.mp3", "EEXIST"},
                          {"f.mp3", "EEXIST"},
                          {"i.mp3", "EEXIST"}};
    EXPECT_EQ(outcomes(folder.run(GetParam())), allRenamedBut(folder, failed));
    const Contents expected{{"a.mp3", "b.mp3"}, {"b.mp3", "a.mp3"}, {"c.mp3", "c.mp3"},
                            {"d.mp3", "d.mp3"}, {"e.mp3", "e.mp3"}, {"f.mp3", "f.mp3"},
                            {"g.mp3", "g.mp3"}, {"i.mp3", "i.mp3"}, {"n.mp3", "h.mp3"},
                            {"z.mp3", "z.mp3"}};
    EXPECT_EQ(folder.contents(), expected);
}

TEST_P(RenameRun, AnotherLinkToTheSameFileIsAnotherFile) {
    RenameFolder folder({"a.mp3", "c.mp3"});
    ASSERT_EQ(::link(folder.dir.file("a.mp3").c_str(), folder.dir.file("b.mp3").c_str()), 0);
    ASSERT_EQ(::link(folder.dir.file("c.mp3").c_str(), folder.dir.file("d.mp3").c_str()), 0);
    folder.type({{"a.mp3", "b"}, {"c.mp3", "c"}}); // c, with two links, keeps its own name
    EXPECT_EQ(outcomes(folder.run(GetParam())),
              (Contents{{"a.mp3", "EEXIST"}, {"c.mp3", "renamed"}}));
    const Contents expected{
        {"a.mp3", "a.mp3"}, {"b.mp3", "a.mp3"}, {"c.mp3", "c.mp3"}, {"d.mp3", "c.mp3"}};
    EXPECT_EQ(folder.contents(), expected);
}

TEST_P(RenameRun, RowsThatCannotBeRenamedKeepTheirFiles) {
    RenameFolder folder({"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3"});
    std::filesystem::create_directory(folder.dir.path() / "sub");
    const Contents typed{{"a.mp3", "gone"},
                         {"b.mp3", "sub/inside"},
                         {"c.mp3", ".."},
                         {"d.mp3", std::string(NAME_MAX + 1, 'n')},
                         {"e.mp3", std::string("nul\0byte", 8)},
                         {"f.mp3", "fine"}};
    folder.type(typed);
    folder.remove("a.mp3"); // between the Read and the Rename
    // Without numbering or extension the typed ".." is the whole name.
    const Contents failed{{"a.mp3", "ENOENT"},
                          {"b.mp3", "refused"},
                          {"c.mp3", "refused"},
                          {"d.mp3", "ENAMETOOLONG"},
                          {"e.mp3", "refused"}};
    EXPECT_EQ(outcomes(folder.run(GetParam(), {false, false, false, ""})),
              allRenamedBut(folder, failed));
    const Contents expected{{"b.mp3", "b.mp3"}, {"c.mp3", "c.mp3"}, {"d.mp3", "d.mp3"},
                            {"e.mp3", "e.mp3"}, {"fine", "f.mp3"},  {"sub", "(directory)"}};
    EXPECT_EQ(folder.contents(), expected);
}

TEST_P(RenameRun, AHundredRowsWithANonUtf8OldName) {
    Names files{"caf\xe9.mp3"}; // Latin-1, not UTF-8; sorts first
    for (int i = 100; i < 199; ++i)
        files.push_back("t" + std::to_string(i) + ".mp3");
    RenameFolder folder(files);
    Contents expected;
    for (int row = 1; row <= 100; ++row) {
        folder.lists.nameList().setCell(1, row, "Dal \xc5\x91");
        const std::string number = std::to_string(row);
        expected[(row < 10 ? "0" : "") + number + " - Dal \xc5\x91.mp3"] = files[row - 1];
    }
    EXPECT_EQ(outcomes(folder.run(GetParam(), {})), allRenamedBut(folder));
    EXPECT_EQ(folder.contents(), expected);
}

TEST_P(RenameRun, AListWithoutFilesHasOneBlankRow) {
    const RenameFolder empty({});
    EXPECT_EQ(outcomes(empty.run(GetParam())), (Contents{{"", "blank"}}));
}
