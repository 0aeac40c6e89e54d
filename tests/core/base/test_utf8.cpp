#include "core/base/Utf8.h"

#include <gtest/gtest.h>

#include <string>

using namespace filvane;

namespace {

struct Sequence {
    const char *bytes;
    size_t length;    // of the well-formed sequence at the start; 0 when there is none
    char32_t decoded; // what decodeUtf8At gives for the first character
};

class Utf8Sequences : public ::testing::TestWithParam<Sequence> {};

} // namespace

// What a name's first bytes are taken for: a character, or one byte of its own that keeps two
// names apart which differ only there.
INSTANTIATE_TEST_SUITE_P(
    Table, Utf8Sequences,
    ::testing::Values(Sequence{"a", 1, U'a'}, Sequence{"\xC5\x90szi", 2, U'\u0150'},
                      Sequence{"\xE2\x82\xAC", 3, U'\u20AC'},
                      Sequence{"\xF0\x9F\x8E\xB5", 4, U'\U0001F3B5'},
                      Sequence{"\xF4\x8F\xBF\xBF", 4, U'\U0010FFFF'},
                      // Cut by the end of the text, though its bytes so far are right.
                      Sequence{"\xE2\x82", 0, InvalidUtf8Byte + 0xE2},
                      // Latin-1, a stray continuation byte, overlong, surrogate, beyond U+10FFFF.
                      Sequence{"\xE9t\xE9", 0, InvalidUtf8Byte + 0xE9},
                      Sequence{"\x80", 0, InvalidUtf8Byte + 0x80},
                      Sequence{"\xC0\xAF", 0, InvalidUtf8Byte + 0xC0},
                      Sequence{"\xED\xA0\x80", 0, InvalidUtf8Byte + 0xED},
                      Sequence{"\xF4\x90\x80\x80", 0, InvalidUtf8Byte + 0xF4}));

TEST_P(Utf8Sequences, LengthAndCharacter) {
    const Sequence &sequence = GetParam();
    const std::string_view text(sequence.bytes);
    EXPECT_EQ(utf8SequenceLength(text), sequence.length);
    size_t i = 0;
    EXPECT_EQ(uint32_t(decodeUtf8At(text, i)), uint32_t(sequence.decoded));
    EXPECT_EQ(i, sequence.length == 0 ? 1u : sequence.length); // an invalid byte alone
    std::string again;
    appendUtf8(again, sequence.decoded);
    EXPECT_EQ(again, sequence.length == 0 ? "" : text.substr(0, sequence.length));
}

TEST(Utf8, WholeTexts) {
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("\xC5\x90szi dal \xF0\x9F\x8E\xB5.mp3")); // Őszi dal 🎵.mp3
    EXPECT_FALSE(isValidUtf8("caf\xE9.mp3"));
    EXPECT_FALSE(isValidUtf8("ok\xC3"));
}
