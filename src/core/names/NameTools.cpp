#include "core/names/NameTools.h"

#include "core/base/Utf8.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include <unicode/normalizer2.h>
#include <unicode/regex.h>
#include <unicode/translit.h>
#include <unicode/ucasemap.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uset.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

namespace filvane {

namespace {

// Names longer than this are left alone: ICU counts in int32_t, and no file name comes near.
constexpr size_t MaxNameBytes = size_t{1} << 28;

// Sizes that saturate instead of wrapping, for the bounds of what a tool can make.
size_t plus(size_t a, size_t b) {
    return a > SIZE_MAX - b ? SIZE_MAX : a + b;
}

size_t times(size_t a, size_t b) {
    return b != 0 && a > SIZE_MAX / b ? SIZE_MAX : a * b;
}

// How many bytes at the start are ASCII, eight at a time.
size_t asciiPrefix(std::string_view name) {
    size_t i = 0;
    for (; i + 8 <= name.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, name.data() + i, 8);
        if (word & 0x8080808080808080u)
            break;
    }
    while (i < name.size() && static_cast<unsigned char>(name[i]) < 0x80)
        ++i;
    return i;
}

// Whether the name is UTF-8 the tools may read.
bool readableName(std::string_view name) {
    if (name.size() > MaxNameBytes)
        return false;
    const size_t ascii = asciiPrefix(name);
    return ascii == name.size() || isValidUtf8(name.substr(ascii));
}

// The first bytes of the UTF-8 forms of Unicode's blanks (White_Space), from ICU's data: only
// characters that begin with one of them need decoding to tell whether they are blanks.
const std::array<bool, 256> &blankLeadBytes() {
    static const std::array<bool, 256> leads = [] {
        std::array<bool, 256> table{};
        UErrorCode status = U_ZERO_ERROR;
        const USet *blanks = u_getBinaryPropertySet(UCHAR_WHITE_SPACE, &status);
        if (U_FAILURE(status)) {
            table.fill(true); // decode everything
            return table;
        }
        for (int32_t item = 0; item < uset_getItemCount(blanks); ++item) {
            UChar32 first = 0, last = 0;
            status = U_ZERO_ERROR;
            if (uset_getItem(blanks, item, &first, &last, nullptr, 0, &status) != 0)
                continue; // a string, not a range
            for (UChar32 c = first; c <= last; ++c) {
                uint8_t bytes[4];
                int32_t length = 0;
                U8_APPEND_UNSAFE(bytes, length, c);
                table[bytes[0]] = true;
            }
        }
        return table;
    }();
    return leads;
}

// The length of the blank at `i` of a well-formed name, 0 when there is none.
size_t blankAt(std::string_view name, size_t i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (byte < 0x80)
        return byte == ' ' || (byte >= '\t' && byte <= '\r');
    if (!blankLeadBytes()[byte])
        return 0;
    size_t next = i;
    const char32_t c = decodeUtf8At(name, next);
    return c < InvalidUtf8Byte && u_isUWhiteSpace(static_cast<UChar32>(c)) ? next - i : 0;
}

bool isBlank(char32_t c) {
    if (c < 0x80)
        return c == ' ' || (c >= '\t' && c <= '\r');
    return c < InvalidUtf8Byte && u_isUWhiteSpace(static_cast<UChar32>(c));
}

bool isDigit(char32_t c) {
    if (c < 0x80)
        return c >= '0' && c <= '9';
    return c < InvalidUtf8Byte && u_isdigit(static_cast<UChar32>(c));
}

bool isDash(char32_t c) {
    if (c < 0x80)
        return c == '-';
    return c < InvalidUtf8Byte && (c == 0x2212 /* minus sign */ ||
                                   u_charType(static_cast<UChar32>(c)) == U_DASH_PUNCTUATION);
}

char32_t charAt(std::string_view text, size_t i) {
    return i < text.size() ? decodeUtf8At(text, i) : 0;
}

// The length of the character at `i`.
size_t charLength(std::string_view text, size_t i) {
    size_t next = i;
    decodeUtf8At(text, next);
    return next - i;
}

size_t skipBlanks(std::string_view text, size_t i) {
    for (size_t length; i < text.size() && (length = blankAt(text, i)) != 0;)
        i += length;
    return i;
}

bool startsWithWordIgnoringCase(std::string_view text, size_t i, std::string_view word) {
    if (text.size() - i < word.size())
        return false;
    for (size_t k = 0; k < word.size(); ++k) {
        char c = text[i + k];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != word[k])
            return false;
    }
    return true;
}

// How many bytes of a leading number and its separator stripLeadingNumber takes; 0 for none.
size_t leadingNumberLength(std::string_view name) {
    size_t i = skipBlanks(name, 0);
    if (startsWithWordIgnoringCase(name, i, "track")) {
        i += 5;
        while (i < name.size() && (name[i] == '_' || name[i] == '.'))
            ++i;
        i = skipBlanks(name, i);
    }
    char close = 0;
    if (i < name.size() && (name[i] == '(' || name[i] == '[')) {
        close = name[i] == '(' ? ')' : ']';
        i = skipBlanks(name, i + 1);
    }
    const size_t digitsStart = i;
    while (i < name.size() && isDigit(charAt(name, i)))
        i += charLength(name, i);
    if (i == digitsStart)
        return 0;
    // "05b - New", "5a. Intro": a track split in parts. One small letter only, and a separator
    // must follow (checked below): "2Pac", "3D" and "1st" are words.
    if (i < name.size() && name[i] >= 'a' && name[i] <= 'z')
        ++i;
    if (close) {
        i = skipBlanks(name, i);
        if (i >= name.size() || name[i] != close)
            return 0;
        ++i;
    }
    const size_t separatorStart = i;
    bool blankSeparates = false;
    while (i < name.size()) {
        size_t next = i;
        const char32_t c = decodeUtf8At(name, next);
        if (isBlank(c))
            blankSeparates = true;
        else if (!isDash(c) && c != '.' && c != '_' && c != ':' && c != ')')
            break;
        i = next;
    }
    if (i == name.size())
        return 0; // nothing would remain
    if (!close && i == separatorStart)
        return 0; // "2Pac", "3D", "5a": the number is part of a word
    if (!blankSeparates && isDigit(charAt(name, i)))
        return 0; // "4.5", "2023-05-14", "20230514_1015": one number, not a track number
    return i;
}

