#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct UCaseMap;

namespace filvane {

// The name tools: numbering, find and replace, case, stripping a leading number, blanks, names
// safe for every drive.
// Each works on new names (UTF-8) one at a time; the batch functions at the end apply one tool,
// or the command line's fixed chain of them, to all rows or to chosen rows.
//
// A name that is not well-formed UTF-8 is never changed by any tool: the tools read characters,
// and a name they cannot read as characters is left as it is, byte for byte.

// What a tool may make of one name and of all the names it acts on together. A name on any
// drive is at most a few hundred bytes: a result beyond these is a mistake (a long replacement
// for every character), and the tool stops at once instead of filling memory. A name that is
// longer than that to begin with may stay as long; the names together may stay as long as they
// were.
inline constexpr size_t MaxToolNameBytes = 4096;
inline constexpr size_t MaxToolTotalBytes = size_t{256} << 20;

// The bounds above as parameters, so that tests can reach them with few names.
struct ToolBounds {
    size_t nameBytes = MaxToolNameBytes;
    size_t totalBytes = MaxToolTotalBytes;
};

// How the number in front of a new name is written. The defaults give today's names:
// "01 - " to "99 - ", then "100 - ".
struct NumberFormat {
    enum class Digits {
        AtLeastTwo, // 01 to 99, then 100: zero-padded to two digits, wider numbers whole
        Fixed,      // zero-padded to `width` digits; wider numbers whole
        Auto,       // as many digits as the widest number of the list needs: 001 to 300
    };
    static constexpr int MaxWidth = 20; // a 64-bit number's digits; wider fixed widths are cut

    int start = 1;
    int step = 1; // may be zero or negative
    Digits digits = Digits::AtLeastTwo;
    int width = 2; // read only for Fixed; taken as 1 to MaxWidth
    std::string separator = " - ";

    // Whether it writes today's numbers and separator (`width` only counts for Fixed).
    bool isDefault() const;
    bool operator==(const NumberFormat &) const = default;
};

// The number of the row at `index` (0-based) of a list of `count` rows: start + index * step,
// computed in 64 bits so no int input overflows. A negative number is "-" and its digits,
// padded like a positive one ("-01"). `count` matters only for Auto; the separator is not
// included.
std::string formatNumber(const NumberFormat &format, int index, int count);

enum class CaseChange {
    Lower,    // "track one"
    Upper,    // "TRACK ONE"
    Title,    // "Track One": each word's first letter by ICU's word breaks, the rest lowercase
    Sentence, // "Track one": all lowercase, then the first cased letter titlecased
};

// "lower", "upper", "title", "sentence": the command line's words for the case changes.
std::string_view caseChangeName(CaseChange change);
std::optional<CaseChange> parseCaseChange(std::string_view name);

// Changes case by Unicode's full mappings through ICU ("straße" upper is "STRASSE", final sigma
// and Greek accents handled). `locale` is an ICU locale ID: "" the root (language-neutral)
// rules, "tr" dotted capital I, "el" Greek uppercase without accents, "nl" "IJssel"; Hungarian
// digraphs (cs, dzs, gy) need none: only their first letter is a word's first letter.
class CaseChanger {
public:
    explicit CaseChanger(CaseChange change, const char *locale = "");
    ~CaseChanger();
    CaseChanger(CaseChanger &&) noexcept;
    CaseChanger &operator=(CaseChanger &&) noexcept;

