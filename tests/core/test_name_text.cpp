#include "core/NameLists.h"
#include "core/NameText.h"

#include <gtest/gtest.h>

using namespace filvane;

namespace {
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    forEachLine(text, [&lines](std::string_view line) { return lines.push_back(line), true; });
    return lines;
}
} // namespace

TEST(ForEachLine, AnyLineEndAndNoTrailingEmptyLine) {
    using Lines = std::vector<std::string_view>;
    EXPECT_EQ(splitLines(""), Lines{});
    EXPECT_EQ(splitLines("a"), Lines{"a"});
    EXPECT_EQ(splitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines("a\r\n"), Lines{"a"});
    EXPECT_EQ(splitLines("a\n\nb\n"), (Lines{"a", "", "b"}));
    EXPECT_EQ(splitLines("\r\n"), Lines{""});
}

TEST(TrimBlanks, BlanksAroundGoInsideStay) {
    EXPECT_EQ(trimBlanks(""), "");
    EXPECT_EQ(trimBlanks(" \t \t"), "");
    EXPECT_EQ(trimBlanks("Intro"), "Intro");
    EXPECT_EQ(trimBlanks("\t 03  Blue  Monday \t "), "03  Blue  Monday");
    // A no-break space from a web page, a CR, an ideographic space; letters of three bytes stay.
    EXPECT_EQ(trimBlanks("\xC2\xA0\r\xC5\x90szi\xC2\xA0"
                         "dal\xC2\xA0\r\xE3\x80\x80"),
              "\xC5\x90szi\xC2\xA0"
              "dal");
    EXPECT_EQ(trimBlanks("\xE2\x82\xAC \xE2\x80\xAF"), "\xE2\x82\xAC");
    EXPECT_EQ(trimBlanks("\xC2\xA0"), "");
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