bool stripLeadingNumberIn(std::string &name) {
    if (!readableName(name))
        return false;
    const size_t length = leadingNumberLength(name);
    name.erase(0, length);
    return length > 0;
}

// Rewrites in place: a run of blanks never takes fewer bytes than the one space it becomes.
bool collapseBlanksIn(std::string &name) {
    if (!readableName(name))
        return false;
    bool changed = false;
    size_t write = 0;
    size_t read = 0;
    const size_t size = name.size();
    while (read < size) {
        size_t length = blankAt(name, read);
        if (length == 0) {
            name[write++] = name[read++]; // a byte of a character that is no blank
            continue;
        }
        bool oneSpace = length == 1 && name[read] == ' ';
        read += length;
        while (read < size && (length = blankAt(name, read)) != 0) {
            read += length;
            oneSpace = false;
        }
        changed |= !oneSpace;
        name[write++] = ' ';
    }
    name.resize(write);
    return changed;
}

bool trimBlanksIn(std::string &name) {
    if (!readableName(name))
        return false;
    size_t first = 0;
    for (size_t length; first < name.size() && (length = blankAt(name, first)) != 0;)
        first += length;
    size_t end = name.size();
    while (end > first) {
        size_t last = end - 1; // the start of the last character
        while (last > first && (static_cast<unsigned char>(name[last]) & 0xC0) == 0x80)
            --last;
        if (blankAt(name, last) == 0)
            break;
        end = last;
    }
    if (first == 0 && end == name.size())
        return false;
    name.erase(end);
    name.erase(0, first);
    return true;
}

// Titlecasing names of ASCII alone without a break iterator, giving exactly what ICU's word
// breaks and titlecasing give them (the tests hold the two side by side): ICU's BreakIterator is
// most of the cost of a title, and most names are ASCII. Within each word, the first letter,
// digit or symbol is titlecased and every later letter lowercased.
enum class WordClass : uint8_t { Other, Letter, Number, Joiner, MidLetter, MidNum, MidNumLetter };

struct AsciiTitleTables {
    std::array<WordClass, 128> word{};
    std::array<bool, 128> titleStart{}; // letter, number or symbol: where a word's title begins
};

const AsciiTitleTables &asciiTitleTables() {
    static const AsciiTitleTables tables = [] {
        AsciiTitleTables t;
        for (UChar32 c = 0; c < 128; ++c) {
            WordClass &word = t.word[static_cast<size_t>(c)];
            switch (u_getIntPropertyValue(c, UCHAR_WORD_BREAK)) {
            case U_WB_ALETTER:
                word = WordClass::Letter;
                break;
            case U_WB_OTHER:
                // ICU's rules count "@" among the letters, after CLDR, so that an e-mail
                // address stays one word.
                word = c == '@' ? WordClass::Letter : WordClass::Other;
                break;
            case U_WB_NUMERIC:
                word = WordClass::Number;
                break;
            case U_WB_EXTENDNUMLET:
                word = WordClass::Joiner;
                break;
            case U_WB_MIDLETTER:
                // ICU's rules take the colon out, after CLDR: "a:b" is two words.
                word = c == ':' ? WordClass::Other : WordClass::MidLetter;
                break;
            case U_WB_MIDNUM:
                word = WordClass::MidNum;
                break;
            case U_WB_MIDNUMLET:
            case U_WB_SINGLE_QUOTE:
                word = WordClass::MidNumLetter;
                break;
            default:
                word = WordClass::Other;
            }
            const uint32_t lns = (U_GC_L_MASK | U_GC_N_MASK | U_GC_S_MASK) & ~U_GC_LM_MASK;
            t.titleStart[static_cast<size_t>(c)] = (U_MASK(u_charType(c)) & lns) != 0;
        }
        return t;
    }();
    return tables;
}

// Whether ICU's word rules (UAX #29 WB5 to WB13b; nothing else joins ASCII characters that can
// begin a title) break before `i`, 0 < i < name.size(), in a name of ASCII alone.
bool asciiWordBreak(std::string_view name, size_t i, const std::array<WordClass, 128> &classes) {
    const auto at = [&](size_t j) {
        return j < name.size() ? classes[static_cast<unsigned char>(name[j])] : WordClass::Other;
    };
    using W = WordClass;
    const W before = at(i - 1), after = at(i);
    const auto midLetter = [](W w) { return w == W::MidLetter || w == W::MidNumLetter; };
    const auto midNumber = [](W w) { return w == W::MidNum || w == W::MidNumLetter; };
    const auto alphanumeric = [](W w) { return w == W::Letter || w == W::Number; };
    if (alphanumeric(before) && alphanumeric(after))
        return false; // WB5, WB8, WB9, WB10
    if (before == W::Letter && midLetter(after) && at(i + 1) == W::Letter)
        return false; // WB6
    if (i >= 2 && midLetter(before) && at(i - 2) == W::Letter && after == W::Letter)
        return false; // WB7
    if (before == W::Number && midNumber(after) && at(i + 1) == W::Number)
        return false; // WB12
    if (i >= 2 && midNumber(before) && at(i - 2) == W::Number && after == W::Number)
        return false; // WB11
    if ((alphanumeric(before) || before == W::Joiner) && after == W::Joiner)
        return false; // WB13a
    if (before == W::Joiner && alphanumeric(after))
        return false; // WB13b
    return true;
}

bool asciiTitleIn(std::string &name) {
    const AsciiTitleTables &tables = asciiTitleTables();
    bool changed = false;
    bool titled = false; // the current word's title has begun
    for (size_t i = 0; i < name.size(); ++i) {
        if (i > 0 && asciiWordBreak(name, i, tables.word))
            titled = false;
        const char c = name[i];
        if (!titled && tables.titleStart[static_cast<unsigned char>(c)]) {
            titled = true;
            if (c >= 'a' && c <= 'z') {
                name[i] = static_cast<char>(c - 'a' + 'A');
                changed = true;
            }
        } else if (c >= 'A' && c <= 'Z') {
            name[i] = static_cast<char>(c - 'A' + 'a');
            changed = true;
        }
    }
    return changed;
}

// Locales whose titles of ASCII names are the root's: no casing rules of their own for ASCII
// letters (as Turkish or Dutch have) and the root's word breaks.
bool titlesAsciiLikeRoot(std::string_view locale) {
    if (locale.find_first_of("@P") != std::string_view::npos) // keywords, en_US_POSIX
        return false;
    const std::string_view language = locale.substr(0, locale.find_first_of("_-"));
    return language.empty() || language == "en" || language == "hu";
}

