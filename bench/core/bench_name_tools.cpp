// Each name tool on 1,000,000 new names beside a plain loop of the ICU call (or standard
// library call) it rests on, over copies of the same names, the two sides taking turns in every
// iteration. The tool's time is the benchmark's; the counters give both medians and their
// ratio. The names are what music, photo and document folders hold, some in Hungarian and
// Greek, some numbered, some with doubled or unusual blanks.
#include "core/names/NameTools.h"

#include "../support/BenchTimer.h"

#include <benchmark/benchmark.h>

#include <unicode/brkiter.h>
#include <unicode/regex.h>
#include <unicode/ucasemap.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int NameCount = 1'000'000;

const std::vector<std::string> &names() {
    static const std::vector<std::string> instance = [] {
        const char *stems[] = {
            "04 - Rain on Glass",       "TRACK ONE",
            "bohemian rhapsody (live)", "Őszi eső  és ÉLAN",
            "ΆΛΦΑ ΚΑΙ ΩΜΕΓΑ",           "IMG_20230514_101530",
            "Jahresbericht 2023 final", "Track 07 - Blue Monday",
            "dal\u00A0a  hegyen ",      "(12) Kossuth tér",
        };
        std::vector<std::string> list;
        list.reserve(NameCount);
        for (int i = 0; i < NameCount; ++i)
            list.push_back(std::string(stems[i % 10]) + " " + std::to_string(i % 977));
        return list;
    }();
    return instance;
}

// Runs `tool` and `baseline` each on a fresh copy of the names in every iteration; the tool's
// time is the iteration's.
template <class Tool, class Baseline>
void compare(benchmark::State &state, Tool tool, Baseline baseline) {
    bench::Samples toolTimes, baselineTimes;
    for (auto _ : state) {
        std::vector<std::string> list = names();
        bench::Stopwatch clock;
        baseline(list);
        baselineTimes.add(clock.ms());
        benchmark::DoNotOptimize(list.data());

        list = names();
        clock.restart();
        tool(list);
        const double ms = clock.ms();
        toolTimes.add(ms);
        benchmark::DoNotOptimize(list.data());
        state.SetIterationTime(ms / 1000.0);
    }
    state.counters["tool_ms"] = toolTimes.median();
    state.counters["baseline_ms"] = baselineTimes.median();
    state.counters["ratio"] = toolTimes.median() / baselineTimes.median();
}

void runTool(const filvane::NameTool &tool, std::vector<std::string> &list) {
    const filvane::ToolRun run = filvane::applyTool(tool, list);
    benchmark::DoNotOptimize(run.changed);
}

// The ICU call the case tools make, on each name, its result copied back.
template <class Map> void caseMapLoop(std::vector<std::string> &list, Map map) {
    std::string result(4096, '\0');
    for (std::string &name : list) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t length = map(result.data(), static_cast<int32_t>(result.size()), name.data(),
                                   static_cast<int32_t>(name.size()), &status);
        if (U_SUCCESS(status))
            name.assign(result.data(), static_cast<size_t>(length));
    }
}

struct CaseMapCloser {
    void operator()(UCaseMap *map) const { ucasemap_close(map); }
};
using CaseMap = std::unique_ptr<UCaseMap, CaseMapCloser>;

CaseMap openCaseMap(uint32_t options) {
    UErrorCode status = U_ZERO_ERROR;
    return CaseMap(ucasemap_open("", options, &status));
}

void BM_Lower(benchmark::State &state) {
    compare(
        state,
        [](auto &list) {
            runTool(filvane::CaseTool{filvane::CaseChange::Lower, ""}, list);
        },
        [](auto &list) {
            CaseMap map = openCaseMap(0);
            caseMapLoop(list, [&](char *d, int32_t c, const char *s, int32_t n, UErrorCode *e) {
                return ucasemap_utf8ToLower(map.get(), d, c, s, n, e);
            });
        });
}

void BM_Upper(benchmark::State &state) {
    compare(
        state,
        [](auto &list) {
            runTool(filvane::CaseTool{filvane::CaseChange::Upper, ""}, list);
        },
        [](auto &list) {
            CaseMap map = openCaseMap(0);
            caseMapLoop(list, [&](char *d, int32_t c, const char *s, int32_t n, UErrorCode *e) {
                return ucasemap_utf8ToUpper(map.get(), d, c, s, n, e);
            });
        });
}

