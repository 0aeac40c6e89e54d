#include "TaggedFiles.h"
#include "TempDir.h"
#include "core/RenameSession.h"
#include "core/texts/RenameReasons.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <tuple>

#include <string>
#include <vector>

using filvane::RenameOutcome;
using filvane::RenameSession;

namespace {

using Names = std::vector<std::string>;
using Side = filvane::NameLists::Side;

// A folder of files holding their own names, read by a fresh session as the window reads it
// on its first activation (numbering and own extensions on).
struct SessionFolder {
    TempDir dir;
    TempDir journals;
    RenameSession session{journals.str()};

    explicit SessionFolder(const Names &files, const std::string &mask = "*") {
        for (const std::string &name : files)
            dir.touch(name, name);
        session.setNumbering(true);
        session.setKeepExtension(true);
        session.read(dir.str(), dir.str() + "/" + mask);
    }
    Names namesOf(bool readList) const {
        const filvane::NameLists &lists = session.lists();
        Names cells;
        for (int row = 1; row <= lists.fileCount(); ++row)
            cells.emplace_back(readList ? lists.oldName(row) : lists.typedName(row));
        return cells;
    }
    // The number column of either list, as the window shows it.
    Names numbers(Side side) const {
        Names cells;
        for (int row = 1; row <= session.lists().fileCount(); ++row)
            cells.push_back(session.numberCell(side, row));
        return cells;
    }
    Names listed() const { return namesOf(true); }
    Names newNames() const { return namesOf(false); }
    void type(int row, const std::string &name) { session.setNewName(row, name); }
    // What "Rename named rows only" does: the plan without its unnamed rows.
    filvane::RenameResult runNamedRowsOnly() {
        filvane::RenamePlan plan = session.plan();
        plan.leaveOutUnnamedRows();
        return session.run(std::move(plan));
    }
};

// Asks which run undo would take back and takes back that one, as a front end does; an empty
// result when there is none.
filvane::RenameResult undoLatest(filvane::RenameSession &session) {
    const std::optional<filvane::RunSummary> last = session.undoableRun();
    if (!last)
        return {};
    std::optional<filvane::RenameResult> result = session.undo(last->id);
    EXPECT_TRUE(result);
    return result ? std::move(*result) : filvane::RenameResult{};
}

} // namespace

TEST(RenameSession, ReadListsTheFolderSortedByBytesAndNumbered) {
    SessionFolder folder({"b.mp3", "B.mp3", "a.wav", "c.mp3"}, "*.mp3");
    EXPECT_EQ(folder.listed(), (Names{"B.mp3", "b.mp3", "c.mp3"}));
    EXPECT_EQ(folder.numbers(Side::Read), (Names{"01", "02", "03"}));
    EXPECT_EQ(folder.numbers(Side::NewNames), (Names{"01", "02", "03"}));
    EXPECT_EQ(folder.session.listingDirectory(), folder.dir.str());
    EXPECT_EQ(folder.session.lastExtension(), ".mp3");

    folder.session.clear();
    EXPECT_EQ(folder.session.lists().fileCount(), 0);
}

TEST(RenameSession, OptionsApplyNumberingExtensionRuleAndNewNamesInOrder) {
    SessionFolder folder({"a.b.mp3", "README"}); // README sorts first: bytes, capitals first
    folder.type(2, "typed");
    folder.session.applyOptions({.numbering = false}, filvane::NewNamesOnOptions::FromOldNames);
    EXPECT_EQ(folder.numbers(Side::NewNames), (Names{"", ""}));
    EXPECT_EQ(folder.newNames(), (Names{"", "a"}));
    EXPECT_TRUE(folder.session.newNamesEditable());

    folder.session.applyOptions(
        {.numbering = true, .keepExtension = false, .numbersOnly = true, .chosenExtension = ".txt"},
        filvane::NewNamesOnOptions::FromOldNames);
    EXPECT_EQ(folder.numbers(Side::NewNames), (Names{"01", "02"}));
    EXPECT_EQ(folder.newNames(), (Names{"", ""})); // numbers only empties them, fill or not
    EXPECT_FALSE(folder.session.newNamesEditable());
    EXPECT_EQ(folder.session.finalName(2), "02.txt");

    folder.session.applyOptions({.numbering = true});
    folder.type(2, "Intro");
    EXPECT_EQ(folder.session.finalName(2), "02 - Intro.mp3");
    EXPECT_EQ(folder.session.finalName(1), "01 - "); // no extension of its own
    EXPECT_EQ(folder.session.finalName(3), "");      // past the last file
}