int digitCount(std::uint64_t value) {
    int count = 1;
    while (value >= 10) {
        value /= 10;
        ++count;
    }
    return count;
}

std::uint64_t magnitude(std::int64_t value) {
    return value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                     : static_cast<std::uint64_t>(value);
}

std::int64_t numberAt(const NumberFormat &format, std::int64_t index) {
    return std::int64_t{format.start} + index * std::int64_t{format.step};
}

// ICU's UTF-16 strings filled from and read back into UTF-8 without a new allocation per name.
bool toUtf16(std::string_view text, icu::UnicodeString &out) {
    const auto capacity = static_cast<int32_t>(std::max<size_t>(text.size(), 1));
    UChar *buffer = out.getBuffer(capacity);
    if (!buffer)
        return false;
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(buffer, capacity, &length, text.data(), static_cast<int32_t>(text.size()),
                  &status);
    out.releaseBuffer(U_SUCCESS(status) ? length : 0);
    return U_SUCCESS(status);
}

// The text as UTF-8 in `out` (its first `length` bytes); false for a lone surrogate.
bool toUtf8(const icu::UnicodeString &text, std::string &out, int32_t &length) {
    const size_t needed = static_cast<size_t>(text.length()) * 3;
    if (out.size() < needed)
        out.resize(needed);
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &length, text.getBuffer(),
                text.length(), &status);
    return U_SUCCESS(status);
}

// Replaces the name with the first `length` bytes of `result` unless they are the same.
bool takeIfDifferent(std::string &name, const std::string &result, int32_t length) {
    const auto size = static_cast<size_t>(length);
    if (size == name.size() && std::memcmp(name.data(), result.data(), size) == 0)
        return false;
    name.assign(result.data(), size);
    return true;
}

int codePointsIn(const icu::UnicodeString &text, int32_t start, int32_t end) {
    return text.countChar32(start, end - start);
}

PatternProblem problemOf(UErrorCode code) {
    switch (code) {
    case U_REGEX_RULE_SYNTAX:
        return PatternProblem::Syntax;
    case U_REGEX_MISMATCHED_PAREN:
        return PatternProblem::UnbalancedParenthesis;
    case U_REGEX_BAD_ESCAPE_SEQUENCE:
    case U_REGEX_PROPERTY_SYNTAX:
    case U_ILLEGAL_CHAR_FOUND: // \N{...} naming no character
        return PatternProblem::BadEscape;
    case U_REGEX_NUMBER_TOO_BIG:
    case U_REGEX_BAD_INTERVAL:
    case U_REGEX_MAX_LT_MIN:
        return PatternProblem::BadRepetition;
    case U_REGEX_MISSING_CLOSE_BRACKET:
    case U_REGEX_INVALID_RANGE:
    case U_REGEX_SET_CONTAINS_STRING:
        return PatternProblem::BadSet;
    case U_REGEX_INVALID_CAPTURE_GROUP_NAME:
        return PatternProblem::BadGroupName;
    case U_REGEX_INVALID_BACK_REF:
        return PatternProblem::BadBackReference;
    case U_REGEX_INVALID_FLAG:
        return PatternProblem::BadFlag;
    case U_REGEX_LOOK_BEHIND_LIMIT:
        return PatternProblem::UnboundedLookBehind;
    default:
        return PatternProblem::Other;
    }
}

// The character position of a compile error. ICU counts lines and, within a line, characters;
// it starts a line after CR, NEL, LS, or an LF that does not follow a CR.
int compilePosition(const icu::UnicodeString &pattern, const UParseError &where) {
    if (where.offset < 0)
        return -1;
    int32_t lineStart = 0;
    for (int32_t line = 1, i = 0; line < where.line && i < pattern.length(); ++i) {
        const UChar c = pattern.charAt(i);
        const bool breaks = c == 0x0D || c == 0x85 || c == 0x2028 ||
                            (c == 0x0A && (i == 0 || pattern.charAt(i - 1) != 0x0D));
        if (breaks) {
            ++line;
            lineStart = i + 1;
        }
    }
    return codePointsIn(pattern, 0, lineStart) + where.offset;
}

bool isAsciiLetter(UChar c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// ICU checks a replacement only when it first uses it on a match; this finds its errors up
// front, by ICU's rules: "\" takes the next character literally, "$" is followed by a group
// number (digits while they name a group; the first always counts) or by "{name}".
std::optional<PatternError> replacementError(const icu::UnicodeString &replacement,
                                             const icu::RegexPattern &pattern, int groupCount) {
    const auto error = [&](PatternProblem problem, int32_t at) {
        PatternError e;
        e.problem = problem;
        e.inReplacement = true;
        e.position = codePointsIn(replacement, 0, at);
        return e;
    };
    const int32_t length = replacement.length();
    for (int32_t i = 0; i < length; ++i) {
        const UChar c = replacement.charAt(i);
        if (c == '\\') {
            ++i;
            continue;
        }
        if (c != '$')
            continue;
        if (i + 1 >= length)
            return error(PatternProblem::LoneDollar, i);
        const UChar32 next = replacement.char32At(i + 1);
        if (next == '{') {
            const int32_t close = replacement.indexOf(u'}', i + 2);
            if (close < 0)
                return error(PatternProblem::BadGroupName, i);
            const icu::UnicodeString name(replacement, i + 2, close - i - 2);
            bool wellFormed = !name.isEmpty() && isAsciiLetter(name.charAt(0));
            for (int32_t k = 0; wellFormed && k < name.length(); ++k)
                wellFormed = isAsciiLetter(name.charAt(k)) ||
                             (name.charAt(k) >= '0' && name.charAt(k) <= '9');
            if (!wellFormed)
                return error(PatternProblem::BadGroupName, i);
            UErrorCode status = U_ZERO_ERROR;
            pattern.groupNumberFromName(name, status);
            if (U_FAILURE(status))
                return error(PatternProblem::UnknownGroup, i);
            i = close;
        } else if (u_isdigit(next)) {
            if (u_charDigitValue(next) > groupCount)
                return error(PatternProblem::UnknownGroup, i);
        } else {
            return error(PatternProblem::LoneDollar, i);
        }
    }
    return std::nullopt;
}

// Plain text as an ICU replacement: "\" and "$" taken literally.
icu::UnicodeString literalReplacement(const icu::UnicodeString &text) {
    icu::UnicodeString escaped;
    for (int32_t i = 0; i < text.length(); ++i) {
        const UChar c = text.charAt(i);
        if (c == '\\' || c == '$')
            escaped.append(u'\\');
        escaped.append(c);
    }
    return escaped;
}

// A pattern that backtracks without end gives up on a name after some tens of milliseconds
// (ICU's unit is a number of match steps) instead of hanging the program; no real pattern on a
// file name comes near it.
constexpr int32_t MatchTimeLimit = 50;

} // namespace

