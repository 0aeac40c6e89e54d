// The name tools against tables of real names: tracks, photos, documents, Hungarian and Greek
// titles. Characters are written as themselves (the sources are UTF-8); bytes that are not
// UTF-8 as escapes.
#include "core/base/Utf8.h"
#include "core/names/NameText.h"
#include "core/names/NameTools.h"

#include <gtest/gtest.h>

#include <unicode/ucasemap.h>

#include <cctype>
#include <climits>
#include <random>
#include <string>
#include <vector>

using namespace filvane;

namespace {

// Names that are not UTF-8: a Latin-1 "é", a stray byte, an encoded surrogate, an overlong "/".
const std::vector<std::string> notUtf8 = {"Caf\xE9 TRACK  one", "\xFF 04 - Intro ",
                                          "04 - \xED\xA0\x80 rain", "a\xC0\xAF  b"};

bool asciiTest(const std::string &name) {
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

// Numbering

TEST(NumberFormat, DefaultsGiveTodaysNumbers) {
    const NumberFormat defaults;
    EXPECT_TRUE(defaults.isDefault());
    EXPECT_EQ(defaults.separator, " - ");
    for (int count : {1, 9, 99, 100, 1001})
        for (int index = 0; index < count; ++index)
            ASSERT_EQ(formatNumber(defaults, index, count), rowNumberText(index + 1))
                << index << " of " << count;
}

TEST(NumberFormat, IsDefaultOnlyForTodaysNumbersAndSeparator) {
    NumberFormat format;
    format.width = 5; // read only for fixed widths
    EXPECT_TRUE(format.isDefault());
    for (auto change : std::vector<void (*)(NumberFormat &)>{
             [](NumberFormat &f) { f.start = 0; }, [](NumberFormat &f) { f.step = 2; },
             [](NumberFormat &f) { f.digits = NumberFormat::Digits::Auto; },
             [](NumberFormat &f) { f.digits = NumberFormat::Digits::Fixed; },
             [](NumberFormat &f) { f.separator = ". "; }}) {
        NumberFormat changed;
        change(changed);
        EXPECT_FALSE(changed.isDefault());
    }
}

struct NumberCase {
    int start;
    int step;
    NumberFormat::Digits digits;
    int width;
    int index;
    int count;
    const char *expected;
};

class NumberFormatTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberFormatTest, Writes) {
    const NumberCase &c = GetParam();
    NumberFormat format;
    format.start = c.start;
    format.step = c.step;
    format.digits = c.digits;
    format.width = c.width;
    EXPECT_EQ(formatNumber(format, c.index, c.count), c.expected)
        << c.start << " step " << c.step << " row " << c.index << " of " << c.count;
}

using D = NumberFormat::Digits;
INSTANTIATE_TEST_SUITE_P(
    Formats, NumberFormatTest,
    ::testing::Values(
        // As many digits as the last number needs: 300 rows give 001 to 300.
        NumberCase{1, 1, D::Auto, 2, 0, 300, "001"}, NumberCase{1, 1, D::Auto, 2, 98, 300, "099"},
        NumberCase{1, 1, D::Auto, 2, 299, 300, "300"}, NumberCase{1, 1, D::Auto, 2, 0, 9, "1"},
        NumberCase{1, 1, D::Auto, 2, 8, 9, "9"}, NumberCase{1, 1, D::Auto, 2, 0, 10, "01"},
        NumberCase{1, 1, D::Auto, 2, 0, 0, "1"}, NumberCase{0, 1, D::Auto, 2, 0, 1, "0"},
        // Counting down: the first number is the widest.
        NumberCase{1000, -10, D::Auto, 2, 99, 100, "0010"},
        // A row beyond the count is written whole, never cut.
        NumberCase{1, 1, D::Auto, 2, 9, 9, "10"}, NumberCase{1, 1, D::Fixed, 4, 0, 5, "0001"},
        NumberCase{1, 1, D::Fixed, 4, 12344, 5, "12345"}, NumberCase{1, 1, D::Fixed, 0, 4, 5, "5"},
        NumberCase{1, 1, D::Fixed, -3, 4, 5, "5"},
        NumberCase{1, 1, D::Fixed, 1000, 0, 1, "00000000000000000001"},
        NumberCase{10, 10, D::AtLeastTwo, 2, 9, 10, "100"},
        NumberCase{0, 1, D::AtLeastTwo, 2, 0, 10, "00"},
        NumberCase{5, 0, D::AtLeastTwo, 2, 7, 10, "05"},
        // Below zero: a minus sign before digits padded as for a positive number.
        NumberCase{1, -1, D::AtLeastTwo, 2, 3, 5, "-02"}, NumberCase{2, -1, D::Auto, 2, 4, 5, "-2"},
        NumberCase{2, -1, D::Auto, 2, 2, 5, "0"}, NumberCase{-5, 1, D::Fixed, 3, 0, 1, "-005"},
        // No overflow anywhere in int's range.
        NumberCase{INT_MAX, INT_MAX, D::AtLeastTwo, 2, INT_MAX, 1, "4611686016279904256"},
        NumberCase{INT_MIN, INT_MIN, D::AtLeastTwo, 2, INT_MAX, 1, "-4611686018427387904"},
        NumberCase{INT_MAX, INT_MAX, D::Auto, 2, 0, INT_MAX, "0000000002147483647"}));

// Case

struct CaseCase {
    const char *name;
    CaseChange change;
    const char *locale;
    const char *expected;
};

class ChangeCaseTest : public ::testing::TestWithParam<CaseCase> {};

TEST_P(ChangeCaseTest, Changes) {
    const CaseCase &c = GetParam();
    EXPECT_EQ(changeCase(c.name, c.change, c.locale), c.expected)
        << c.name << " to " << caseChangeName(c.change) << " in \"" << c.locale << '"';
    // The same through one changer kept for many names, and its answer whether it changed.
    CaseChanger changer(c.change, c.locale);
    std::string name = c.name;
    EXPECT_EQ(changer.applyTo(name), std::string_view(c.name) != c.expected);
    EXPECT_EQ(name, c.expected);
}

using C = CaseChange;
INSTANTIATE_TEST_SUITE_P(
    Names, ChangeCaseTest,
    ::testing::Values(
        CaseCase{"TRACK ONE", C::Title, "", "Track One"},
        CaseCase{"TRACK ONE", C::Sentence, "", "Track one"},
        CaseCase{"Track One", C::Lower, "", "track one"},
        CaseCase{"track one", C::Upper, "", "TRACK ONE"},
        CaseCase{"bohemian rhapsody (remastered 2011)", C::Title, "",
                 "Bohemian Rhapsody (Remastered 2011)"},
        CaseCase{"don't stop me now", C::Title, "", "Don't Stop Me Now"},
        CaseCase{"04 - RAIN ON GLASS", C::Title, "", "04 - Rain On Glass"},
        CaseCase{"04 - rain on glass", C::Sentence, "", "04 - Rain on glass"},
        CaseCase{"(live) at wembley", C::Title, "", "(Live) At Wembley"},
        CaseCase{"IMG_20230514_101530", C::Lower, "", "img_20230514_101530"},
        CaseCase{"DSC_0042 (2)", C::Title, "", "Dsc_0042 (2)"},
        CaseCase{"jahresbericht straße", C::Upper, "", "JAHRESBERICHT STRASSE"},
        CaseCase{"élan vital", C::Title, "", "Élan Vital"}, CaseCase{"élan", C::Upper, "", "ÉLAN"},
        CaseCase{"ÉLAN", C::Sentence, "", "Élan"},
        // Hungarian: long umlauts, and digraphs that ICU leaves whole after their first letter.
        CaseCase{"őszi eső", C::Upper, "", "ŐSZI ESŐ"},
        CaseCase{"ŐSZI ESŐ", C::Sentence, "", "Őszi eső"},
        CaseCase{"ŰRHAJÓ ÉS ŐZ", C::Title, "", "Űrhajó És Őz"},
        CaseCase{"CSÁRDÁS DZSUNGEL GYŐR", C::Title, "hu", "Csárdás Dzsungel Győr"},
        CaseCase{"tűzoltó", C::Upper, "hu", "TŰZOLTÓ"},
        // Greek: accents kept by the root rules, final sigma, and Greek's own uppercase.
        CaseCase{"ΆΛΦΑ", C::Lower, "", "άλφα"}, CaseCase{"ΆΛΦΑ", C::Title, "", "Άλφα"},
        CaseCase{"άλφα", C::Upper, "", "ΆΛΦΑ"}, CaseCase{"άλφα", C::Upper, "el", "ΑΛΦΑ"},
        CaseCase{"ΟΔΟΣ ΑΘΗΝΑΣ", C::Lower, "", "οδος αθηνας"},
        CaseCase{"ΟΔΟΣ ΑΘΗΝΑΣ", C::Sentence, "", "Οδος αθηνας"},
        // Other languages' rules through the locale.
        CaseCase{"istanbul", C::Upper, "tr", "İSTANBUL"},
        CaseCase{"istanbul", C::Upper, "", "ISTANBUL"},
        CaseCase{"ijsselmeer", C::Title, "nl", "IJsselmeer"}, CaseCase{"ﬁsh", C::Title, "", "Fish"},
        CaseCase{"", C::Title, "", ""}, CaseCase{"already lower", C::Lower, "", "already lower"}));

// Titles of ASCII names are made without ICU's break iterator; ICU itself is the oracle, over
// every short string of the characters its word rules treat differently and many random ones.
TEST(ChangeCase, AsciiTitlesAreIcusTitles) {
    const std::string alphabet = "aB1_.':,; -$@\r\n\"(";
    std::vector<std::string> samples = {""};
    for (size_t start = 0, length = 1; length <= 4; ++length) {
        const size_t end = samples.size();
        for (size_t i = start; i < end; ++i)
            for (char c : alphabet)
                samples.push_back(samples[i] + c);
        start = end;
    }
    std::mt19937 random(20240601);
    std::uniform_int_distribution<int> byte(0, 127), length(0, 24);
    for (int i = 0; i < 200000; ++i) {
        std::string name(static_cast<size_t>(length(random)), ' ');
        for (char &c : name)
            c = static_cast<char>(byte(random));
        samples.push_back(name);
    }
    for (const char *locale : {"", "en", "hu", "en_US", "hu_HU"}) {
        UErrorCode status = U_ZERO_ERROR;
        UCaseMap *icu = ucasemap_open(locale, 0, &status);
        ASSERT_TRUE(U_SUCCESS(status));
        CaseChanger changer(CaseChange::Title, locale);
        char title[64];
        for (const std::string &sample : samples) {
            status = U_ZERO_ERROR;
            const int32_t size = ucasemap_utf8ToTitle(icu, title, sizeof title, sample.data(),
                                                      static_cast<int32_t>(sample.size()), &status);
            ASSERT_TRUE(U_SUCCESS(status));
            std::string ours = sample;
            changer.applyTo(ours);
            ASSERT_EQ(ours, std::string(title, static_cast<size_t>(size)))
                << '"' << sample << "\" in \"" << locale << '"';
        }
        ucasemap_close(icu);
    }
}

TEST(CaseChangeNames, RoundTripAndUnknownWords) {
    for (CaseChange change : {C::Lower, C::Upper, C::Title, C::Sentence})
        EXPECT_EQ(parseCaseChange(caseChangeName(change)), change);
    EXPECT_EQ(parseCaseChange("Title"), std::nullopt);
    EXPECT_EQ(parseCaseChange(""), std::nullopt);
}

// Find and replace

struct ReplaceCase {
    const char *name;
    ReplaceTool tool;
    const char *expected;
};

class ReplaceTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceTest, Replaces) {
    const ReplaceCase &c = GetParam();
    Replacer replacer(c.tool);
    ASSERT_FALSE(replacer.error()) << describePatternError(*replacer.error());
    const std::optional<std::string> result = replacer.apply(c.name);
    if (std::string_view(c.name) == c.expected)
        EXPECT_EQ(result, std::nullopt) << "unchanged names give nothing";
    else
        EXPECT_EQ(result, std::optional<std::string>(c.expected)) << c.name << " / " << c.tool.find;
}

