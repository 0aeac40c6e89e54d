// filvane-rename: the window's renaming for scripts. It lists a folder by a mask, takes the new
// names one per line, composes them exactly as the window does and renames on the same engine,
// never replacing a file.
#include "core/NameText.h"
#include "core/Preflight.h"
#include "core/RenameReasons.h"
#include "core/RenameSession.h"
#include "core/RunHistory.h"
#include "core/SearchPattern.h"
#include "core/TextTable.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
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
    "Usage: filvane-rename DIR [--mask M] [--names FILE] [--numbering on|off]\n"
    "                      [--extension .EXT] [--numbers-only] [--natural] [--dry-run] [--undo]\n"
    "                      [--named-only | --allow-blank]\n"
    "                      [--recover restore|finish|leave]\n"
    "\n"
    "Renames the files of DIR that match the mask (default \"*.*\"), listed sorted by name and\n"
    "numbered 01, 02, ..., to the new names read one per line from FILE, or from standard input\n"
    "when --names is not given: \"03 - Intro.mp3\" for the third file and the line \"Intro\".\n"
    "No file is ever replaced: a name taken by another file fails that row only.\n"
    "\n"
    "  --mask M             which files to list; case does not matter (default \"*.*\")\n"
    "  --names FILE         the new names, one per line\n"
    "  --numbering on|off   start each name with its number and \" - \" (default on)\n"
    "  --extension .EXT     give every file this extension instead of its own (\"mp3\" is "
    "\".mp3\")\n"
    "  --numbers-only       rename the files to their numbers alone; reads no names\n"
    "  --natural            list in natural order (Track 2 before Track 10)\n"
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
    "Names are read up to 64 MB or 1,000,000 lines.\n"
    "Nothing is renamed when there are more names than files, no file matches the mask, or a\n"
    "name would be refused (nothing before its extension, a \"/\"); nor, without --named-only or\n"
    "--allow-blank, when there are fewer names than files.\n"
    "Exit status: 0 when every file was renamed, 1 when a file could not be, the folder cannot\n"
    "be listed or nothing was renamed for a reason above, 2 on bad usage and too few names.\n";

constexpr size_t MostNameBytes = size_t(64) << 20;
constexpr size_t MostNameLines = 1000000;