bool NumberFormat::isDefault() const {
    return start == 1 && step == 1 && digits == Digits::AtLeastTwo && separator == " - ";
}

std::string formatNumber(const NumberFormat &format, int index, int count) {
    const std::int64_t value = numberAt(format, index);
    int width = 2;
    switch (format.digits) {
    case NumberFormat::Digits::AtLeastTwo:
        break;
    case NumberFormat::Digits::Fixed:
        width = std::clamp(format.width, 1, NumberFormat::MaxWidth);
        break;
    case NumberFormat::Digits::Auto:
        width = digitCount(magnitude(format.start));
        if (count > 1)
            width = std::max(width, digitCount(magnitude(numberAt(format, count - 1))));
        break;
    }
    const std::string digits = std::to_string(magnitude(value));
    std::string text;
    text.reserve(static_cast<size_t>(std::max<int>(width, static_cast<int>(digits.size()))) + 1);
    if (value < 0)
        text += '-';
    if (static_cast<int>(digits.size()) < width)
        text.append(static_cast<size_t>(width) - digits.size(), '0');
    text += digits;
    return text;
}

std::string_view caseChangeName(CaseChange change) {
    switch (change) {
    case CaseChange::Lower:
        return "lower";
    case CaseChange::Upper:
        return "upper";
    case CaseChange::Title:
        return "title";
    case CaseChange::Sentence:
        return "sentence";
    }
    return {};
}

std::optional<CaseChange> parseCaseChange(std::string_view name) {
    for (CaseChange change :
         {CaseChange::Lower, CaseChange::Upper, CaseChange::Title, CaseChange::Sentence})
        if (caseChangeName(change) == name)
            return change;
    return std::nullopt;
}

void CaseChanger::Closer::operator()(UCaseMap *map) const {
    ucasemap_close(map);
}

CaseChanger::CaseChanger(CaseChange change, const char *locale)
    : m_change(change),
      m_asciiTitles(change == CaseChange::Title && titlesAsciiLikeRoot(locale ? locale : "")) {
    // A sentence is titlecased as one piece, from its first cased letter: "04 - rain" gives
    // "04 - Rain", where ICU's default would stop at the digit.
    const uint32_t options =
        change == CaseChange::Sentence ? U_TITLECASE_WHOLE_STRING | U_TITLECASE_ADJUST_TO_CASED : 0;
    UErrorCode status = U_ZERO_ERROR;
    m_map.reset(ucasemap_open(locale ? locale : "", options, &status));
    if (U_FAILURE(status))
        m_map.reset();
}

CaseChanger::~CaseChanger() = default;
CaseChanger::CaseChanger(CaseChanger &&) noexcept = default;
CaseChanger &CaseChanger::operator=(CaseChanger &&) noexcept = default;

bool CaseChanger::applyTo(std::string &name) {
    if (!m_map || name.empty() || name.size() > MaxNameBytes)
        return false;
    const size_t ascii = asciiPrefix(name);
    if (ascii == name.size() && m_asciiTitles)
        return asciiTitleIn(name);
    if (ascii < name.size() && !isValidUtf8(std::string_view(name).substr(ascii)))
        return false;
    const auto map = [&](UErrorCode &status) {
        char *dest = m_result.data();
        const auto capacity = static_cast<int32_t>(m_result.size());
        const auto length = static_cast<int32_t>(name.size());
        switch (m_change) {
        case CaseChange::Lower:
            return ucasemap_utf8ToLower(m_map.get(), dest, capacity, name.data(), length, &status);
        case CaseChange::Upper:
            return ucasemap_utf8ToUpper(m_map.get(), dest, capacity, name.data(), length, &status);
        case CaseChange::Title:
        case CaseChange::Sentence:
            break;
        }
        return ucasemap_utf8ToTitle(m_map.get(), dest, capacity, name.data(), length, &status);
    };
    // Most names keep their length; a few characters grow ("ß" to "SS", "ΐ" to three).
    const size_t room = name.size() + name.size() / 2 + 16;
    if (m_result.size() < room)
        m_result.resize(room);
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = map(status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        m_result.resize(static_cast<size_t>(length));
        status = U_ZERO_ERROR;
        length = map(status);
    }
    return U_SUCCESS(status) && takeIfDifferent(name, m_result, length);
}

std::string changeCase(std::string_view name, CaseChange change, const char *locale) {
    std::string result(name);
    CaseChanger(change, locale).applyTo(result);
    return result;
}

std::string describePatternError(const PatternError &error) {
    std::string text;
    switch (error.problem) {
    case PatternProblem::NotUtf8:
        text = "text that is not UTF-8";
        break;
    case PatternProblem::Syntax:
        text = "syntax error";
        break;
    case PatternProblem::UnbalancedParenthesis:
        text = "unbalanced parenthesis";
        break;
    case PatternProblem::BadEscape:
        text = "unknown escape after \\";
        break;
    case PatternProblem::BadRepetition:
        text = "bad repetition";
        break;
    case PatternProblem::BadSet:
        text = "bad [set]";
        break;
    case PatternProblem::BadGroupName:
        text = "bad group name";
        break;
    case PatternProblem::BadBackReference:
        text = "back-reference to a group the pattern lacks";
        break;
    case PatternProblem::BadFlag:
        text = "unknown (?flag)";
        break;
    case PatternProblem::UnboundedLookBehind:
        text = "look-behind without a longest length";
        break;
    case PatternProblem::UnknownGroup:
        text = "group the pattern lacks";
        break;
    case PatternProblem::LoneDollar:
        text = "$ without a group number (write \\$ for a dollar sign)";
        break;
    case PatternProblem::Other:
        text = error.icuName.empty() ? "error" : error.icuName;
        break;
    }
    text += error.inReplacement ? " in the replacement" : " in the pattern";
    if (error.position >= 0)
        text += " at character " + std::to_string(error.position + 1);
    return text;
}