    // Changes the name in place; false when it stays as it was (already in that case, not
    // UTF-8, or ICU could not open the locale's data).
    bool applyTo(std::string &name);

private:
    struct Closer {
        void operator()(UCaseMap *map) const;
    };
    CaseChange m_change;
    bool m_asciiTitles; // titles of ASCII names without ICU's break iterator, as ICU gives them
    std::unique_ptr<UCaseMap, Closer> m_map; // holds the word or whole-text breaks for titles
    std::string m_result;                    // reused for every name
};

// One name, for a single use; many names go faster through one CaseChanger.
std::string changeCase(std::string_view name, CaseChange change, const char *locale = "");

struct ReplaceTool {
    std::string find;        // empty: nothing is found
    std::string replacement; // regular expression: $1 (or ${name}) for a group, \$ for a "$"
    bool regex = false;      // ICU regular expression syntax; otherwise plain text
    bool caseSensitive = true;
};

// What is wrong with a pattern or a replacement, for the window or the command line to put into
// words.
enum class PatternProblem {
    NotUtf8,               // the find or replacement text is not UTF-8
    Syntax,                // a regular expression that does not parse (general)
    UnbalancedParenthesis, // "(" without ")" or the other way round
    BadEscape,             // "\" followed by something that is no escape, or a bad \p{...}
    BadRepetition,         // "*", "+", "?" or "{m,n}" with nothing to repeat or bad bounds
    BadSet,                // "[...]" not closed or with a bad range
    BadGroupName,          // "(?<a-b>...)", "\\k<name>" or "${1a}": a name not allowed or unknown
    BadBackReference,      // "\2" in a pattern with fewer groups
    BadFlag,               // "(?w-z:...)" or "(?i": an unknown or unfinished flag
    UnboundedLookBehind,   // "(?<=a+)": a look-behind needs a longest length
    UnknownGroup,          // replacement: "$3" or "${name}" naming a group the pattern lacks
    LoneDollar,            // replacement: "$" followed by neither a digit nor "{"
    Other,                 // any other ICU error (see icuName)
};

struct PatternError {
    PatternProblem problem = PatternProblem::Other;
    bool inReplacement = false; // the error is in the replacement text, not in the find text
    int position = -1;          // characters (code points) before the error; -1 unknown
    int icuCode = 0;            // the UErrorCode, for a log; 0 for problems found here
    std::string icuName;        // u_errorName, e.g. "U_REGEX_MISMATCHED_PAREN"; may be empty
};

// A short English description with the position, for the command line:
// "unbalanced parenthesis in the pattern at character 4".
std::string describePatternError(const PatternError &error);

// Find and replace, built once: the pattern is compiled and its matcher opened on construction,
// and every name reuses them. Plain text that is case-sensitive is matched byte by byte (UTF-8
// is self-synchronising); the others go through ICU's RegexMatcher (plain text as a literal).
// Every occurrence in a name is replaced.
class Replacer {
public:
    // A result longer than `mostBytes` (and than the name was) is given up (see tooLong).
    explicit Replacer(const ReplaceTool &tool, size_t mostBytes = MaxToolNameBytes);
    ~Replacer();
    Replacer(Replacer &&) noexcept;
    Replacer &operator=(Replacer &&) noexcept;

    // Set when the pattern or the replacement is bad; such a replacer changes nothing.
    const std::optional<PatternError> &error() const { return m_error; }

    // The name with every occurrence replaced; nothing when that would not change it.
    std::optional<std::string> apply(std::string_view name);
    // The same in place; whether the name changed.
    bool applyTo(std::string &name);

    // Names left alone because matching took too long (a pattern that backtracks without end,
    // such as "(a+)+$") or ran out of stack.
    int givenUp() const { return m_givenUp; }
    // Names left alone because the result would be longer than `mostBytes` (and than the name
    // was); the replacing stops as soon as the result grows past it.
    int tooLong() const { return m_tooLong; }
    // The most bytes a name of `bytes` bytes can become (saturating at SIZE_MAX).
    size_t longestResult(size_t bytes) const;

private:
    struct Compiled; // the ICU pattern, matcher and UTF-16 buffers
    bool plainApplyTo(std::string &name);

