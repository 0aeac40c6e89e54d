#include "TempDir.h"
#include "core/listing/DirectorySearch.h"
#include "core/lists/NameLists.h"
#include "core/names/NameText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace filvane;

namespace {

std::vector<std::string> readNames(const NameLists &lists) {
    std::vector<std::string> names;
    for (int row = 1; row <= lists.fileCount(); ++row)
        names.push_back(lists.readList().cell(1, row));
    return names;
}

std::string pattern(const TempDir &dir, const std::string &mask = "*.*") {
    return dir.str() + "/" + mask;
}

// The number columns as the window shows them, by the default number format.
std::string readNumber(const NameLists &lists, int row) {
    return lists.numberCell(NameLists::Side::Read, row, NumberFormat{}, false);
}
std::string newNameNumber(const NameLists &lists, int row, bool numbering) {
    return lists.numberCell(NameLists::Side::NewNames, row, NumberFormat{}, numbering);
}

} // namespace

TEST(CellGrid, CellsSurviveLoweringAndRaisingTheRowCount) {
    CellGrid grid;
    grid.setRowCount(5);
    grid.setCell(1, 4, "kept");
    grid.setRowCount(2);
    EXPECT_EQ(grid.cell(1, 4), "kept");
    grid.setRowCount(6);
    EXPECT_EQ(grid.cell(1, 4), "kept");
    EXPECT_EQ(grid.cell(0, 5000), "");
}

TEST(NameLists, NumbersRowsAndKeepsCellsOfHiddenRows) {
    TempDir dir;
    for (int i = 0; i < 100; ++i)
        dir.touch("f" + std::to_string(1000 + i) + ".mp3");
    NameLists lists;
    EXPECT_EQ(lists.listDirectory(pattern(dir)), ".mp3");
    lists.sortByName();
    ASSERT_EQ(lists.fileCount(), 100);
    EXPECT_EQ(lists.readList().rowCount(), 101);
    EXPECT_EQ(lists.nameList().rowCount(), 101);
    EXPECT_EQ(readNumber(lists, 9), "09");
    EXPECT_EQ(readNumber(lists, 10), "10");
    EXPECT_EQ(readNumber(lists, 100), "100");
    EXPECT_EQ(newNameNumber(lists, 100, true), "100");
    EXPECT_EQ(lists.nameList().cell(0, 100), ""); // the grid itself holds no number
    EXPECT_EQ(lists.readList().cell(1, 1), "f1000.mp3");
    lists.nameList().setCell(1, 50, "typed");

    // A shorter listing hides rows; the longer one again shows what the name cells held.
    TempDir small;
    small.touch("only.txt");
    lists.listDirectory(pattern(small));
    EXPECT_EQ(lists.fileCount(), 1);
    EXPECT_EQ(lists.readList().rowCount(), 2);
    lists.listDirectory(pattern(dir));
    EXPECT_EQ(lists.nameList().cell(1, 50), "typed");
    // Without numbering the new-name list shows no number; the read list always does.
    EXPECT_EQ(newNameNumber(lists, 50, false), "");
    EXPECT_EQ(readNumber(lists, 50), "50");
    EXPECT_EQ(readNumber(lists, 101), ""); // beyond the last row
}