struct Replacer::Compiled {
    std::unique_ptr<icu::RegexPattern> pattern;
    std::unique_ptr<icu::RegexMatcher> matcher;
    icu::UnicodeString replacement;
    icu::UnicodeString text; // the name at hand, UTF-16
    icu::UnicodeString out;
};

Replacer::Replacer(const ReplaceTool &tool, size_t mostBytes)
    : m_find(tool.find), m_replacement(tool.replacement), m_mostBytes(mostBytes) {
    const auto notUtf8 = [this](bool inReplacement) {
        PatternError error;
        error.problem = PatternProblem::NotUtf8;
        error.inReplacement = inReplacement;
        m_error = error;
    };
    if (!readableName(m_find) || !readableName(m_replacement)) {
        notUtf8(readableName(m_find));
        return;
    }
    if (m_find.empty() || (!tool.regex && tool.caseSensitive))
        return; // nothing to find, or plain bytes

    auto compiled = std::make_unique<Compiled>();
    const icu::UnicodeString pattern = icu::UnicodeString::fromUTF8(m_find);
    uint32_t flags = tool.regex ? 0 : UREGEX_LITERAL;
    if (!tool.caseSensitive)
        flags |= UREGEX_CASE_INSENSITIVE;
    UParseError where{};
    where.offset = -1; // stays so when ICU does not say where (an unknown \N{name})
    UErrorCode status = U_ZERO_ERROR;
    compiled->pattern.reset(icu::RegexPattern::compile(pattern, flags, where, status));
    if (U_SUCCESS(status))
        compiled->matcher.reset(compiled->pattern->matcher(status));
    if (U_SUCCESS(status))
        compiled->matcher->setTimeLimit(MatchTimeLimit, status);
    if (U_FAILURE(status) || !compiled->matcher) {
        PatternError error;
        error.problem = problemOf(status);
        error.position = compilePosition(pattern, where);
        error.icuCode = status;
        error.icuName = u_errorName(status);
        m_error = error;
        return;
    }
    const icu::UnicodeString replacement = icu::UnicodeString::fromUTF8(m_replacement);
    if (tool.regex) {
        m_error =
            replacementError(replacement, *compiled->pattern, compiled->matcher->groupCount());
        if (m_error)
            return;
        compiled->replacement = replacement;
    } else {
        compiled->replacement = literalReplacement(replacement);
    }
    m_compiled = std::move(compiled);
}

Replacer::~Replacer() = default;
Replacer::Replacer(Replacer &&) noexcept = default;
Replacer &Replacer::operator=(Replacer &&) noexcept = default;

size_t Replacer::longestResult(size_t bytes) const {
    if (m_error || m_find.empty())
        return bytes;
    if (!m_compiled) // whole matches of the find text, side by side at most
        return m_replacement.size() <= m_find.size()
                   ? bytes
                   : plus(bytes, times(bytes / m_find.size(), m_replacement.size()));
    // A pattern may match nothing, before every character and after the last, and each match
    // may bring in groups up to the whole name.
    const size_t groups =
        static_cast<size_t>(std::count(m_replacement.begin(), m_replacement.end(), '$'));
    return plus(bytes, times(bytes + 1, plus(times(groups, bytes), m_replacement.size())));
}

std::optional<std::string> Replacer::apply(std::string_view name) {
    std::string result(name);
    if (!applyTo(result))
        return std::nullopt;
    return result;
}

bool Replacer::applyTo(std::string &name) {
    if (m_error || m_find.empty())
        return false;
    if (!m_compiled)
        return plainApplyTo(name);
    if (!readableName(name))
        return false;
    Compiled &c = *m_compiled;
    if (!toUtf16(name, c.text))
        return false;
    c.matcher->reset(c.text);
    UErrorCode status = U_ZERO_ERROR;
    if (!c.matcher->find(status)) {
        if (status == U_REGEX_TIME_OUT || status == U_REGEX_STACK_OVERFLOW)
            ++m_givenUp;
        return false;
    }
    // Units never outnumber bytes: past `most` units the result is surely too long.
    const size_t most = std::max(m_mostBytes, name.size());
    c.out.truncate(0);
    do {
        c.matcher->appendReplacement(c.out, c.replacement, status);
        if (static_cast<size_t>(c.out.length()) > most) {
            ++m_tooLong;
            return false;
        }
    } while (U_SUCCESS(status) && c.matcher->find(status));
    c.matcher->appendTail(c.out);
    if (status == U_REGEX_TIME_OUT || status == U_REGEX_STACK_OVERFLOW)
        ++m_givenUp;
    int32_t length = 0;
    // A time-out or a replacement ICU refuses leaves the name as it was.
    if (U_FAILURE(status) || c.out == c.text || !toUtf8(c.out, m_result, length))
        return false;
    if (static_cast<size_t>(length) > most) {
        ++m_tooLong;
        return false;
    }
    return takeIfDifferent(name, m_result, length);
}

bool Replacer::plainApplyTo(std::string &name) {
    size_t found = name.find(m_find);
    // Most names hold no match: they are not read as characters at all.
    if (found == std::string::npos || !readableName(name))
        return false;
    const size_t most = std::max(m_mostBytes, name.size());
    m_result.clear();
    size_t copied = 0;
    while (found != std::string::npos) {
        m_result.append(name, copied, found - copied);
        m_result += m_replacement;
        if (m_result.size() > most) {
            ++m_tooLong;
            return false;
        }
        copied = found + m_find.size();
        found = name.find(m_find, copied);
    }
    m_result.append(name, copied);
    if (m_result.size() > most) {
        ++m_tooLong;
        return false;
    }
    return takeIfDifferent(name, m_result, static_cast<int32_t>(m_result.size()));
}

