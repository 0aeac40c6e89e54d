// The scripting command run as a user runs it: a separate process, its exit code and output.
#include "ScriptedCalls.h"
#include "TaggedFiles.h"
#include "TempDir.h"
#include "core/RenameSession.h"
#include "core/journal/RunJournal.h"
#include "core/lists/NameLists.h"
#include "core/run/Rename.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string &text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs filvane-rename with `arguments` (already quoted), `input` on its standard input.
Result run(const TempDir &scratch, const std::string &arguments, const std::string &input = {}) {
    scratch.touch("stdin", input);
    const std::string command =
        std::string(FILVANE_RENAME) + " " + arguments + " <" + quoted(scratch.file("stdin")) +
        " >" + quoted(scratch.file("stdout")) + " 2>" + quoted(scratch.file("stderr"));
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, scratch.read("stdout"),
            scratch.read("stderr")};
}

std::set<std::string> entries(const TempDir &dir) {
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
        names.insert(entry.path().filename().string());
    return names;
}

// A folder of files holding their own names, and a scratch folder for the command's streams
// and the journals (HOME and XDG_STATE_HOME point there).
struct CommandFolder {
    TempDir dir;
    TempDir scratch;
    explicit CommandFolder(const std::set<std::string> &files) {
        for (const std::string &name : files)
            dir.touch(name, name);
        setenv("HOME", scratch.str().c_str(), 1);
        setenv("XDG_STATE_HOME", (scratch.str() + "/state").c_str(), 1);
    }
    Result operator()(const std::string &options, const std::string &input = {}) const {
        return run(scratch, quoted(dir.str()) + " " + options, input);
    }
};

} // namespace

TEST(FilvaneRename, RenamesAsTheWindowComposesAndExitsZero) {
    CommandFolder folder({"a.mp3", "b.mp3", "c.wav"});
    const Result result = folder("--mask '*.mp3'", "Alpha\nBeta\n");
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(entries(folder.dir),
              (std::set<std::string>{"01 - Alpha.mp3", "02 - Beta.mp3", "c.wav"}));
    EXPECT_EQ(folder.dir.read("01 - Alpha.mp3"), "a.mp3");

    CommandFolder options({"a.mp3", "b.mp3"});
    options.scratch.touch("names", "One\r\nTwo\r\n");
    EXPECT_EQ(
        options("--numbering off --extension .ogg --names " + quoted(options.scratch.file("names")))
            .code,
        0);
    EXPECT_EQ(entries(options.dir), (std::set<std::string>{"One.ogg", "Two.ogg"}));
    EXPECT_EQ(options("--numbers-only --mask '*.ogg'").code, 0);
    EXPECT_EQ(entries(options.dir), (std::set<std::string>{"01.ogg", "02.ogg"}));
}

