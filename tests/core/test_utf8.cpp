#include "core/Utf8.h"

#include <gtest/gtest.h>

#include <unicode/utf8.h>

#include <array>
#include <string>

using namespace filvane;

namespace {

std::string encoded(char32_t c) {
    char bytes[4];
    int32_t length = 0;
    U8_APPEND_UNSAFE(bytes, length, static_cast<UChar32>(c));
    return std::string(bytes, static_cast<size_t>(length));
}

} // namespace

TEST(Utf8, EveryCharacterDecodesFromItsEncoding) {
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const std::string bytes = encoded(c) + "x";
        ASSERT_EQ(utf8SequenceLength(bytes), bytes.size() - 1) << std::hex << uint32_t(c);
        size_t i = 0;
        ASSERT_EQ(uint32_t(decodeUtf8At(bytes, i)), uint32_t(c)) << std::hex << uint32_t(c);
        ASSERT_EQ(i, bytes.size() - 1) << std::hex << uint32_t(c);
    }
}

// ICU's own decoder decides what is well-formed: every lead and second byte, with third and
// fourth bytes from each class (ASCII, the continuation ranges' edges, a lead byte).
TEST(Utf8, WellFormedExactlyWhereIcuDecodes) {
    const std::array<unsigned char, 9> tails = {0x00, 0x41, 0x7F, 0x80, 0x8F,
                                                0x90, 0x9F, 0xBF, 0xC0};
    int wellFormed = 0;
    for (int b0 = 0; b0 < 256; ++b0) {
        for (int b1 = 0; b1 < 256; ++b1) {
            for (unsigned char b2 : tails) {
                for (unsigned char b3 : tails) {
                    const unsigned char bytes[4] = {static_cast<unsigned char>(b0),
                                                    static_cast<unsigned char>(b1), b2, b3};
                    int32_t next = 0;
                    UChar32 c = 0;
                    U8_NEXT(bytes, next, 4, c);
                    const std::string_view text(reinterpret_cast<const char *>(bytes), 4);
                    const size_t expected = c < 0 ? 0 : static_cast<size_t>(next);
                    ASSERT_EQ(utf8SequenceLength(text), expected)
                        << std::hex << b0 << ' ' << b1 << ' ' << int(b2) << ' ' << int(b3);
                    size_t i = 0;
                    const char32_t decoded = decodeUtf8At(text, i);
                    if (c < 0) {
                        ASSERT_EQ(uint32_t(decoded), uint32_t(InvalidUtf8Byte) + b0);
                        ASSERT_EQ(i, 1u);
                    } else {
                        ASSERT_EQ(uint32_t(decoded), uint32_t(c));
                        ++wellFormed;
                    }
                }
            }
        }
    }
    EXPECT_GT(wellFormed, 100000); // the loop did see valid sequences of every length
}

TEST(Utf8, CutSequencesAndWholeTexts) {
    // A sequence cut by the end of the text is not one, though its bytes so far are right.
    EXPECT_EQ(utf8SequenceLength("\xC5"), 0u);
    EXPECT_EQ(utf8SequenceLength("\xE2\x82"), 0u);
    EXPECT_EQ(utf8SequenceLength("\xF0\x9F\x8E"), 0u);
    EXPECT_EQ(utf8SequenceLength(""), 0u);

    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("\xC5\x90szi dal \xF0\x9F\x8E\xB5.mp3")); // Őszi dal 🎵.mp3
    EXPECT_FALSE(isValidUtf8("caf\xE9.mp3"));                         // Latin-1
    EXPECT_FALSE(isValidUtf8("ok\xC3"));                              // cut at the end
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));                        // a surrogate
}
