#include "RenameTestSupport.h"
#include "core/listing/SearchPattern.h"
#include "core/plan/Preflight.h"

#include <climits>
#include <unistd.h>

using namespace filvane;

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
    relisted.listDirectory(relistPattern(folder.dir.str(), ".wav"));
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
        {RenameOptions{.numbersOnly = true}, {{"01.mp3", "a.mp3"}, {"02.doc", "b.doc"}}},
        {RenameOptions{.numbering = false, .keepExtension = false, .chosenExtension = "txt"},
         {{"Alphatxt", "a.mp3"}, {"Betatxt", "b.doc"}}},
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
    EXPECT_EQ(
        outcomes(folder.run(GetParam(), RenameOptions{.numbering = false, .keepExtension = false})),
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

namespace {

std::string twoDigits(int i) {
    return std::string(i < 10 ? "0" : "").append(std::to_string(i));
}

} // namespace

// Every case with the exchange, and with the temporary name both with the no-replace flag and
// with the link fallback of a file system that has neither flag.
class RunOrder : public ::testing::TestWithParam<Method> {};

INSTANTIATE_TEST_SUITE_P(AllMethods, RunOrder,
                         ::testing::Values(Method::NoReplaceFlag, Method::NoExchange,
                                           Method::LinkThenUnlink),
                         methodTestName);

TEST_P(RunOrder, ChainsRenameTheFileHoldingATargetFirst) {
    // Renumbering a numbered folder: every target but the last is held by the next file.
    RenameFolder numbered({"00.mp3", "01.mp3", "02.mp3", "03.mp3"});
    EXPECT_EQ(outcomes(numbered.run(GetParam(), RenameOptions{.numbersOnly = true})),
              allRenamedBut(numbered));
    const Contents renumbered{
        {"01.mp3", "00.mp3"}, {"02.mp3", "01.mp3"}, {"03.mp3", "02.mp3"}, {"04.mp3", "03.mp3"}};
    EXPECT_EQ(numbered.contents(), renumbered);

    // A chain of 20 whose links run through the list in strides of 7, so that neither the
    // list's order nor its reverse is the order that works; n20 is free.
    Names names;
    for (int i = 0; i < 20; ++i)
        names.push_back("n" + twoDigits(i) + ".mp3");
    RenameFolder strided(names);
    Contents expected;
    for (int step = 0, at = 0; step < 20; ++step, at = (at + 7) % 20) {
        const std::string target = "n" + twoDigits(step == 19 ? 20 : (at + 7) % 20);
        strided.type(names[at], target);
        expected[target + ".mp3"] = names[at];
    }
    EXPECT_EQ(outcomes(strided.run(GetParam())), allRenamedBut(strided));
    EXPECT_EQ(strided.contents(), expected);
}

TEST_P(RunOrder, CyclesTurnWithEveryFileUnderItsNewName) {
    const Contents two{{"a.mp3", "b"}, {"b.mp3", "a"}, {"keep.mp3", "keep"}};
    const Contents three{{"a.mp3", "b"}, {"b.mp3", "c"}, {"c.mp3", "a"}};
    // Six going round backwards through the list, beside a chain.
    const Contents six{{"1.mp3", "6"}, {"2.mp3", "1"}, {"3.mp3", "2"}, {"4.mp3", "3"},
                       {"5.mp3", "4"}, {"6.mp3", "5"}, {"x.mp3", "y"}, {"y.mp3", "z"}};
    for (const Contents &typed : {two, three, six}) {
        Names files;
        Contents expected; // every file under its typed name
        for (const auto &[oldName, stem] : typed) {
            files.push_back(oldName);
            expected[stem + ".mp3"] = oldName;
        }
        RenameFolder folder(files);
        folder.type(typed);
        EXPECT_EQ(outcomes(folder.run(GetParam())), allRenamedBut(folder));
        EXPECT_EQ(folder.contents(), expected);
    }
}

TEST_P(RunOrder, TheLowerOfTwoRowsComposingOneNameKeepsItsNameEvenWhenTheUpperFails) {
    RenameFolder folder({"a.mp3", "b.mp3", "c.mp3", "d.mp3"});
    folder.type({{"a.mp3", "same"}, {"b.mp3", "same"}, {"c.mp3", "d"}, {"d.mp3", "same"}});
    folder.remove("a.mp3"); // the upper row's file goes before the run
    EXPECT_EQ(
        outcomes(folder.run(GetParam())),
        (Contents{
            {"a.mp3", "ENOENT"}, {"b.mp3", "EEXIST"}, {"c.mp3", "EEXIST"}, {"d.mp3", "EEXIST"}}));
    EXPECT_EQ(folder.contents(),
              (Contents{{"b.mp3", "b.mp3"}, {"c.mp3", "c.mp3"}, {"d.mp3", "d.mp3"}}));
}

TEST_P(RunOrder, ACycleWithAVanishedFileIsAChainEndingThere) {
    RenameFolder folder({"a.mp3", "b.mp3", "c.mp3"});
    folder.type({{"a.mp3", "b"}, {"b.mp3", "c"}, {"c.mp3", "a"}});
    folder.remove("c.mp3"); // gone between the Read and the Rename
    EXPECT_EQ(outcomes(folder.run(GetParam())),
              (Contents{{"a.mp3", "renamed"}, {"b.mp3", "renamed"}, {"c.mp3", "ENOENT"}}));
    EXPECT_EQ(folder.contents(), (Contents{{"b.mp3", "a.mp3"}, {"c.mp3", "b.mp3"}}));
}

TEST_P(RunOrder, AStopLeavesEveryFileRenamedOrUntouchedAndNeverHalfARound) {
    // Row order: the round a -> b -> c -> a first, then the chain x -> y -> z. The round is one
    // unit; the chain goes file by file, y before x.
    const Contents typed{
        {"a.mp3", "b"}, {"b.mp3", "c"}, {"c.mp3", "a"}, {"x.mp3", "y"}, {"y.mp3", "z"}};
    const std::vector<std::pair<int, int>> allCalls{{3, 5}, {4, 5}, {5, 5}};
    for (int stopAfter = 1; stopAfter <= 3; ++stopAfter) {
        SCOPED_TRACE(stopAfter);
        RenameFolder folder({"a.mp3", "b.mp3", "c.mp3", "x.mp3", "y.mp3"});
        folder.type(typed);
        std::vector<std::pair<int, int>> calls;
        const auto rows =
            folder.run(GetParam(), RenameOptions{.numbering = false}, [&](int done, int total) {
                calls.emplace_back(done, total);
                return static_cast<int>(calls.size()) < stopAfter;
            });
        EXPECT_EQ(calls, std::vector(allCalls.begin(), allCalls.begin() + stopAfter));

        // Renamed rows' files are under their new names, the rest untouched, nothing else.
        Contents expected;
        int done = 0;
        for (const RowOutcome &row : rows.rows) {
            if (row.outcome == RenameOutcome::Renamed) {
                ++done;
                const std::string oldName(row.oldName);
                expected[typed.at(oldName) + ".mp3"] = oldName;
            } else {
                EXPECT_EQ(row.outcome, RenameOutcome::Pending) << row.oldName;
                expected[std::string(row.oldName)] = std::string(row.oldName);
            }
        }
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(done, calls.back().first);
        EXPECT_EQ(folder.contents(), expected);
    }
}

TEST_P(RunOrder, TemporaryNamesNeverReplaceAFile) {
    RenameFolder folder({"a.mp3", "b.mp3"});
    folder.type({{"a.mp3", "b"}, {"b.mp3", "a"}});
    // The hidden names the run tries first, already taken: it must step past them.
    Contents expected{{"a.mp3", "b.mp3"}, {"b.mp3", "a.mp3"}};
    for (int i = 0; i < 3; ++i) {
        const std::string name =
            ".filvane-" + std::to_string(::getpid()) + "-" + std::to_string(i) + ".tmp";
        folder.dir.touch(name, "taken");
        expected[name] = "taken";
    }
    EXPECT_EQ(outcomes(folder.run(GetParam())), allRenamedBut(folder));
    EXPECT_EQ(folder.contents(), expected);
}

TEST_P(RunOrder, AFolderThatHasGoneFailsEveryRowWithItsOwnError) {
    RenameFolder folder({"a.mp3", "b.mp3", "c.mp3"});
    folder.type({{"a.mp3", "b"}, {"b.mp3", "a"}, {"c.mp3", "a"}}); // c loses to b
    RenamePlan plan = folder.plan();
    plan.directory = folder.dir.file("gone");
    EXPECT_EQ(outcomes(renameRows(std::move(plan), GetParam())),
              (Contents{{"a.mp3", "ENOENT"}, {"b.mp3", "ENOENT"}, {"c.mp3", "ENOENT"}}));
}

namespace {

size_t openDescriptors() {
    size_t count = 0;
    for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count;
}

} // namespace

// The check, the run with its look after the renames, and a run in a folder gone since leave
// no descriptor open behind them, whichever way the drive renames.
TEST_P(RunOrder, TheCheckAndTheRunLeaveNoDescriptorOpen) {
    Names files;
    for (int i = 0; i < 100; ++i)
        files.push_back("t" + std::to_string(100 + i) + ".mp3");
    RenameFolder folder(files);
    for (int i = 0; i < 100; ++i) // a chain of eleven, then single renames
        folder.type(files[i], i < 10 ? "t" + std::to_string(101 + i) : "n" + std::to_string(i));
    const size_t before = openDescriptors();
    RenamePlan plan = folder.plan();
    checkPlan(plan);
    ASSERT_TRUE(plan.preflight);
    EXPECT_TRUE(plan.preflight->clean());
    RenamePlan gone = folder.plan();
    gone.directory = folder.dir.file("gone");
    checkPlan(gone);
    renameRows(std::move(gone), GetParam());
    EXPECT_EQ(outcomes(renameRows(std::move(plan), GetParam())), allRenamedBut(folder));
    EXPECT_EQ(openDescriptors(), before);
}