TEST(FilvaneRename, DryRunPrintsThePlanAndTouchesNothing) {
    CommandFolder folder({"a.mp3", "b.mp3", "c.mp3", "x.txt"});
    const Result result = folder(
        "--mask '*.mp3' --extension .txt --numbering off --dry-run --allow-blank", "x\nBeta\n");
    EXPECT_EQ(result.code, 1); // a.mp3 would meet x.txt
    EXPECT_NE(result.out.find("b.mp3 \u2192 Beta.txt\n"), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("a.mp3 \u2192 x.txt: the name belongs to another file"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("c.mp3 \u2192 .txt: the name has nothing before its extension"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(entries(folder.dir), (std::set<std::string>{"a.mp3", "b.mp3", "c.mp3", "x.txt"}));
    // A name longer than the drive takes is said as such.
    const Result tooLong =
        folder("--mask 'a.mp3' --numbering off --dry-run", std::string(300, 'x') + "\n");
    EXPECT_EQ(tooLong.code, 1);
    EXPECT_NE(tooLong.err.find(".mp3: the name is too long: nothing is renamed\n"),
              std::string::npos)
        << tooLong.err;
}

TEST(FilvaneRename, FailedRowsExitOneAndNothingIsReplaced) {
    CommandFolder folder({"a.mp3", "b.mp3", "taken.mp3"});
    const Result result = folder("--mask '[ab].mp3' --numbering off", "taken\nfree\n");
    // "[ab]" is no wildcard here: nothing matches, which is said.
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("matches the mask"), std::string::npos) << result.err;
    // A row the check finds would fail: nothing is renamed, not even the rows that would go.
    const Result real = folder("--mask '?.mp3' --numbering off", "taken\nfree\n");
    EXPECT_EQ(real.code, 1);
    EXPECT_NE(real.err.find("a.mp3 \u2192 taken.mp3: the name belongs to another file: nothing is "
                            "renamed"),
              std::string::npos)
        << real.err;
    EXPECT_EQ(folder.dir.read("taken.mp3"), "taken.mp3");
    EXPECT_EQ(entries(folder.dir), (std::set<std::string>{"a.mp3", "b.mp3", "taken.mp3"}));
}

// Files a b x, names c c b: b keeps its name (c goes to a), so x cannot have it. The command
// says both before renaming anything.
TEST(FilvaneRename, RefusesBeforeRenamingWhenTheCheckFindsARowThatWouldFail) {
    CommandFolder folder({"a.mp3", "b.mp3", "x.mp3"});
    const Result result = folder("--numbering off", "c\nc\nb\n");
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("row 02: b.mp3 \u2192 c.mp3: same name as row 01"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("row 03: x.mp3 \u2192 b.mp3: the name stays with the file of row 02"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(entries(folder.dir), (std::set<std::string>{"a.mp3", "b.mp3", "x.mp3"}));
}

TEST(FilvaneRename, NamesAreBytes) {
    CommandFolder folder({"\xff\xfe.mp3", "b.mp3"});
    EXPECT_EQ(folder("--numbering off", "\xe9t\xe9\nna\xc3\xafve\n").code, 0);
    EXPECT_EQ(entries(folder.dir), (std::set<std::string>{"\xe9t\xe9.mp3", "na\xc3\xafve.mp3"}));
}

TEST(FilvaneRename, BadUsageExitsTwoAndHelpAndVersionPrint) {
    TempDir scratch;
    for (const std::string &arguments : std::vector<std::string>{
             "", "--bogus", "/nonexistent-filvane-folder",
             quoted(scratch.str()) + " --numbering maybe", quoted(scratch.str()) + " --mask"}) {
        const Result result = run(scratch, arguments);
        EXPECT_EQ(result.code, 2) << arguments;
        EXPECT_NE(result.err.find("filvane-rename: "), std::string::npos) << arguments;
    }
    const Result help = run(scratch, "--help");
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("Usage: filvane-rename DIR"), std::string::npos);
    const Result version = run(scratch, "--version");
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out.rfind("filvane-rename ", 0), 0u);
}

TEST(FilvaneRename, NaturalOrderAndUndoOfARunMadeElsewhere) {
    CommandFolder folder({"Track 1.mp3", "Track 2.mp3", "Track 10.mp3"});
    EXPECT_EQ(folder("--natural --numbering on", "One\nTwo\nTen\n").code, 0);
    EXPECT_EQ(folder.dir.read("03 - Ten.mp3"), "Track 10.mp3");

    // A run made by the window's engine, with the same journal folder, is undone here too.
    filvane::RenameSession window(folder.scratch.str() + "/state/filvane");
    window.read(folder.dir.str(), folder.dir.str() + "/*.*");
    window.applyOptions({.numbering = false});
    window.setNewName(1, "First");
    filvane::RenamePlan plan = window.plan();
    plan.leaveOutUnnamedRows();
    ASSERT_EQ(window.run(std::move(plan)).renamedCount(), 1);
    EXPECT_TRUE(folder.dir.exists("First.mp3"));

    const Result undo = folder("--undo");
    EXPECT_EQ(undo.code, 0) << undo.err;
    EXPECT_TRUE(folder.dir.exists("01 - One.mp3"));
    EXPECT_EQ(folder("--undo").code, 0); // and the command's own run before it
    EXPECT_EQ(entries(folder.dir),
              (std::set<std::string>{"Track 1.mp3", "Track 10.mp3", "Track 2.mp3"}));
    EXPECT_EQ(folder("--undo").code, 1); // nothing left to undo
}

// A run of the folder's files a to b, b to c, c to a, killed just after its first file went to
// a temporary name (the file system refusing the atomic exchange), as a crash leaves it.
bool killedInARound(const CommandFolder &folder) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        filvane::NameLists lists;
        lists.listDirectory(folder.dir.str() + "/*");
        lists.sortByName();
        for (int row = 1; row <= 3; ++row)
            lists.nameList().setCell(1, row, std::string(1, char('a' + row % 3)));
        ScriptedCalls calls;
        calls.before = [](const ScriptedCalls::Call &call) {
            if (call.kind == ScriptedCalls::Kind::Rename && filvane::isPrivateName(call.from))
                ::kill(::getpid(), SIGKILL);
            return 0;
        };
        filvane::RunJournal journal(folder.scratch.str() + "/state/filvane");
        filvane::runPlan(filvane::planFromLists(lists, filvane::RenameOptions{.numbering = false},
                                                folder.dir.str(), std::nullopt),
                         {filvane::NoReplaceRenamer::Method::NoExchange, {}, &journal, &calls});
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status);
}