namespace {

// A byte that is no character counts as one unit: such names are left alone anyway.
size_t unitsOf(char32_t c) {
    return c >= 0x10000 && c < InvalidUtf8Byte ? 2 : 1;
}

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

// Dots and blanks at the end go: the drives refuse a name that ends in either.
void trimTrailingDotsAndBlanks(std::string &name) {
    size_t end = name.size();
    while (end > 0) {
        size_t last = end - 1; // the start of the last character
        while (last > 0 && (static_cast<unsigned char>(name[last]) & 0xC0) == 0x80)
            --last;
        if (name[last] != '.' && blankAt(name, last) == 0)
            break;
        end = last;
    }
    name.resize(end);
}

// Cuts the name to `most` UTF-16 units, at the start of a character.
void cutToUnits(std::string &name, size_t most) {
    size_t units = 0;
    for (size_t i = 0; i < name.size();) {
        size_t next = i;
        units += unitsOf(decodeUtf8At(name, next));
        if (units > most) {
            name.resize(i);
            return;
        }
        i = next;
    }
}

// The length of the device name the name starts with (CON, COM1, lpt9, COM¹ ...) when all that
// follows it is blanks or an extension: the drives take such a name for the device. 0 when the
// name is none.
size_t deviceNameLength(std::string_view name) {
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.remove_suffix(1);
    const auto is = [&](std::string_view word, size_t from) {
        return stem.size() - from >= word.size() && startsWithWordIgnoringCase(stem, from, word);
    };
    if (stem.size() == 3) {
        for (std::string_view device : {"con", "prn", "aux", "nul"})
            if (is(device, 0))
                return 3;
        return 0;
    }
    if (!is("com", 0) && !is("lpt", 0))
        return 0;
    if (stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9')
        return 4;
    // Superscript one, two and three count as digits there too.
    if (stem.size() == 5 && stem[3] == '\xC2' &&
        (stem[4] == '\xB9' || stem[4] == '\xB2' || stem[4] == '\xB3'))
        return 5;
    return 0;
}

// The characters the drives refuse, mapped or dropped; true when any was.
bool mapRefusedCharacters(std::string &name, std::string &out) {
    out.clear();
    bool changed = false;
    for (size_t i = 0; i < name.size();) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte >= 0x80) {
            size_t next = i;
            const char32_t c = decodeUtf8At(name, next);
            if (isControl(c))
                changed = true;
            else
                out.append(name, i, next - i);
            i = next;
            continue;
        }
        ++i;
        switch (byte) {
        case ':':
            out += !out.empty() && out.back() == ' ' ? "-" : " -";
            changed = true;
            break;
        case '/':
        case '\\':
            out += '-';
            changed = true;
            break;
        case '?':
        case '*':
        case '"':
        case '<':
        case '>':
        case '|':
            changed = true;
            break;
        default:
            if (isControl(byte))
                changed = true;
            else
                out += static_cast<char>(byte);
        }
    }
    return changed;
}

} // namespace

int safeNameRoom(size_t reservedUnits) {
    const size_t room = reservedUnits < MaxFileNameUnits ? MaxFileNameUnits - reservedUnits : 0;
    return std::max(MinSafeNameUnits, static_cast<int>(room));
}

size_t utf16Units(std::string_view text) {
    size_t units = 0;
    for (size_t i = 0; i < text.size();)
        units += unitsOf(decodeUtf8At(text, i));
    return units;
}

struct SafeNamer::Ascii {
    bool opened = false;
    std::unique_ptr<icu::Transliterator> latinAscii; // null when ICU lacks the rules
    std::unordered_map<char32_t, std::string> forms;

    // The ASCII form of one character. Latin-ASCII's rules map each character by itself (after
    // taking accents off), so a form found once holds wherever the character stands.
    const std::string &formOf(char32_t c) {
        if (const auto found = forms.find(c); found != forms.end())
            return found->second;
        if (!opened) {
            opened = true;
            UErrorCode status = U_ZERO_ERROR;
            latinAscii.reset(
                icu::Transliterator::createInstance("Latin-ASCII", UTRANS_FORWARD, status));
            if (U_FAILURE(status))
                latinAscii.reset();
        }
        icu::UnicodeString text(static_cast<UChar32>(c));
        if (latinAscii) {
            latinAscii->transliterate(text);
        } else {
            // Without the rules, what a compatibility decomposition leaves in ASCII: the letter
            // without its accents.
            UErrorCode status = U_ZERO_ERROR;
            const icu::Normalizer2 *nfkd = icu::Normalizer2::getNFKDInstance(status);
            if (U_SUCCESS(status))
                text = nfkd->normalize(text, status);
            if (U_FAILURE(status))
                text.remove();
        }
        std::string form;
        for (int32_t k = 0; k < text.length(); ++k)
            if (text.charAt(k) < 0x80)
                form += static_cast<char>(text.charAt(k));
        return forms.emplace(c, std::move(form)).first->second;
    }
};

SafeNamer::SafeNamer(SafeNameTool tool) : m_tool(tool) {
    m_tool.maxUnits = std::max(m_tool.maxUnits, MinSafeNameUnits);
    if (m_tool.ascii)
        m_ascii = std::make_unique<Ascii>();
}

SafeNamer::~SafeNamer() = default;
SafeNamer::SafeNamer(SafeNamer &&) noexcept = default;
SafeNamer &SafeNamer::operator=(SafeNamer &&) noexcept = default;

bool SafeNamer::toAscii(std::string &name) {
    const size_t ascii = asciiPrefix(name);
    if (ascii == name.size())
        return false;
    m_result.assign(name, 0, ascii);
    for (size_t i = ascii; i < name.size();) {
        const char32_t c = decodeUtf8At(name, i);
        if (c < 0x80)
            m_result += static_cast<char>(c);
        else
            m_result += m_ascii->formOf(c);
    }
    name.swap(m_result);
    return true;
}

bool SafeNamer::applyTo(std::string &name) {
    if (name.empty() || !readableName(name))
        return false;
    const bool blanksOnly = skipBlanks(name, 0) == name.size();
    bool changed = m_ascii && toAscii(name);
    if (mapRefusedCharacters(name, m_result)) {
        name.swap(m_result);
        changed = true;
    }
    const size_t before = name.size();
    const auto most = static_cast<size_t>(m_tool.maxUnits);
    trimTrailingDotsAndBlanks(name);
    if (name.size() > most) // bytes bound units: most names need no counting
        cutToUnits(name, most);
    trimTrailingDotsAndBlanks(name);
    changed |= name.size() != before; // only cut and trimmed so far
    if (const size_t device = deviceNameLength(name); device > 0) {
        name.insert(device, 1, '_');
        changed = true;
        if (name.size() > most) {
            cutToUnits(name, most); // the room is at least MinSafeNameUnits: "_" stays
            trimTrailingDotsAndBlanks(name);
        }
    }
    if (name.empty() && !blanksOnly) {
        name = "_"; // nothing the drives take was left; a blank row would be a different thing
        changed = true;
    }
    return changed;
}