void BM_Title(benchmark::State &state) {
    compare(
        state,
        [](auto &list) {
            runTool(filvane::CaseTool{filvane::CaseChange::Title, ""}, list);
        },
        [](auto &list) {
            CaseMap map = openCaseMap(0);
            caseMapLoop(list, [&](char *d, int32_t c, const char *s, int32_t n, UErrorCode *e) {
                return ucasemap_utf8ToTitle(map.get(), d, c, s, n, e);
            });
        });
}

void BM_Sentence(benchmark::State &state) {
    compare(
        state,
        [](auto &list) {
            runTool(filvane::CaseTool{filvane::CaseChange::Sentence, ""}, list);
        },
        [](auto &list) {
            CaseMap map = openCaseMap(U_TITLECASE_WHOLE_STRING | U_TITLECASE_ADJUST_TO_CASED);
            caseMapLoop(list, [&](char *d, int32_t c, const char *s, int32_t n, UErrorCode *e) {
                return ucasemap_utf8ToTitle(map.get(), d, c, s, n, e);
            });
        });
}

// The UTF-16 way to the same titles, for comparison: UnicodeString::toTitle with one word
// BreakIterator, converting each name there and back.
void BM_TitleThroughUnicodeString(benchmark::State &state) {
    compare(
        state,
        [](auto &list) {
            runTool(filvane::CaseTool{filvane::CaseChange::Title, ""}, list);
        },
        [](auto &list) {
            UErrorCode status = U_ZERO_ERROR;
            std::unique_ptr<icu::BreakIterator> words(
                icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status));
            for (std::string &name : list) {
                icu::UnicodeString text = icu::UnicodeString::fromUTF8(name);
                text.toTitle(words.get(), icu::Locale::getRoot());
                name.clear();
                text.toUTF8String(name);
            }
        });
}

// ICU's replaceAll on each name, converted to UTF-16 and back: what the regular expression and
// any-case replaces rest on.
void regexLoop(std::vector<std::string> &list, const char *find, const char *replacement,
               uint32_t flags) {
    UParseError where;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexPattern> pattern(
        icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(find), flags, where, status));
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(status));
    const icu::UnicodeString with = icu::UnicodeString::fromUTF8(replacement);
    for (std::string &name : list) {
        const icu::UnicodeString text = icu::UnicodeString::fromUTF8(name);
        matcher->reset(text);
        const icu::UnicodeString result = matcher->replaceAll(with, status);
        name.clear();
        result.toUTF8String(name);
    }
}

// Three patterns of rising cost: one anchored at the start, the swap of two parts around a
// dash (backtracking from the end), and a letter run before the final number, tried at every
// letter of the name.
void BM_ReplaceRegexAnchored(benchmark::State &state) {
    compare(
        state,
        [](auto &list) {
            runTool(filvane::ReplaceTool{"^(\\d+)[ ._-]+", "", true}, list);
        },
        [](auto &list) { regexLoop(list, "^(\\d+)[ ._-]+", "", 0); });
}

void BM_ReplaceRegexSwap(benchmark::State &state) {
    compare(
        state,
        [](auto &list) {
            runTool(filvane::ReplaceTool{"^(.+) - (.+)$", "$2 - $1", true}, list);
        },
        [](auto &list) { regexLoop(list, "^(.+) - (.+)$", "$2 - $1", 0); });
}

void BM_ReplaceRegexLetterRun(benchmark::State &state) {
    compare(
        state,
        [](auto &list) {
            runTool(filvane::ReplaceTool{"(\\p{L}+) (\\d+)$", "$2 $1", true}, list);
        },
        [](auto &list) { regexLoop(list, "(\\p{L}+) (\\d+)$", "$2 $1", 0); });
}

void BM_ReplaceAnyCase(benchmark::State &state) {
    compare(
        state,
        [](auto &list) {
            runTool(filvane::ReplaceTool{"track", "Song", false, false}, list);
        },
        [](auto &list) {
            regexLoop(list, "track", "Song", UREGEX_LITERAL | UREGEX_CASE_INSENSITIVE);
        });
}

void BM_ReplacePlain(benchmark::State &state) {
    compare(
        state,
        [](auto &list) {
            runTool(filvane::ReplaceTool{"Track", "Song"}, list);
        },
        [](auto &list) {
            const std::string find = "Track", with = "Song";
            for (std::string &name : list)
                for (size_t at = name.find(find); at != std::string::npos;
                     at = name.find(find, at + with.size()))
                    name.replace(at, find.size(), with);
        });
}