TEST(FilvaneRename, AfterACrashItRefusesToRunUntilTheRunIsRecovered) {
    CommandFolder folder({"a.mp3", "b.mp3", "c.mp3"});
    ASSERT_TRUE(killedInARound(folder));
    const auto temporary = [&folder] {
        for (const std::string &name : entries(folder.dir))
            if (filvane::isPrivateName(name))
                return true;
        return false;
    };
    ASSERT_TRUE(temporary());
    const std::set<std::string> crashed = entries(folder.dir);

    // Neither a run nor an undo goes on over it; a dry run never lists the temporary name.
    for (const std::string &options : {std::string("--numbering off"), std::string("--undo")}) {
        const Result refused = folder(options, "x\ny\nz\n");
        EXPECT_EQ(refused.code, 1) << options;
        EXPECT_NE(refused.err.find("--recover restore"), std::string::npos) << refused.err;
        EXPECT_EQ(entries(folder.dir), crashed);
    }
    const Result dry = folder("--dry-run --numbering off", "x\ny\nz\n");
    EXPECT_EQ(dry.out.find(".filvane-"), std::string::npos) << dry.out;

    const Result recovered = folder("--recover restore");
    EXPECT_EQ(recovered.code, 0) << recovered.err;
    EXPECT_FALSE(temporary());
    for (const char *name : {"a.mp3", "b.mp3", "c.mp3"})
        EXPECT_EQ(folder.dir.read(name), name);
    EXPECT_EQ(folder("--recover restore").code, 0); // nothing left: says so
    EXPECT_EQ(folder("--numbering off", "x\ny\nz\n").code, 0);
    EXPECT_EQ(entries(folder.dir), (std::set<std::string>{"x.mp3", "y.mp3", "z.mp3"}));
}

TEST(FilvaneRename, InputThatCannotBeUsedExitsWithTheReason) {
    std::string yes; // as from `yes`: one line more than the most names read
    for (int i = 0; i < 1000001; ++i)
        yes += "y\n";
    struct Case {
        std::string options;
        std::string input;
        int code;
        std::string says;
    };
    const std::vector<Case> cases{
        {"--mask '*/*'", "x\n", 1, "cannot match a file name"},
        {"--mask ''", "x\n", 1, "cannot match a file name"},
        {"--numbering off", yes, 2, "too many names"},
        {"--numbering off", std::string((size_t(64) << 20) + 1, 'y'), 2, "64 MB"},
        {"--recover maybe", "", 2, "--recover takes"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.options + " with " + std::to_string(c.input.size()) + " bytes");
        CommandFolder folder({"a.mp3"});
        const Result result = folder(c.options, c.input);
        EXPECT_EQ(result.code, c.code) << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_EQ(entries(folder.dir), (std::set<std::string>{"a.mp3"}));
    }
}