struct Arguments {
    std::string directory;
    std::string mask = std::string(filvane::AllFilesMask);
    std::optional<std::string> namesFile;
    bool numbering = true;
    std::optional<std::string> extension;
    bool numbersOnly = false;
    bool natural = false;
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

// A mask that is the name of a file here was most likely a wildcard the shell expanded.
std::string maskHint(const std::string &mask) {
    struct stat info {};
    if (mask.find_first_of("*?") != std::string::npos || ::stat(mask.c_str(), &info) != 0)
        return {};
    return "\nfilvane-rename: the mask \"" + mask +
           "\" is the name of a file here: if the shell expanded a wildcard, quote it "
           "(--mask '*.mp3')";
}

// Returns the exit code to stop with, or nothing to go on.
std::optional<int> parse(int argc, char **argv, Arguments &arguments) {
    bool haveDirectory = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&](std::string &into) {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h") {
            print(stdout, Usage);
            return ExitDone;
        } else if (arg == "--version") {
            print(stdout, "filvane-rename " FILVANE_VERSION "\n");
            return ExitDone;
        } else if (arg == "--mask") {
            if (!value(arguments.mask))
                return usageError("--mask needs a mask");
        } else if (arg == "--names") {
            if (!value(text))
                return usageError("--names needs a file");
            arguments.namesFile = text;
        } else if (arg == "--numbering") {
            if (!value(text) || (text != "on" && text != "off"))
                return usageError("--numbering takes on or off");
            arguments.numbering = text == "on";
        } else if (arg == "--extension") {
            if (!value(text))
                return usageError("--extension needs an extension");
            arguments.extension = text;
        } else if (arg == "--numbers-only") {
            arguments.numbersOnly = true;
        } else if (arg == "--natural") {
            arguments.natural = true;
        } else if (arg == "--dry-run") {
            arguments.dryRun = true;
        } else if (arg == "--undo") {
            arguments.undo = true;
        } else if (arg == "--named-only") {
            arguments.namedOnly = true;
        } else if (arg == "--allow-blank") {
            arguments.allowBlank = true;
        } else if (arg == "--recover") {
            if (!value(text) || (text != "restore" && text != "finish" && text != "leave"))
                return usageError("--recover takes restore, finish or leave");
            arguments.recover = text == "restore"  ? filvane::RecoveryChoice::Restore
                                : text == "finish" ? filvane::RecoveryChoice::Finish
                                                   : filvane::RecoveryChoice::Leave;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            return usageError("unknown option " + std::string(arg));
        } else if (!haveDirectory) {
            arguments.directory = arg;
            haveDirectory = true;
        } else {
            return usageError("one folder only: " + std::string(arg) + maskHint(arguments.mask));
        }
    }
    if (!haveDirectory)
        return usageError("no folder given");
    if (arguments.namedOnly && arguments.allowBlank)
        return usageError("--named-only and --allow-blank exclude each other");
    struct stat info {};
    if (::stat(arguments.directory.c_str(), &info) != 0)
        return usageError("cannot open folder " + arguments.directory + ": " +
                          filvane::errorText(errno, filvane::StoredTexts()));
    if (!S_ISDIR(info.st_mode))
        return usageError(arguments.directory + " is not a folder");
    return std::nullopt;
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
std::optional<int> readNames(const Arguments &arguments, std::string &text) {
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

std::string findingText(const filvane::PreflightRow &row) {
    switch (row.finding) {
    case filvane::PreflightFinding::Unnamed:
        return "no new name";
    case filvane::PreflightFinding::Refused:
        return "the name is not allowed";
    case filvane::PreflightFinding::Taken:
        return "the name belongs to another file";
    case filvane::PreflightFinding::Duplicate:
        return "same name as row " + filvane::rowNumberText(row.otherRow);
    case filvane::PreflightFinding::TooLong:
        return "the name is too long";
    case filvane::PreflightFinding::NoBaseName:
        return "the name has nothing before its extension";
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

void printFindings(const filvane::Preflight &check) {
    for (const filvane::PreflightRow &row : check.rows)
        print(stderr, "filvane-rename: row " + filvane::rowNumberText(row.row) + ": " +
                          std::string(row.oldName) + " \u2192 " + std::string(row.newName) + ": " +
                          findingText(row) + "\n");
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
    const filvane::RenameResult result = session.undo();
    const int code = reportRun(result);
    print(stdout, "filvane-rename: " + std::to_string(result.renamedCount()) + " of " +
                      std::to_string(last->renamedCount) + " files have their names back\n");
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
    if (dealtWith == 0)
        print(stdout, "filvane-rename: no run was cut off in " + directory + "\n");
    return code;
}

// A run cut off in the folder must be dealt with first: its files may be under temporary names
// or half renamed, and a new run or an undo would plan from that state.
std::optional<int> refuseUnsettled(const filvane::RenameSession &session,
                                   const std::string &directory) {
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

// A mask is matched against bare names: one with a separator, or none at all, matches nothing.
bool possibleMask(std::string_view mask) {
    return !mask.empty() && mask.find('/') == std::string_view::npos &&
           mask.find('\0') == std::string_view::npos;
}

} // namespace

int main(int argc, char **argv) {
    Arguments arguments;
    if (const std::optional<int> stop = parse(argc, argv, arguments))
        return *stop;

    filvane::RenameSession session;
    session.setSortOrder(arguments.natural ? filvane::SortOrder::Natural
                                           : filvane::SortOrder::Bytes);
    if (arguments.recover)
        return recoverRuns(session, arguments.directory, *arguments.recover);
    if (!arguments.dryRun)
        if (const std::optional<int> stop = refuseUnsettled(session, arguments.directory))
            return *stop;
    if (arguments.undo)
        return undoLastRun(session, arguments.directory);
    if (!possibleMask(arguments.mask)) {
        print(stderr, "filvane-rename: the mask \"" + arguments.mask +
                          "\" cannot match a file name (it is empty or holds a \"/\")\n");
        return ExitRowsFailed;
    }

    if (const std::string hint = maskHint(arguments.mask); !hint.empty())
        print(stderr, hint.substr(1) + "\n");

    filvane::AcceptedOptions options;
    options.rename.numbering = arguments.numbering;
    options.rename.keepExtension = !arguments.extension.has_value();
    options.rename.numbersOnly = arguments.numbersOnly;
    options.rename.chosenExtension = arguments.extension.value_or("");
    // The names are read before the folder, so that the run follows its listing at once and
    // can trust what the listing found of each file.
    std::string namesText;
    if (!arguments.numbersOnly) {
        if (!arguments.namesFile && ::isatty(STDIN_FILENO))
            print(stderr, "filvane-rename: reading the new names from the terminal, one per line; "
                          "end with Ctrl+D (or give --names FILE)\n");
        if (const std::optional<int> stop = readNames(arguments, namesText))
            return *stop;
    }
    session.setNumbering(arguments.numbering);
    session.read(arguments.directory,
                 filvane::joinSearchPattern(arguments.directory, arguments.mask));
    if (const int error = session.lists().listError()) {
        print(stderr, "filvane-rename: cannot list " + arguments.directory + ": " +
                          filvane::errorText(error, filvane::StoredTexts()) + "\n");
        return ExitRowsFailed;
    }
    if (session.lists().tooManyFiles())
        return usageError("more files match than can be renamed in one run");
    session.applyOptions(options);

    const int files = session.lists().fileCount();
    // Said before anything is renamed; a dry run prints the same and exits the same way.
    std::string refusal;
    int refusalCode = ExitDone;
    const auto refuse = [&refusal, &refusalCode](int code, const std::string &why) {
        refusal += "filvane-rename: " + why + "\n";
        refusalCode = std::max(refusalCode, code);
    };
    if (files == 0)
        refuse(ExitRowsFailed, "no file in " + arguments.directory + " matches the mask \"" +
                                   arguments.mask + "\"");
    if (!arguments.numbersOnly) {
        size_t lines = 0;
        filvane::forEachLine(namesText, [&lines](std::string_view) { return ++lines, true; });
        if (files > 0 && lines > static_cast<size_t>(files))
            refuse(ExitRowsFailed, std::to_string(lines) + " names for " + std::to_string(files) +
                                       " files: nothing is renamed");
        session.pasteNewNames(namesText, 1);
    }
    namesText = std::string();

    filvane::RenamePlan plan = session.plan(filvane::ListingAge::JustMade);
    const auto unnamed = std::count_if(plan.rows.begin(), plan.rows.end(),
                                       [](const filvane::RowOutcome &row) { return row.unnamed; });
    if (arguments.namedOnly)
        plan.leaveOutUnnamedRows();
    for (const filvane::RowOutcome &row : plan.rows) {
        if (row.outcome == filvane::RenameOutcome::RefusedName)
            refuse(ExitRowsFailed, "row " + filvane::rowNumberText(row.row) + ": " +
                                       std::string(row.oldName) + " \u2192 " +
                                       std::string(row.newName) + ": " +
                                       (row.noBaseName ? "the name has nothing before its extension"
                                                       : "the name is not allowed") +
                                       ": nothing is renamed");
    }
    if (unnamed > 0 && !arguments.namedOnly && !arguments.allowBlank)
        refuse(ExitUsage, std::to_string(files - static_cast<int>(unnamed)) + " names for " +
                              std::to_string(files) +
                              " files: give a name to each, or --named-only to rename only the "
                              "named files, or --allow-blank to give the others their number "
                              "alone");

    if (arguments.dryRun) {
        // Only a dry run looks at the folder first: a real run reports each failure as it meets it.
        filvane::checkPlan(plan);
        const filvane::Preflight &check = *plan.preflight;
        printPlan(plan);
        printFindings(check);
        print(stderr, refusal);
        if (refusalCode != ExitDone)
            return refusalCode;
        return check.clean() || check.count(filvane::PreflightFinding::Unnamed) ==
                                    static_cast<int>(check.rows.size())
                   ? ExitDone
                   : ExitRowsFailed;
    }
    if (refusalCode != ExitDone) {
        print(stderr, refusal);
        return refusalCode;
    }
    return reportRun(session.run(std::move(plan)));
}