INSTANTIATE_TEST_SUITE_P(
    Names, ReplaceTest,
    ::testing::Values(
        // Plain text, case-sensitive, byte for byte.
        ReplaceCase{"Rain on Glass", {"a", "4"}, "R4in on Gl4ss"},
        ReplaceCase{"a.b (1)", {"(1)", "[2]"}, "a.b [2]"},
        ReplaceCase{"TRACK track", {"track", "Song"}, "TRACK Song"},
        ReplaceCase{"Őszi eső", {"ő", "o"}, "Őszi eso"},
        ReplaceCase{"Price", {"Price", "$1 \\ cost"}, "$1 \\ cost"},
        ReplaceCase{"Intro", {"x", "y"}, "Intro"},
        ReplaceCase{"Intro", {"", "y"}, "Intro"}, // nothing to find
        ReplaceCase{"Intro", {"Intro", "Intro"}, "Intro"},
        // Plain text, any case: Unicode case folding, still literal.
        ReplaceCase{"TRACK track Track", {"track", "Song", false, false}, "Song Song Song"},
        ReplaceCase{"Őszi eső", {"ő", "o", false, false}, "oszi eso"},
        ReplaceCase{"ΆΛΦΑ Ωμέγα", {"άλφα", "Alpha", false, false}, "Alpha Ωμέγα"},
        ReplaceCase{"a.b (1) A.B", {"a.b", "$1 \\", false, false}, "$1 \\ (1) $1 \\"},
        // Regular expressions with groups.
        ReplaceCase{"Artist - Title", {"^(.+) - (.+)$", "$2 - $1", true}, "Title - Artist"},
        ReplaceCase{"IMG_20230514_101530",
                    {"IMG_(\\d{4})(\\d\\d)(\\d\\d)_.*", "$1-$2-$3", true},
                    "2023-05-14"},
        ReplaceCase{"Disc 1 Track 7", {"(?<n>\\d+)", "#${n}", true}, "Disc #1 Track #7"},
        ReplaceCase{"Rain  on\tGlass", {"\\s+", "_", true}, "Rain_on_Glass"},
        ReplaceCase{"Intro", {"^", "01 ", true}, "01 Intro"},
        ReplaceCase{"TRACK 1", {"track", "Song", true, false}, "Song 1"},
        ReplaceCase{"Őszi eső", {"\\p{Lu}", "_", true}, "_szi eső"},
        ReplaceCase{"cost 5", {"(\\d)", "\\$$1", true}, "cost $5"},
        ReplaceCase{"a1", {"(a)", "$10", true}, "a01"}, // $1 and a digit: no group 10
        ReplaceCase{"Intro", {"x*", "", true}, "Intro"}));