TEST(FilvaneRename, SaysNoInsteadOfGuessing) {
    struct Case {
        std::string options;
        std::string input;
        int code;
        std::string says; // on standard error
        std::set<std::string> after;
    };
    const std::set<std::string> untouched{"a.mp3", "b.mp3", "c.mp3"};
    const std::vector<Case> cases{
        {"", "One\n", 2, "1 names for 3 files", untouched},
        {"", "One\n\nThree\n", 2, "2 names for 3 files", untouched},
        {"--named-only", "One\n\nThree\n", 0, "", {"01 - One.mp3", "b.mp3", "03 - Three.mp3"}},
        {"--allow-blank", "One\n", 0, "", {"01 - One.mp3", "02 - .mp3", "03 - .mp3"}},
        // With numbering off a blank row would be ".mp3": refused, whatever is allowed.
        {"--numbering off --allow-blank", "One\n", 1, "nothing before its extension", untouched},
        {"", "1\n2\n3\n4\n", 1, "4 names for 3 files", untouched},
        {"--mask '*.ogg'", "One\n", 1, "matches the mask", untouched},
        {"--numbering off", "a/b\nB\nC\n", 1, "not allowed", untouched},
        {"--dry-run", "One\n", 2, "1 names for 3 files", untouched},
        {"--extension mp3 --numbering off", "A\nB\nC\n", 0, "", {"A.mp3", "B.mp3", "C.mp3"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.options + " with " + c.input);
        CommandFolder folder(untouched);
        const Result result = folder(c.options, c.input);
        EXPECT_EQ(result.code, c.code) << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_EQ(entries(folder.dir), c.after);
    }
    // An unquoted "*.mp3" the shell expanded: the mask is a file's name, and a hint says so.
    CommandFolder folder(untouched);
    const std::string command = "cd " + quoted(folder.dir.str()) + " && " + FILVANE_RENAME +
                                " . --mask a.mp3 --dry-run </dev/null 2>" +
                                quoted(folder.scratch.file("stderr"));
    EXPECT_NE(std::system(command.c_str()), -1);
    EXPECT_NE(folder.scratch.read("stderr").find("quote it"), std::string::npos)
        << folder.scratch.read("stderr");
}

// An option whose value is missing says what it takes and renames nothing; one value of the two
// --replace takes is still missing.
TEST(FilvaneRename, AnOptionWithoutItsValueSaysWhatItTakes) {
    const std::set<std::string> untouched{"a.txt", "b.txt"};
    const std::vector<std::pair<std::string, std::string>> cases{
        {"--mask", "--mask needs a mask"},
        {"--names", "--names needs a file"},
        {"--numbering", "--numbering takes on or off"},
        {"--extension", "--extension needs an extension"},
        {"--order", "--order takes bytes, natural, track, taken or mtime"},
        {"--fill-from-tags", "--fill-from-tags needs a template, such as '{track} {title}'"},
        {"--start", "--start needs a number"},
        {"--step", "--step needs a number"},
        {"--digits", "--digits needs a number or auto"},
        {"--separator", "--separator needs a text ('' for none)"},
        {"--replace a", "--replace needs the text to find and the text to put instead"},
        {"--case", "--case takes lower, upper, title or sentence"},
        {"--recover", "--recover takes restore, finish or leave"},
    };
    for (const auto &[options, says] : cases) {
        SCOPED_TRACE(options);
        CommandFolder folder(untouched);
        const Result result = folder("--numbering off " + options, "x\ny\n");
        EXPECT_EQ(result.code, 2) << result.err;
        EXPECT_EQ(result.err, "filvane-rename: " + says + "\nTry 'filvane-rename --help'.\n");
        EXPECT_EQ(entries(folder.dir), untouched);
    }
}

TEST(FilvaneRename, NameToolsAndNumberFormatsShapeTheNames) {
    struct Case {
        std::string options;
        std::string input;
        int code;
        std::string says; // on standard error
        std::set<std::string> after;
    };
    const std::set<std::string> untouched{"a.txt", "b.txt"};
    const std::vector<Case> cases{
        {"--numbering off --replace '(\\d+)-(\\d+)' '$2.$1' --regex",
         "12-34 x\nfoo\n",
         0,
         "",
         {"34.12 x.txt", "foo.txt"}},
        {"--numbering off --replace X Y --ignore-case",
         "xax\nXbX\n",
         0,
         "",
         {"YaY.txt", "YbY.txt"}},
        // Hungarian digraphs and Greek accents: only a word's first letter is a capital.
        {"--numbering off --case title",
         "gyönyörű ÉJSZAKA\nκαλημέρα κόσμε\n",
         0,
         "",
         {"Gyönyörű Éjszaka.txt", "Καλημέρα Κόσμε.txt"}},
        // Strip, replace, case, blanks in that order: the stripped name is what gets replaced.
        {"--strip-numbers --replace '^R' 'dr' --regex --case sentence --start 0 --step 5 "
         "--digits 3 --separator '. '",
         "04 - Rain\n07.  snow  STORM \n",
         0,
         "",
         {"000. Drain.txt", "005. Snow storm.txt"}},
        {"--numbering off --replace '(' x --regex", "a\nb\n", 2,
         "unbalanced parenthesis in the pattern", untouched},
        {"--numbering off --replace a '$2' --regex", "a\nb\n", 2, "in the replacement", untouched},
        {"--numbering off --replace 'a' '/'", "a\nb\n", 1, "not allowed", untouched},
        {"--regex", "a\nb\n", 2, "go with --replace", untouched},
        {"--digits 0", "a\nb\n", 2, "--digits 0 is out of range", untouched},
        {"--digits 21", "a\nb\n", 2, "--digits 21 is out of range", untouched},
        {"--start 1.5", "a\nb\n", 2, "whole number", untouched},
        {"--step 2147483648", "a\nb\n", 2, "out of range", untouched},
        {"--case shouty", "a\nb\n", 2, "--case takes", untouched},
        {"--numbers-only --strip-numbers", "", 2, "--numbers-only", untouched},
        {"--natural --order track", "a\nb\n", 2, "two different orders", untouched},
        {"--fill-from-tags '{titel} x'", "", 2, "unknown field \"titel\"", untouched},
        {"--fill-from-tags '{date:%Q}'", "", 2, "\"%Q\" (known", untouched},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.options);
        CommandFolder folder(untouched);
        const Result result = folder(c.options, c.input);
        EXPECT_EQ(result.code, c.code) << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_EQ(entries(folder.dir), c.after);
    }
}

