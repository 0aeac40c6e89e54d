#include "RenameTestSupport.h"

#include <unistd.h>

using namespace filvane;

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
    EXPECT_EQ(outcomes(numbered.run(GetParam(), {true, true, true, ""})), allRenamedBut(numbered));
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
            folder.run(GetParam(), {false, true, false, ""}, [&](int done, int total) {
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

TEST(NoReplaceRenamerExchange, SwapsTwoNamesOrSaysItCannot) {
    const RenameFolder folder({"a", "b"});
    NoReplaceRenamer renamer(folder.dir.str());
    const int error = renamer.exchange("a", "b");
    if (error == NoReplaceRenamer::ExchangeRefused)
        GTEST_SKIP() << "the file system under " << folder.dir.str() << " has no exchange";
    EXPECT_EQ(error, 0);
    EXPECT_EQ(renamer.exchange("a", "gone"), ENOENT);
    EXPECT_FALSE(renamer.exchangeRefused());
    for (Method refusing : {Method::NoExchange, Method::LinkThenUnlink}) {
        NoReplaceRenamer without(folder.dir.str(), refusing);
        EXPECT_TRUE(without.exchangeRefused());
        EXPECT_EQ(without.exchange("a", "b"), NoReplaceRenamer::ExchangeRefused);
    }
    EXPECT_EQ(folder.contents(), (Contents{{"a", "b"}, {"b", "a"}}));
}
