// filvane-rename: the window's renaming for scripts. It lists a folder by a mask, takes the new
// names one per line (or fills them from the files' tags), runs the name tools over them,
// composes them exactly as the window does and renames on the same engine, never replacing a
// file.
#include "core/RenameSession.h"
#include "core/history/RunHistory.h"
#include "core/listing/SearchPattern.h"
#include "core/names/NameText.h"
#include "core/names/NameTools.h"
#include "core/plan/Preflight.h"
#include "core/plan/RenamePlan.h"
#include "core/texts/RenameReasons.h"
#include "core/texts/TextTable.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int ExitDone = 0;
constexpr int ExitRowsFailed = 1;
constexpr int ExitUsage = 2;

constexpr std::string_view Usage =
    "Usage: filvane-rename DIR [--mask M] [--names FILE | --fill-from-tags TEMPLATE]\n"
    "                      [--numbering on|off] [--extension .EXT] [--numbers-only]\n"
    "                      [--order bytes|natural|track|taken|mtime] [--natural]\n"
    "                      [--start N] [--step N] [--digits N|auto] [--separator TEXT]\n"
    "                      [--strip-numbers] [--replace FROM TO [--regex] [--ignore-case]]\n"
    "                      [--case lower|upper|title|sentence] [--safe-names [--ascii]]\n"
    "                      [--named-only | --allow-blank] [--dry-run] [--undo]\n"
    "                      [--recover restore|finish|leave]\n"
    "\n"
    "Renames the files of DIR that match the mask (default \"*.*\"), listed sorted by name and\n"
    "numbered 01, 02, ..., to the new names read one per line from FILE, or from standard input\n"
    "when --names is not given: \"03 - Intro.mp3\" for the third file and the line \"Intro\".\n"
    "No file is ever replaced: a name taken by another file fails that row only.\n"
    "\n"
    "  --mask M             which files to list; case does not matter (default \"*.*\")\n"
    "  --names FILE         the new names, one per line\n"
    "  --fill-from-tags T   the new names from what the files know, by the template T:\n"
    "                       {track} {title} {artist} {album} {year} {camera} {date} or\n"
    "                       {date:%Y-%m-%d %H.%M.%S}; a file lacking a field gets no name.\n"
    "                       Reads no names\n"
    "  --numbering on|off   start each name with its number and \" - \" (default on)\n"
    "  --extension .EXT     give every file this extension instead of its own (\"mp3\" is "
    "\".mp3\")\n"
    "  --numbers-only       rename the files to their numbers alone; reads no names\n"
    "  --order O            list by name bytes (the default), in natural order (Track 2 before\n"
    "                       Track 10), by disc and track tag, by date taken, or by mtime\n"
    "  --natural            the same as --order natural\n"
    "  --start N, --step N  the first number and the step between numbers (default 1 and 1)\n"
    "  --digits N|auto      pad numbers with zeros to N digits, or to as many as the last\n"
    "                       number needs (001 to 300); default 2\n"
    "  --separator TEXT     what stands between number and name (default \" - \")\n"
    "  --strip-numbers      take a leading track number off each name (\"04 - Rain\")\n"
    "  --replace FROM TO    replace every FROM in each name by TO; with --regex FROM is a\n"
    "                       regular expression and TO may hold $1 or ${name}; --ignore-case\n"
    "  --case C             lower, upper, title or sentence case\n"
    "  --safe-names         make each name one that FAT, exFAT and NTFS take: \":\" becomes\n"
    "                       \" -\", \"/\" and \"\\\" \"-\"; ? * \" < > | and control characters "
    "go;\n"
    "                       dots and blanks at the end go; CON, PRN, AUX, NUL, COM1-9 and\n"
    "                       LPT1-9 get \"_\" after them; names are cut to fit 255 UTF-16 units\n"
    "  --ascii              with --safe-names (which it implies): letters in plain ASCII by\n"
    "                       ICU's Latin-ASCII rules (\"\u0150szi sz\u00e9l\" becomes \"Oszi "
    "szel\"), what\n"
    "                       has no ASCII form dropped\n"
    "  --named-only         with fewer names than files: rename only the files that got a name\n"
    "  --allow-blank        with fewer names than files: the others get their number alone\n"
    "  --dry-run            print the plan and what the check before a run finds; rename nothing\n"
    "  --undo               take back the last run made in DIR\n"
    "  --recover CHOICE     deal with a run in DIR that was cut off (a crash, a kill): restore\n"
    "                       the names from before it, finish it, or leave the names as they\n"
    "                       are; no file is left under a temporary name. Nothing else runs in\n"
    "                       DIR until that is done.\n"
    "  --help, --version    print this help or the version\n"
    "\n"
    "The name tools work on the new names once they are read or filled, always in this order:\n"
    "strip numbers, replace, case, safe names, then runs of blanks made one and blanks at the\n"
    "ends taken off. A tool that would make a name longer than 4096 bytes, or the names\n"
    "together longer than 256 MB, stops, and nothing is renamed (exit status 2).\n"
    "Names are read up to 64 MB or 1,000,000 lines.\n"
    "Nothing is renamed when there are more names than files, no file matches the mask, or a\n"
    "name would be refused (nothing before its extension, a \"/\"); nor, without --named-only or\n"
    "--allow-blank, when there are fewer names than files.\n"
    "Exit status: 0 when every file was renamed, 1 when a file could not be, the folder cannot\n"
    "be listed or nothing was renamed for a reason above, 2 on bad usage (a bad number, pattern\n"
    "or template among them) and too few names.\n";