std::string safeName(std::string_view name, const SafeNameTool &tool) {
    std::string result(name);
    SafeNamer(tool).applyTo(result);
    return result;
}

std::string stripLeadingNumber(std::string_view name) {
    std::string result(name);
    stripLeadingNumberIn(result);
    return result;
}

std::string collapseBlanks(std::string_view name) {
    std::string result(name);
    collapseBlanksIn(result);
    return result;
}

std::string trimUnicodeBlanks(std::string_view name) {
    std::string result(name);
    trimBlanksIn(result);
    return result;
}

std::string oldNameStem(std::string_view oldName) {
    const size_t lastDot = oldName.rfind('.');
    if (lastDot == std::string_view::npos)
        return {};
    if (!readableName(oldName))
        return std::string(oldName.substr(0, oldName.find('.')));
    std::string stem(oldName.substr(0, lastDot));
    stripLeadingNumberIn(stem);
    const size_t firstDot = stem.find('.');
    if (firstDot != std::string::npos)
        stem.erase(firstDot);
    // "(02) Blue  Monday .mp3": the blanks a ripper left are no part of the name.
    collapseBlanksIn(stem);
    trimBlanksIn(stem);
    return stem;
}

struct PreparedTool::State {
    std::variant<StripNumberTool, Replacer, CaseChanger, BlanksTool, SafeNamer> tool; // ready
    std::optional<PatternError> noError;
};

namespace {

using Prepared = std::variant<StripNumberTool, Replacer, CaseChanger, BlanksTool, SafeNamer>;

Prepared prepare(const NameTool &tool, const ToolBounds &bounds) {
    struct Prepare {
        const ToolBounds &bounds;
        Prepared operator()(StripNumberTool strip) const { return strip; }
        Prepared operator()(const ReplaceTool &replace) const {
            return Replacer(replace, bounds.nameBytes);
        }
        Prepared operator()(const CaseTool &change) const {
            return CaseChanger(change.change, change.locale.c_str());
        }
        Prepared operator()(BlanksTool blanks) const { return blanks; }
        Prepared operator()(const SafeNameTool &safe) const { return SafeNamer(safe); }
    };
    return std::visit(Prepare{bounds}, tool);
}

} // namespace

PreparedTool::PreparedTool(const NameTool &tool, const ToolBounds &bounds)
    : m_state(std::make_unique<State>(State{prepare(tool, bounds), std::nullopt})) {}

PreparedTool::~PreparedTool() = default;
PreparedTool::PreparedTool(PreparedTool &&) noexcept = default;
PreparedTool &PreparedTool::operator=(PreparedTool &&) noexcept = default;

const std::optional<PatternError> &PreparedTool::error() const {
    if (const auto *replacer = std::get_if<Replacer>(&m_state->tool))
        return replacer->error();
    return m_state->noError;
}

int PreparedTool::givenUp() const {
    const auto *replacer = std::get_if<Replacer>(&m_state->tool);
    return replacer ? replacer->givenUp() : 0;
}

int PreparedTool::tooLong() const {
    const auto *replacer = std::get_if<Replacer>(&m_state->tool);
    return replacer ? replacer->tooLong() : 0;
}

size_t PreparedTool::longestResult(size_t bytes) const {
    struct Longest {
        size_t bytes;
        size_t operator()(StripNumberTool) const { return bytes; }
        size_t operator()(BlanksTool) const { return bytes; }
        size_t operator()(const Replacer &replacer) const { return replacer.longestResult(bytes); }
        // A character's case takes at most three times its bytes ("ΐ" to "Ϊ́"); four to spare.
        size_t operator()(const CaseChanger &) const { return times(bytes, 4); }
        // ":" becomes two bytes and a device name gets one; an ASCII form is a few letters for
        // a character of two or three bytes ("½" to " 1/2").
        size_t operator()(const SafeNamer &namer) const {
            return plus(times(bytes, namer.asciiForms() ? 4 : 2), 1);
        }
    };
    return std::visit(Longest{bytes}, m_state->tool);
}

bool PreparedTool::applyTo(std::string &name) {
    struct Apply {
        std::string &name;
        bool operator()(StripNumberTool) const { return stripLeadingNumberIn(name); }
        bool operator()(Replacer &replacer) const { return replacer.applyTo(name); }
        bool operator()(CaseChanger &changer) const { return changer.applyTo(name); }
        bool operator()(SafeNamer &namer) const { return namer.applyTo(name); }
        bool operator()(BlanksTool blanks) const {
            // Both run: no short-circuit, so a trimmed name is also collapsed.
            const bool collapsed = blanks.collapse && collapseBlanksIn(name);
            const bool trimmed = blanks.trim && trimBlanksIn(name);
            return collapsed || trimmed;
        }
    };
    return std::visit(Apply{name}, m_state->tool);
}