// A ripper's folder in natural order: blanks and punctuation do not part a word from its number,
// so each title goes to its track.
TEST(FilvaneRename, NaturalOrderReadsNamesAsPeopleDo) {
    CommandFolder folder({"Track 10.mp3", "track02.mp3", "1 intro.mp3", "track01.mp3"});
    const Result result = folder("--natural", "Intro\nOne\nTwo\nTen\n");
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(folder.dir.read("01 - Intro.mp3"), "1 intro.mp3");
    EXPECT_EQ(folder.dir.read("02 - One.mp3"), "track01.mp3");
    EXPECT_EQ(folder.dir.read("03 - Two.mp3"), "track02.mp3");
    EXPECT_EQ(folder.dir.read("04 - Ten.mp3"), "Track 10.mp3");
}

TEST(FilvaneRename, SafeNamesAndPlainAsciiGiveNamesEveryDriveTakes) {
    const std::set<std::string> album{"a.mp3", "b.mp3", "c.mp3", "d.mp3"};
    CommandFolder folder(album);
    const std::string titles = "Act 1: Rain\nWhy? *Now*\nCON\n\u0150szi sz\u00e9l...\n";
    Result result = folder("--safe-names", titles);
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(entries(folder.dir),
              (std::set<std::string>{"01 - Act 1 - Rain.mp3", "02 - Why Now.mp3", "03 - CON_.mp3",
                                     "04 - \u0150szi sz\u00e9l.mp3"}));
    EXPECT_EQ(folder("--undo").code, 0);
    EXPECT_EQ(entries(folder.dir), album);

    // --ascii implies the safe names; the device name with numbering off is refused no more.
    result = folder("--ascii --numbering off", titles);
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(entries(folder.dir), (std::set<std::string>{"Act 1 - Rain.mp3", "Why Now.mp3",
                                                          "CON_.mp3", "Oszi szel.mp3"}));
    EXPECT_EQ(folder("--undo").code, 0);

    // A long title is cut so that number and extension still fit in 255 units.
    result = folder("--safe-names --named-only", std::string(300, 'x') + "\n");
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_TRUE(folder.dir.exists("01 - " + std::string(246, 'x') + ".mp3"));
}