constexpr size_t MostNameBytes = size_t(64) << 20;
constexpr size_t MostNameLines = 1000000;

struct Arguments {
    std::string directory;
    std::string mask = std::string(filvane::AllFilesMask);
    std::optional<std::string> namesFile;
    bool numbering = true;
    std::optional<std::string> extension;
    bool numbersOnly = false;
    std::optional<filvane::SortOrder> order;
    filvane::NumberFormat numbers;
    filvane::NameToolChain tools;
    std::optional<filvane::NameTemplate> fillTemplate;
    bool dryRun = false;
    bool undo = false;
    bool namedOnly = false;  // fewer names than files: leave the unnamed files alone
    bool allowBlank = false; // fewer names than files: number the unnamed files alone
    std::optional<filvane::RecoveryChoice> recover;
};

void print(std::FILE *to, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), to);
}

int usageError(const std::string &message) {
    print(stderr, "filvane-rename: " + message + "\nTry 'filvane-rename --help'.\n");
    return ExitUsage;
}

// A decimal number from `low` to `high` given to `option`; otherwise `problem` says why not.
std::optional<int> numberValue(std::string_view option, const std::string &text, long long low,
                               long long high, std::string &problem) {
    long long value = 0;
    const char *end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || at != end || error == std::errc::invalid_argument) {
        problem = std::string(option) + " takes a whole number, not \"" + text + "\"";
        return std::nullopt;
    }
    if (error == std::errc::result_out_of_range || value < low || value > high) {
        problem = std::string(option) + " " + text + " is out of range (" + std::to_string(low) +
                  " to " + std::to_string(high) + ")";
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<filvane::SortOrder> orderNamed(std::string_view name) {
    if (name == "bytes")
        return filvane::SortOrder::Bytes;
    if (name == "natural")
        return filvane::SortOrder::Natural;
    if (name == "track")
        return filvane::SortOrder::Track;
    if (name == "taken")
        return filvane::SortOrder::Taken;
    if (name == "mtime")
        return filvane::SortOrder::Modified;
    return std::nullopt;
}

// What is wrong with a template and where, counted in characters as a user counts them.
std::string templateErrorText(std::string_view templ, const filvane::TemplateError &error) {
    std::string text;
    switch (error.kind) {
    case filvane::TemplateError::Kind::UnknownField: {
        text = "unknown field \"" + error.text + "\" (known:";
        for (auto field = filvane::TemplateField::Track; field <= filvane::TemplateField::Camera;
             field = filvane::TemplateField(static_cast<int>(field) + 1))
            text += " {" + std::string(filvane::fieldName(field)) + "}";
        text += ")";
        break;
    }
    case filvane::TemplateError::Kind::UnclosedBrace:
        text = "\"{\" without its \"}\"";
        break;
    case filvane::TemplateError::Kind::StrayBrace:
        text = "\"}\" without its \"{\" (write }} for a brace)";
        break;
    case filvane::TemplateError::Kind::BadDateFormat:
        text = "unknown date conversion \"" + error.text + "\" (known: %Y %y %m %d %H %M %S %j %%)";
        break;
    }
    const std::string_view before = templ.substr(0, std::min(error.offset, templ.size()));
    const auto characters = std::count_if(before.begin(), before.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xc0) != 0x80;
    });
    return text + " at character " + std::to_string(characters + 1);
}

// A mask that is the name of a file here was most likely a wildcard the shell expanded.
std::string maskHint(const std::string &mask) {
    struct stat info {};
    if (mask.find_first_of("*?") != std::string::npos || ::stat(mask.c_str(), &info) != 0)
        return {};
    return "\nfilvane-rename: the mask \"" + mask +
           "\" is the name of a file here: if the shell expanded a wildcard, quote it "
           "(--mask '*.mp3')";
}

// The exit code to stop with, or nothing to go on.
using Stop = std::optional<int>;

// What the command line has given so far, with the flags that qualify --replace wherever they
// stand.
struct Parsing {
    Arguments &arguments;
    bool haveDirectory = false;
    bool regex = false;
    bool ignoreCase = false;
};

// The values that follow an option, as many as it takes.
using Values = std::span<char *const>;

