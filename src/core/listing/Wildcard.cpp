#include "core/listing/Wildcard.h"

#include "core/base/Utf8.h"

#include <unicode/uchar.h>

#include <algorithm>

namespace filvane {

namespace {

constexpr char32_t foldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
}

// The folded character at `i`, advancing `i`. Names are mostly ASCII, and an ASCII letter
// folds to ASCII without decoding or a call into the library. Characters that fold into
// ASCII from outside it (the Kelvin sign to "k") go through the library like all others.
inline char32_t nextFolded(std::string_view text, size_t &i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
        ++i;
        return foldAscii(byte);
    }
    return foldCase(decodeUtf8At(text, i));
}

} // namespace

char32_t foldCase(char32_t c) {
    if (c < 0x80)
        return foldAscii(static_cast<unsigned char>(c));
    if (c >= InvalidUtf8Byte)
        return c;
    return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

std::u32string foldedCodePoints(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();)
        out.push_back(nextFolded(text, i));
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
    const auto plainAscii = [](char32_t c) { return c < 0x80 && c != U'*' && c != U'?'; };
    if (m_pattern.size() >= 2 && m_pattern.front() == U'*' &&
        std::all_of(m_pattern.begin() + 1, m_pattern.end(), plainAscii)) {
        for (auto c = m_pattern.begin() + 1; c != m_pattern.end(); ++c)
            m_asciiSuffix.push_back(static_cast<char>(*c));
    }
}

// "*" and plain ASCII, the commonest mask ("*.mp3"): read from the end, ASCII bytes are whole
// characters, so the name's last bytes decide as long as they are ASCII. A byte outside ASCII
// there (an accent, or a Kelvin sign that folds to "k") leaves it to the full match.
WildcardMask::Verdict WildcardMask::matchesAsciiSuffix(std::string_view name) const {
    if (name.size() < m_asciiSuffix.size())
        return Verdict::Fails; // fewer bytes means fewer characters
    const size_t start = name.size() - m_asciiSuffix.size();
    for (size_t k = m_asciiSuffix.size(); k-- > 0;) {
        const auto byte = static_cast<unsigned char>(name[start + k]);
        if (byte >= 0x80)
            return Verdict::Undecided;
        if (foldAscii(byte) != static_cast<unsigned char>(m_asciiSuffix[k]))
            return Verdict::Fails;
    }
    return Verdict::Matches;
}

bool WildcardMask::matches(std::string_view name) const {
    if (m_matchesNothing)
        return false;
    if (m_matchesAll)
        return true;
    if (!m_asciiSuffix.empty()) {
        if (const Verdict verdict = matchesAsciiSuffix(name); verdict != Verdict::Undecided)
            return verdict == Verdict::Matches; // no ".*" ending, so no second try
    }
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
        if (p < pattern.size() && pattern[p] == U'*') {
            starP = p++;
            starN = n;
            continue;
        }
        size_t next = n;
        const char32_t c = nextFolded(name, next);
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
        decodeUtf8At(name, skip);
        starN = n = skip;
    }
    while (p < pattern.size() && pattern[p] == U'*')
        ++p;
    return p == pattern.size();
}

} // namespace filvane