TEST(RenameSession, NumberColumnsShowTheNumbersTheRunGives) {
    SessionFolder folder({"a.mp3", "b.mp3", "c.mp3"});
    folder.session.applyOptions({.numbering = true, .numbers = {.start = 7, .step = -2}});
    EXPECT_EQ(folder.numbers(Side::Read), (Names{"07", "05", "03"}));
    EXPECT_EQ(folder.numbers(Side::NewNames), (Names{"07", "05", "03"}));
    const auto expectRunsNumbers = [&](const char *step) {
        SCOPED_TRACE(step);
        const filvane::RenamePlan plan = folder.session.plan();
        for (int row = 1; row <= 3; ++row) {
            const std::string number = folder.session.numberCell(Side::NewNames, row);
            EXPECT_EQ(plan.numberOf(row), number);
            EXPECT_EQ(folder.session.finalName(row).rfind(number + " - ", 0), 0u) << number;
        }
    };
    expectRunsNumbers("options");
    // A format set alone, with nothing listed again, reaches both columns at once.
    folder.session.setNumberFormat(
        {.start = 1, .digits = filvane::NumberFormat::Digits::Fixed, .width = 4});
    EXPECT_EQ(folder.numbers(Side::Read), (Names{"0001", "0002", "0003"}));
    expectRunsNumbers("format");
    // So does numbering switched off: the new names get no number, the files stay numbered.
    folder.session.setNumbering(false);
    EXPECT_EQ(folder.numbers(Side::NewNames), (Names{"", "", ""}));
    EXPECT_EQ(folder.numbers(Side::Read), (Names{"0001", "0002", "0003"}));
    folder.session.clear();
    EXPECT_EQ(folder.session.numberCell(Side::Read, 1), "");
}

TEST(RenameSession, PlanTouchesNothingAndRunThenRelistShowsTheDisk) {
    SessionFolder folder({"a.mp3", "b.mp3", "c.wav"});
    folder.type(1, "Alpha");
    folder.type(2, "bad/name");
    const filvane::RenamePlan plan = folder.session.plan();
    ASSERT_EQ(plan.rows.size(), 3u);
    EXPECT_EQ(plan.rows[0].newName, "01 - Alpha.mp3");
    EXPECT_EQ(plan.rows[1].outcome, RenameOutcome::RefusedName);
    EXPECT_EQ(plan.rows[2].newName, "03 - .wav");
    EXPECT_TRUE(folder.dir.exists("a.mp3"));

    int reported = 0;
    const auto outcomes = folder.session.run([&](int, int) { return ++reported, true; });
    EXPECT_GT(reported, 0);
    EXPECT_EQ(outcomes.rows[0].outcome, RenameOutcome::Renamed);
    EXPECT_EQ(outcomes.rows[1].outcome, RenameOutcome::RefusedName);
    // The lists still show what was renamed until they are listed again.
    EXPECT_EQ(folder.listed(), (Names{"a.mp3", "b.mp3", "c.wav"}));
    folder.session.relist();
    EXPECT_EQ(folder.session.searchPattern(), folder.dir.str() + "/*");
    EXPECT_EQ(folder.listed(), (Names{"01 - Alpha.mp3", "03 - .wav", "b.mp3"}));
    EXPECT_EQ(folder.dir.read("01 - Alpha.mp3"), "a.mp3");
}

TEST(RenameSession, RelistUsesTheChosenExtensionOfTheAcceptedOptions) {
    SessionFolder folder({"a.mp3", "b.mp3"});
    folder.session.applyOptions({.numbering = true,
                                 .keepExtension = false,
                                 .numbersOnly = true,
                                 .chosenExtension = ".wav"});
    folder.session.run();
    folder.session.relist();
    EXPECT_EQ(folder.session.searchPattern(), folder.dir.str() + "/*.wav");
    EXPECT_EQ(folder.listed(), (Names{"01.wav", "02.wav"}));
}