// An option: its name, how many values follow it, what is said when they are missing, and how
// it sets the arguments.
struct Option {
    std::string_view name;
    int values;
    std::string_view missing;
    Stop (*set)(Parsing &, Values);
};

Stop chooseOrder(Arguments &arguments, filvane::SortOrder order) {
    if (arguments.order && *arguments.order != order)
        return usageError("two different orders given; choose one");
    arguments.order = order;
    return std::nullopt;
}

Stop setOrder(Parsing &parsing, Values values) {
    const std::optional<filvane::SortOrder> order = orderNamed(values[0]);
    if (!order)
        return usageError("--order takes bytes, natural, track, taken or mtime");
    return chooseOrder(parsing.arguments, *order);
}

Stop setFillTemplate(Parsing &parsing, Values values) {
    const std::string text = values[0];
    filvane::TemplateError error;
    parsing.arguments.fillTemplate = filvane::NameTemplate::parse(text, &error);
    if (!parsing.arguments.fillTemplate)
        return usageError("--fill-from-tags: " + templateErrorText(text, error));
    return std::nullopt;
}

Stop setWholeNumber(std::string_view option, const char *text, int &into) {
    std::string problem;
    const std::optional<int> number = numberValue(option, text, INT_MIN, INT_MAX, problem);
    if (!number)
        return usageError(problem);
    into = *number;
    return std::nullopt;
}

Stop setDigits(Parsing &parsing, Values values) {
    filvane::NumberFormat &numbers = parsing.arguments.numbers;
    const std::string text = values[0];
    if (text == "auto") {
        numbers.digits = filvane::NumberFormat::Digits::Auto;
        return std::nullopt;
    }
    std::string problem;
    const std::optional<int> width =
        numberValue("--digits", text, 1, filvane::NumberFormat::MaxWidth, problem);
    if (!width)
        return usageError(problem + "; or auto");
    numbers.digits = filvane::NumberFormat::Digits::Fixed;
    numbers.width = *width;
    return std::nullopt;
}

Stop setSeparator(Parsing &parsing, Values values) {
    parsing.arguments.numbers.separator = values[0];
    if (parsing.arguments.numbers.separator.find('/') != std::string::npos)
        return usageError("--separator cannot hold a \"/\": it would be in every name");
    return std::nullopt;
}

Stop setReplace(Parsing &parsing, Values values) {
    filvane::ReplaceTool replace;
    replace.find = values[0];
    replace.replacement = values[1];
    if (replace.find.empty())
        return usageError("--replace needs a text to find");
    parsing.arguments.tools.replace = std::move(replace);
    return std::nullopt;
}

Stop setSafeNames(Parsing &parsing, bool ascii) {
    std::optional<filvane::SafeNameTool> &safeNames = parsing.arguments.tools.safeNames;
    if (!safeNames)
        safeNames = filvane::SafeNameTool{};
    safeNames->ascii |= ascii;
    return std::nullopt;
}

Stop setCase(Parsing &parsing, Values values) {
    const std::optional<filvane::CaseChange> change = filvane::parseCaseChange(values[0]);
    if (!change)
        return usageError("--case takes lower, upper, title or sentence");
    parsing.arguments.tools.caseChange = filvane::CaseTool{*change, {}};
    return std::nullopt;
}

Stop setRecover(Parsing &parsing, Values values) {
    const std::string_view text = values[0];
    if (text == "restore")
        parsing.arguments.recover = filvane::RecoveryChoice::Restore;
    else if (text == "finish")
        parsing.arguments.recover = filvane::RecoveryChoice::Finish;
    else if (text == "leave")
        parsing.arguments.recover = filvane::RecoveryChoice::Leave;
    else
        return usageError("--recover takes restore, finish or leave");
    return std::nullopt;
}

// Sets a flag of the arguments; the option takes no value.
template <auto Flag> Stop setFlag(Parsing &parsing, Values) {
    parsing.arguments.*Flag = true;
    return std::nullopt;
}

Stop showHelp(Parsing &, Values) {
    print(stdout, Usage);
    return ExitDone;
}

Stop showVersion(Parsing &, Values) {
    print(stdout, "filvane-rename " FILVANE_VERSION "\n");
    return ExitDone;
}

// Sets a text of the arguments to the option's value as given.
template <auto Text> Stop setText(Parsing &parsing, Values values) {
    parsing.arguments.*Text = values[0];
    return std::nullopt;
}

