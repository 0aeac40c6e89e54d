#include "core/names/NameText.h"

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

TEST(NameText, RowNumbersExtensionsAndCounts) {
    EXPECT_EQ(rowNumberText(1), "01");
    EXPECT_EQ(rowNumberText(9), "09");
    EXPECT_EQ(rowNumberText(10), "10");
    EXPECT_EQ(rowNumberText(100), "100");
    EXPECT_EQ(extensionOf("a.b.mp3"), ".mp3");
    EXPECT_EQ(extensionOf("README"), "");
    EXPECT_EQ(extensionOf(".hidden"), ".hidden");
    EXPECT_EQ(nameBeforeFirstDot("song.final.mp3"), "song");
    EXPECT_EQ(nameBeforeFirstDot("README"), "");
    EXPECT_EQ(itemCountText("Items:", 12), "Items: 12");
}
