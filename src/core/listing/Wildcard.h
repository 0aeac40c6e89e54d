#pragma once

#include <string>
#include <string_view>

namespace filvane {

// A file-name mask: "*" matches any run of characters, "?" exactly one, and letters match
// without regard to case in every script, by Unicode's simple case folding. A mask ending in
// ".*" also matches names without a dot, so "*.*" matches every name. An empty mask, or one
// naming a path ("sub/*.mp3"), matches nothing.
class WildcardMask {
public:
    explicit WildcardMask(std::string_view mask);

    bool matches(std::string_view name) const;

private:
    bool matchesPattern(const std::u32string &pattern, std::string_view name) const;
    enum class Verdict { Matches, Fails, Undecided };
    Verdict matchesAsciiSuffix(std::string_view name) const;

    std::u32string m_pattern;        // case-folded code points
    std::u32string m_withoutDotStar; // the pattern less a trailing ".*", when it has one
    std::string m_asciiSuffix;       // the text after a leading "*" when the rest is plain ASCII
    bool m_hasDotStar = false;
    bool m_matchesAll = false;
    bool m_matchesNothing = false;
};

// Decodes UTF-8 and folds case. A byte that is not part of valid UTF-8 stays a value of its
// own that equals no character (see Utf8.h), so such names still compare byte for byte.
std::u32string foldedCodePoints(std::string_view text);

// Unicode's simple case folding of one character: one character for one, so "?" still
// matches one character. Values standing for undecodable bytes are returned unchanged.
char32_t foldCase(char32_t c);

} // namespace filvane