const Option Options[] = {
    {"--help", 0, "", showHelp},
    {"-h", 0, "", showHelp},
    {"--version", 0, "", showVersion},
    {"--mask", 1, "--mask needs a mask", setText<&Arguments::mask>},
    {"--names", 1, "--names needs a file", setText<&Arguments::namesFile>},
    {"--numbering", 1, "--numbering takes on or off",
     [](Parsing &p, Values v) -> Stop {
         const std::string_view text = v[0];
         if (text != "on" && text != "off")
             return usageError("--numbering takes on or off");
         p.arguments.numbering = text == "on";
         return std::nullopt;
     }},
    {"--extension", 1, "--extension needs an extension", setText<&Arguments::extension>},
    {"--numbers-only", 0, "", setFlag<&Arguments::numbersOnly>},
    {"--order", 1, "--order takes bytes, natural, track, taken or mtime", setOrder},
    {"--natural", 0, "",
     [](Parsing &p, Values) { return chooseOrder(p.arguments, filvane::SortOrder::Natural); }},
    {"--fill-from-tags", 1, "--fill-from-tags needs a template, such as '{track} {title}'",
     setFillTemplate},
    {"--start", 1, "--start needs a number",
     [](Parsing &p, Values v) {
         return setWholeNumber("--start", v[0], p.arguments.numbers.start);
     }},
    {"--step", 1, "--step needs a number",
     [](Parsing &p, Values v) { return setWholeNumber("--step", v[0], p.arguments.numbers.step); }},
    {"--digits", 1, "--digits needs a number or auto", setDigits},
    {"--separator", 1, "--separator needs a text ('' for none)", setSeparator},
    {"--strip-numbers", 0, "",
     [](Parsing &p, Values) -> Stop {
         p.arguments.tools.stripNumbers = true;
         return std::nullopt;
     }},
    {"--replace", 2, "--replace needs the text to find and the text to put instead", setReplace},
    {"--regex", 0, "",
     [](Parsing &p, Values) -> Stop {
         p.regex = true;
         return std::nullopt;
     }},
    {"--ignore-case", 0, "",
     [](Parsing &p, Values) -> Stop {
         p.ignoreCase = true;
         return std::nullopt;
     }},
    {"--safe-names", 0, "", [](Parsing &p, Values) { return setSafeNames(p, false); }},
    {"--ascii", 0, "", [](Parsing &p, Values) { return setSafeNames(p, true); }},
    {"--case", 1, "--case takes lower, upper, title or sentence", setCase},
    {"--dry-run", 0, "", setFlag<&Arguments::dryRun>},
    {"--undo", 0, "", setFlag<&Arguments::undo>},
    {"--named-only", 0, "", setFlag<&Arguments::namedOnly>},
    {"--allow-blank", 0, "", setFlag<&Arguments::allowBlank>},
    {"--recover", 1, "--recover takes restore, finish or leave", setRecover},
};

const Option *optionNamed(std::string_view name) {
    const auto found = std::find_if(std::begin(Options), std::end(Options),
                                    [name](const Option &option) { return option.name == name; });
    return found == std::end(Options) ? nullptr : found;
}

// An argument that is no option of ours: the folder, once.
Stop takeArgument(Parsing &parsing, std::string_view arg) {
    if (arg.size() > 1 && arg[0] == '-')
        return usageError("unknown option " + std::string(arg));
    if (parsing.haveDirectory)
        return usageError("one folder only: " + std::string(arg) +
                          maskHint(parsing.arguments.mask));
    parsing.arguments.directory = arg;
    parsing.haveDirectory = true;
    return std::nullopt;
}

Stop checkCombinations(const Parsing &parsing) {
    const Arguments &arguments = parsing.arguments;
    if (!parsing.haveDirectory)
        return usageError("no folder given");
    if (arguments.namedOnly && arguments.allowBlank)
        return usageError("--named-only and --allow-blank exclude each other");
    if (arguments.fillTemplate && arguments.namesFile)
        return usageError("--fill-from-tags and --names exclude each other");
    if (arguments.numbersOnly && (arguments.fillTemplate || !arguments.tools.empty()))
        return usageError("--numbers-only gives no names to fill or change: leave out "
                          "--fill-from-tags and the name tools");
    if ((parsing.regex || parsing.ignoreCase) && !arguments.tools.replace)
        return usageError("--regex and --ignore-case go with --replace");
    return std::nullopt;
}

// The replacement qualified, its pattern checked so that a bad one stops the command before any
// name is read, and the tools set to leave a name tidy: what a strip or a replacement leaves of
// blanks goes.
Stop prepareTools(Parsing &parsing) {
    filvane::NameToolChain &tools = parsing.arguments.tools;
    if (tools.replace) {
        tools.replace->regex = parsing.regex;
        tools.replace->caseSensitive = !parsing.ignoreCase;
        const filvane::Replacer check(*tools.replace);
        if (check.error())
            return usageError("--replace: " + filvane::describePatternError(*check.error()));
    }
    if (!tools.empty())
        tools.collapseBlanks = tools.trimBlanks = true;
    return std::nullopt;
}

Stop checkFolder(const std::string &directory) {
    struct stat info {};
    if (::stat(directory.c_str(), &info) != 0)
        return usageError("cannot open folder " + directory + ": " +
                          filvane::errorText(errno, filvane::StoredTexts()));
    if (!S_ISDIR(info.st_mode))
        return usageError(directory + " is not a folder");
    return std::nullopt;
}