struct BadPatternCase {
    ReplaceTool tool;
    PatternProblem problem;
    bool inReplacement;
    int position;
};

class BadPatternTest : public ::testing::TestWithParam<BadPatternCase> {};

TEST_P(BadPatternTest, SaysWhatAndWhere) {
    const BadPatternCase &c = GetParam();
    Replacer replacer(c.tool);
    ASSERT_TRUE(replacer.error()) << c.tool.find << " / " << c.tool.replacement;
    const PatternError &error = *replacer.error();
    EXPECT_EQ(error.problem, c.problem) << c.tool.find << ": " << error.icuName;
    EXPECT_EQ(error.inReplacement, c.inReplacement);
    EXPECT_EQ(error.position, c.position) << c.tool.find << " / " << c.tool.replacement;
    // A bad replacer changes nothing.
    EXPECT_EQ(replacer.apply("a (abc) [abc] $ x"), std::nullopt);
}

using P = PatternProblem;
INSTANTIATE_TEST_SUITE_P(
    Patterns, BadPatternTest,
    ::testing::Values(BadPatternCase{{"(abc", "", true}, P::UnbalancedParenthesis, false, 4},
                      BadPatternCase{{"abc)", "", true}, P::UnbalancedParenthesis, false, 4},
                      BadPatternCase{{"ő(x", "", true}, P::UnbalancedParenthesis, false, 3},
                      BadPatternCase{{"[abc", "", true}, P::BadSet, false, 4},
                      BadPatternCase{{"[z-a]", "", true}, P::BadSet, false, 4},
                      BadPatternCase{{"a{2,1}", "", true}, P::BadRepetition, false, 6},
                      BadPatternCase{{"*a", "", true}, P::Syntax, false, 1},
                      BadPatternCase{{"(a)\\2", "", true}, P::BadBackReference, false, 5},
                      BadPatternCase{{"\\p{Nonsense}", "", true}, P::BadEscape, false, 12},
                      BadPatternCase{{"(?<1a>x)", "", true}, P::Syntax, false, 4},
                      BadPatternCase{{"(?z)", "", true}, P::Syntax, false, 3},
                      BadPatternCase{{"(?<a-b>x)", "", true}, P::BadGroupName, false, 5},
                      BadPatternCase{{"\\k<nope>", "", true}, P::BadGroupName, false, 8},
                      BadPatternCase{{"(?w-z:x)", "", true}, P::BadFlag, false, 5},
                      BadPatternCase{{"(?<=a+)b", "", true}, P::UnboundedLookBehind, false, 7},
                      BadPatternCase{{"\\N{NOPE}", "", true}, P::BadEscape, false, -1},
                      BadPatternCase{{"(a)", "$2", true}, P::UnknownGroup, true, 0},
                      BadPatternCase{{"(a)", "x ${name}", true}, P::UnknownGroup, true, 2},
                      BadPatternCase{{"(?<n>a)", "${1n}", true}, P::BadGroupName, true, 0},
                      BadPatternCase{{"(a)", "${n", true}, P::BadGroupName, true, 0},
                      BadPatternCase{{"a", "cost $", true}, P::LoneDollar, true, 5},
                      BadPatternCase{{"a", "ő $x", true}, P::LoneDollar, true, 2},
                      BadPatternCase{{"caf\xE9", "x"}, P::NotUtf8, false, -1},
                      BadPatternCase{{"a", "caf\xE9", true}, P::NotUtf8, true, -1}));