TEST(FilvaneRename, StripNumbersTakesAPartLetterAndTidiesBlanks) {
    CommandFolder folder({"a.mp3", "b.mp3", "c.mp3", "d.mp3"});
    const Result result = folder("--strip-numbers --start 5",
                                 "05b - New\n2Pac - Changes\n1984\n(02) Blue  Monday \n");
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(entries(folder.dir),
              (std::set<std::string>{"05 - New.mp3", "06 - 2Pac - Changes.mp3", "07 - 1984.mp3",
                                     "08 - Blue Monday.mp3"}));
}

// What a tool makes is bound: a replacement of 10,000 characters for every character stops at
// the first name, with the reason, before anything is renamed.
TEST(FilvaneRename, AToolThatMakesNamesTooLongStopsAtOnce) {
    std::set<std::string> files;
    std::string names;
    for (int i = 0; i < 600; ++i) {
        files.insert("f" + std::to_string(1000 + i) + ".mp3");
        names += "Title number " + std::to_string(i) + "\n";
    }
    CommandFolder folder(files);
    const Result result =
        folder("--replace . " + quoted(std::string(10000, 'x')) + " --regex", names);
    EXPECT_EQ(result.code, 2) << result.err;
    EXPECT_NE(result.err.find("longer than 4096 bytes"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("row 01 (f1000.mp3)"), std::string::npos) << result.err;
    EXPECT_EQ(entries(folder.dir), files);
}

TEST(FilvaneRename, RenumberingANumberedFolderTwiceGivesTheSameNames) {
    std::set<std::string> photos;
    for (int i = 1; i <= 300; ++i)
        photos.insert("IMG_" + std::to_string(7919 * i % 10007) + ".jpg");
    CommandFolder folder(photos);
    const auto contents = [&folder] {
        std::map<std::string, std::string> byName;
        for (const std::string &name : entries(folder.dir))
            byName[name] = folder.dir.read(name);
        return byName;
    };
    const Result first = folder("--numbers-only --digits auto");
    ASSERT_EQ(first.code, 0) << first.err;
    const std::map<std::string, std::string> once = contents();
    ASSERT_EQ(once.size(), 300u);
    EXPECT_EQ(once.begin()->first, "001.jpg");
    EXPECT_EQ(once.rbegin()->first, "300.jpg");
    const Result second = folder("--numbers-only --digits auto");
    EXPECT_EQ(second.code, 0) << second.err;
    EXPECT_EQ(contents(), once);
}

TEST(FilvaneRename, FillsNamesFromTagsInTrackOrder) {
    struct Case {
        std::string options;
        int code;
        std::string says; // on standard error
        std::set<std::string> after;
    };
    const std::set<std::string> untouched{"a.mp3", "b.mp3", "c.mp3"};
    const std::vector<Case> cases{
        // a.mp3 is third by its track and has no title.
        {"--fill-from-tags '{track} {title}' --order track", 2, "03 a.mp3: no title", untouched},
        {"--fill-from-tags '{track} {title}' --order track --dry-run", 2,
         "2 names for 3 files: the others lack a field", untouched},
        {"--fill-from-tags '{title}' --order track --named-only",
         0,
         "03 a.mp3: no title",
         {"01 - First.mp3", "02 - Second.mp3", "a.mp3"}},
        {"--fill-from-tags '{track} {title}' --numbering off --named-only --case upper",
         0,
         "",
         {"01 FIRST.mp3", "02 SECOND.mp3", "a.mp3"}},
        {"--fill-from-tags '{title}' --allow-blank --order track --numbers-only", 2,
         "--numbers-only", untouched},
        {"--fill-from-tags '{artist}' --named-only --names /dev/null", 2, "exclude each other",
         untouched},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.options);
        CommandFolder folder({});
        tagged::writeMp3(folder.dir.file("a.mp3"), {"", "Band", "Album", 3, "", 2001});
        tagged::writeMp3(folder.dir.file("b.mp3"), {"Second", "Band", "Album", 2, "", 2001});
        tagged::writeMp3(folder.dir.file("c.mp3"), {"First", "Band", "Album", 1, "", 2001});
        const std::string cBytes = folder.dir.read("c.mp3");
        // Names on standard input are not read: they would otherwise name the files.
        const Result result = folder(c.options, "x\ny\nz\n");
        EXPECT_EQ(result.code, c.code) << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_EQ(entries(folder.dir), c.after);
        if (c.after.count("01 - First.mp3")) {
            EXPECT_EQ(folder.dir.read("01 - First.mp3"), cBytes);
        }
    }
}