Stop parse(int argc, char **argv, Arguments &arguments) {
    Parsing parsing{arguments};
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const Option *option = optionNamed(arg);
        Stop stop;
        if (!option) {
            stop = takeArgument(parsing, arg);
        } else if (argc - 1 - i < option->values) {
            stop = usageError(std::string(option->missing));
        } else {
            stop = option->set(parsing, Values(argv + i + 1, static_cast<size_t>(option->values)));
            i += option->values;
        }
        if (stop)
            return stop;
    }
    if (const Stop stop = checkCombinations(parsing))
        return stop;
    if (const Stop stop = prepareTools(parsing))
        return stop;
    return checkFolder(arguments.directory);
}

// The whole of a stream, bytes as they are, up to MostNameBytes and MostNameLines; a file's
// size is known beforehand, so its text is read into room made once.
enum class ReadResult { Read, Failed, TooLarge };
ReadResult readAll(std::FILE *from, std::string &into) {
    struct stat info {};
    if (::fstat(::fileno(from), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        if (static_cast<unsigned long long>(info.st_size) > MostNameBytes)
            return ReadResult::TooLarge;
        into.reserve(static_cast<size_t>(info.st_size) + 1);
    }
    char buffer[1 << 16];
    size_t got = 0, lines = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, from)) > 0) {
        lines += static_cast<size_t>(std::count(buffer, buffer + got, '\n'));
        if (into.size() + got > MostNameBytes || lines > MostNameLines)
            return ReadResult::TooLarge;
        into.append(buffer, got);
    }
    return std::ferror(from) ? ReadResult::Failed : ReadResult::Read;
}

// The names file (or standard input) whole, into `text`.
Stop readNames(const Arguments &arguments, std::string &text) {
    if (!arguments.namesFile && ::isatty(STDIN_FILENO))
        print(stderr, "filvane-rename: reading the new names from the terminal, one per line; "
                      "end with Ctrl+D (or give --names FILE)\n");
    const std::string source = arguments.namesFile ? *arguments.namesFile : "standard input";
    ReadResult read = ReadResult::Failed;
    if (arguments.namesFile) {
        std::FILE *file = std::fopen(arguments.namesFile->c_str(), "rb");
        if (!file)
            return usageError("cannot read " + *arguments.namesFile + ": " +
                              filvane::errorText(errno, filvane::StoredTexts()));
        read = readAll(file, text);
        std::fclose(file);
    } else {
        read = readAll(stdin, text);
    }
    if (read == ReadResult::TooLarge)
        return usageError("too many names in " + source + ": at most " +
                          std::to_string(MostNameLines) + " lines and " +
                          std::to_string(MostNameBytes >> 20) + " MB");
    if (read == ReadResult::Failed)
        return usageError("cannot read the names from " + source);
    return std::nullopt;
}

// The words a finding is printed in. The command speaks English on every machine, so that a
// script reads the same words wherever it runs.
std::string findingText(const filvane::PreflightRow &row) {
    using filvane::UiText;
    const auto text = [](UiText entry) {
        return std::string(filvane::uiText(entry, filvane::Language::English));
    };
    switch (row.finding) {
    case filvane::PreflightFinding::Unnamed:
        return text(UiText::PreflightUnnamedWord);
    case filvane::PreflightFinding::Refused:
        return text(UiText::CommandNameRefused);
    case filvane::PreflightFinding::Taken:
        return text(UiText::CommandNameTaken);
    case filvane::PreflightFinding::Duplicate:
        return filvane::fillText(text(UiText::PreflightDuplicateWord),
                                 {filvane::rowNumberText(row.otherRow)});
    case filvane::PreflightFinding::TooLong:
        return text(UiText::CommandNameTooLong);
    case filvane::PreflightFinding::NoBaseName:
        return text(UiText::CommandNoBaseName);
    case filvane::PreflightFinding::Held:
        return filvane::fillText(text(UiText::CommandNameHeld),
                                 {filvane::rowNumberText(row.otherRow)});
    case filvane::PreflightFinding::NotOnThisDrive:
        return filvane::fillText(text(UiText::ReasonNotOnDrive), {row.refused});
    }
    return {};
}

void printPlan(const filvane::RenamePlan &plan) {
    for (const filvane::RowOutcome &row : plan.rows) {
        if (row.outcome == filvane::RenameOutcome::Blank)
            continue;
        print(stdout, std::string(row.oldName) + " \u2192 " + std::string(row.newName) + "\n");
    }
}

// The rows a run would give their number and extension alone; the other findings refuse the run.
void printUnnamed(const filvane::Preflight &check) {
    for (const filvane::PreflightRow &row : check.rows)
        if (row.finding == filvane::PreflightFinding::Unnamed)
            print(stderr, "filvane-rename: row " + filvane::rowNumberText(row.row) + ": " +
                              std::string(row.oldName) + " \u2192 " + std::string(row.newName) +
                              ": " + findingText(row) + "\n");
}

