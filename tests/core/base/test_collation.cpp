#include "core/base/Collation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace filvane;

namespace {

std::vector<std::string> sorted(std::vector<std::string> names, SortOrder order) {
    sortNames(names, order);
    return names;
}

std::vector<std::string> trackNames(const std::vector<int> &numbers) {
    std::vector<std::string> names;
    for (int n : numbers)
        names.push_back("Track " + std::to_string(n) + ".mp3");
    return names;
}

} // namespace

TEST(Collation, DigitsByValueCaseAndAccentsFolded) {
    EXPECT_EQ(sorted(trackNames({10, 2, 12, 1, 11, 3, 9, 5, 4, 8, 7, 6}), SortOrder::Natural),
              trackNames({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    // Byte order stays as it was: "10" before "2", capitals before small letters.
    EXPECT_EQ(sorted(trackNames({2, 10, 1}), SortOrder::Bytes), trackNames({1, 10, 2}));
    EXPECT_EQ(sorted({"apple.mp3", "Zebra.mp3"}, SortOrder::Bytes),
              (std::vector<std::string>{"Zebra.mp3", "apple.mp3"}));

    using Names = std::vector<std::string>;
    EXPECT_EQ(sorted({"A10",
                      "\xc3\xa1"
                      "3",
                      "a2"},
                     SortOrder::Natural),
              (Names{"a2",
                     "\xc3\xa1"
                     "3",
                     "A10"})); // a2 < á3 < A10
    EXPECT_EQ(
        sorted({"Zebra.mp3", "apple.mp3", "\xc3\x89t\xc3\xa9.mp3", "eta.mp3"}, SortOrder::Natural),
        (Names{"apple.mp3", "eta.mp3", "\xc3\x89t\xc3\xa9.mp3", "Zebra.mp3"})); // Été
    EXPECT_EQ(sorted({"x 1000", "x 999", "x 20 b", "x 20 a", "x 3"}, SortOrder::Natural),
              (Names{"x 3", "x 20 a", "x 20 b", "x 999", "x 1000"}));
    // Numbers longer than any machine integer still compare by value.
    EXPECT_EQ(sorted({"v 123456789012345678901234567890", "v 99999999999999999999999999999"},
                     SortOrder::Natural),
              (Names{"v 99999999999999999999999999999", "v 123456789012345678901234567890"}));
}

// Blanks and punctuation between a word and its number count for nothing: a ripper's folder
// reads as people read it.
TEST(Collation, BlanksAndPunctuationDoNotSeparateAWordFromItsNumber) {
    using Names = std::vector<std::string>;
    const struct {
        Names given, expected;
    } cases[] = {
        {{"Track 10.mp3", "track02.mp3", "1 intro.mp3", "track01.mp3"},
         {"1 intro.mp3", "track01.mp3", "track02.mp3", "Track 10.mp3"}},
        {{"Track_10", "track-2", "Track.3"}, {"track-2", "Track.3", "Track_10"}},
        {{"IMG_0010.jpg", "IMG 9.jpg", "img-0011.jpg"},
         {"IMG 9.jpg", "IMG_0010.jpg", "img-0011.jpg"}},
        {{"Disc 2 - Track 1", "Disc 1 - Track 10", "Disc 1 - Track 9"},
         {"Disc 1 - Track 9", "Disc 1 - Track 10", "Disc 2 - Track 1"}},
        {{"(10) Rain", "(2) Snow", "[3] Sun"}, {"(2) Snow", "[3] Sun", "(10) Rain"}},
        {{"Side B", "Side A", "Side-A"}, {"Side A", "Side-A", "Side B"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(sorted(c.given, SortOrder::Natural), c.expected) << c.given.front();
}

// Names that differ only in blanks or punctuation tie for the collator; their bytes order
// them, so comparing is a strict weak order and sorting gives one order from any start.
TEST(Collation, NamesDifferingOnlyInPunctuationGetOneTotalOrder) {
    const std::vector<std::string> names = {"a-b.mp3", "a b.mp3",  "ab.mp3",    "a_b.mp3",
                                            "a.b.mp3", "a  b.mp3", "a - b.mp3", "A-B.mp3"};
    NaturalCollator collator;
    for (const std::string &x : names) {
        EXPECT_EQ(collator.compare(x, x), 0);
        for (const std::string &y : names) {
            const int xy = collator.compare(x, y);
            if (x == y)
                continue;
            EXPECT_NE(xy, 0) << x << " / " << y;
            EXPECT_EQ(xy<0, collator.compare(y, x)> 0) << x << " / " << y;
            for (const std::string &z : names) {
                if (xy < 0 && collator.compare(y, z) < 0) {
                    EXPECT_LT(collator.compare(x, z), 0) << x << " < " << y << " < " << z;
                }
            }
        }
    }
    std::vector<std::string> byBytes = names;
    std::sort(byBytes.begin(), byBytes.end());
    std::vector<std::string> shuffled = names;
    std::mt19937 random(5);
    for (int i = 0; i < 20; ++i) {
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        // All tie in the key, so the order is the bytes' order, whatever the start.
        ASSERT_EQ(sorted(shuffled, SortOrder::Natural), byBytes);
    }
}

// Names the collator finds equal, empty ones and ones that are not UTF-8 still get one order.
TEST(Collation, TiesEmptyAndInvalidNamesInATotalOrder) {
    using Names = std::vector<std::string>;
    // Equal but for case, accents or leading zeros: by their bytes.
    EXPECT_EQ(sorted({"track.mp3",
                      "tr\xc3\xa1"
                      "ck.mp3",
                      "Track.mp3", "TRACK.mp3"},
                     SortOrder::Natural),
              (Names{"TRACK.mp3", "Track.mp3", "track.mp3",
                     "tr\xc3\xa1"
                     "ck.mp3"}));
    EXPECT_EQ(sorted({"7", "007", "07", "6", "8"}, SortOrder::Natural),
              (Names{"6", "007", "07", "7", "8"}));
    EXPECT_EQ(sorted({"b", "", "a", ""}, SortOrder::Natural), (Names{"", "", "a", "b"}));

    // Latin-1 names: the undecodable byte takes a place of its own, the digits still count,
    // and names differing only in such bytes are ordered by them.
    const Names latin1 = {"caf\xe9 10.mp3",    "caf\xe9 9.mp3", "caf\xe8 9.mp3", "cafe 9.mp3",
                          "caf\xc3\xa9 9.mp3", "\xff",          "caf 9.mp3"};
    const Names ordered = sorted(latin1, SortOrder::Natural);
    const auto at = [&ordered](const std::string &name) {
        return std::find(ordered.begin(), ordered.end(), name) - ordered.begin();
    };
    EXPECT_LT(at("caf\xe9 9.mp3"), at("caf\xe9 10.mp3"));
    EXPECT_LT(at("caf\xe8 9.mp3"), at("caf\xe9 9.mp3"));
    EXPECT_EQ(at("caf\xc3\xa9 9.mp3"), at("cafe 9.mp3") + 1); // é next to e, as a letter
    EXPECT_EQ(ordered.size(), latin1.size());

    // The same order whatever order the names come in.
    Names shuffled = latin1;
    std::mt19937 random(7);
    for (int i = 0; i < 20; ++i) {
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        ASSERT_EQ(sorted(shuffled, SortOrder::Natural), ordered);
    }
}

// The one-pass sort agrees with comparing names two at a time, on many names sharing long
// prefixes, so that the inline key heads tie and the rest of the keys decide.
TEST(Collation, SortingManyAgreesWithComparingTwo) {
    const char *stems[] = {"Track ",
                           "track ",
                           "Tr\xc3\xa1"
                           "ck ",
                           "Track 0",
                           "",
                           "\xce\xa3\xcf\x84\xce\xaf\xcf\x87\xce\xbf\xcf\x82 ",
                           "a\xe9 "};
    std::mt19937 random(12);
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i) {
        std::string name = stems[random() % std::size(stems)] + std::to_string(random() % 200);
        if (random() % 3 == 0)
            name += " - " + std::to_string(random() % 30);
        names.push_back(name + (random() % 2 ? ".mp3" : ".MP3"));
    }
    const std::vector<std::uint32_t> order = sortedOrder(names, SortOrder::Natural);
    ASSERT_EQ(order.size(), names.size());
    NaturalCollator collator;
    for (size_t k = 1; k < order.size(); ++k) {
        const int c = collator.compare(names[order[k - 1]], names[order[k]]);
        ASSERT_TRUE(c < 0 || (c == 0 && order[k - 1] < order[k]))
            << names[order[k - 1]] << " / " << names[order[k]];
    }
    std::vector<std::uint32_t> seen = order;
    std::sort(seen.begin(), seen.end());
    for (size_t k = 0; k < seen.size(); ++k)
        ASSERT_EQ(seen[k], k); // a permutation: every row once

    // Equal names keep their order; byte order is a permutation too.
    EXPECT_EQ(sortedOrder(std::vector<std::string>{"b", "a", "b", "a"}, SortOrder::Natural),
              (std::vector<std::uint32_t>{1, 3, 0, 2}));
    EXPECT_EQ(sortedOrder(std::vector<std::string>{"b", "a", "b", "a"}, SortOrder::Bytes),
              (std::vector<std::uint32_t>{1, 3, 0, 2}));
    EXPECT_TRUE(sortedOrder({}, SortOrder::Natural).empty());
}

TEST(Collation, ByteOrderComparesUnsignedBytesAtAnyLength) {
    // Names up to 20 bytes that share long starts, so differences fall in and after the first
    // eight bytes, with bytes above 0x7f and NUL; then the same behind a start every name
    // shares, with and without the long start.
    for (const std::string every : {"", "IMG_", "IMG_\xff"})
        for (const bool bare : {false, true}) {
            std::mt19937 random(3);
            std::vector<std::string> names;
            for (int i = 0; i < 2000; ++i) {
                std::string name = every + (random() % 2 ? "track 0000" : "");
                if (bare)
                    name = every;
                const int length = static_cast<int>(random() % 11);
                for (int k = 0; k < length; ++k)
                    name += "aA\x80\xff.\0"[random() % 6];
                names.push_back(name);
            }
            std::vector<std::uint32_t> reference(names.size());
            for (std::uint32_t i = 0; i < reference.size(); ++i)
                reference[i] = i;
            std::stable_sort(
                reference.begin(), reference.end(), [&](std::uint32_t a, std::uint32_t b) {
                    return std::lexicographical_compare(
                        names[a].begin(), names[a].end(), names[b].begin(), names[b].end(),
                        [](char x, char y) {
                            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
                        });
                });
            EXPECT_EQ(sortedOrder(names, SortOrder::Bytes), reference) << every << bare;
        }
}
