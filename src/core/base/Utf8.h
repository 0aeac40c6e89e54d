#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace filvane {

// File names are bytes: most are UTF-8, some are not. Code that reads names as characters
// decodes them here (and only here, on ICU's decoder), and every byte that does not belong to a
// well-formed sequence stays a value of its own, so two names that differ only there still differ.

// Values from here up stand for a byte that does not decode (this base plus the byte). They
// lie above the Unicode range, so they never equal a character.
constexpr char32_t InvalidUtf8Byte = 0x110000;

// The length (1 to 4) of the well-formed UTF-8 sequence at the start of `text`; 0 when the
// text is empty or its first byte begins no such sequence (a stray continuation byte, a cut,
// overlong or surrogate sequence, or one beyond U+10FFFF).
size_t utf8SequenceLength(std::string_view text);

// The character at `i`, advancing `i` past it. A byte that begins no well-formed sequence
// gives InvalidUtf8Byte + that byte and advances by one. `i` must be inside `text`.
char32_t decodeUtf8At(std::string_view text, size_t &i);

// Whether the whole text is well-formed UTF-8.
bool isValidUtf8(std::string_view text);

// Appends the UTF-8 form of `c`; a value that is no character (a surrogate, beyond U+10FFFF,
// an InvalidUtf8Byte) appends nothing.
void appendUtf8(std::string &text, char32_t c);

} // namespace filvane