int reportRun(const filvane::RenameResult &result) {
    const filvane::StoredTexts texts; // English
    if (result.refusal != filvane::RunRefusal::None) {
        print(stderr, "filvane-rename: " + filvane::refusalText(result, texts) + "\n");
        return ExitRowsFailed;
    }
    int failed = 0;
    for (const filvane::RowOutcome &row : result.rows) {
        if (!filvane::isFailure(row))
            continue;
        ++failed;
        print(stderr, "filvane-rename: " + std::string(row.oldName) + " \u2192 " +
                          std::string(row.newName) + ": " + filvane::failureReasonText(row, texts) +
                          "\n");
    }
    if (result.finishError != 0) {
        print(stderr, "filvane-rename: " +
                          filvane::fillText(texts[filvane::UiText::RunEndNotRecorded],
                                            {filvane::errorText(result.finishError, texts)}) +
                          "\n");
        return ExitRowsFailed;
    }
    return failed == 0 ? ExitDone : ExitRowsFailed;
}

// Takes back the last run made in the folder, by whichever front end.
int undoLastRun(filvane::RenameSession &session, const std::string &directory) {
    session.read(directory, {});
    const std::optional<filvane::RunSummary> last = session.undoableRun();
    if (!last) {
        print(stderr, "filvane-rename: no run to undo in " + directory + "\n");
        return ExitRowsFailed;
    }
    // Nothing runs between the question and the undo here, so it is the same run.
    const filvane::RenameResult result = session.undo(last->id).value_or(filvane::RenameResult{});
    const int code = reportRun(result);
    // Of the files the undo found to take back (each a row), those that have their names back.
    if (result.refusal == filvane::RunRefusal::None)
        print(stdout, "filvane-rename: " + std::to_string(result.renamedCount()) + " of " +
                          std::to_string(result.rows.size()) + " files have their names back\n");
    return code;
}

const char *choiceWord(filvane::RecoveryChoice choice) {
    switch (choice) {
    case filvane::RecoveryChoice::Finish:
        return "finish";
    case filvane::RecoveryChoice::Leave:
        return "leave";
    default:
        return "restore";
    }
}

// Deals with every run cut off in the folder, newest first, each looked at as the disk is once
// the one before it has been dealt with.
int recoverRuns(filvane::RenameSession &session, const std::string &directory,
                filvane::RecoveryChoice choice) {
    int code = ExitDone;
    int dealtWith = 0;
    // A damaged journal may be one of this folder's runs: it is set aside, never acted on, and
    // the command cannot say the folder is whole.
    std::vector<std::string> setAside;
    session.interrupted(&setAside);
    const filvane::StoredTexts texts; // English
    for (const std::string &id : setAside) {
        print(stderr, "filvane-rename: " +
                          filvane::fillText(texts[filvane::UiText::RecoveryDamaged],
                                            {session.journalDirectory() + "/damaged-" + id}) +
                          "\n");
        code = ExitRowsFailed;
    }
    for (std::vector<filvane::RunSummary> runs = session.interruptedIn(directory); !runs.empty();
         runs = session.interruptedIn(directory)) {
        const filvane::RunSummary &run = runs.front();
        const filvane::RenameResult result = session.recover(run.id, choice);
        const int runCode = reportRun(result);
        code = std::max(code, runCode);
        print(stdout, "filvane-rename: a run of " + std::to_string(run.fileCount) +
                          " files cut off in " + directory + ": " +
                          (run.kind == filvane::RunKind::Recovery ? "finish" : choiceWord(choice)) +
                          ", " + std::to_string(result.renamedCount()) + " files moved\n");
        ++dealtWith;
        if (result.refusal != filvane::RunRefusal::None) {
            // It stays unsettled; going round again would only meet it again.
            return ExitRowsFailed;
        }
    }
    if (dealtWith == 0 && setAside.empty())
        print(stdout, "filvane-rename: no run was cut off in " + directory + "\n");
    return code;
}

// A run cut off in the folder must be dealt with first: its files may be under temporary names
// or half renamed, and a new run or an undo would plan from that state.
Stop refuseUnsettled(const filvane::RenameSession &session, const std::string &directory) {
    const std::vector<filvane::RunSummary> runs = session.interruptedIn(directory);
    if (runs.empty())
        return std::nullopt;
    const filvane::RunSummary &run = runs.front();
    print(stderr, "filvane-rename: a run in " + directory + " was cut off (" +
                      std::to_string(run.renamedCount) + " of " + std::to_string(run.fileCount) +
                      " files renamed, " + std::to_string(run.temporaryCount) +
                      " under a temporary name); deal with it first:\n"
                      "  filvane-rename " +
                      directory +
                      " --recover restore   (the names from before it)\n"
                      "  filvane-rename " +
                      directory +
                      " --recover finish    (the names it was to give)\n"
                      "  filvane-rename " +
                      directory + " --recover leave     (the names as they are)\n");
    return ExitRowsFailed;
}