// A composed name with nothing before its extension is refused: the run leaves the file and the
// report says why. A number before it is a base name; a chosen extension gets its dot.
struct BaseNameCase {
    bool numbering;
    std::string extension; // empty: keep each file's own
    std::string typed;
    std::string expected; // what a.mp3 is called after the run
    bool refused;
};
class BaseNameAndDot : public ::testing::TestWithParam<BaseNameCase> {};

TEST_P(BaseNameAndDot, RefusedOrRenamed) {
    const BaseNameCase &c = GetParam();
    SessionFolder folder({"a.mp3"});
    folder.session.applyOptions({.numbering = c.numbering,
                                 .keepExtension = c.extension.empty(),
                                 .chosenExtension = c.extension});
    folder.type(1, c.typed);
    filvane::RenamePlan plan = folder.session.checkedPlan();
    ASSERT_TRUE(plan.preflight);
    EXPECT_EQ(plan.preflight->count(filvane::PreflightFinding::NoBaseName), c.refused ? 1 : 0);
    const filvane::RenameResult result = folder.session.run(std::move(plan));
    ASSERT_EQ(result.rows.size(), 1u);
    EXPECT_EQ(filvane::failureReason(result.rows[0]) == filvane::UiText::ReasonNoBaseName,
              c.refused);
    EXPECT_TRUE(std::filesystem::exists(folder.dir.str() + "/" + c.expected)) << c.expected;
}

INSTANTIATE_TEST_SUITE_P(
    RenameSession, BaseNameAndDot,
    ::testing::Values(BaseNameCase{false, "", "", "a.mp3", true},     // would be ".mp3"
                      BaseNameCase{false, ".ogg", "", "a.mp3", true}, // would be ".ogg"
                      BaseNameCase{true, "", "", "01 - .mp3", false}, // the window's Yes
                      BaseNameCase{false, "mp3", "Song", "Song.mp3", false},
                      BaseNameCase{true, "JPEG", "Pic", "01 - Pic.JPEG", false},
                      BaseNameCase{false, "", "Song", "Song.mp3", false}));

TEST(RenameSession, RememberedExtensionOnlyPresetsTheRelisting) {
    SessionFolder folder({"a.mp3", "b.mp3"}, "*.mp3");
    // As restored at start-up: numbering and a ".wav" a user once chose, not accepted now.
    folder.session.setOptions({.numbering = true, .chosenExtension = "wav"});
    EXPECT_EQ(folder.session.options().chosenExtension, ".wav");
    EXPECT_FALSE(folder.session.optionsAccepted());
    folder.type(1, "One");
    folder.type(2, "Two");
    folder.session.run(folder.session.plan());
    folder.session.relist();
    EXPECT_EQ(folder.listed(), (Names{"01 - One.mp3", "02 - Two.mp3"}));
}

TEST(RenameSession, NamedRowsOnlyLeavesTheFilesOfBlankRowsAlone) {
    SessionFolder folder({"a.mp3", "b.mp3", "c.mp3", "d.mp3"});
    folder.type(1, "Alpha");
    folder.type(3, "Gamma");
    filvane::RenamePlan plan = folder.session.checkedPlan();
    ASSERT_TRUE(plan.preflight);
    EXPECT_EQ(plan.preflight->count(filvane::PreflightFinding::Unnamed), 2);
    plan.leaveOutUnnamedRows();
    folder.session.run(std::move(plan));
    folder.session.relist();
    EXPECT_EQ(folder.listed(), (Names{"01 - Alpha.mp3", "03 - Gamma.mp3", "b.mp3", "d.mp3"}));
}