// A renumbering in which a file keeps its name is undone, and the words count only the files
// the undo found to take back.
TEST(FilvaneRename, ARunInWhichAFileKeepsItsNameIsUndone) {
    CommandFolder folder({"01 - Intro.mp3", "b.mp3", "c.mp3"});
    const Result run = folder("--mask '*.mp3'", "Intro\nRain\nSnow\n");
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(entries(folder.dir),
              (std::set<std::string>{"01 - Intro.mp3", "02 - Rain.mp3", "03 - Snow.mp3"}));
    const Result undo = folder("--undo");
    EXPECT_EQ(undo.code, 0) << undo.err;
    EXPECT_NE(undo.out.find("2 of 2 files have their names back"), std::string::npos) << undo.out;
    EXPECT_EQ(entries(folder.dir), (std::set<std::string>{"01 - Intro.mp3", "b.mp3", "c.mp3"}));
    // The program's own journal is never reported damaged.
    const Result recover = folder("--recover restore");
    EXPECT_EQ(recover.code, 0) << recover.err;
    EXPECT_EQ(recover.err.find("damaged"), std::string::npos) << recover.err;
}

// A damaged journal may be a run of this folder: recovery sets it aside, says where it is, and
// does not say that nothing was cut off.
TEST(FilvaneRename, ARecoveryThatMeetsADamagedJournalExitsOne) {
    CommandFolder folder({"a.mp3"});
    const std::string journals = folder.scratch.str() + "/state/filvane";
    std::filesystem::create_directories(journals);
    const std::string id = "run-00000000000000000001-1.journal";
    folder.scratch.touch("state/filvane/" + id, "filvane-journal 2\nkind rename\nfolder /x\n");
    const Result recover = folder("--recover restore");
    EXPECT_EQ(recover.code, 1);
    EXPECT_NE(recover.err.find("damaged-" + id), std::string::npos) << recover.err;
    EXPECT_EQ(recover.out.find("no run was cut off"), std::string::npos) << recover.out;
    EXPECT_TRUE(std::filesystem::exists(journals + "/damaged-" + id)); // kept, not deleted
    EXPECT_EQ(folder("--recover restore").code, 0);                    // reported once
}