    std::optional<PatternError> m_error;
    std::string m_find;
    std::string m_replacement;
    std::unique_ptr<Compiled> m_compiled; // null for case-sensitive plain text and on error
    std::string m_result;
    size_t m_mostBytes;
    int m_givenUp = 0;
    int m_tooLong = 0;
};

// The name without a leading track number and what separates it from the rest: "04 - ",
// "04. ", "04_", "(04) ", "[04] ", "1) ", "#04 ", "Track 04 - ", dashes and blanks of any kind
// ("04 – ", no-break space); a number may end in one small letter, the part of a track
// ("05b - ", "5a. "). Only one number is taken; blanks before it go with it. The name stays as
// it is when nothing would remain ("04", "1984"), when the number runs into a word with no
// separator ("2Pac", "3D", "1st"), or when a dot, dash or underscore joins it to another number
// with no blank
// ("4.5 Seconds", "2023-05-14 Trip", "20230514_101530": dates and decimals, not track numbers).
std::string stripLeadingNumber(std::string_view name);

// Every run of blanks (any Unicode White_Space: tabs, no-break spaces, ideographic space, line
// ends) as one ordinary space.
std::string collapseBlanks(std::string_view name);

// The name without the blanks (any Unicode White_Space) at its start and end. NameText's
// trimBlanks takes ASCII blanks and tabs only, for pasted lines.
std::string trimUnicodeBlanks(std::string_view name);

// A new name filled from an old file name with its number stripped: the old name without its
// extension (from the last "."), without a leading number, up to its first remaining ".", its
// runs of blanks made one and its ends trimmed. "04 - Rain on Glass.mp3", "04. Rain on
// Glass.mp3" and "(04) Rain  on Glass .mp3" give "Rain on Glass"; a name without a
// "." gives "", as the plain fill does; "04.mp3" gives "04" (nothing would remain without it);
// an old name that is not UTF-8 gives the plain fill's text unchanged.
std::string oldNameStem(std::string_view oldName);

// A name every FAT, exFAT and NTFS drive takes, by one fixed mapping:
//   ":" becomes " -" ("Act 1: Rain" gives "Act 1 - Rain"; after a blank it becomes "-"),
//   "/" and "\" become "-",
//   ? * " < > | and control characters are dropped,
//   dots and blanks at the end are trimmed,
//   a device name (CON PRN AUX NUL COM1-9 LPT1-9, in any case, with or without an extension)
//   gets "_" after it ("CON_", "aux_.txt"),
//   and the name is cut to `maxUnits` UTF-16 units at a character boundary.
// With `ascii`, every character is first written as ICU's Latin-ASCII rules write it ("Őszi
// szél" gives "Oszi szel", "Straße" "Strasse") and what has no ASCII form is dropped. A name of
// which nothing is left becomes "_"; an empty name stays empty, and one of blanks alone becomes
// empty.
struct SafeNameTool {
    bool ascii = false;
    // The room the name has: 255, less what the number and the extension take of it (see
    // safeNameRoom); never taken as less than MinSafeNameUnits.
    int maxUnits = 255;
};

inline constexpr int MaxFileNameUnits = 255; // what FAT, exFAT and NTFS take
inline constexpr int MinSafeNameUnits = 8;

// The room for a typed name in a final name whose number, separator and extension (everything
// but the typed name) take `reservedUnits` UTF-16 units.
int safeNameRoom(size_t reservedUnits);

// UTF-16 units of a UTF-8 text, as the drives count a name (a byte that does not decode counts
// as one).
size_t utf16Units(std::string_view text);

// The mapping made ready for many names: the transliterator opened at the first letter that
// needs it, and each character's ASCII form remembered once found.
class SafeNamer {
public:
    explicit SafeNamer(SafeNameTool tool);
    ~SafeNamer();
    SafeNamer(SafeNamer &&) noexcept;
    SafeNamer &operator=(SafeNamer &&) noexcept;

    // Changes the name in place; false when it stays as it was (already safe, or not UTF-8).
    bool applyTo(std::string &name);
    bool asciiForms() const { return m_ascii != nullptr; }

private:
    struct Ascii; // ICU's transliterator and the forms found so far
    bool toAscii(std::string &name);

