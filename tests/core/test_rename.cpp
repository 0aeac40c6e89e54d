#include "CellGrid.h"
#include "NameLists.h"
#include "NameText.h"
#include "NoReplaceRename.h"
#include "Rename.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace filvane;
using Method = NoReplaceRenamer::Method;
using Names = std::vector<std::string>;

namespace {

// The two lists as a Read leaves them, then what the user typed.
struct Lists {
    NameLists lists;

    Lists(const TempDir &dir, bool numbering = true) {
        lists.listDirectory(dir.str() + "/*", numbering);
        lists.sortByName();
    }
    void type(int row, const std::string &name) { lists.nameList().setCell(1, row, name); }
    RenameInput input(const TempDir &dir, RenameOptions options = {}) const {
        return {dir.str(), lists.readList(), lists.nameList(), std::move(options)};
    }
};

std::vector<std::string> namesIn(const TempDir &dir) {
    NameLists lists;
    lists.listDirectory(dir.str() + "/*", false);
    lists.sortByName();
    std::vector<std::string> names;
    for (int row = 1; row <= lists.fileCount(); ++row)
        names.push_back(lists.readList().cell(1, row));
    return names;
}

} // namespace

TEST(ComposeNewName, FourCompositionsAndNumbersOnly) {
    const auto compose = [](bool numbering, bool keep, bool numbersOnly, const char *chosen) {
        return composeNewName({numbering, keep, numbersOnly, chosen}, "a.b.mp3", "03", "07",
                              "Intro");
    };
    EXPECT_EQ(compose(true, true, false, ".txt"), "07 - Intro.mp3");
    EXPECT_EQ(compose(true, false, false, ".txt"), "07 - Intro.txt");
    EXPECT_EQ(compose(false, true, false, ".txt"), "Intro.mp3");
    EXPECT_EQ(compose(false, false, false, ".txt"), "Intro.txt");
    // Numbers only takes the read list's number, and the typed name plays no part.
    EXPECT_EQ(compose(true, true, true, ".txt"), "03.mp3");
    EXPECT_EQ(compose(false, false, true, ".txt"), "03.txt");
    // Joined as they stand: no dot added, an empty name still gets the separator.
    EXPECT_EQ(compose(true, false, false, "mp3"), "07 - Intromp3");
    EXPECT_EQ(composeNewName({}, "song.mp3", "01", "01", ""), "01 - .mp3");
    EXPECT_EQ(composeNewName({false, true, false, ""}, "README", "01", "", "Read me"), "Read me");
}

TEST(IsPlainFileName, RefusesNamesThatLeaveTheDirectory) {
    for (const std::string &name : Names{"", ".", "..", "a/b", "/", "../x", std::string("a\0b", 3)})
        EXPECT_FALSE(isPlainFileName(name)) << name;
    for (const std::string &name : Names{"...", ".hidden", "a b.mp3", "\xff\xfe.mp3", "a\\b"})
        EXPECT_TRUE(isPlainFileName(name)) << name;
}

TEST(RelistPattern, DirectoryStarAndTheChosenExtension) {
    EXPECT_EQ(relistPattern("/music", ".mp3"), "/music/*.mp3");
    EXPECT_EQ(relistPattern("/music", ""), "/music/*");
    EXPECT_EQ(relistPattern("/", ".mp3"), "//*.mp3");
    // An extension naming a path must not list another directory.
    EXPECT_EQ(relistPattern("/music", "/../etc"), "/music/");
    EXPECT_EQ(relistPattern("", ".mp3"), "");
}

// Every behaviour of the run, once with the no-replace flag and once with the fallback a file
// system without that flag gets.
class RenameRun : public ::testing::TestWithParam<Method> {};

INSTANTIATE_TEST_SUITE_P(BothMethods, RenameRun,
                         ::testing::Values(Method::NoReplaceFlag, Method::LinkThenUnlink));