TEST(RenameSession, ListsAndRenamesMoreThan65535Files) {
    constexpr int Files = 70'000;
    TempDir dir;
    TempDir journals;
    for (int i = 0; i < Files; ++i)
        dir.touch("f" + std::to_string(i));
    RenameSession session(journals.str());
    session.setNumbering(true);
    session.setKeepExtension(true);
    session.read(dir.str(), dir.str() + "/*");
    ASSERT_EQ(session.lists().fileCount(), Files);
    EXPECT_FALSE(session.lists().tooManyFiles());
    EXPECT_EQ(session.lists().readList().cell(1, Files), "f9999"); // sorted by bytes
    EXPECT_EQ(session.numberCell(filvane::NameLists::Side::NewNames, Files), "70000");
    session.applyOptions({.numbersOnly = true}); // numbers only
    const auto outcomes = session.run();
    ASSERT_EQ(outcomes.rows.size(), static_cast<size_t>(Files));
    for (const filvane::RowOutcome &row : outcomes.rows)
        ASSERT_EQ(row.outcome, RenameOutcome::Renamed) << row.oldName;
    session.relist();
    ASSERT_EQ(session.lists().fileCount(), Files);
    EXPECT_EQ(session.lists().readList().cell(1, 1), "01");
    EXPECT_TRUE(dir.exists("70000"));
}

TEST(RenameSession, ReadFilesListsExactlyTheFilesGivenThatAreThere) {
    SessionFolder folder({"c.mp3", "a.mp3", "b.txt", "z.wav"});
    std::filesystem::create_directory(folder.dir.path() / "sub");
    folder.session.readFiles(folder.dir.str(),
                             {"z.wav", "a.mp3", "gone.mp3", "sub", "a.mp3", "b.txt"});
    EXPECT_EQ(folder.listed(), (Names{"a.mp3", "b.txt", "z.wav"}));
    EXPECT_EQ(folder.session.lastExtension(), ".txt"); // of the last one given
    folder.type(1, "A");
    folder.session.run();
    EXPECT_TRUE(folder.dir.exists("01 - A.mp3"));
    EXPECT_TRUE(folder.dir.exists("c.mp3")); // not given, not touched
}

TEST(RenameSession, NaturalOrderListsByNumberAndTypedNamesStayWithTheirFiles) {
    SessionFolder folder({"Track 1.mp3", "Track 2.mp3", "Track 10.mp3", "Track 12.mp3"});
    EXPECT_EQ(folder.listed(),
              (Names{"Track 1.mp3", "Track 10.mp3", "Track 12.mp3", "Track 2.mp3"}));
    folder.type(4, "Second");
    folder.session.setSortOrder(filvane::SortOrder::Natural);
    EXPECT_EQ(folder.listed(),
              (Names{"Track 1.mp3", "Track 2.mp3", "Track 10.mp3", "Track 12.mp3"}));
    EXPECT_EQ(folder.newNames(), (Names{"", "Second", "", ""}));
    EXPECT_EQ(folder.numbers(Side::Read), (Names{"01", "02", "03", "04"}));
    // The listing after a run keeps the order.
    folder.session.applyOptions({.numbering = false});
    folder.type(3, "Tenth");
    folder.runNamedRowsOnly();
    folder.session.relist();
    EXPECT_EQ(folder.listed(), (Names{"Tenth.mp3", "Track 1.mp3", "Track 2.mp3", "Track 12.mp3"}));
}

TEST(RenameSession, UndoTakesBackRunsOneAfterAnother) {
    SessionFolder folder({"a.mp3", "b.mp3"});
    EXPECT_FALSE(folder.session.undoableRun());
    folder.session.applyOptions({.numbering = false});
    folder.type(1, "b"); // a chain: b.mp3 must move first
    folder.type(2, "c");
    ASSERT_EQ(folder.session.run().renamedCount(), 2);
    folder.session.relist();
    folder.session.clearNewNames();
    folder.type(1, "x");
    folder.runNamedRowsOnly(); // b.mp3 -> x.mp3
    folder.session.relist();
    EXPECT_EQ(folder.listed(), (Names{"c.mp3", "x.mp3"}));
    ASSERT_TRUE(folder.session.undoableRun());
    EXPECT_EQ(folder.session.undoableRun()->renamedCount, 1);
    EXPECT_EQ(undoLatest(folder.session).renamedCount(), 1);
    folder.session.list();
    EXPECT_EQ(folder.listed(), (Names{"b.mp3", "c.mp3"}));
    EXPECT_EQ(undoLatest(folder.session).renamedCount(), 2); // the run before it
    folder.session.list();
    EXPECT_EQ(folder.listed(), (Names{"a.mp3", "b.mp3"}));
    EXPECT_EQ(folder.dir.read("a.mp3"), "a.mp3");
    // After Clear nothing is listed, so there is nothing to undo.
    folder.type(1, "z");
    ASSERT_EQ(folder.runNamedRowsOnly().renamedCount(), 1);
    ASSERT_TRUE(folder.session.undoableRun());
    folder.session.clear();
    EXPECT_FALSE(folder.session.listed());
    EXPECT_FALSE(folder.session.undoableRun());
    EXPECT_EQ(undoLatest(folder.session).renamedCount(), 0);
    EXPECT_TRUE(folder.dir.exists("z.mp3"));
}