// The character loop the strip and blank tools rest on: each name decoded, each character asked
// whether it is a blank (u_isUWhiteSpace) and written back.
void whiteSpaceLoop(std::vector<std::string> &list) {
    for (std::string &name : list) {
        const auto *bytes = reinterpret_cast<const uint8_t *>(name.data());
        const auto length = static_cast<int32_t>(name.size());
        int32_t read = 0;
        size_t write = 0;
        while (read < length) {
            const int32_t start = read;
            UChar32 c;
            U8_NEXT(bytes, read, length, c);
            if (c >= 0 && u_isUWhiteSpace(c))
                name[write++] = ' ';
            else
                for (int32_t k = start; k < read; ++k)
                    name[write++] = name[static_cast<size_t>(k)];
        }
        name.resize(write);
    }
}

void BM_StripNumbers(benchmark::State &state) {
    compare(
        state, [](auto &list) { runTool(filvane::StripNumberTool{}, list); }, whiteSpaceLoop);
}

void BM_CollapseAndTrimBlanks(benchmark::State &state) {
    compare(
        state,
        [](auto &list) {
            runTool(filvane::BlanksTool{true, true}, list);
        },
        whiteSpaceLoop);
}

// The command line's whole chain, against the plain loops of its four tools one after another.
void BM_CommandLineChain(benchmark::State &state) {
    compare(
        state,
        [](auto &list) {
            filvane::NameToolChain chain;
            chain.stripNumbers = true;
            chain.replace = filvane::ReplaceTool{"track", "Song", false, false};
            chain.caseChange = filvane::CaseTool{filvane::CaseChange::Title, ""};
            chain.collapseBlanks = chain.trimBlanks = true;
            const filvane::ToolRun run = filvane::applyTools(chain, list);
            benchmark::DoNotOptimize(run.changed);
        },
        [](auto &list) {
            whiteSpaceLoop(list);
            regexLoop(list, "track", "Song", UREGEX_LITERAL | UREGEX_CASE_INSENSITIVE);
            CaseMap map = openCaseMap(0);
            caseMapLoop(list, [&](char *d, int32_t c, const char *s, int32_t n, UErrorCode *e) {
                return ucasemap_utf8ToTitle(map.get(), d, c, s, n, e);
            });
            whiteSpaceLoop(list);
        });
}

// Names made safe for every drive, with and without plain ASCII, against one pass over their
// characters. Most names need nothing; the ASCII form of each letter is found once and kept.
void BM_SafeNames(benchmark::State &state) {
    compare(
        state, [](auto &list) { runTool(filvane::SafeNameTool{}, list); }, whiteSpaceLoop);
}

void BM_SafeNamesAscii(benchmark::State &state) {
    compare(
        state, [](auto &list) { runTool(filvane::SafeNameTool{.ascii = true}, list); },
        whiteSpaceLoop);
}

void BM_NumberFormatAuto(benchmark::State &state) {
    filvane::NumberFormat format;
    format.digits = filvane::NumberFormat::Digits::Auto;
    compare(
        state,
        [&](auto &list) {
            for (size_t i = 0; i < list.size(); ++i)
                list[i] = filvane::formatNumber(format, static_cast<int>(i), NameCount);
        },
        [](auto &list) {
            for (size_t i = 0; i < list.size(); ++i)
                list[i] = std::to_string(i + 1);
        });
}

#define NAME_TOOL_BENCHMARK(name)                                                                  \
    BENCHMARK(name)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond)

NAME_TOOL_BENCHMARK(BM_Lower);
NAME_TOOL_BENCHMARK(BM_Upper);
NAME_TOOL_BENCHMARK(BM_Title);
NAME_TOOL_BENCHMARK(BM_TitleThroughUnicodeString);
NAME_TOOL_BENCHMARK(BM_Sentence);
NAME_TOOL_BENCHMARK(BM_ReplaceRegexAnchored);
NAME_TOOL_BENCHMARK(BM_ReplaceRegexSwap);
NAME_TOOL_BENCHMARK(BM_ReplaceRegexLetterRun);
NAME_TOOL_BENCHMARK(BM_ReplaceAnyCase);
NAME_TOOL_BENCHMARK(BM_ReplacePlain);
NAME_TOOL_BENCHMARK(BM_StripNumbers);
NAME_TOOL_BENCHMARK(BM_CollapseAndTrimBlanks);
NAME_TOOL_BENCHMARK(BM_CommandLineChain);
NAME_TOOL_BENCHMARK(BM_SafeNames);
NAME_TOOL_BENCHMARK(BM_SafeNamesAscii);
NAME_TOOL_BENCHMARK(BM_NumberFormatAuto);

} // namespace