    SafeNameTool m_tool;
    std::unique_ptr<Ascii> m_ascii;
    std::string m_result; // reused for every name
};

// One name, for a single use.
std::string safeName(std::string_view name, const SafeNameTool &tool = {});

struct StripNumberTool {};
struct CaseTool {
    CaseChange change = CaseChange::Title;
    std::string locale; // ICU locale ID; "" the root rules
};
struct BlanksTool {
    bool collapse = true;
    bool trim = true;
};

using NameTool = std::variant<StripNumberTool, ReplaceTool, CaseTool, BlanksTool, SafeNameTool>;

struct ToolOverflow {
    size_t index = 0;   // the name (an index into the names given) on which the tool stopped
    bool total = false; // the names together grew too long, not this one alone
};

// A tool made ready for many names: its pattern compiled or case map opened once.
class PreparedTool {
public:
    explicit PreparedTool(const NameTool &tool, const ToolBounds &bounds = {});
    ~PreparedTool();
    PreparedTool(PreparedTool &&) noexcept;
    PreparedTool &operator=(PreparedTool &&) noexcept;

    // A bad pattern (replace only); such a tool changes nothing.
    const std::optional<PatternError> &error() const;
    // Changes the name in place; whether it changed.
    bool applyTo(std::string &name);
    // Names a replace left alone because matching took too long (Replacer::givenUp).
    int givenUp() const;
    // Names a replace left alone because the result would pass the bound on a name.
    int tooLong() const;
    // The most bytes a name of `bytes` bytes can become by the tool (saturating at SIZE_MAX):
    // no more for tools that only take away.
    size_t longestResult(size_t bytes) const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

struct ToolRun {
    int changed = 0;                   // rows whose name is different afterwards
    int givenUp = 0;                   // rows a pattern took too long on, left alone
    std::optional<PatternError> error; // set when the pattern was bad; then nothing changed
    // Set when a result passed MaxToolNameBytes or MaxToolTotalBytes: the tool stopped there
    // and every name is as it was.
    std::optional<ToolOverflow> overflow;
};

// Applies the tool to every name, or to the rows listed (indices into `names`; rows outside it
// are ignored and a row listed twice is changed once). `names` is typically the lists' new names
// (NameLists::newNames) or a copy of them: data row r is index r - 1.
ToolRun applyTool(const NameTool &tool, std::span<std::string> names,
                  const ToolBounds &bounds = {});
ToolRun applyTool(const NameTool &tool, std::span<std::string> names, std::span<const int> rows,
                  const ToolBounds &bounds = {});

// The command line's tools, applied to each name in this fixed order:
//   1. strip the leading number (--strip-numbers),
//   2. find and replace (--replace FROM TO [--regex]),
//   3. case (--case lower|upper|title|sentence),
//   4. names made safe for FAT, exFAT and NTFS (--safe-names, --ascii),
//   5. collapse runs of blanks, then trim them.
// Numbers go first so that a pattern and the case see the name itself; the case comes after the
// replacement so that inserted text is cased like the rest; the safe mapping comes after every
// tool that could bring back what it takes out; blanks come last to tidy what the others leave
// ("04 -  Rain" stripped, or a word replaced by nothing).
struct NameToolChain {
    bool stripNumbers = false;
    std::optional<ReplaceTool> replace;
    std::optional<CaseTool> caseChange;
    std::optional<SafeNameTool> safeNames;
    bool collapseBlanks = false;
    bool trimBlanks = false;

    bool empty() const {
        return !stripNumbers && !replace && !caseChange && !safeNames && !collapseBlanks &&
               !trimBlanks;
    }
};

// `changed` counts rows whose final name differs from the first (a row changed and changed back
// does not count). A bad pattern changes nothing at all and is returned.
ToolRun applyTools(const NameToolChain &chain, std::span<std::string> names,
                   const ToolBounds &bounds = {});
ToolRun applyTools(const NameToolChain &chain, std::span<std::string> names,
                   std::span<const int> rows, const ToolBounds &bounds = {});

} // namespace filvane