// Undo takes back the run the user was asked about, or nothing: a run made after the question
// (another window, a script) or the same run undone meanwhile is not taken back in its place.
TEST(RenameSession, UndoRefusesARunThatIsNoLongerTheLastOne) {
    SessionFolder folder({"a.mp3", "b.mp3"});
    folder.session.applyOptions({.numbering = false});
    folder.type(1, "x");
    ASSERT_EQ(folder.runNamedRowsOnly().renamedCount(), 1); // a.mp3 -> x.mp3
    folder.session.relist();
    const std::optional<filvane::RunSummary> asked = folder.session.undoableRun();
    ASSERT_TRUE(asked);
    folder.session.clearNewNames();
    folder.type(1, "y");
    ASSERT_EQ(folder.runNamedRowsOnly().renamedCount(), 1); // b.mp3 -> y.mp3, after the question
    folder.session.relist();
    EXPECT_FALSE(folder.session.undo(asked->id));
    EXPECT_TRUE(folder.dir.exists("x.mp3"));
    EXPECT_TRUE(folder.dir.exists("y.mp3"));
    const std::optional<filvane::RunSummary> last = folder.session.undoableRun();
    ASSERT_TRUE(last);
    ASSERT_TRUE(folder.session.undo(last->id));
    EXPECT_TRUE(folder.dir.exists("b.mp3"));
    // Undone already: asking to undo it again does not go on to the run before it.
    EXPECT_FALSE(folder.session.undo(last->id));
    EXPECT_TRUE(folder.dir.exists("x.mp3"));
    EXPECT_FALSE(folder.session.undo("no-such-run"));
}

// A run straight after its listing takes each file's inode from the listing instead of reading
// the folder again: the journal must still name the right file for every row, in natural order
// too, or undo would leave the files alone as renamed by hand since.
TEST(RenameSession, ARunStraightAfterItsListingRecordsEachFileForUndo) {
    const Names files{"t10.mp3", "t9.mp3", "t1.mp3", "t2.mp3", "t3.mp3"};
    SessionFolder folder(files);
    folder.session.setSortOrder(filvane::SortOrder::Natural);
    folder.session.applyOptions({.numbering = false});
    // t1 <-> t2 go round, t3 -> t9 -> t10 -> t11 is a chain.
    folder.type(1, "t2");
    folder.type(2, "t1");
    folder.type(3, "t9");
    folder.type(4, "t10");
    folder.type(5, "t11");
    const filvane::RenameResult run = folder.session.run({}, filvane::ListingAge::JustMade);
    ASSERT_EQ(run.renamedCount(), 5);
    EXPECT_EQ(folder.dir.read("t2.mp3"), "t1.mp3");
    EXPECT_EQ(folder.dir.read("t11.mp3"), "t10.mp3");
    const filvane::RenameResult undo = undoLatest(folder.session);
    EXPECT_EQ(undo.renamedCount(), 5);
    for (const std::string &name : files)
        EXPECT_EQ(folder.dir.read(name), name);
}

namespace {

// Three files whose byte, natural, track, date-taken and modified orders all differ, and the
// names typed for them: renamed, they sort differently again.
struct OrderedFolder {
    TempDir dir;
    TempDir journals;
    RenameSession session{journals.str()};
    // File -> typed name.
    std::map<std::string, std::string> typedFor;

