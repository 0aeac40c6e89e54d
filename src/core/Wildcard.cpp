#include "Wildcard.h"

namespace filvane {

namespace {

// Stand-in values for bytes that do not decode: above the Unicode range, so they never
// equal a character.
constexpr char32_t InvalidByteBase = 0x110000;

// Decodes one UTF-8 sequence at `i`, advancing `i`.
char32_t decodeOne(std::string_view text, size_t &i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    int length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, minimum = 0x10000;
    } else {
        ++i;
        return InvalidByteBase + lead;
    }
    if (i + length > text.size()) {
        ++i;
        return InvalidByteBase + lead;
    }
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return InvalidByteBase + lead;
        }
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return InvalidByteBase + lead;
    }
    i += length;
    return c;
}

} // namespace

char32_t foldCase(char32_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) // Latin-1 capitals
        return c + 0x20;
    if (c >= 0x100 && c <= 0x17F) { // Latin Extended-A: mostly capital/small pairs
        if (c == 0x130)
            return 'i';
        if (c == 0x178)
            return 0xFF;
        const bool oddCapitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F)
            return c;
        if (oddCapitals)
            return (c & 1) ? c + 1 : c;
        return (c & 1) ? c : c + 1;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) // Greek capitals
        return c + 0x20;
    if (c >= 0x410 && c <= 0x42F) // Cyrillic capitals
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    return c;
}

std::u32string foldedCodePoints(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();)
        out.push_back(foldCase(decodeOne(text, i)));
    return out;
}

WildcardMask::WildcardMask(std::string_view mask) {
    if (mask.empty() || mask.find('/') != std::string_view::npos) {
        m_matchesNothing = true;
        return;
    }
    m_pattern = foldedCodePoints(mask);
    m_matchesAll = m_pattern.find_first_not_of(U'*') == std::u32string::npos || m_pattern == U"*.*";
    if (m_pattern.size() >= 2 && m_pattern.ends_with(U".*")) {
        m_hasDotStar = true;
        m_withoutDotStar = m_pattern.substr(0, m_pattern.size() - 2);
    }
}

bool WildcardMask::matches(std::string_view name) const {
    if (m_matchesNothing)
        return false;
    if (m_matchesAll)
        return true;
    if (matchesPattern(m_pattern, name))
        return true;
    return m_hasDotStar && name.find('.') == std::string_view::npos &&
           matchesPattern(m_withoutDotStar, name);
}

// Iterative glob match with one backtracking point: linear for most masks, never recursive.
bool WildcardMask::matchesPattern(const std::u32string &pattern, std::string_view name) const {
    size_t p = 0;
    size_t n = 0;
    size_t starP = std::u32string::npos;
    size_t starN = 0;
    while (n < name.size()) {
        size_t next = n;
        const char32_t c = foldCase(decodeOne(name, next));
        if (p < pattern.size() && pattern[p] == U'*') {
            starP = p++;
            starN = n;
            continue;
        }
        if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == c)) {
            ++p;
            n = next;
            continue;
        }
        if (starP == std::u32string::npos)
            return false;
        // Let the last star swallow one more character and try again from there.
        p = starP + 1;
        size_t skip = starN;
        decodeOne(name, skip);
        starN = n = skip;
    }
    while (p < pattern.size() && pattern[p] == U'*')
        ++p;
    return p == pattern.size();
}

} // namespace filvane