TEST_P(RenameRun, RenamesByTheDefaultsAndTheChosenExtension) {
    TempDir dir;
    dir.touch("b.mp3", "second");
    dir.touch("a.mp3", "first");
    Lists lists(dir);
    lists.type(1, "Alpha");
    lists.type(2, "Beta");
    const auto rows = renameRows(lists.input(dir), GetParam());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].outcome, RenameOutcome::Renamed);
    EXPECT_EQ(rows[1].outcome, RenameOutcome::Renamed);
    EXPECT_EQ(namesIn(dir), (Names{"01 - Alpha.mp3", "02 - Beta.mp3"}));
    EXPECT_EQ(dir.read("01 - Alpha.mp3"), "first");

    TempDir other;
    other.touch("a.doc", "doc");
    Lists second(other, false);
    second.type(1, "x");
    renameRows(second.input(other, {false, false, false, ".txt"}), GetParam());
    EXPECT_EQ(namesIn(other), (Names{"x.txt"}));
    EXPECT_EQ(other.read("x.txt"), "doc");
}

TEST_P(RenameRun, NumbersOnlyUsesTheRowNumberWhateverWasTyped) {
    TempDir dir;
    for (const char *name : {"a.mp3", "b.mp3", "c.mp3"})
        dir.touch(name);
    Lists lists(dir);
    lists.type(3, "typed");
    renameRows(lists.input(dir, {true, true, true, ""}), GetParam());
    EXPECT_EQ(namesIn(dir), (Names{"01.mp3", "02.mp3", "03.mp3"}));
}

TEST_P(RenameRun, NeverReplacesAnExistingFile) {
    TempDir dir;
    dir.touch("a.mp3", "upper");
    dir.touch("b.mp3", "lower");
    dir.touch("x.mp3", "bystander");
    Lists lists(dir);
    // Rows 1 and 2 compose one name; row 3 composes the name of a file that is not listed.
    dir.touch("y.mp3", "unlisted");
    lists.type(1, "same");
    lists.type(2, "same");
    lists.type(3, "y");
    const auto rows = renameRows(lists.input(dir, {false, true, false, ""}), GetParam());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].outcome, RenameOutcome::Renamed);
    EXPECT_EQ(rows[1].outcome, RenameOutcome::Failed);
    EXPECT_EQ(rows[1].error, EEXIST);
    EXPECT_EQ(rows[2].outcome, RenameOutcome::Failed);
    EXPECT_EQ(rows[2].error, EEXIST);
    EXPECT_EQ(namesIn(dir), (Names{"b.mp3", "same.mp3", "x.mp3", "y.mp3"}));
    EXPECT_EQ(dir.read("same.mp3"), "upper");
    EXPECT_EQ(dir.read("b.mp3"), "lower");
    EXPECT_EQ(dir.read("x.mp3"), "bystander");
    EXPECT_EQ(dir.read("y.mp3"), "unlisted");
}

TEST_P(RenameRun, RowsThatCannotBeRenamedKeepTheirFiles) {
    TempDir dir;
    for (const char *name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3"})
        dir.touch(name, name);
    ::mkdir(dir.file("sub").c_str(), 0755);
    Lists lists(dir);
    lists.type(1, "gone");
    lists.type(2, "sub/inside");
    lists.type(3, "..");
    lists.type(4, std::string(NAME_MAX + 1, 'n'));
    lists.type(5, std::string("nul\0byte", 8));
    lists.type(6, "fine");
    ::unlink(dir.file("a.mp3").c_str()); // removed between the Read and the Rename
    // Without numbering or extension the typed ".." would be the whole name.
    const auto rows = renameRows(lists.input(dir, {false, false, false, ""}), GetParam());
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].outcome, RenameOutcome::Failed);
    EXPECT_EQ(rows[0].error, ENOENT);
    EXPECT_EQ(rows[1].outcome, RenameOutcome::RefusedName);
    EXPECT_EQ(rows[2].outcome, RenameOutcome::RefusedName);
    EXPECT_EQ(rows[3].outcome, RenameOutcome::Failed);
    EXPECT_EQ(rows[3].error, ENAMETOOLONG);
    EXPECT_EQ(rows[4].outcome, RenameOutcome::RefusedName);
    EXPECT_EQ(rows[5].outcome, RenameOutcome::Renamed);
    EXPECT_EQ(namesIn(dir), (Names{"b.mp3", "c.mp3", "d.mp3", "e.mp3", "fine"}));
    EXPECT_FALSE(dir.exists("sub/inside"));
    EXPECT_EQ(dir.read("b.mp3"), "b.mp3");
}