    explicit OrderedFolder(filvane::SortOrder order) {
        const bool photos = order == filvane::SortOrder::Taken;
        const std::string ext = photos ? ".jpg" : ".mp3";
        // name, track, taken, modified (seconds)
        const std::tuple<std::string, int, std::string, int, std::string> files[] = {
            {"b", 1, "2024:05:17 10:00:00", 300, "Silver Line"},
            {"a10", 3, "2024:05:17 08:00:00", 100, "Intro"},
            {"a9", 2, "2024:05:17 09:00:00", 200, "Zed"},
        };
        for (const auto &[stem, track, taken, modified, typed] : files) {
            const std::string path = dir.file(stem + ext);
            tagged::AudioTags tags;
            tags.title = typed;
            tags.track = track;
            if (photos)
                tagged::writeJpeg(path, taken, "");
            else
                tagged::writeMp3(path, tags);
            const timespec times[2] = {{modified, 0}, {modified, 0}};
            EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
            typedFor[stem + ext] = typed;
        }
        session.setNumbering(true);
        session.setKeepExtension(true);
        session.read(dir.str(), dir.str() + "/*");
        session.setSortOrder(order);
    }
    void typeAll() {
        for (int row = 1; row <= session.lists().fileCount(); ++row)
            session.setNewName(row, typedFor[std::string(session.lists().oldName(row))]);
    }
    // Each row's file and the name typed beside it.
    std::map<std::string, std::string> pairs() const {
        std::map<std::string, std::string> found;
        for (int row = 1; row <= session.lists().fileCount(); ++row)
            found[std::string(session.lists().oldName(row))] = session.lists().typedName(row);
        return found;
    }
    bool everyRowUnchanged() const {
        const filvane::RenamePlan plan = session.plan();
        return std::all_of(plan.rows.begin(), plan.rows.end(),
                           [](const auto &row) { return row.newName == row.oldName; });
    }
};

} // namespace

// Sort, type a name for each file, Rename: the listing after the run shows each typed name
// beside its renamed file, so a second Rename changes nothing; after undo each is beside its
// file under its old name again, and a change of order takes them along.
class TypedNamesStayWithTheirFiles
    : public ::testing::TestWithParam<std::tuple<filvane::SortOrder, bool>> {};

TEST_P(TypedNamesStayWithTheirFiles, AfterARunAnUndoAndAChangeOfOrder) {
    const auto [order, numbering] = GetParam();
    OrderedFolder folder(order);
    folder.session.applyOptions({.numbering = numbering});
    folder.typeAll();
    const std::map<std::string, std::string> typed = folder.pairs();
    ASSERT_EQ(folder.session.run().renamedCount(), 3);
    folder.session.relist();
    EXPECT_TRUE(folder.everyRowUnchanged());
    for (const auto &[file, name] : folder.pairs())
        EXPECT_NE(file.find(name), std::string::npos) << file << " beside " << name;

    ASSERT_EQ(undoLatest(folder.session).renamedCount(), 3);
    folder.session.list();
    EXPECT_EQ(folder.pairs(), typed);
    const filvane::SortOrder other = order == filvane::SortOrder::Bytes
                                         ? filvane::SortOrder::Modified
                                         : filvane::SortOrder::Bytes;
    folder.session.setSortOrder(other);
    EXPECT_EQ(folder.pairs(), typed);
    folder.session.setSortOrder(order);
    EXPECT_EQ(folder.pairs(), typed);
}

std::string
orderCaseName(const ::testing::TestParamInfo<std::tuple<filvane::SortOrder, bool>> &info) {
    static const char *const orders[] = {"Bytes", "Natural", "Track", "Taken", "Modified"};
    return std::string(orders[static_cast<int>(std::get<0>(info.param))]) +
           (std::get<1>(info.param) ? "Numbered" : "Unnumbered");
}

INSTANTIATE_TEST_SUITE_P(
    EveryOrder, TypedNamesStayWithTheirFiles,
    ::testing::Combine(::testing::Values(filvane::SortOrder::Bytes, filvane::SortOrder::Natural,
                                         filvane::SortOrder::Track, filvane::SortOrder::Taken,
                                         filvane::SortOrder::Modified),
                       ::testing::Bool()),
    orderCaseName);
