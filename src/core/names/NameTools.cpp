#include "core/names/NameTools.h"

#include "core/base/Utf8.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>

#include <unicode/regex.h>
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
        return 0; // "2Pac", "3D": the number is part of a word
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

Replacer::Replacer(const ReplaceTool &tool) : m_find(tool.find), m_replacement(tool.replacement) {
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
    c.out.truncate(0);
    do {
        c.matcher->appendReplacement(c.out, c.replacement, status);
    } while (U_SUCCESS(status) && c.matcher->find(status));
    c.matcher->appendTail(c.out);
    if (status == U_REGEX_TIME_OUT || status == U_REGEX_STACK_OVERFLOW)
        ++m_givenUp;
    int32_t length = 0;
    // A time-out or a replacement ICU refuses leaves the name as it was.
    if (U_FAILURE(status) || c.out == c.text || !toUtf8(c.out, m_result, length))
        return false;
    return takeIfDifferent(name, m_result, length);
}

bool Replacer::plainApplyTo(std::string &name) {
    size_t found = name.find(m_find);
    // Most names hold no match: they are not read as characters at all.
    if (found == std::string::npos || !readableName(name))
        return false;
    m_result.clear();
    size_t copied = 0;
    while (found != std::string::npos) {
        m_result.append(name, copied, found - copied);
        m_result += m_replacement;
        copied = found + m_find.size();
        found = name.find(m_find, copied);
    }
    m_result.append(name, copied);
    return takeIfDifferent(name, m_result, static_cast<int32_t>(m_result.size()));
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
    return stem;
}

struct PreparedTool::State {
    std::variant<StripNumberTool, Replacer, CaseChanger, BlanksTool> tool; // ready to run
    std::optional<PatternError> noError;
};

namespace {

using Prepared = std::variant<StripNumberTool, Replacer, CaseChanger, BlanksTool>;

Prepared prepare(const NameTool &tool) {
    struct Prepare {
        Prepared operator()(StripNumberTool strip) const { return strip; }
        Prepared operator()(const ReplaceTool &replace) const { return Replacer(replace); }
        Prepared operator()(const CaseTool &change) const {
            return CaseChanger(change.change, change.locale.c_str());
        }
        Prepared operator()(BlanksTool blanks) const { return blanks; }
    };
    return std::visit(Prepare{}, tool);
}

} // namespace

PreparedTool::PreparedTool(const NameTool &tool)
    : m_state(std::make_unique<State>(State{prepare(tool), std::nullopt})) {}

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

bool PreparedTool::applyTo(std::string &name) {
    struct Apply {
        std::string &name;
        bool operator()(StripNumberTool) const { return stripLeadingNumberIn(name); }
        bool operator()(Replacer &replacer) const { return replacer.applyTo(name); }
        bool operator()(CaseChanger &changer) const { return changer.applyTo(name); }
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

ToolRun runTool(const NameTool &tool, std::span<std::string> names, const std::vector<int> *rows) {
    PreparedTool prepared(tool);
    ToolRun run;
    run.error = prepared.error();
    if (run.error)
        return run;
    forRows(names, rows, [&](size_t i) { run.changed += prepared.applyTo(names[i]); });
    run.givenUp = prepared.givenUp();
    return run;
}

ToolRun runChain(const NameToolChain &chain, std::span<std::string> names,
                 const std::vector<int> *rows) {
    std::vector<PreparedTool> tools;
    if (chain.stripNumbers)
        tools.emplace_back(StripNumberTool{});
    if (chain.replace)
        tools.emplace_back(*chain.replace);
    if (chain.caseChange)
        tools.emplace_back(*chain.caseChange);
    if (chain.collapseBlanks || chain.trimBlanks)
        tools.emplace_back(BlanksTool{chain.collapseBlanks, chain.trimBlanks});
    ToolRun run;
    for (const PreparedTool &tool : tools)
        if (tool.error()) {
            run.error = tool.error();
            return run;
        }
    std::string before; // reused: a row counts only if its final name differs
    forRows(names, rows, [&](size_t i) {
        std::string &name = names[i];
        if (tools.size() == 1) {
            run.changed += tools.front().applyTo(name);
            return;
        }
        before.assign(name);
        bool touched = false;
        for (PreparedTool &tool : tools)
            touched |= tool.applyTo(name);
        run.changed += touched && name != before;
    });
    for (const PreparedTool &tool : tools)
        run.givenUp += tool.givenUp();
    return run;
}

} // namespace

ToolRun applyTool(const NameTool &tool, std::span<std::string> names) {
    return runTool(tool, names, nullptr);
}

ToolRun applyTool(const NameTool &tool, std::span<std::string> names, std::span<const int> rows) {
    const std::vector<int> inside = rowsInside(rows, names.size());
    return runTool(tool, names, &inside);
}

ToolRun applyTools(const NameToolChain &chain, std::span<std::string> names) {
    return runChain(chain, names, nullptr);
}

ToolRun applyTools(const NameToolChain &chain, std::span<std::string> names,
                   std::span<const int> rows) {
    const std::vector<int> inside = rowsInside(rows, names.size());
    return runChain(chain, names, &inside);
}

} // namespace filvane
