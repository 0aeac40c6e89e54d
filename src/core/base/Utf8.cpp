#include "core/base/Utf8.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>

namespace filvane {

// ICU decides what is well-formed; only what an ill-formed byte becomes is ours: a value of
// its own, one byte at a time (ICU would skip the whole ill-formed part at once).

size_t utf8SequenceLength(std::string_view text) {
    if (text.empty())
        return 0;
    int32_t next = 0;
    UChar32 c = 0;
    const auto length = static_cast<int32_t>(std::min<size_t>(text.size(), 4));
    U8_NEXT(text.data(), next, length, c);
    return c < 0 ? 0 : static_cast<size_t>(next);
}

char32_t decodeUtf8At(std::string_view text, size_t &i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    const size_t length = utf8SequenceLength(text.substr(i));
    if (length == 0) {
        ++i;
        return InvalidUtf8Byte + lead;
    }
    int32_t at = 0;
    UChar32 c = 0;
    U8_NEXT_UNSAFE(text.data() + i, at, c);
    i += length;
    return static_cast<char32_t>(c);
}

bool isValidUtf8(std::string_view text) {
    while (!text.empty()) {
        const size_t length = utf8SequenceLength(text);
        if (length == 0)
            return false;
        text.remove_prefix(length);
    }
    return true;
}

void appendUtf8(std::string &text, char32_t c) {
    char bytes[U8_MAX_LENGTH];
    int32_t length = 0;
    UBool failed = false;
    U8_APPEND(bytes, length, U8_MAX_LENGTH, static_cast<UChar32>(c), failed);
    if (!failed)
        text.append(bytes, static_cast<size_t>(length));
}

} // namespace filvane