TEST(PatternError, DescribedInOneLine) {
    Replacer replacer(ReplaceTool{"(abc", "", true});
    ASSERT_TRUE(replacer.error());
    EXPECT_EQ(describePatternError(*replacer.error()),
              "unbalanced parenthesis in the pattern at character 5");
    EXPECT_EQ(replacer.error()->icuName, "U_REGEX_MISMATCHED_PAREN");
    Replacer dollar(ReplaceTool{"a", "cost $", true});
    ASSERT_TRUE(dollar.error());
    EXPECT_EQ(describePatternError(*dollar.error()),
              "$ without a group number (write \\$ for a dollar sign) in the replacement at "
              "character 6");
}

TEST(Replacer, PatternThatNeverEndsLeavesTheNameAlone) {
    Replacer replacer(ReplaceTool{"(a+)+$", "x", true});
    ASSERT_FALSE(replacer.error());
    const std::string name = std::string(40, 'a') + "!";
    EXPECT_EQ(replacer.apply(name), std::nullopt); // ICU's time limit, not a hang
    EXPECT_EQ(replacer.givenUp(), 1);
    EXPECT_EQ(replacer.apply("aaa"), std::optional<std::string>("x"));
    std::vector<std::string> names = {name, "aa"};
    const ToolRun run = applyTool(ReplaceTool{"(a+)+$", "x", true}, names);
    EXPECT_EQ(run.changed, 1);
    EXPECT_EQ(run.givenUp, 1);
}

// Strip and trim

struct TextCase {
    const char *name;
    const char *expected;
};

class StripNumberTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(StripNumberTest, Strips) {
    EXPECT_EQ(stripLeadingNumber(GetParam().name), GetParam().expected) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, StripNumberTest,
    ::testing::Values(
        TextCase{"04 - Rain on Glass", "Rain on Glass"},
        TextCase{"04. Rain on Glass", "Rain on Glass"},
        TextCase{"04_Rain_on_Glass", "Rain_on_Glass"},
        TextCase{"(04) Rain on Glass", "Rain on Glass"}, TextCase{"[04] Rain", "Rain"},
        TextCase{"(04)Rain", "Rain"}, TextCase{"Track 04 - Rain on Glass", "Rain on Glass"},
        TextCase{"track04 rain", "rain"}, TextCase{"TRACK_04_Rain", "Rain"},
        TextCase{"04 Rain", "Rain"}, TextCase{"04-Rain", "Rain"}, TextCase{"04 -- Rain", "Rain"},
        TextCase{"1) Intro", "Intro"}, TextCase{"04 – Rain", "Rain"}, // en dash
        TextCase{"04\u00A0-\u00A0Rain", "Rain"},                      // no-break spaces
        TextCase{"  04 - Rain", "Rain"}, TextCase{"04: Őszi eső", "Őszi eső"},
        TextCase{"０４ ΆΛΦΑ", "ΆΛΦΑ"},                             // full-width digits
        TextCase{"03 - 04 - Rain on Glass", "04 - Rain on Glass"}, // one number at a time
        TextCase{"01 - 99 Luftballons", "99 Luftballons"},
        TextCase{"2001 A Space Odyssey", "A Space Odyssey"},
        // A number with the letter of its part: the separator after it makes it a number.
        TextCase{"05b - New", "New"}, TextCase{"5a. Intro", "Intro"}, TextCase{"(05b) New", "New"},
        TextCase{"Track 12a - Rain", "Rain"}, TextCase{"05b_New", "New"}, TextCase{"05b", "05b"},
        TextCase{"5a - ", "5a - "}, TextCase{"1st Love", "1st Love"},
        TextCase{"2pac - Changes", "2pac - Changes"}, TextCase{"3D - Movie", "3D - Movie"},
        TextCase{"5a5 Intro", "5a5 Intro"},
        // Left alone: nothing would remain, the number is part of a word, or it is a date,
        // time or decimal.
        TextCase{"04 - ", "04 - "}, TextCase{"1984", "1984"}, TextCase{"Track 04", "Track 04"},
        TextCase{"2Pac - Changes", "2Pac - Changes"}, TextCase{"3D", "3D"},
        TextCase{"4.5 Seconds", "4.5 Seconds"}, TextCase{"2023-05-14 Trip", "2023-05-14 Trip"},
        TextCase{"20230514_101530", "20230514_101530"}, TextCase{"IMG_2041", "IMG_2041"},
        TextCase{"Rain on Glass", "Rain on Glass"},
        TextCase{"Tracks of My Tears", "Tracks of My Tears"}, TextCase{"(04 Rain", "(04 Rain"},
        TextCase{"", ""}));

class CollapseBlanksTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(CollapseBlanksTest, Collapses) {
    EXPECT_EQ(collapseBlanks(GetParam().name), GetParam().expected) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Names, CollapseBlanksTest,
                         ::testing::Values(TextCase{"Rain  on\tGlass", "Rain on Glass"},
                                           TextCase{" Rain on Glass ", " Rain on Glass "},
                                           TextCase{"Őszi\u00A0eső", "Őszi eső"},
                                           TextCase{"a \u3000 b", "a b"},
                                           TextCase{"a\u2003\u2009b\n", "a b "},
                                           TextCase{"a\u200Bb", "a\u200Bb"}, TextCase{"", ""},
                                           TextCase{"   ", " "}));

class TrimBlanksTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(TrimBlanksTest, Trims) {
    EXPECT_EQ(trimUnicodeBlanks(GetParam().name), GetParam().expected) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Names, TrimBlanksTest,
                         ::testing::Values(TextCase{"  Rain \t", "Rain"},
                                           TextCase{"\u00A0Őszi eső\u2003", "Őszi eső"},
                                           TextCase{"a  b", "a  b"}, TextCase{" \t\u3000", ""},
                                           TextCase{"ΆΛΦΑ", "ΆΛΦΑ"}, TextCase{"", ""}));

class OldNameStemTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(OldNameStemTest, FillsWithoutTheNumber) {
    EXPECT_EQ(oldNameStem(GetParam().name), GetParam().expected) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    OldNames, OldNameStemTest,
    ::testing::Values(
        TextCase{"04 - Rain on Glass.mp3", "Rain on Glass"},
        TextCase{"04. Rain on Glass.mp3", "Rain on Glass"},
        TextCase{"(04) Őszi eső.flac", "Őszi eső"}, TextCase{"Track 12 - ΆΛΦΑ.ogg", "ΆΛΦΑ"},
        TextCase{"Rain on Glass.mp3", "Rain on Glass"},
        TextCase{"04.mp3", "04"}, // nothing would remain
        TextCase{"a.b.mp3", "a"}, // as the plain fill: up to the first dot
        TextCase{"IMG_2041.JPG", "IMG_2041"}, TextCase{"2023-05-14 Trip.jpg", "2023-05-14 Trip"},
        TextCase{"README", ""}, TextCase{".hidden", ""}, TextCase{"05b - New.mp3", "New"},
        TextCase{"2Pac - Changes.mp3", "2Pac - Changes"}, TextCase{"1984.mp3", "1984"},
        TextCase{"(02) Blue  Monday .mp3", "Blue Monday"}, // blanks tidied
        TextCase{"  Rain\t on Glass .flac", "Rain on Glass"},
        TextCase{"04 - Caf\xE9.mp3", "04 - Caf\xE9"})); // not UTF-8: plain fill

// Names safe for FAT, exFAT and NTFS