TEST(NameLists, BothNumberColumnsReadByTheFormatGivenOverTheFilesListed) {
    NameLists lists;
    lists.listNames({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l"});
    const NumberFormat tens{.start = 10, .step = 10, .digits = NumberFormat::Digits::Auto};
    using Side = NameLists::Side;
    for (const Side side : {Side::Read, Side::NewNames}) {
        // Auto pads to the widest number of the twelve rows, 120: the count is the file count.
        EXPECT_EQ(lists.numberCell(side, 1, tens, true), "010");
        EXPECT_EQ(lists.numberCell(side, 12, tens, true), "120");
        EXPECT_EQ(lists.numberCell(side, 13, tens, true), "");
        EXPECT_EQ(lists.numberCell(side, 0, tens, true), ""); // the caption row
    }
    const NumberFormat down{.start = 3, .step = -1};
    EXPECT_EQ(lists.numberCell(Side::Read, 5, down, false), "-01");
    // Numbering off empties the new-name column only, whatever the format.
    EXPECT_EQ(lists.numberCell(Side::NewNames, 5, down, false), "");
    // A shorter listing numbers its own rows only, and by its own count.
    lists.listNames({"only"});
    EXPECT_EQ(lists.numberCell(Side::Read, 2, tens, true), "");
    EXPECT_EQ(lists.numberCell(Side::Read, 1, tens, true), "10");
}

TEST(NameLists, EmptyListingLeavesOneBlankRow) {
    TempDir dir;
    dir.touch("a.txt");
    NameLists lists;
    lists.listDirectory(pattern(dir));
    lists.nameList().setCell(1, 1, "typed");
    EXPECT_EQ(lists.listDirectory(pattern(dir, "*.mp3")), "");
    EXPECT_EQ(lists.fileCount(), 0);
    EXPECT_EQ(lists.readList().rowCount(), 2);
    // The blank row gets no number, also while numbering.
    EXPECT_EQ(readNumber(lists, 1), "");
    EXPECT_EQ(newNameNumber(lists, 1, true), "");
    for (const CellGrid *grid : {&lists.readList(), &lists.nameList()})
        EXPECT_EQ(grid->cell(1, 1), "");
    EXPECT_TRUE(lists.listedFiles().empty());
    lists.listDirectory(dir.str() + "/missing/*.*");
    EXPECT_EQ(lists.fileCount(), 0);
}

TEST(NameLists, ListsEveryNonDirectoryEntryByteForByte) {
    TempDir dir;
    dir.touch(".hidden.mp3");
    dir.touch("plain.mp3");
    const std::string latin1 = "caf\xe9.mp3"; // not UTF-8
    dir.touch(latin1);
    ASSERT_EQ(mkdir(dir.file("sub.mp3").c_str(), 0755), 0);
    ASSERT_EQ(symlink("sub.mp3", dir.file("linkdir.mp3").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", dir.file("dangling.mp3").c_str()), 0);
    ASSERT_EQ(symlink("plain.mp3", dir.file("linkfile.mp3").c_str()), 0);
    ASSERT_EQ(mkfifo(dir.file("pipe.mp3").c_str(), 0644), 0);
    NameLists lists;
    lists.listDirectory(pattern(dir, "*.mp3"));
    lists.sortByName();
    const std::vector<std::string> expected = {".hidden.mp3",  "caf\xe9.mp3", "dangling.mp3",
                                               "linkfile.mp3", "pipe.mp3",    "plain.mp3"};
    EXPECT_EQ(readNames(lists), expected);
    // Looking up where the dangling link leads fails; the listing itself did not.
    EXPECT_EQ(findFiles(dir.str(), "dangling*").error, 0);
}

TEST(NameLists, SortsByUnsignedBytesKeepingNumbersInPlace) {
    TempDir dir;
    for (const char *name : {"B.txt", "a.txt", "C.txt", "\xc3\x89t\xc3\xa9.txt", "a", "_x.txt"})
        dir.touch(name);
    NameLists lists;
    lists.listDirectory(pattern(dir));
    lists.sortByName();
    const std::vector<std::string> expected = {"B.txt", "C.txt", "_x.txt",
                                               "a",     "a.txt", "\xc3\x89t\xc3\xa9.txt"};
    EXPECT_EQ(readNames(lists), expected);
    for (int row = 1; row <= 6; ++row)
        EXPECT_EQ(readNumber(lists, row), rowNumberText(row));
}

TEST(NameLists, SortGivesTheExchangeSortsOrder) {
    std::mt19937 random(7);
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) {
        std::string name;
        const int length = 1 + static_cast<int>(random() % 4);
        for (int k = 0; k < length; ++k)
            name += static_cast<char>("aAb\x80\xff."[random() % 6]);
        names.push_back(name);
    }
    NameLists lists;
    CellGrid &read = lists.readList();
    read.setRowCount(static_cast<int>(names.size()) + 1);
    for (size_t i = 0; i < names.size(); ++i)
        read.setCell(1, static_cast<int>(i) + 1, names[i]);

    // The reference: the exchange sort over unsigned bytes.
    std::vector<std::string> reference = names;
    const auto greater = [](const std::string &a, const std::string &b) {
        const size_t n = std::min(a.size(), b.size());
        for (size_t i = 0; i < n; ++i)
            if (a[i] != b[i])
                return static_cast<unsigned char>(a[i]) > static_cast<unsigned char>(b[i]);
        return a.size() > b.size();
    };
    for (size_t a = 0; a + 1 < reference.size(); ++a)
        for (size_t b = a + 1; b < reference.size(); ++b)
            if (greater(reference[a], reference[b]))
                std::swap(reference[a], reference[b]);

    lists.sortByName();
    for (size_t i = 0; i < names.size(); ++i)
        ASSERT_EQ(read.cell(1, static_cast<int>(i) + 1), reference[i]) << "row " << i + 1;
}

TEST(NameLists, ListOperations) {
    TempDir dir;
    dir.touch("song.final.mp3");
    dir.touch("README");
    NameLists lists;
    lists.listDirectory(pattern(dir));
    lists.sortByName();
    lists.fillNewNamesFromOldNames();
    EXPECT_EQ(lists.nameList().cell(1, 1), "");     // README
    EXPECT_EQ(lists.nameList().cell(1, 2), "song"); // song.final.mp3

    EXPECT_EQ(newNameNumber(lists, 1, false), "");
    EXPECT_EQ(newNameNumber(lists, 2, true), "02");

    lists.swapNames(1, 2);
    EXPECT_EQ(lists.readList().cell(1, 1), "song.final.mp3");
    EXPECT_EQ(readNumber(lists, 1), "01");

    lists.clearNewNames();
    EXPECT_EQ(lists.nameList().cell(1, 2), "");

    lists.setCaption(1, "File Name");
    lists.clearLists();
    EXPECT_EQ(lists.fileCount(), 0);
    EXPECT_EQ(lists.readList().rowCount(), 2);
    EXPECT_EQ(lists.readList().cell(1, 2), "");
    EXPECT_EQ(newNameNumber(lists, 1, true), "");
    EXPECT_EQ(readNumber(lists, 1), "");
    EXPECT_EQ(lists.readList().cell(1, 0), "File Name");
}

TEST(NameLists, EachRowKeepsTheFileItWasListedWith) {
    TempDir dir;
    for (const char *name : {"Track 10.mp3", "track 2.mp3", "B.mp3", "a.mp3", "\xe9t\xe9.mp3"})
        dir.touch(name);
    ASSERT_EQ(symlink("a.mp3", dir.file("link.mp3").c_str()), 0);
    NameLists lists;
    lists.listDirectory(pattern(dir));
    ASSERT_EQ(lists.fileCount(), 6);
    // Numbers are not stored, nor typed names that were never typed.
    EXPECT_EQ(lists.nameList().storedNames(), 0);
    EXPECT_EQ(lists.readList().storedNames(), 6);

    const auto expectFilesInStep = [&](const char *step) {
        SCOPED_TRACE(step);
        ASSERT_EQ(lists.listedFiles().size(), 6u);
        for (int row = 1; row <= lists.fileCount(); ++row) {
            const std::string name = lists.readList().cell(1, row);
            struct stat st;
            ASSERT_EQ(lstat(dir.file(name).c_str(), &st), 0) << name;
            EXPECT_EQ(lists.listedFiles()[row - 1].inode, static_cast<std::uint64_t>(st.st_ino))
                << name;
            EXPECT_FALSE(lists.listedFiles()[row - 1].directory);
            EXPECT_EQ(readNumber(lists, row), rowNumberText(row));
        }
    };
    expectFilesInStep("listed");
    lists.sortByName(SortOrder::Bytes);
    expectFilesInStep("sorted by bytes");
    EXPECT_EQ(lists.readList().cell(1, 1), "B.mp3");
    // Typed names stay in their rows through a sort, but go with their files when sorted again.
    for (int row = 1; row <= lists.fileCount(); ++row)
        lists.nameList().setCell(1, row, "typed " + lists.readList().cell(1, row));
    lists.resort(SortOrder::Natural);
    expectFilesInStep("sorted again naturally");
    EXPECT_EQ(lists.readList().cell(1, 4), "track 2.mp3");
    EXPECT_EQ(lists.readList().cell(1, 5), "Track 10.mp3");
    for (int row = 1; row <= lists.fileCount(); ++row)
        EXPECT_EQ(lists.nameList().cell(1, row), "typed " + lists.readList().cell(1, row));
    lists.sortByName(SortOrder::Natural);
    expectFilesInStep("sorted naturally");
    lists.swapNames(1, 6);
    expectFilesInStep("two rows exchanged");
    lists.resort(SortOrder::Bytes);
    expectFilesInStep("sorted again by bytes");

    lists.listNames({"given.mp3"});
    EXPECT_TRUE(lists.listedFiles().empty()); // given names: their files are not known
    EXPECT_EQ(readNumber(lists, 1), "01");
    lists.listDirectory(pattern(dir));
    EXPECT_EQ(lists.listedFiles().size(), 6u);
    EXPECT_EQ(newNameNumber(lists, 1, false), "");
    lists.clearLists();
    EXPECT_TRUE(lists.listedFiles().empty());
    EXPECT_EQ(readNumber(lists, 1), "");
}

TEST(NameLists, AFolderThatCannotBeReadSaysWhy) {
    TempDir dir;
    dir.touch("a.mp3");
    NameLists lists;
    lists.listDirectory(pattern(dir));
    EXPECT_EQ(lists.listError(), 0);
    EXPECT_EQ(lists.fileCount(), 1);
    // A path longer than the system takes: an error, not a silently empty folder.
    std::string longPath = dir.str();
    while (longPath.size() <= PATH_MAX)
        longPath += "/deeper";
    lists.listDirectory(longPath + "/*.*");
    EXPECT_EQ(lists.listError(), ENAMETOOLONG);
    EXPECT_EQ(lists.fileCount(), 0);
    lists.listDirectory(dir.str() + "/a.mp3/*.*"); // a file, not a folder
    EXPECT_EQ(lists.listError(), ENOTDIR);
}

TEST(NameLists, PastedLinesLoseBlanksAroundThem) {
    NameLists lists;
    lists.nameList().setRowCount(5);
    EXPECT_EQ(lists.pasteNewNames("  Intro\t\r\n\tBlue Monday  \n   \nOutro\rSpare", 1), 4);
    EXPECT_EQ(lists.nameList().cell(1, 1), "Intro");
    EXPECT_EQ(lists.nameList().cell(1, 2), "Blue Monday");
    EXPECT_EQ(lists.nameList().cell(1, 3), ""); // a line of blanks leaves the row unnamed
    EXPECT_EQ(lists.nameList().cell(1, 4), "Outro");
    EXPECT_EQ(lists.nameList().cell(1, 5), ""); // beyond the last row
}

TEST(NameLists, PasteFillsFromARowDownAndStopsAtTheLastRow) {
    NameLists lists;
    CellGrid &names = lists.nameList();
    names.setRowCount(6); // five data rows
    names.setCell(1, 1, "kept");
    EXPECT_EQ(lists.pasteNewNames("x\ny\nz", 2), 3);
    EXPECT_EQ(names.cell(1, 1), "kept");
    EXPECT_EQ(names.cell(1, 2), "x");
    EXPECT_EQ(names.cell(1, 4), "z");
    EXPECT_EQ(names.cell(1, 5), "");

    EXPECT_EQ(lists.pasteNewNames("1\n2\n3\n4\n5\n6\n7\n", 1), 5);
    EXPECT_EQ(names.cell(1, 5), "5");
    EXPECT_EQ(names.cell(1, 6), ""); // beyond the last row: nothing stored
}