namespace {

// Each row once, in order, inside the list.
std::vector<int> rowsInside(std::span<const int> rows, size_t size) {
    std::vector<int> inside;
    inside.reserve(rows.size());
    for (int row : rows)
        if (row >= 0 && static_cast<size_t>(row) < size)
            inside.push_back(row);
    std::sort(inside.begin(), inside.end());
    inside.erase(std::unique(inside.begin(), inside.end()), inside.end());
    return inside;
}

// Runs `visit` on the index of each row to change: all, or the listed ones.
template <class Visit>
void forRows(std::span<std::string> names, const std::vector<int> *rows, Visit visit) {
    if (!rows) {
        for (size_t i = 0; i < names.size(); ++i)
            visit(i);
        return;
    }
    for (int row : *rows)
        visit(static_cast<size_t>(row));
}

int givenUpBy(const std::vector<PreparedTool> &tools) {
    int givenUp = 0;
    for (const PreparedTool &tool : tools)
        givenUp += tool.givenUp();
    return givenUp;
}

int tooLongBy(const std::vector<PreparedTool> &tools) {
    int tooLong = 0;
    for (const PreparedTool &tool : tools)
        tooLong += tool.tooLong();
    return tooLong;
}

// Whether any name could pass the bounds by what the tools can make of the longest at most.
// Nearly never: names are short, and then nothing needs watching.
bool mayPassBounds(const std::vector<PreparedTool> &tools, std::span<std::string> names,
                   const std::vector<int> *rows, const ToolBounds &bounds) {
    size_t longest = 0, count = 0;
    forRows(names, rows, [&](size_t i) {
        longest = std::max(longest, names[i].size());
        ++count;
    });
    const size_t before = longest;
    for (const PreparedTool &tool : tools)
        longest = tool.longestResult(longest);
    return longest > before &&
           (longest > bounds.nameBytes || times(longest, count) > bounds.totalBytes);
}

// The tools over names that cannot pass the bounds: a row counts only if its final name differs.
void runUnwatched(std::vector<PreparedTool> &tools, std::span<std::string> names,
                  const std::vector<int> *rows, ToolRun &run) {
    std::string previous; // reused for every row
    forRows(names, rows, [&](size_t i) {
        std::string &name = names[i];
        if (tools.size() == 1) {
            run.changed += tools.front().applyTo(name);
            return;
        }
        previous.assign(name);
        bool touched = false;
        for (PreparedTool &tool : tools)
            touched |= tool.applyTo(name);
        run.changed += touched && name != previous;
    });
    run.givenUp = givenUpBy(tools);
}

// The tools over names that might pass the bounds: the names as they were are kept for the rows
// changed, in one block of bytes, so that all can be put back when a result passes.
class WatchedRun {
public:
    WatchedRun(std::vector<PreparedTool> &tools, const ToolBounds &bounds, ToolRun &run)
        : m_tools(tools), m_bounds(bounds), m_run(run) {}

    // Applies the tools to one name; false once a result has passed the bounds.
    bool step(size_t index, std::string &name) {
        const size_t sizeBefore = name.size();
        const size_t mark = m_originals.size();
        m_originals += name;
        bool touched = false;
        for (PreparedTool &tool : m_tools)
            touched |= tool.applyTo(name);
        if (touched &&
            (m_tools.size() == 1 || std::string_view(m_originals).substr(mark) != name)) {
            ++m_run.changed;
            m_kept.emplace_back(index, mark);
        } else {
            m_originals.resize(mark);
        }
        m_bytesIn += sizeBefore;
        m_bytesOut += name.size();
        const int tooLong = tooLongBy(m_tools);
        const bool nameTooLong =
            tooLong > m_tooLongBefore || name.size() > std::max(m_bounds.nameBytes, sizeBefore);
        m_tooLongBefore = tooLong;
        if (nameTooLong || (m_bytesOut > m_bounds.totalBytes && m_bytesOut > m_bytesIn)) {
            m_run.overflow = ToolOverflow{index, !nameTooLong};
            return false;
        }
        return true;
    }

    void putBack(std::span<std::string> names) const {
        for (size_t k = 0; k < m_kept.size(); ++k) {
            const size_t end = k + 1 < m_kept.size() ? m_kept[k + 1].second : m_originals.size();
            names[m_kept[k].first].assign(m_originals, m_kept[k].second, end - m_kept[k].second);
        }
    }

private:
    std::vector<PreparedTool> &m_tools;
    const ToolBounds &m_bounds;
    ToolRun &m_run;
    std::string m_originals;
    std::vector<std::pair<size_t, size_t>> m_kept; // the row's index, where its name starts
    size_t m_bytesIn = 0, m_bytesOut = 0;
    int m_tooLongBefore = 0;
};

void runWatched(std::vector<PreparedTool> &tools, std::span<std::string> names,
                const std::vector<int> *rows, const ToolBounds &bounds, ToolRun &run) {
    WatchedRun watched(tools, bounds, run);
    bool going = true;
    forRows(names, rows, [&](size_t i) { going = going && watched.step(i, names[i]); });
    if (run.overflow) {
        watched.putBack(names);
        run.changed = 0;
        return;
    }
    run.givenUp = givenUpBy(tools);
}

// Applies the tools in turn to each row, stopping at the first result that grows past the
// bounds; then every name is put back as it was.
ToolRun runTools(std::vector<PreparedTool> &tools, std::span<std::string> names,
                 const std::vector<int> *rows, const ToolBounds &bounds) {
    ToolRun run;
    for (const PreparedTool &tool : tools)
        if (tool.error()) {
            run.error = tool.error();
            return run;
        }
    if (mayPassBounds(tools, names, rows, bounds))
        runWatched(tools, names, rows, bounds, run);
    else
        runUnwatched(tools, names, rows, run);
    return run;
}

ToolRun runTool(const NameTool &tool, std::span<std::string> names, const std::vector<int> *rows,
                const ToolBounds &bounds) {
    std::vector<PreparedTool> tools;
    tools.emplace_back(tool, bounds);
    return runTools(tools, names, rows, bounds);
}

ToolRun runChain(const NameToolChain &chain, std::span<std::string> names,
                 const std::vector<int> *rows, const ToolBounds &bounds) {
    std::vector<PreparedTool> tools;
    if (chain.stripNumbers)
        tools.emplace_back(StripNumberTool{}, bounds);
    if (chain.replace)
        tools.emplace_back(*chain.replace, bounds);
    if (chain.caseChange)
        tools.emplace_back(*chain.caseChange, bounds);
    if (chain.safeNames)
        tools.emplace_back(*chain.safeNames, bounds);
    if (chain.collapseBlanks || chain.trimBlanks)
        tools.emplace_back(BlanksTool{chain.collapseBlanks, chain.trimBlanks}, bounds);
    return runTools(tools, names, rows, bounds);
}

} // namespace

ToolRun applyTool(const NameTool &tool, std::span<std::string> names, const ToolBounds &bounds) {
    return runTool(tool, names, nullptr, bounds);
}

ToolRun applyTool(const NameTool &tool, std::span<std::string> names, std::span<const int> rows,
                  const ToolBounds &bounds) {
    const std::vector<int> inside = rowsInside(rows, names.size());
    return runTool(tool, names, &inside, bounds);
}

ToolRun applyTools(const NameToolChain &chain, std::span<std::string> names,
                   const ToolBounds &bounds) {
    return runChain(chain, names, nullptr, bounds);
}

ToolRun applyTools(const NameToolChain &chain, std::span<std::string> names,
                   std::span<const int> rows, const ToolBounds &bounds) {
    const std::vector<int> inside = rowsInside(rows, names.size());
    return runChain(chain, names, &inside, bounds);
}

} // namespace filvane