namespace {

// What those drives refuse, written out here apart from the mapping: the characters
// < > : " / \ | ? * and control characters, a dot or blank at the end, a device name with or
// without an extension, more than 255 UTF-16 units. Empty when the name passes.
std::string refusedBecause(const std::string &name) {
    if (!isValidUtf8(name))
        return "not UTF-8";
    size_t units = 0;
    for (size_t i = 0; i < name.size();) {
        const char32_t c = decodeUtf8At(name, i);
        units += c >= 0x10000 ? 2 : 1;
        if (c < 0x20 || c == 0x7F ||
            std::u32string_view(U"<>:\"/\\|?*").find(c) != std::u32string_view::npos)
            return "character " + std::to_string(static_cast<unsigned>(c));
    }
    if (units > 255)
        return "too long";
    if (!name.empty() && (name.back() == '.' || name.back() == ' '))
        return "ends in a dot or blank";
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (char &c : stem)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char *device : {"CON", "PRN", "AUX", "NUL"})
        if (stem == device)
            return "device";
    for (const char *prefix : {"COM", "LPT"})
        for (const char *digit :
             {"1", "2", "3", "4", "5", "6", "7", "8", "9", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"})
            if (stem == std::string(prefix) + digit)
                return "device";
    return {};
}

} // namespace

class SafeNameTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(SafeNameTest, MapsWhatTheDrivesRefuse) {
    const std::string safe = safeName(GetParam().name);
    EXPECT_EQ(safe, GetParam().expected) << GetParam().name;
    EXPECT_EQ(refusedBecause(safe), "") << safe;
    EXPECT_EQ(safeName(safe), safe) << "a safe name stays as it is";
}

INSTANTIATE_TEST_SUITE_P(
    Names, SafeNameTest,
    ::testing::Values(TextCase{"Act 1: Rain", "Act 1 - Rain"},
                      TextCase{"Act 1 : Rain", "Act 1 - Rain"}, TextCase{"10:30", "10 -30"},
                      TextCase{"AC/DC - Thunder", "AC-DC - Thunder"}, TextCase{"a\\b", "a-b"},
                      TextCase{"Why? *Now* \"so\" <b> |x|", "Why Now so b x"},
                      TextCase{"Tab\there\x7F\xC2\x85", "Tabhere"}, // control characters
                      TextCase{"Ends in dots...", "Ends in dots"}, TextCase{"Ends . . ", "Ends"},
                      TextCase{"Ends in a blank\u3000", "Ends in a blank"}, TextCase{"CON", "CON_"},
                      TextCase{"con.txt", "con_.txt"}, TextCase{"Com1", "Com1_"},
                      TextCase{"LPT9.tar.gz", "LPT9_.tar.gz"}, TextCase{"NUL .", "NUL_"},
                      TextCase{"aux .mp3", "aux_ .mp3"}, TextCase{"COM\xC2\xB9", "COM\xC2\xB9_"},
                      // Not device names.
                      TextCase{"CONSOLE", "CONSOLE"}, TextCase{"COM10", "COM10"},
                      TextCase{"COM0", "COM0"}, TextCase{"AUX_", "AUX_"},
                      TextCase{"my CON", "my CON"},
                      // Nothing is left: a name that shows it, not a blank row.
                      TextCase{"...", "_"}, TextCase{"???", "_"}, TextCase{". .", "_"},
                      TextCase{"", ""}, TextCase{"   ", ""}, // blanks alone: a blank row
                      // Letters are not touched without the ASCII box.
                      TextCase{"Őszi szél", "Őszi szél"}, TextCase{"ΆΛΦΑ: 2", "ΆΛΦΑ - 2"},
                      TextCase{"Rain on Glass", "Rain on Glass"}));

TEST(SafeName, PlainAsciiByLatinAsciiRules) {
    const SafeNameTool ascii{.ascii = true};
    EXPECT_EQ(safeName("Őszi szél", ascii), "Oszi szel");
    EXPECT_EQ(safeName("Árvíztűrő tükörfúrógép", ascii), "Arvizturo tukorfurogep");
    EXPECT_EQ(safeName("Straße Æon", ascii), "Strasse AEon");
    EXPECT_EQ(safeName("e\xCC\x81tude", ascii), "etude"); // a decomposed accent
    // Full-width letters become ASCII first, so their colon is mapped like any other.
    EXPECT_EQ(safeName("Ｆｕｌｌ：Ｗｉｄｅ", ascii), "Full -Wide");
    // What has no ASCII form goes.
    EXPECT_EQ(safeName("Москва 2", ascii), " 2");
    EXPECT_EQ(safeName("日本", ascii), "_");
    EXPECT_EQ(safeName("Café 😀.", ascii), "Cafe");
    // Many names, one transliterator: each character's form is found once.
    std::vector<std::string> names(500, "Tűz és víz");
    names.push_back("plain");
    const ToolRun run = applyTool(ascii, names);
    EXPECT_EQ(run.changed, 500);
    EXPECT_EQ(names.front(), "Tuz es viz");
    EXPECT_EQ(names.back(), "plain");
}

TEST(SafeName, CutToTheRoomAtACharacterBoundary) {
    EXPECT_EQ(safeName(std::string(300, 'a')), std::string(255, 'a'));
    // Two units each: 127 of them fit in 255, and no half of one is left.
    std::string emoji;
    for (int i = 0; i < 200; ++i)
        emoji += "😀";
    const std::string cut = safeName(emoji);
    EXPECT_EQ(utf16Units(cut), 254u);
    EXPECT_TRUE(isValidUtf8(cut));
    // "é" is one unit and two bytes: counted in units, not bytes.
    std::string accents;
    for (int i = 0; i < 255; ++i)
        accents += "é";
    EXPECT_EQ(safeName(accents), accents);
    EXPECT_EQ(utf16Units(safeName(accents + "é")), 255u);
    // A cut that ends in a blank or a dot is trimmed, as any end.
    EXPECT_EQ(safeName(std::string(250, 'a') + " . b", SafeNameTool{.maxUnits = 252}),
              std::string(250, 'a'));
    // The room left by a number and an extension, never less than a few units.
    EXPECT_EQ(safeNameRoom(9), 246);
    EXPECT_EQ(safeNameRoom(300), MinSafeNameUnits);
    EXPECT_EQ(safeName("CON" + std::string(20, 'x') + ".mp3", SafeNameTool{.maxUnits = 8}),
              "CONxxxxx");
    EXPECT_EQ(safeName("CON.mp3" + std::string(20, 'x'), SafeNameTool{.maxUnits = 8}), "CON_.mp3");
    EXPECT_EQ(safeName("abc", SafeNameTool{.maxUnits = 0}), "abc"); // taken as the least room
}

// Names of every kind of trouble, made safe, pass the drives' rule, whole and composed with a
// number and an extension in the room left for them.
TEST(SafeName, EveryResultPassesTheDrivesRule) {
    const char *pieces[] = {"a",   "Z",   " ", ".",        ":",    "/",    "\\", "?", "*", "\"",
                            "<",   ">",   "|", "\t",       "\x01", "\x7F", "é",  "Ő", "😀", "\u3000",
                            "con", "LPT", "1", "\xC2\xB9", "-",    "_",    "ｘ", "："};
    std::mt19937 random(11);
    for (const bool ascii : {false, true})
        for (int n = 0; n < 3000; ++n) {
            std::string name;
            const int length = static_cast<int>(random() % (n % 10 == 0 ? 400 : 8));
            for (int k = 0; k < length; ++k)
                name += pieces[random() % std::size(pieces)];
            const std::string prefix = "01 - ", extension = ".mp3";
            SafeNameTool tool{.ascii = ascii,
                              .maxUnits = safeNameRoom(utf16Units(prefix + extension))};
            const std::string safe = safeName(name, tool);
            if (name.empty()) {
                EXPECT_EQ(safe, "");
                continue;
            }
            ASSERT_EQ(refusedBecause(safe), "") << name << " gave " << safe;
            ASSERT_EQ(refusedBecause(prefix + safe + extension), "") << name;
            ASSERT_EQ(safeName(safe, tool), safe) << name;
            ASSERT_TRUE(!ascii || asciiTest(safe)) << safe;
        }
}

// Bounds on what a tool makes

TEST(ToolBounds, AReplacementRepeatedForEveryCharacterStopsAtOnceAndChangesNothing) {
    std::vector<std::string> album;
    for (int i = 0; i < 600; ++i)
        album.push_back("Track " + std::to_string(i) + " - Some Title");
    std::vector<std::string> names = album;
    const ToolRun run = applyTool(ReplaceTool{".", std::string(10000, 'x'), true}, names);
    ASSERT_TRUE(run.overflow);
    EXPECT_EQ(run.overflow->index, 0u); // the first name already: nothing more was tried
    EXPECT_FALSE(run.overflow->total);
    EXPECT_EQ(run.changed, 0);
    EXPECT_EQ(names, album);

    // Plain text, and a chain in which earlier rows had changed: all put back.
    names = {"a", "b", "abb"};
    NameToolChain chain;
    chain.replace = ReplaceTool{"b", std::string(3000, 'b')};
    chain.caseChange = CaseTool{CaseChange::Upper, ""};
    ToolRun chained = applyTools(chain, names);
    ASSERT_TRUE(chained.overflow);
    EXPECT_EQ(chained.overflow->index, 2u); // "a" and "b" stay within the bound
    EXPECT_EQ(chained.changed, 0);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "abb"}));
    names = {"a", "ab"};
    chain.replace = ReplaceTool{"b", std::string(4095, 'b')};
    chained = applyTools(chain, names);
    EXPECT_FALSE(chained.overflow); // 4,096 bytes: a long name, within the bound
    EXPECT_EQ(chained.changed, 2);
    EXPECT_EQ(names.back(), "A" + std::string(4095, 'B'));

    // A name that was longer to begin with may stay as long.
    names = {std::string(10000, 'a')};
    EXPECT_FALSE(applyTool(ReplaceTool{"a", "b"}, names).overflow);
    EXPECT_EQ(names.front(), std::string(10000, 'b'));
    EXPECT_TRUE(applyTool(ReplaceTool{"^b", "cc", true}, names).overflow);
}