// The UTF-16 units that the number, its separator and the extension take of the longest final
// name: what the safe names leave room for.
size_t reservedUnits(const filvane::RenameSession &session) {
    const filvane::NameLists &lists = session.lists();
    const int files = lists.fileCount();
    size_t most = 0;
    for (int row = 1; row <= files; ++row)
        most = std::max(most, filvane::utf16Units(filvane::composeNewName(
                                  session.options(), lists.oldName(row),
                                  filvane::rowNumber(session.options(), row, files), "")));
    return most;
}

std::string overflowText(const filvane::RenameSession &session,
                         const filvane::ToolOverflow &overflow) {
    if (overflow.total)
        return "the name tools would make the names together longer than " +
               std::to_string(filvane::MaxToolTotalBytes >> 20) + " MB: nothing is renamed";
    const int row = static_cast<int>(overflow.index) + 1;
    return "the name tools would make the name of row " + filvane::rowNumberText(row) + " (" +
           std::string(session.lists().oldName(row)) + ") longer than " +
           std::to_string(filvane::MaxToolNameBytes) +
           " bytes, more than any drive takes: nothing is renamed";
}

// A mask is matched against bare names: one with a separator, or none at all, matches nothing.
bool possibleMask(std::string_view mask) {
    return !mask.empty() && mask.find('/') == std::string_view::npos &&
           mask.find('\0') == std::string_view::npos;
}

Stop checkMask(const std::string &mask) {
    if (!possibleMask(mask)) {
        print(stderr, "filvane-rename: the mask \"" + mask +
                          "\" cannot match a file name (it is empty or holds a \"/\")\n");
        return ExitRowsFailed;
    }
    if (const std::string hint = maskHint(mask); !hint.empty())
        print(stderr, hint.substr(1) + "\n");
    return std::nullopt;
}

// What the check before a run finds that refuses it. It is said before anything is renamed; a
// dry run prints the same and exits the same way.
struct Refusal {
    std::string text;
    int code = ExitDone;
    void add(int exitCode, const std::string &why) {
        text += "filvane-rename: " + why + "\n";
        code = std::max(code, exitCode);
    }
};

// Lists the folder with the options set, or says why it cannot.
Stop listFolder(filvane::RenameSession &session, const Arguments &arguments) {
    session.setNumbering(arguments.numbering);
    // An order by facts reads them as the folder is listed.
    session.setSortOrder(arguments.order.value_or(filvane::SortOrder::Bytes));
    session.read(arguments.directory,
                 filvane::joinSearchPattern(arguments.directory, arguments.mask));
    if (const int error = session.lists().listError()) {
        print(stderr, "filvane-rename: cannot list " + arguments.directory + ": " +
                          filvane::errorText(error, filvane::StoredTexts()) + "\n");
        return ExitRowsFailed;
    }
    if (session.lists().tooManyFiles())
        return usageError("more files match than can be renamed in one run");
    session.applyOptions({.numbering = arguments.numbering,
                          .keepExtension = !arguments.extension.has_value(),
                          .numbersOnly = arguments.numbersOnly,
                          .chosenExtension = arguments.extension.value_or(""),
                          .numbers = arguments.numbers});
    return std::nullopt;
}

// The names read as new names; more names than files refuse the run.
void pasteNames(filvane::RenameSession &session, std::string namesText, Refusal &refusal) {
    const int files = session.lists().fileCount();
    size_t lines = 0;
    filvane::forEachLine(namesText, [&lines](std::string_view) { return ++lines, true; });
    if (files > 0 && lines > static_cast<size_t>(files))
        refusal.add(ExitRowsFailed, std::to_string(lines) + " names for " + std::to_string(files) +
                                        " files: nothing is renamed");
    session.pasteNewNames(namesText, 1);
}

// The new names filled from what the files know. What a file lacks is said whether or not that
// file is then left alone, so a script's log shows why.
Stop fillNames(filvane::RenameSession &session, const Arguments &arguments) {
    const filvane::FactsBatch facts = session.readFacts(arguments.fillTemplate->needs());
    if (facts.error != 0) {
        print(stderr, "filvane-rename: cannot read the files of " + arguments.directory + ": " +
                          filvane::errorText(facts.error, filvane::StoredTexts()) + "\n");
        return ExitRowsFailed;
    }
    const filvane::TemplateFill fill = session.fillFromFacts(*arguments.fillTemplate, facts.facts);
    for (const filvane::MissingFact &missing : fill.missing) {
        const int row = static_cast<int>(missing.row) + 1;
        print(stderr, "filvane-rename: " + filvane::rowNumberText(row) + " " +
                          std::string(session.lists().oldName(row)) + ": no " +
                          std::string(filvane::fieldName(missing.field)) + "\n");
    }
    return std::nullopt;
}