TEST_P(RenameRun, OldNamesAreBytesAndEveryRowIsDone) {
    TempDir dir;
    const std::string latin1 = "caf\xe9.mp3"; // not UTF-8
    dir.touch(latin1, "bytes");
    for (int i = 0; i < 99; ++i)
        dir.touch("t" + std::to_string(100 + i) + ".mp3");
    Lists lists(dir);
    ASSERT_EQ(lists.lists.fileCount(), 100);
    for (int row = 1; row <= 100; ++row)
        lists.type(row, "Dal \xc5\x91");
    const auto rows = renameRows(lists.input(dir), GetParam());
    ASSERT_EQ(rows.size(), 100u);
    for (const RowOutcome &row : rows)
        EXPECT_EQ(row.outcome, RenameOutcome::Renamed) << row.oldName << " " << row.error;
    const Names names = namesIn(dir);
    ASSERT_EQ(names.size(), 100u);
    EXPECT_TRUE(dir.exists("100 - Dal \xc5\x91.mp3"));
    // The non-UTF-8 name sorts first ("c" before "t"), so it was row 1.
    EXPECT_EQ(dir.read("01 - Dal \xc5\x91.mp3"), "bytes");
    EXPECT_FALSE(dir.exists(latin1));
}

TEST_P(RenameRun, SameFileUnderTheNewNameIsNoOtherFile) {
    TempDir dir;
    dir.touch("keep.mp3", "one");
    dir.touch("linked.mp3", "two");
    ::link(dir.file("linked.mp3").c_str(), dir.file("other.mp3").c_str());
    Lists lists(dir, false);
    // Row 1 "keep.mp3" composes its own name; row 2 "linked.mp3" composes the name of another
    // link to the same file, which is another directory entry and must stay.
    lists.type(1, "keep");
    lists.type(2, "other");
    lists.type(3, "other"); // a file with two links keeps its own name too
    const auto rows = renameRows(lists.input(dir, {false, true, false, ""}), GetParam());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].outcome, RenameOutcome::Renamed);
    EXPECT_EQ(rows[1].outcome, RenameOutcome::Failed);
    EXPECT_EQ(rows[1].error, EEXIST);
    EXPECT_EQ(rows[2].outcome, RenameOutcome::Renamed);
    EXPECT_EQ(namesIn(dir), (Names{"keep.mp3", "linked.mp3", "other.mp3"}));
    EXPECT_EQ(dir.read("keep.mp3"), "one");
}

TEST_P(RenameRun, BlankRowAndMissingDirectory) {
    TempDir dir;
    Lists empty(dir);
    const auto blank = renameRows(empty.input(dir), GetParam());
    ASSERT_EQ(blank.size(), 1u);
    EXPECT_EQ(blank[0].outcome, RenameOutcome::Blank);

    dir.touch("a.mp3");
    Lists lists(dir);
    lists.type(1, "x");
    RenameInput input = lists.input(dir);
    input.directory = dir.file("gone");
    const auto rows = renameRows(input, GetParam());
    EXPECT_EQ(rows[0].outcome, RenameOutcome::Failed);
    EXPECT_EQ(rows[0].error, ENOENT);
    EXPECT_TRUE(dir.exists("a.mp3"));
}

TEST(RenameRelisting, ListsByTheChosenExtension) {
    TempDir dir;
    for (const char *name : {"a.mp3", "b.wav", "c.mp3", "d.wav"})
        dir.touch(name);
    Lists lists(dir);
    lists.type(1, "A");
    lists.type(2, "B");
    renameRows(lists.input(dir), Method::NoReplaceFlag);
    NameLists relisted;
    relisted.listDirectory(relistPattern(dir.str(), ".wav"), true);
    relisted.sortByName();
    ASSERT_EQ(relisted.fileCount(), 2);
    EXPECT_EQ(relisted.readList().cell(1, 1), "02 - B.wav");
    EXPECT_EQ(relisted.readList().cell(1, 2), "04 - .wav");
}