TEST(ToolBounds, TheNamesTogetherAreBoundToo) {
    std::vector<std::string> album(100, "name");
    std::vector<std::string> names = album;
    const ToolBounds bounds{.nameBytes = 100, .totalBytes = 2000};
    ToolRun run = applyTool(ReplaceTool{"name", std::string(50, 'n')}, names, bounds);
    ASSERT_TRUE(run.overflow);
    EXPECT_TRUE(run.overflow->total);
    EXPECT_EQ(run.overflow->index, 40u); // the 41st name of 50 bytes passes 2,000
    EXPECT_EQ(names, album);
    // The chosen rows only count.
    const std::vector<int> rows = {3, 5, 7};
    run = applyTool(ReplaceTool{"name", std::string(50, 'n')}, names, rows, bounds);
    EXPECT_FALSE(run.overflow);
    EXPECT_EQ(run.changed, 3);
    // Tools that only shorten never stop.
    names = std::vector<std::string>(100, std::string(500, ' '));
    run = applyTool(BlanksTool{}, names, bounds);
    EXPECT_FALSE(run.overflow);
    EXPECT_EQ(run.changed, 100);
}

// Names that are not UTF-8

TEST(NotUtf8, EveryToolLeavesSuchNamesAlone) {
    const std::vector<NameTool> tools = {
        StripNumberTool{},
        ReplaceTool{"a", "b"},
        ReplaceTool{"TRACK", "x", false, false},
        ReplaceTool{".", "x", true},
        CaseTool{CaseChange::Lower, ""},
        CaseTool{CaseChange::Title, ""},
        CaseTool{CaseChange::Sentence, "hu"},
        BlanksTool{true, true},
        SafeNameTool{},
        SafeNameTool{.ascii = true},
    };
    for (size_t t = 0; t < tools.size(); ++t) {
        std::vector<std::string> names = notUtf8;
        const ToolRun run = applyTool(tools[t], names);
        EXPECT_FALSE(run.error);
        EXPECT_EQ(run.changed, 0) << "tool " << t;
        EXPECT_EQ(names, notUtf8) << "tool " << t;
    }
    for (const std::string &name : notUtf8) {
        EXPECT_EQ(stripLeadingNumber(name), name);
        EXPECT_EQ(collapseBlanks(name), name);
        EXPECT_EQ(trimUnicodeBlanks(name), name);
        EXPECT_EQ(changeCase(name, CaseChange::Upper), name);
    }
}