Stop applyTools(filvane::RenameSession &session, Arguments &arguments, Refusal &refusal) {
    if (arguments.tools.empty())
        return std::nullopt;
    if (arguments.tools.safeNames)
        arguments.tools.safeNames->maxUnits = filvane::safeNameRoom(reservedUnits(session));
    const filvane::ToolRun tools = session.applyNameTools(arguments.tools);
    if (tools.error) // checked before reading; kept so a bad pattern can never rename
        return usageError("--replace: " + filvane::describePatternError(*tools.error));
    if (tools.overflow)
        return usageError(overflowText(session, *tools.overflow));
    if (tools.givenUp > 0)
        refusal.add(ExitRowsFailed, "the --replace pattern took too long on " +
                                        std::to_string(tools.givenUp) +
                                        " names and left them as they were: nothing is renamed");
    return std::nullopt;
}

// The plan, checked as the run would decide: a row the check finds would fail or keep its name,
// so the run would leave the folder half renamed. Nothing is renamed then.
filvane::RenamePlan checkedPlan(filvane::RenameSession &session, const Arguments &arguments,
                                Refusal &refusal) {
    filvane::RenamePlan plan = session.plan(filvane::ListingAge::JustMade);
    const auto unnamed = std::count_if(plan.rows.begin(), plan.rows.end(),
                                       [](const filvane::RowOutcome &row) { return row.unnamed; });
    if (arguments.namedOnly)
        plan.leaveOutUnnamedRows();
    filvane::checkPlan(plan);
    for (const filvane::PreflightRow &row : plan.preflight->rows)
        if (row.finding != filvane::PreflightFinding::Unnamed)
            refusal.add(ExitRowsFailed, "row " + filvane::rowNumberText(row.row) + ": " +
                                            std::string(row.oldName) + " \u2192 " +
                                            std::string(row.newName) + ": " + findingText(row) +
                                            ": nothing is renamed");
    const int files = session.lists().fileCount();
    if (unnamed > 0 && !arguments.namedOnly && !arguments.allowBlank)
        refusal.add(ExitUsage,
                    std::to_string(files - static_cast<int>(unnamed)) + " names for " +
                        std::to_string(files) + " files: " +
                        (arguments.fillTemplate ? "the others lack a field of the template; give "
                                                : "give a name to each, or ") +
                        "--named-only to rename only the named files, or "
                        "--allow-blank to give the others their number alone");
    return plan;
}

int dryRun(const filvane::RenamePlan &plan, const Refusal &refusal) {
    printPlan(plan);
    print(stderr, "filvane-rename: " +
                      filvane::driveText(plan.preflight->drive, filvane::StoredTexts()) + "\n");
    printUnnamed(*plan.preflight);
    print(stderr, refusal.text);
    return refusal.code;
}

// Renames the files of the folder to the names given, filled or changed by the tools.
int renameFolder(filvane::RenameSession &session, Arguments &arguments) {
    if (const Stop stop = checkMask(arguments.mask))
        return *stop;
    // The names are read before the folder, so that the run follows its listing at once and
    // can trust what the listing found of each file.
    std::string namesText;
    const bool readsNames = !arguments.numbersOnly && !arguments.fillTemplate;
    if (readsNames)
        if (const Stop stop = readNames(arguments, namesText))
            return *stop;
    if (const Stop stop = listFolder(session, arguments))
        return *stop;
    Refusal refusal;
    if (session.lists().fileCount() == 0)
        refusal.add(ExitRowsFailed, "no file in " + arguments.directory + " matches the mask \"" +
                                        arguments.mask + "\"");
    if (readsNames)
        pasteNames(session, std::move(namesText), refusal);
    if (arguments.fillTemplate && session.lists().fileCount() > 0)
        if (const Stop stop = fillNames(session, arguments))
            return *stop;
    if (const Stop stop = applyTools(session, arguments, refusal))
        return *stop;
    filvane::RenamePlan plan = checkedPlan(session, arguments, refusal);
    if (arguments.dryRun)
        return dryRun(plan, refusal);
    if (refusal.code != ExitDone) {
        print(stderr, refusal.text);
        return refusal.code;
    }
    return reportRun(session.run(std::move(plan)));
}

} // namespace

int main(int argc, char **argv) {
    Arguments arguments;
    if (const Stop stop = parse(argc, argv, arguments))
        return *stop;
    filvane::RenameSession session;
    if (arguments.recover)
        return recoverRuns(session, arguments.directory, *arguments.recover);
    // A run cut off in the folder is dealt with before anything else is renamed there.
    if (!arguments.dryRun)
        if (const Stop stop = refuseUnsettled(session, arguments.directory))
            return *stop;
    if (arguments.undo)
        return undoLastRun(session, arguments.directory);
    return renameFolder(session, arguments);
}