// Many names

TEST(ApplyTool, CountsChangedRowsOfAllOrChosenRows) {
    const std::vector<std::string> album = {"TRACK ONE", "Track Two", "TRACK THREE", "Intro"};
    std::vector<std::string> names = album;
    ToolRun run = applyTool(CaseTool{CaseChange::Title, ""}, names);
    EXPECT_EQ(run.changed, 2); // "Track Two" and "Intro" are title case already
    EXPECT_EQ(names, (std::vector<std::string>{"Track One", "Track Two", "Track Three", "Intro"}));

    names = album;
    const std::vector<int> rows = {2, 1, 7, -1, 2}; // out of range ignored, repeats once
    run = applyTool(ReplaceTool{"T", "TT"}, names, rows);
    EXPECT_EQ(run.changed, 2);
    EXPECT_EQ(names,
              (std::vector<std::string>{"TRACK ONE", "TTrack TTwo", "TTRACK TTHREE", "Intro"}));

    names = album;
    run = applyTool(ReplaceTool{"(", "x", true}, names);
    ASSERT_TRUE(run.error);
    EXPECT_EQ(run.error->problem, PatternProblem::UnbalancedParenthesis);
    EXPECT_EQ(run.changed, 0);
    EXPECT_EQ(names, album);
}

TEST(ApplyTools, StripReplaceCaseBlanksInThatOrder) {
    NameToolChain chain;
    EXPECT_TRUE(chain.empty());
    chain.stripNumbers = true;
    chain.replace = ReplaceTool{"^\\d+", "X", true};
    chain.caseChange = CaseTool{CaseChange::Lower, ""};
    chain.collapseBlanks = true;
    chain.trimBlanks = true;
    EXPECT_FALSE(chain.empty());
    std::vector<std::string> names = {
        "04 - 5 RAIN  ON GLASS ", // stripped before the pattern sees it, then cased and tidied
        "x",                      // untouched by all
    };
    const ToolRun run = applyTools(chain, names);
    EXPECT_FALSE(run.error);
    EXPECT_EQ(run.changed, 1);
    EXPECT_EQ(names, (std::vector<std::string>{"x rain on glass", "x"}));
}

TEST(ApplyTools, ReplacedTextIsCasedAndARowChangedBackDoesNotCount) {
    NameToolChain chain;
    chain.replace = ReplaceTool{"one", "ONE MORE"};
    chain.caseChange = CaseTool{CaseChange::Lower, ""};
    std::vector<std::string> names = {"one", "abc"};
    ToolRun run = applyTools(chain, names);
    EXPECT_EQ(run.changed, 1);
    EXPECT_EQ(names, (std::vector<std::string>{"one more", "abc"}));

    chain.replace = ReplaceTool{"a", "A"}; // then lowercased again: the same name
    names = {"abc", "ABC"};
    run = applyTools(chain, names, std::vector<int>{0});
    EXPECT_EQ(run.changed, 0);
    EXPECT_EQ(names, (std::vector<std::string>{"abc", "ABC"}));
}

TEST(ApplyTools, BadPatternChangesNothing) {
    NameToolChain chain;
    chain.stripNumbers = true;
    chain.replace = ReplaceTool{"[", "", true};
    std::vector<std::string> names = {"04 - Rain"};
    const ToolRun run = applyTools(chain, names);
    ASSERT_TRUE(run.error);
    EXPECT_EQ(run.error->problem, PatternProblem::BadSet);
    EXPECT_EQ(names, (std::vector<std::string>{"04 - Rain"}));
}

// Fill from the old names, stripped, then numbered: the issue's folder after a file was deleted.
TEST(NameTools, RenumberingANumberedFolderGivesOneNumber) {
    const std::vector<std::string> oldNames = {"01 - Intro.mp3", "02 - Blue Monday.mp3",
                                               "04 - Rain on Glass.mp3"};
    const NumberFormat format;
    std::vector<std::string> finalNames;
    for (size_t i = 0; i < oldNames.size(); ++i)
        finalNames.push_back(formatNumber(format, static_cast<int>(i), 3) + format.separator +
                             oldNameStem(oldNames[i]) + ".mp3");
    EXPECT_EQ(finalNames, (std::vector<std::string>{"01 - Intro.mp3", "02 - Blue Monday.mp3",
                                                    "03 - Rain on Glass.mp3"}));
}
